#include "ptyline.h"
#include "serialcomm.h"

#include <QtTest>

using namespace qn62;

// The serial layer on a real pseudo-terminal pair.
class PortPtyTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyLine> line;
    std::unique_ptr<SerialComm> port;

private slots:
    void init()
    {
        line = std::make_unique<PtyLine>();
        port = std::make_unique<SerialComm>();
        port->setDevice(1, line->path);
    }
    void cleanup()
    {
        port.reset();
        line.reset();
    }

    void opensAt19200_8N1AndWritesExactBytes()
    {
        QVERIFY(port->setSettings("19200,N,8,1"));
        QVERIFY2(port->setPortOpen(true), qPrintable(port->errorString()));
        QCOMPARE(line->speed(), speed_t(B19200));
        termios t {};
        ::tcgetattr(line->slave, &t);
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));

        QVERIFY(port->output("CF LOGO OFF\r"));
        // Characters above 7F go out as single bytes.
        QVERIFY(port->output(QString(QChar(0xE9)) + "\r"));
        QTRY_COMPARE(line->read(), QByteArray("CF LOGO OFF\r\xE9\r"));
    }

    void speedChangesWhileOpen()
    {
        QVERIFY(port->setPortOpen(true));
        QVERIFY(port->setSettings("9600,N,8,1"));
        QVERIFY(port->portOpen());
        QCOMPARE(line->speed(), speed_t(B9600));
    }

    void receivedBytesRaiseOnComm()
    {
        QVERIFY(port->setPortOpen(true));
        QSignalSpy spy(port.get(), &CommPort::onComm);
        QVERIFY(line->write("00\r"));
        QString got;
        while (got.size() < 3 && spy.wait(3000)) {
            QCOMPARE(port->commEvent(), CommPort::ComEvReceive);
            got += port->input();
        }
        QCOMPARE(got, "00\r");
    }

    void vanishedFarEndIsReportedOnce()
    {
        QVERIFY(port->setPortOpen(true));
        QSignalSpy lost(port.get(), &CommPort::portLost);
        line->hangUp();
        QVERIFY(lost.wait(3000));
        QVERIFY(!port->portOpen());
        QVERIFY(lost.first().first().toString().contains(line->path));
        QVERIFY(!lost.wait(200));
    }

    void settingsRefused_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("three fields") << "19200,N,8";
        QTest::newRow("lower-case parity") << "19200,n,8,1";
        QTest::newRow("baud not a number") << "fast,N,8,1";
        QTest::newRow("leading zero") << "09600,N,8,1";
        QTest::newRow("nine data bits") << "9600,N,9,1";
        QTest::newRow("stop bits 1.5") << "9600,N,8,1.5";
    }
    void settingsRefused()
    {
        QFETCH(QString, settings);
        const QString before = port->settings();
        QVERIFY(!port->setSettings(settings));
        QVERIFY(port->errorString().contains("refused"));
        QCOMPARE(port->settings(), before);
    }

    void failuresExplainThemselves()
    {
        port->setDevice(2, "/dev/qn62-no-such-device");
        QVERIFY(port->setCommPort(2));
        QVERIFY(!port->setPortOpen(true));
        for (const char *part : {"COM2", "/dev/qn62-no-such-device", "no such device"})
            QVERIFY2(port->errorString().contains(part), qPrintable(port->errorString()));
        QVERIFY(!port->output("C00\r"));
        QVERIFY(port->errorString().contains("not open"));
        QVERIFY(!port->setCommPort(3));

        QVERIFY(port->setCommPort(1));
        QVERIFY(port->setPortOpen(true));
        QVERIFY(!port->setCommPort(2)); // fixed while open
        QCOMPARE(port->commPort(), 1);
    }
};

QTEST_GUILESS_MAIN(PortPtyTest)
#include "test_port_pty.moc"

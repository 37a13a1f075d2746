#include "serialcomm.h"

#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

using namespace qn62;

// The serial layer on a real pseudo-terminal pair: the layer opens the
// slave as its device, the test plays the projector on the master.
class PortPtyTest : public QObject
{
    Q_OBJECT

    int master = -1;
    int slave = -1;
    QString slavePath;

    QByteArray readMaster(int expected)
    {
        QByteArray got;
        QElapsedTimer clock;
        clock.start();
        while (got.size() < expected && clock.elapsed() < 3000) {
            char buf[256];
            const ssize_t n = ::read(master, buf, sizeof buf);
            if (n > 0)
                got.append(buf, int(n));
            else
                QTest::qWait(5);
        }
        return got;
    }

    speed_t slaveSpeed() const
    {
        termios t {};
        ::tcgetattr(slave, &t);
        return cfgetospeed(&t);
    }

private slots:
    void init()
    {
        char name[128];
        QVERIFY(::openpty(&master, &slave, name, nullptr, nullptr) == 0);
        slavePath = QString::fromLatin1(name);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    void cleanup()
    {
        if (master >= 0)
            ::close(master);
        if (slave >= 0)
            ::close(slave);
        master = slave = -1;
    }

    void opensAt19200AndWritesExactBytes()
    {
        SerialComm port;
        port.setDevice(1, slavePath);
        QVERIFY(port.setCommPort(1));
        QVERIFY(port.setSettings("19200,N,8,1"));
        QVERIFY2(port.setPortOpen(true), qPrintable(port.errorString()));
        QCOMPARE(slaveSpeed(), speed_t(B19200));

        termios t {};
        ::tcgetattr(slave, &t);
        QCOMPARE(t.c_cflag & CSIZE, tcflag_t(CS8));
        QVERIFY(!(t.c_cflag & PARENB));
        QVERIFY(!(t.c_cflag & CSTOPB));
        QVERIFY(!(t.c_cflag & CRTSCTS));

        QVERIFY(port.output("CF LOGO OFF\r"));
        QCOMPARE(readMaster(12), QByteArray("CF LOGO OFF\r"));
        // Characters above 7F go out as single bytes.
        QVERIFY(port.output(QString(QChar(0xE9)) + "\r"));
        QCOMPARE(readMaster(2), QByteArray("\xE9\r"));
    }

    void speedChangeWhileOpen()
    {
        SerialComm port;
        port.setDevice(1, slavePath);
        QVERIFY(port.setSettings("19200,N,8,1"));
        QVERIFY(port.setPortOpen(true));
        QVERIFY(port.setSettings("9600,N,8,1"));
        QVERIFY(port.portOpen());
        QCOMPARE(slaveSpeed(), speed_t(B9600));
        QCOMPARE(port.settings(), "9600,N,8,1");
    }

    void receivedBytesRaiseOnComm()
    {
        SerialComm port;
        port.setDevice(1, slavePath);
        QVERIFY(port.setPortOpen(true));
        QSignalSpy spy(&port, &CommPort::onComm);
        QCOMPARE(::write(master, "00\r", 3), ssize_t(3));
        QVERIFY(spy.wait(3000));
        QCOMPARE(port.commEvent(), CommPort::ComEvReceive);
        QString got = port.input();
        while (got.size() < 3 && spy.wait(1000))
            got += port.input();
        QCOMPARE(got, "00\r");
        QCOMPARE(port.input(), "");
    }

    void vanishedFarEndIsReportedOnce()
    {
        SerialComm port;
        port.setDevice(1, slavePath);
        QVERIFY(port.setPortOpen(true));
        ::close(slave);
        slave = -1;
        QSignalSpy lost(&port, &CommPort::portLost);
        ::close(master);
        master = -1;
        QVERIFY(lost.wait(3000));
        QVERIFY(!port.portOpen());
        QVERIFY(lost.first().first().toString().contains(slavePath));
        // No further reports, and no spinning: the event loop stays quiet.
        QTest::qWait(200);
        QCOMPARE(lost.size(), 1);
        QVERIFY(!port.output("C00\r"));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("settings");
        QTest::newRow("empty") << "";
        QTest::newRow("three fields") << "19200,N,8";
        QTest::newRow("lower-case parity") << "19200,n,8,1";
        QTest::newRow("baud not a number") << "fast,N,8,1";
        QTest::newRow("baud zero") << "0,N,8,1";
        QTest::newRow("leading zero") << "09600,N,8,1";
        QTest::newRow("nine data bits") << "9600,N,9,1";
        QTest::newRow("stop bits 1.5") << "9600,N,8,1.5";
        QTest::newRow("spaces") << "9600, N,8,1";
    }
    void refusals()
    {
        QFETCH(QString, settings);
        SerialComm port;
        const QString before = port.settings();
        QVERIFY(!port.setSettings(settings));
        QVERIFY(port.errorString().contains("refused"));
        QCOMPARE(port.settings(), before);
    }

    void openFailuresExplainThemselves()
    {
        SerialComm port;
        port.setDevice(2, "/dev/qn62-no-such-device");
        QVERIFY(port.setCommPort(2));
        QVERIFY(!port.setPortOpen(true));
        QVERIFY(port.errorString().contains("COM2"));
        QVERIFY(port.errorString().contains("/dev/qn62-no-such-device"));
        QVERIFY(port.errorString().contains("no such device"));

        QVERIFY(!port.setCommPort(3));
        QVERIFY(!port.output("C00\r"));
        QVERIFY(port.errorString().contains("not open"));
    }

    void portNumberIsFixedWhileOpen()
    {
        SerialComm port;
        port.setDevice(1, slavePath);
        QVERIFY(port.setPortOpen(true));
        QVERIFY(!port.setCommPort(2));
        QCOMPARE(port.commPort(), 1);
        QVERIFY(port.setPortOpen(false));
        QVERIFY(port.setCommPort(2));
    }
};

QTEST_GUILESS_MAIN(PortPtyTest)
#include "test_port_pty.moc"

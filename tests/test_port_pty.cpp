#include "ptyline.h"
#include "serialcomm.h"
#include "serialtransport.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>

using namespace qn62;

namespace {

// A serial device that fails the ways a pseudo-terminal cannot, and notes
// what it was asked to do.
class FakeSerialIo : public SerialIo
{
public:
    QSerialPort::SerialPortError openError = QSerialPort::NoError;
    QString openErrorText;
    QStringList calls;

    bool open(const QString &, const LineSettings &s) override
    {
        calls << "open " + s.toString();
        m_error = openError;
        m_text = openErrorText;
        return openError == QSerialPort::NoError;
    }
    bool setSettings(const LineSettings &s) override { return calls << "settings " + s.toString(), true; }
    void setModemLines(bool dtr, bool rts) override { calls << QString("DTR=%1 RTS=%2").arg(dtr).arg(rts); }
    void close() override { calls << "close"; }
    qint64 write(const char *, qint64 size) override { return size; }
    QByteArray readAll() override { return {}; }
    QSerialPort::SerialPortError error() const override { return m_error; }
    QString errorString() const override { return m_text; }
    void fail(QSerialPort::SerialPortError e, const QString &text)
    {
        m_error = e;
        m_text = text;
        emit errorOccurred(e);
    }

private:
    QSerialPort::SerialPortError m_error = QSerialPort::NoError;
    QString m_text;
};

} // namespace

// The serial layer on a real pseudo-terminal pair.
class PortPtyTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyLine> line;
    std::unique_ptr<SerialComm> port;
    FakeSerialIo *fake = nullptr;

    void useFakeDevice(const QString &path)
    {
        port->setDevice(1, path);
        port->setTransportFactory([this](const QString &address, QObject *parent) {
            auto io = std::make_unique<FakeSerialIo>();
            fake = io.get();
            return new SerialTransport(address, std::move(io), parent);
        });
    }

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
        QVERIFY2(lost.first().first().toString().contains("the device disconnected"),
                 qPrintable(lost.first().first().toString()));
        QVERIFY(!lost.wait(200));
    }

    // The far end stops reading: commands wait in the queue, one that does
    // not fit is refused whole, the port stays open, and everything queued
    // arrives in order once the far end reads again.
    void stalledLineQueuesWholeCommands()
    {
        QVERIFY(port->setPortOpen(true));
        QSignalSpy lost(port.get(), &CommPort::portLost);
        const QByteArray first(40 * 1024, 'A'), second(40 * 1024, 'B');
        QVERIFY(port->output(QString::fromLatin1(first)));
        QVERIFY(port->output(QString::fromLatin1(second)));
        QVERIFY(port->pendingOutput() > 0);
        QTest::qWait(50);

        const qint64 before = port->pendingOutput();
        QVERIFY(!port->output(QString(OutputQueue::Capacity - 1000, 'C')));
        QVERIFY2(port->errorString().contains("not taking data"), qPrintable(port->errorString()));
        QCOMPARE(port->pendingOutput(), before);
        QVERIFY(!port->output(QString(OutputQueue::Capacity + 1, 'C')));
        QVERIFY(port->errorString().contains("at most"));
        QVERIFY(port->output("C00\r"));
        QVERIFY(port->portOpen());

        QTRY_VERIFY_WITH_TIMEOUT(line->read().size() == 2 * 40 * 1024 + 4, 10000);
        QCOMPARE(line->heard, first + second + "C00\r");
        QCOMPARE(port->pendingOutput(), 0);
        QVERIFY(port->output("CR0\r"));
        QTRY_VERIFY(line->read().endsWith("C00\rCR0\r"));

        // Closing with output still pending drops it rather than waiting
        // for the far end to take it.
        line->heard.clear();
        QVERIFY(port->output(QString::fromLatin1(first)));
        QVERIFY(port->pendingOutput() > 0);
        const qint64 inDriver = first.size() - port->pendingOutput();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port->setPortOpen(false));
        QVERIFY(clock.elapsed() < 1000);
        QCOMPARE(port->pendingOutput(), 0);
        QVERIFY(line->read().size() < inDriver);
        QCOMPARE(lost.size(), 0);
    }

    // One device reached by a link and by its own name is one device.
    void oneDeviceTwoNames()
    {
        QTemporaryDir dir;
        const QString link = dir.filePath("projector");
        QVERIFY(QFile::link(line->path, link));
        QVERIFY(port->setPortOpen(true));
        SerialComm other;
        other.setDevice(1, link);
        QVERIFY(!other.setPortOpen(true));
        QVERIFY2(other.errorString().contains("in use by another program"), qPrintable(other.errorString()));
        QVERIFY(other.errorString().contains(link));
    }

    void queueTakesWholeCommands_data()
    {
        QTest::addColumn<int>("chunk");      // bytes the writer takes per call; -1 fails
        QTest::addColumn<int>("below");      // bytes the layer below holds
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QList<bool>>("taken");
        QTest::addColumn<int>("written");
        const int cap = int(OutputQueue::Capacity);
        QTest::newRow("line takes all") << 1 << 0 << QList<int>{cap, 10} << QList<bool>{true, true} << cap + 10;
        QTest::newRow("line stalled") << 0 << 0 << QList<int>{cap - 5, 5, 1} << QList<bool>{true, true, false} << 0;
        QTest::newRow("too long even when empty") << 0 << 0 << QList<int>{cap + 1, 3} << QList<bool>{false, true} << 0;
        QTest::newRow("the layer below counts") << 0 << 100 << QList<int>{cap - 99, cap - 100} << QList<bool>{false, true} << 0;
        QTest::newRow("line failed") << -1 << 0 << QList<int>{7, 7} << QList<bool>{true, true} << 0;
    }
    void queueTakesWholeCommands()
    {
        QFETCH(int, chunk);
        QFETCH(int, below);
        QFETCH(QList<int>, sizes);
        QFETCH(QList<bool>, taken);
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        OutputQueue queue(
            [&](const char *data, qint64 size) { return chunk <= 0 ? chunk : sink.write(data, size); },
            [&] { return qint64(below); });
        QByteArray expected;
        for (int i = 0; i < sizes.size(); ++i) {
            const QByteArray bytes(sizes[i], char('a' + i));
            QCOMPARE(queue.enqueue(bytes), taken[i]);
            QCOMPARE(queue.drain(), chunk >= 0);
            if (taken[i])
                expected += bytes;
        }
        QTEST(int(sink.data().size()), "written");
        QCOMPARE(queue.pending(), expected.size() - sink.data().size() + below);
        if (chunk > 0)
            QCOMPARE(sink.data(), expected);
    }

    // What a pseudo-terminal cannot do, through a stand-in for the device.
    void openFailuresExplainThemselves_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("systemText");
        QTest::addColumn<int>("mode"); // of the device file; 0: no file
        QTest::addColumn<QString>("group");
        QTest::addColumn<QStringList>("says");
        QTest::addColumn<QString>("notSays");
        const int denied = QSerialPort::PermissionError;
        QTest::newRow("no such device") << int(QSerialPort::DeviceNotFoundError) << qt_error_string(ENOENT) << 0
                                        << "" << QStringList{"no such device"} << "in use";
        QTest::newRow("busy") << denied << qt_error_string(EBUSY) << 0600 << ""
                              << QStringList{"in use by another program"} << "permission";
        QTest::newRow("lock held") << denied << "Permission error while locking the device" << 0600 << ""
                                   << QStringList{"in use by another program"} << "permission";
        QTest::newRow("no lock directory") << denied << "Permission error while creating lock file" << 0600 << ""
                                           << QStringList{"lock directory"} << "in use";
        QTest::newRow("group may use it") << denied << qt_error_string(EACCES) << 0660 << "dialout"
                                          << QStringList{"permission denied", "adduser $USER dialout"} << "in use";
        QTest::newRow("owner only") << denied << qt_error_string(EACCES) << 0600 << ""
                                    << QStringList{"permission denied", "mode 0600", "administrator"} << "adduser";
        QTest::newRow("other") << int(QSerialPort::UnsupportedOperationError) << "Odd device" << 0600 << ""
                               << QStringList{"could not be opened (Odd device)"} << "in use";
        QTest::newRow("path too long to lock") << denied << QString() << 0600 << "long"
                                               << QStringList{"too long"} << "in use";
    }
    void openFailuresExplainThemselves()
    {
        QFETCH(int, error);
        QFETCH(QString, systemText);
        QFETCH(int, mode);
        QFETCH(QString, group);
        QTemporaryDir dir;
        QString path = dir.filePath("ttyQN");
        if (group == "long") {
            path = dir.path();
            for (int i = 0; i < 3; ++i)
                QVERIFY(QDir().mkpath(path += "/" + QString(90, 'd')));
            path += "/ttyQN";
        }
        if (mode) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.close();
            ::chmod(QFile::encodeName(path).constData(), mode_t(mode));
            const struct group *g = group == "dialout" ? ::getgrnam("dialout") : nullptr;
            if (group == "dialout" && (!g || ::chown(QFile::encodeName(path).constData(), -1, g->gr_gid) != 0))
                QSKIP("the file cannot be given to the dialout group here");
        }
        useFakeDevice(path);
        port->setTransportFactory([&](const QString &address, QObject *parent) {
            auto io = std::make_unique<FakeSerialIo>();
            io->openError = QSerialPort::SerialPortError(error);
            io->openErrorText = systemText;
            return new SerialTransport(address, std::move(io), parent);
        });
        QVERIFY(!port->setPortOpen(true));
        QVERIFY(!port->portOpen());
        const QString text = port->errorString();
        QFETCH(QStringList, says);
        for (const QString &part : says + QStringList{"COM1", path})
            QVERIFY2(text.contains(part), qPrintable(text));
        QFETCH(QString, notSays);
        QVERIFY2(!text.contains(notSays), qPrintable(text));
    }

    // Opening sets the chosen line settings at once, raises DTR and keeps RTS
    // low; only a real loss of the line closes the port, with one report.
    void lineErrors_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("systemText");
        QTest::addColumn<QString>("reason"); // empty: the port stays open
        QTest::newRow("adapter pulled out") << int(QSerialPort::ResourceError) << qt_error_string(EIO)
                                            << "the device disconnected";
        QTest::newRow("end of file, stale error") << int(QSerialPort::ReadError) << qt_error_string(EAGAIN)
                                                  << "the device disconnected";
        QTest::newRow("write failed") << int(QSerialPort::WriteError) << "Odd failure" << "Odd failure";
        QTest::newRow("no modem lines") << int(QSerialPort::UnsupportedOperationError) << "Inappropriate ioctl" << "";
    }
    void lineErrors()
    {
        QFETCH(int, error);
        QFETCH(QString, systemText);
        QFETCH(QString, reason);
        useFakeDevice("/dev/ttyQN0");
        QVERIFY(port->setSettings("19200,N,8,1"));
        QVERIFY(port->setPortOpen(true));
        QCOMPARE(fake->calls, QStringList({"open 19200,N,8,1", "DTR=1 RTS=0"}));
        QSignalSpy lost(port.get(), &CommPort::portLost);
        FakeSerialIo *device = fake;
        device->fail(QSerialPort::SerialPortError(error), systemText);
        device->fail(QSerialPort::SerialPortError(error), systemText);
        QCOMPARE(port->portOpen(), reason.isEmpty());
        QCOMPARE(lost.size(), reason.isEmpty() ? 0 : 1);
        if (!reason.isEmpty()) {
            const QString text = lost.first().first().toString();
            QVERIFY2(text.contains(reason) && text.contains("/dev/ttyQN0"), qPrintable(text));
            QVERIFY(!text.contains(qt_error_string(EAGAIN)));
            QCOMPARE(device->calls.last(), "close");
        }
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
        // A bare name is a device in /dev, and the message says so.
        port->setDevice(2, "qn62-no-such-device");
        QVERIFY(!port->setPortOpen(true));
        QVERIFY2(port->errorString().contains("COM2 (/dev/qn62-no-such-device)"), qPrintable(port->errorString()));

        QVERIFY(port->setCommPort(1));
        QVERIFY(port->setPortOpen(true));
        QVERIFY(!port->setCommPort(2)); // fixed while open
        QCOMPARE(port->commPort(), 1);
    }
};

QTEST_GUILESS_MAIN(PortPtyTest)
#include "test_port_pty.moc"

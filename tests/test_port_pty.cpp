#include "ptyline.h"
#include "serialcomm.h"
#include "serialtransport.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>

using namespace qn62;

namespace {

// A serial device that fails the ways a pseudo-terminal cannot, and notes
// what it was asked to do. Set before open(), `err` makes the open fail.
class FakeSerialIo : public SerialIo
{
public:
    QSerialPort::SerialPortError err = QSerialPort::NoError;
    QString text;
    QStringList calls;

    bool open(const QString &, const LineSettings &s) override
    {
        calls << "open " + s.toString();
        return err == QSerialPort::NoError;
    }
    bool setSettings(const LineSettings &s) override { return calls << "settings " + s.toString(), true; }
    void setModemLines(bool dtr, bool rts) override { calls << QString("DTR=%1 RTS=%2").arg(dtr).arg(rts); }
    void close() override { calls << "close"; }
    qint64 write(const char *, qint64 size) override { return size; }
    QByteArray readAll() override { return {}; }
    QSerialPort::SerialPortError error() const override { return err; }
    QString errorString() const override { return text; }
    void fail(QSerialPort::SerialPortError e, const QString &why) { err = e, text = why, emit errorOccurred(e); }
};

} // namespace

// The serial layer on a real pseudo-terminal pair.
class PortPtyTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyLine> line;
    std::unique_ptr<SerialComm> port;
    FakeSerialIo *fake = nullptr;

    // COM1 at `path` through the stand-in device, failing to open with `error`.
    void useFake(const QString &path, int error = QSerialPort::NoError, const QString &text = QString())
    {
        port->setDevice(1, path);
        port->setTransportFactory([this, error, text](const QString &address, QObject *parent) {
            auto io = std::make_unique<FakeSerialIo>();
            io->err = QSerialPort::SerialPortError(error);
            io->text = text;
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
    void cleanup() { port.reset(), line.reset(); }

    // Opens at the chosen settings, sends the bytes as they are, raises
    // OnComm for what arrives, and takes a new speed while open.
    void roundTrip()
    {
        QVERIFY(port->setSettings("19200,N,8,1"));
        QVERIFY2(port->setPortOpen(true), qPrintable(port->errorString()));
        QCOMPARE(line->speed(), speed_t(B19200));
        termios t {};
        ::tcgetattr(line->slave, &t);
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
        // Characters above 7F go out as single bytes.
        QVERIFY(port->output("CF LOGO OFF\r") && port->output(QString(QChar(0xE9)) + "\r"));
        QTRY_COMPARE(line->read(), QByteArray("CF LOGO OFF\r\xE9\r"));

        QSignalSpy spy(port.get(), &CommPort::onComm);
        QVERIFY(line->write("00\r"));
        QString got;
        while (got.size() < 3 && spy.wait(3000)) {
            QCOMPARE(port->commEvent(), CommPort::ComEvReceive);
            got += port->input();
        }
        QCOMPARE(got, "00\r");
        QVERIFY(port->setSettings("9600,N,8,1") && port->portOpen());
        QCOMPARE(line->speed(), speed_t(B9600));
    }

    void vanishedFarEndIsReportedOnce()
    {
        QVERIFY(port->setPortOpen(true));
        QSignalSpy lost(port.get(), &CommPort::portLost);
        line->hangUp();
        QVERIFY(lost.wait(3000));
        QVERIFY(!port->portOpen());
        const QString text = lost.first().first().toString();
        QVERIFY2(text.contains(line->path) && text.contains("the device disconnected"), qPrintable(text));
        QVERIFY(!lost.wait(200));
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
        QVERIFY2(other.errorString().contains("in use by another program") && other.errorString().contains(link),
                 qPrintable(other.errorString()));
    }

    // Refused settings, ports and output, each with its reason, and the
    // open failure of a device that is not there.
    void refusals()
    {
        QVERIFY(port->setSettings("19200,N,8,1"));
        for (const char *bad : {"19200,N,8", "19200,n,8,1", "fast,N,8,1", "09600,N,8,1", "9600,N,9,1", "9600,N,8,1.5"})
            QVERIFY2(!port->setSettings(bad) && port->errorString().contains("refused")
                         && port->settings() == "19200,N,8,1", bad);

        port->setDevice(2, "/dev/qn62-no-such-device");
        QVERIFY(port->setCommPort(2));
        QVERIFY(!port->setPortOpen(true));
        for (const char *part : {"COM2", "/dev/qn62-no-such-device", "no such device"})
            QVERIFY2(port->errorString().contains(part), qPrintable(port->errorString()));
        QVERIFY(!port->output("C00\r") && port->errorString().contains("not open"));
        QVERIFY(!port->setCommPort(3));
        // A bare name is a device in /dev, and the message says so.
        port->setDevice(2, "qn62-no-such-device");
        QVERIFY(!port->setPortOpen(true));
        QVERIFY2(port->errorString().contains("COM2 (/dev/qn62-no-such-device)"), qPrintable(port->errorString()));

        QVERIFY(port->setCommPort(1) && port->setPortOpen(true));
        QVERIFY(!port->setCommPort(2)); // fixed while open
        QCOMPARE(port->commPort(), 1);
    }

    void queueTakesWholeCommands_data()
    {
        QTest::addColumn<int>("chunk"); // bytes the writer takes per call; -1 fails
        QTest::addColumn<int>("below"); // bytes the layer below holds
        QTest::addColumn<QList<int>>("sizes");
        QTest::addColumn<QList<bool>>("taken");
        QTest::addColumn<int>("written");
        const auto row = [](const char *name, int chunk, int below, QList<int> sizes, QList<bool> taken, int written) {
            QTest::newRow(name) << chunk << below << sizes << taken << written;
        };
        const int cap = int(OutputQueue::Capacity);
        row("line takes all", 1, 0, {cap, 10}, {true, true}, cap + 10);
        row("line stalled", 0, 0, {cap - 5, 5, 1}, {true, true, false}, 0);
        row("too long even when empty", 0, 0, {cap + 1, 3}, {false, true}, 0);
        row("the layer below counts", 0, 100, {cap - 99, cap - 100}, {false, true}, 0);
        row("line failed", -1, 0, {7, 7}, {true, true}, 0);
    }
    void queueTakesWholeCommands()
    {
        QFETCH(int, chunk);
        QFETCH(int, below);
        QFETCH(QList<int>, sizes);
        QFETCH(QList<bool>, taken);
        QBuffer sink;
        sink.open(QIODevice::WriteOnly);
        OutputQueue queue([&](const char *data, qint64 size) { return chunk <= 0 ? chunk : sink.write(data, size); },
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
    // The device file: none, "0600", "0660 dialout" or "0600 long" (a path
    // too long for a lock file). A text after "!" must not be said.
    void openFailuresExplainThemselves_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("systemText");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QStringList>("says");
        const auto row = [](const char *name, int error, const QString &text, const char *file, QStringList says) {
            QTest::newRow(name) << error << text << QString(file) << says;
        };
        const int denied = QSerialPort::PermissionError;
        row("no such device", QSerialPort::DeviceNotFoundError, qt_error_string(ENOENT), "",
            {"no such device", "!in use"});
        row("busy", denied, qt_error_string(EBUSY), "0600", {"in use by another program", "!permission"});
        row("lock held", denied, "Permission error while locking the device", "0600",
            {"in use by another program", "!permission"});
        row("no lock directory", denied, "Permission error while creating lock file", "0600",
            {"lock directory", "!in use"});
        row("group may use it", denied, qt_error_string(EACCES), "0660 dialout",
            {"permission denied", "adduser $USER dialout", "!in use"});
        row("owner only", denied, qt_error_string(EACCES), "0600",
            {"permission denied", "mode 0600", "administrator", "!adduser"});
        row("other", QSerialPort::UnsupportedOperationError, "Odd device", "0600",
            {"could not be opened (Odd device)", "!in use"});
        row("path too long to lock", denied, QString(), "0600 long", {"too long", "!in use"});
    }
    void openFailuresExplainThemselves()
    {
        QFETCH(int, error);
        QFETCH(QString, systemText);
        QFETCH(QString, file);
        QTemporaryDir dir;
        QString path = dir.filePath("ttyQN");
        if (file.endsWith("long")) {
            path = dir.path();
            for (int i = 0; i < 3; ++i)
                QVERIFY(QDir().mkpath(path += "/" + QString(90, 'd')));
            path += "/ttyQN";
        }
        if (!file.isEmpty()) {
            QFile device(path);
            QVERIFY(device.open(QIODevice::WriteOnly));
            device.close();
            ::chmod(QFile::encodeName(path).constData(), mode_t(file.left(4).toInt(nullptr, 8)));
            const struct group *g = ::getgrnam("dialout");
            if (file.endsWith("dialout") && (!g || ::chown(QFile::encodeName(path).constData(), -1, g->gr_gid)))
                QSKIP("the file cannot be given to the dialout group here");
        }
        useFake(path, error, systemText);
        QVERIFY(!port->setPortOpen(true) && !port->portOpen());
        const QString text = port->errorString();
        QFETCH(QStringList, says);
        for (const QString &part : says + QStringList{"COM1", path})
            QVERIFY2(part.startsWith('!') ? !text.contains(part.mid(1)) : text.contains(part), qPrintable(text));
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
        useFake("/dev/ttyQN0");
        QVERIFY(port->setSettings("19200,N,8,1") && port->setPortOpen(true));
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
};

QTEST_GUILESS_MAIN(PortPtyTest)
#include "test_port_pty.moc"

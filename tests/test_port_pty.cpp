#include "ptyline.h"
#include "serialcomm.h"
#include "serialtransport.h"

#include <QTemporaryDir>
#include <QtTest>

#include <dlfcn.h>
#include <grp.h>
#include <sys/stat.h>

using namespace qn62;

// Every output speed the serial layer sets on a device while speedsSet
// points somewhere, taken on the way to the C library, as strace would.
static std::vector<speed_t> *speedsSet = nullptr;
extern "C" int tcsetattr(int fd, int action, const termios *t)
{
    using Real = int (*)(int, int, const termios *);
    static const Real real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "tcsetattr"));
    if (speedsSet)
        speedsSet->push_back(::cfgetospeed(t));
    return real(fd, action, t);
}

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
        return calls << "open " + s.toString(), err == QSerialPort::NoError;
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

    // Opens at the chosen settings, never at another speed even for a
    // moment, sends the bytes as they are, and takes a new speed while open.
    // (What arrives is the panel tests' part.)
    void roundTrip()
    {
        QVERIFY(port->setSettings("19200,N,8,1"));
        const speed_t before = line->speed();
        std::vector<speed_t> speeds;
        speedsSet = &speeds;
        QVERIFY2(port->setPortOpen(true), qPrintable(port->errorString()));
        speedsSet = nullptr;
        QVERIFY(!speeds.empty());
        for (const speed_t speed : speeds)
            QVERIFY2(speed == B19200 || speed == before, qPrintable(QString::number(speed, 8)));
        QCOMPARE(line->speed(), speed_t(B19200));
        termios t {};
        ::tcgetattr(line->slave, &t);
        QCOMPARE(t.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
        // Characters above 7F go out as single bytes.
        QVERIFY(port->output("CF LOGO OFF\r") && port->output(QString(QChar(0xE9)) + "\r"));
        QTRY_COMPARE(line->read(), QByteArray("CF LOGO OFF\r\xE9\r"));

        QVERIFY(port->setSettings("9600,N,8,1") && port->portOpen());
        QCOMPARE(line->speed(), speed_t(B9600));
    }

    // Refused settings, ports and output, each with its reason: the open
    // failure of a device that is not there, and of one already open under
    // another name.
    void refusals()
    {
        QVERIFY(port->setSettings("19200,N,8,1"));
        for (const char *bad : {"19200,N,8", "fast,N,8,1", "0,N,8,1", "+9600,N,8,1", "9600,N,9,1", "9600,n,8,1",
                                "9600,X,8,1", "9600,N,8,3", "9600,N,8,1,"})
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
        // One device reached by a link and by its own name is one device.
        QTemporaryDir dir;
        const QString link = dir.filePath("projector");
        QVERIFY(QFile::link(line->path, link));
        SerialComm other;
        other.setDevice(1, link);
        QVERIFY(!other.setPortOpen(true));
        QVERIFY2(other.errorString().contains("in use by another program") && other.errorString().contains(link),
                 qPrintable(other.errorString()));
    }

    // What a pseudo-terminal cannot do, through a stand-in for the device:
    // each open failure explained, with the port and the device named.
    void openFailuresExplainThemselves_data()
    {
        QTest::addColumn<int>("error");
        QTest::addColumn<QString>("systemText");
        QTest::addColumn<QStringList>("says"); // a text after "!" must not be said
        const auto row = [](const char *name, int error, const QString &text, QStringList says) {
            QTest::newRow(name) << error << text << says;
        };
        const int denied = QSerialPort::PermissionError;
        row("busy", denied, qt_error_string(EBUSY), {"in use by another program", "!permission"});
        row("lock held", denied, "Permission error while locking the device", {"in use by another program", "!permission"});
        row("no lock directory", denied, "Permission error while creating lock file", {"lock directory", "!in use"});
        row("group may use it", denied, qt_error_string(EACCES), {"permission denied", "adduser $USER dialout", "!in use"});
        row("owner only", denied, qt_error_string(EACCES), {"permission denied", "mode 0600", "administrator", "!adduser"});
        row("other", QSerialPort::UnsupportedOperationError, "Odd device", {"could not be opened (Odd device)", "!in use"});
        row("path too long to lock", denied, QString(), {"too long", "!in use"});
    }
    void openFailuresExplainThemselves()
    {
        QFETCH(int, error);
        QFETCH(QString, systemText);
        QFETCH(QStringList, says);
        QTemporaryDir dir;
        QString path = dir.path();
        if (QLatin1String(QTest::currentDataTag()) == "path too long to lock")
            for (int i = 0; i < 3; ++i)
                QVERIFY(QDir().mkpath(path += "/" + QString(90, 'd')));
        QFile device(path += "/ttyQN");
        QVERIFY(device.open(QIODevice::WriteOnly));
        device.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        if (says.contains("adduser $USER dialout")) {
            const struct group *g = ::getgrnam("dialout");
            if (!g || ::chown(QFile::encodeName(path).constData(), -1, g->gr_gid) || ::chmod(QFile::encodeName(path), 0660))
                QSKIP("the file cannot be given to the dialout group here");
        }
        useFake(path, error, systemText);
        QVERIFY(!port->setPortOpen(true) && !port->portOpen());
        const QString text = port->errorString();
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
        const auto row = [](const char *name, int error, const QString &text, const char *reason) {
            QTest::newRow(name) << error << text << QString(reason);
        };
        row("adapter pulled out", QSerialPort::ResourceError, qt_error_string(EIO), "the device disconnected");
        row("end of file, stale error", QSerialPort::ReadError, qt_error_string(EAGAIN), "the device disconnected");
        row("write failed", QSerialPort::WriteError, "Odd failure", "Odd failure");
        row("no modem lines", QSerialPort::UnsupportedOperationError, "Inappropriate ioctl", "");
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
            QVERIFY2(text.contains(reason) && text.contains("/dev/ttyQN0") && !text.contains(qt_error_string(EAGAIN)),
                     qPrintable(text));
            QCOMPARE(device->calls.last(), "close");
        }
    }
};

QTEST_GUILESS_MAIN(PortPtyTest)
#include "test_port_pty.moc"

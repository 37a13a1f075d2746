// The simulator behind a real pseudo-terminal, seen from the far end the way
// a serial program sees it, and the qn62-sim program around it.

#include "sim/ptyprojector.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <utility>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

using qn62::sim::Projector;
using qn62::sim::PtyOptions;
using qn62::sim::PtyProjector;

namespace {

const QByteArray kAck(1, Projector::kAck);
const QByteArray kNak(1, Projector::kNak);
constexpr int kWaitMs = 5000;

// The far end of the line: the device opened as a serial program opens it.
class FarEnd
{
public:
    explicit FarEnd(const QString &path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDWR | O_NOCTTY | O_NONBLOCK))
    {
        termios tio{};
        if (m_fd >= 0 && ::tcgetattr(m_fd, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(m_fd, TCSANOW, &tio);
        }
    }
    ~FarEnd() { close(); }
    FarEnd(const FarEnd &) = delete;
    FarEnd &operator=(const FarEnd &) = delete;

    bool isOpen() const { return m_fd >= 0; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    // Writes everything, letting the event loop run (and calling whileFull)
    // whenever the line is full.
    bool write(QByteArray bytes, const std::function<void()> &whileFull = {})
    {
        while (!bytes.isEmpty()) {
            const ssize_t n = ::write(m_fd, bytes.constData(), size_t(bytes.size()));
            if (n > 0) {
                bytes.remove(0, n);
            } else if (n < 0 && errno == EAGAIN) {
                QCoreApplication::processEvents();
                if (whileFull)
                    whileFull();
            } else if (!(n < 0 && errno == EINTR)) {
                return false;
            }
        }
        return true;
    }

    QByteArray readAvailable()
    {
        QByteArray bytes;
        char buffer[256];
        ssize_t n;
        while ((n = ::read(m_fd, buffer, sizeof buffer)) > 0)
            bytes.append(buffer, n);
        return bytes;
    }

    // Collects what arrives until there are at least count bytes or the
    // wait runs out.
    QByteArray receive(int count)
    {
        QByteArray bytes;
        // Whether it all came is for the caller to compare.
        static_cast<void>(QTest::qWaitFor([&] {
            bytes += readAvailable();
            return bytes.size() >= count;
        }, kWaitMs));
        return bytes;
    }

private:
    int m_fd;
};

} // namespace

class TestSimPty : public QObject
{
    Q_OBJECT

private slots:
    void exchange_data();
    void exchange();
    void commandInPieces();
    void farEndReopens();
    void splitReplies_data();
    void splitReplies();
    void delayedReply_data();
    void delayedReply();
    void silent();
    void noiseBetweenReplies();
    void floodIsCapped();
    void programOptions_data();
    void programOptions();
    void programRunsUntilTerminated();
};

void TestSimPty::exchange_data()
{
    QTest::addColumn<QByteArray>("sent");
    QTest::addColumn<QByteArray>("received");

    QTest::newRow("query") << QByteArray("CR0\r") << QByteArray("80\r");
    QTest::newRow("operation") << QByteArray("C00\r") << kAck;
    QTest::newRow("unknown") << QByteArray("cr0\r") << kNak;
    QTest::newRow("several at once") << QByteArray("C00\rCR0\r") << kAck + "40\r";
    QTest::newRow("CR LF") << QByteArray("CR1\r\nCR9\r\n") << QByteArray("1\rQN62 V1.40\r");
    QTest::newRow("blank lines") << QByteArray("\r\r\nCR1\r") << QByteArray("1\r");
    QTest::newRow("LF not after CR") << QByteArray("\nCR1\r") << kNak;
}

void TestSimPty::exchange()
{
    QFETCH(QByteArray, sent);
    QFETCH(QByteArray, received);

    PtyProjector sim;
    QVERIFY2(sim.open(), qPrintable(sim.errorString()));
    FarEnd far(sim.slavePath());
    QVERIFY(far.isOpen());
    QVERIFY(far.write(sent));
    QCOMPARE(far.receive(received.size()), received);
}

void TestSimPty::commandInPieces()
{
    PtyProjector sim;
    QVERIFY(sim.open());
    FarEnd far(sim.slavePath());
    const QByteArray command = "CR0";
    for (int i = 0; i < command.size(); ++i) {
        QVERIFY(far.write(command.mid(i, 1)));
        QTRY_COMPARE(sim.pendingLineBytes(), i + 1);
    }
    QVERIFY(far.write("\r"));
    QCOMPARE(far.receive(3), QByteArray("80\r"));
    // The LF of a CR LF may come in a later read than its CR.
    QVERIFY(far.write("\n"));
    QVERIFY(far.write("CR1\r"));
    QCOMPARE(far.receive(2), QByteArray("1\r"));
}

void TestSimPty::farEndReopens()
{
    PtyProjector sim;
    QVERIFY(sim.open());
    // Each exchange opens and closes the device anew.
    const std::pair<QByteArray, QByteArray> exchanges[] = {{"C00\r", kAck}, {"CR0\r", "40\r"}};
    for (const auto &[command, reply] : exchanges) {
        FarEnd far(sim.slavePath());
        QVERIFY(far.write(command));
        QCOMPARE(far.receive(reply.size()), reply);
        far.close();
        QTest::qWait(50); // time to notice a hang-up, were there one
    }
}

void TestSimPty::splitReplies_data()
{
    QTest::addColumn<int>("pieces");
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<int>("written");

    QTest::newRow("version in 3") << 3 << QByteArray("CR9") << QByteArray("QN62 V1.40\r") << 3;
    QTest::newRow("status in 2") << 2 << QByteArray("CR0") << QByteArray("80\r") << 2;
    QTest::newRow("more pieces than bytes") << 5 << QByteArray("CR1") << QByteArray("1\r") << 2;
    QTest::newRow("ACK is one byte") << 4 << QByteArray("C00") << kAck << 1;
}

void TestSimPty::splitReplies()
{
    QFETCH(int, pieces);
    QFETCH(QByteArray, command);
    QFETCH(QByteArray, reply);
    QFETCH(int, written);

    PtyOptions options;
    options.splitPieces = pieces;
    PtyProjector sim(options);
    QVERIFY(sim.open());
    QSignalSpy writes(&sim, &PtyProjector::dataWritten);
    FarEnd far(sim.slavePath());
    QVERIFY(far.write(command + '\r'));
    QCOMPARE(far.receive(reply.size()), reply);
    QCOMPARE(writes.count(), written);
    for (const QList<QVariant> &write : writes)
        QVERIFY(!write.at(0).toByteArray().isEmpty());
}

void TestSimPty::delayedReply_data()
{
    QTest::addColumn<int>("delayMs");
    QTest::newRow("immediate") << 0;
    QTest::newRow("delayed") << 300;
}

void TestSimPty::delayedReply()
{
    QFETCH(int, delayMs);

    PtyOptions options;
    options.delayMs = delayMs;
    PtyProjector sim(options);
    QVERIFY(sim.open());
    QSignalSpy writes(&sim, &PtyProjector::dataWritten);
    int writtenWhenReceived = -1;
    connect(&sim, &PtyProjector::commandReceived, this,
            [&] { writtenWhenReceived = int(writes.count()); });
    FarEnd far(sim.slavePath());
    QElapsedTimer clock;
    clock.start();
    QVERIFY(far.write("CR0\r"));
    QCOMPARE(far.receive(3), QByteArray("80\r"));
    QCOMPARE(writtenWhenReceived, delayMs > 0 ? 0 : 1);
    QVERIFY(clock.elapsed() >= delayMs);
}

void TestSimPty::silent()
{
    PtyOptions options;
    options.silent = true;
    PtyProjector sim(options);
    QVERIFY(sim.open());
    QSignalSpy commands(&sim, &PtyProjector::commandReceived);
    QSignalSpy writes(&sim, &PtyProjector::dataWritten);
    FarEnd far(sim.slavePath());
    QVERIFY(far.write("C00\rCR0\r"));
    QTRY_COMPARE(commands.count(), 2);
    QCOMPARE(commands.at(1), (QList<QVariant>{QByteArray("CR0"), QByteArray("40\r")}));
    QTest::qWait(100);
    QCOMPARE(far.readAvailable(), QByteArray());
    QCOMPARE(writes.count(), 0);
}

void TestSimPty::noiseBetweenReplies()
{
    constexpr int kReplies = 20;
    PtyOptions options;
    options.noise = true;
    PtyProjector sim(options);
    QVERIFY(sim.open());
    QSignalSpy writes(&sim, &PtyProjector::dataWritten);
    FarEnd far(sim.slavePath());
    QVERIFY(far.write(QByteArray("CR1\r").repeated(kReplies)));
    QTRY_COMPARE_WITH_TIMEOUT(writes.count(), 2 * kReplies, kWaitMs);

    QByteArray expected;
    for (int i = 0; i < writes.count(); ++i) {
        const QByteArray bytes = writes.at(i).at(0).toByteArray();
        expected += bytes;
        if (i % 2 == 0) {
            QCOMPARE(bytes, QByteArray("1\r"));
            continue;
        }
        QVERIFY(bytes.size() >= 1 && bytes.size() <= PtyProjector::kMaxNoiseBytes);
        for (const char c : {'\r', '\n', Projector::kAck, Projector::kNak})
            QVERIFY2(!bytes.contains(c), bytes.toHex().constData());
    }
    QCOMPARE(far.receive(expected.size()), expected);
}

void TestSimPty::floodIsCapped()
{
    PtyProjector sim;
    QVERIFY(sim.open());
    QSignalSpy commands(&sim, &PtyProjector::commandReceived);
    FarEnd far(sim.slavePath());
    int largest = 0;
    const auto sample = [&] { largest = std::max(largest, sim.pendingLineBytes()); };
    QVERIFY(far.write(QByteArray(64 * 1024, 'A'), sample));
    QTRY_COMPARE(sim.pendingLineBytes(), PtyProjector::kMaxLineBytes);
    sample();
    QCOMPARE(largest, PtyProjector::kMaxLineBytes);

    QVERIFY(far.write("\rCR0\r"));
    QCOMPARE(far.receive(4), kNak + "80\r");
    QCOMPARE(commands.count(), 2);
    QCOMPARE(commands.at(0).at(0).toByteArray(), QByteArray(PtyProjector::kMaxLineBytes, 'A'));
}

void TestSimPty::programOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("stdoutHas");
    QTest::addColumn<QString>("stderrHas");

    QTest::newRow("help") << QStringList{"--help"} << 0 << "--split N" << "";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << 2 << "" << "bogus";
    QTest::newRow("stray argument") << QStringList{"extra"} << 2 << "" << "extra";
    QTest::newRow("bad delay") << QStringList{"--delay", "soon"} << 2 << "" << "--delay";
    QTest::newRow("split zero") << QStringList{"--split", "0"} << 2 << "" << "--split";
}

void TestSimPty::programOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(int, exitCode);
    QFETCH(QString, stdoutHas);
    QFETCH(QString, stderrHas);

    QProcess program;
    program.start(QStringLiteral(QN62_SIM_PROGRAM), arguments);
    QVERIFY(program.waitForFinished(kWaitMs));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), exitCode);
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardOutput()).contains(stdoutHas));
    QVERIFY(QString::fromLocal8Bit(program.readAllStandardError()).contains(stderrHas));
}

void TestSimPty::programRunsUntilTerminated()
{
    QTemporaryDir dir;
    const QString link = dir.filePath("projector");
    QVERIFY(QFile::link("/nonexistent/left-behind", link)); // replaced on start
    QProcess program;
    program.start(QStringLiteral(QN62_SIM_PROGRAM), {"--link", link});
    QVERIFY(program.waitForReadyRead(kWaitMs));
    const QString device = QString::fromLocal8Bit(program.readLine()).trimmed();
    QVERIFY(device.startsWith("/dev/"));
    QCOMPARE(QFileInfo(link).symLinkTarget(), device);

    {
        FarEnd far(link);
        QVERIFY(far.write("CR9\r"));
        QCOMPARE(far.receive(11), QByteArray("QN62 V1.40\r"));
    }

    program.terminate();
    QVERIFY(program.waitForFinished(kWaitMs));
    QCOMPARE(program.exitStatus(), QProcess::NormalExit);
    QCOMPARE(program.exitCode(), 0);
    QVERIFY(!QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(TestSimPty)
#include "test_sim_pty.moc"

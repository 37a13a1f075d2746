#include "form1.h"
#include "serialcomm.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <fcntl.h>
#include <pty.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>

using namespace qn62;

namespace {

struct Pty
{
    int master = -1;
    int slave = -1;
    QString path;

    Pty()
    {
        char name[128];
        if (openpty(&master, &slave, name, nullptr, nullptr) == 0) {
            termios t {};
            tcgetattr(master, &t);
            cfmakeraw(&t);
            tcsetattr(master, TCSANOW, &t);
            fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
            path = QString::fromLatin1(name);
        }
    }
    ~Pty() { hangUp(); }
    void hangUp()
    {
        if (slave >= 0)
            close(slave);
        if (master >= 0)
            close(master);
        master = slave = -1;
    }
    QByteArray read()
    {
        QByteArray got;
        char buf[4096];
        ssize_t n;
        while ((n = ::read(master, buf, sizeof buf)) > 0)
            got.append(buf, int(n));
        return got;
    }
    void write(const QByteArray &bytes)
    {
        QCOMPARE(::write(master, bytes.constData(), size_t(bytes.size())), ssize_t(bytes.size()));
    }
};

double cpuSeconds()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec
        + (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

// The panel on real pseudo-terminals when things go wrong on the line.
class FaultTest : public QObject
{
    Q_OBJECT

    QStringList warnings;
    std::unique_ptr<SerialComm> port;
    std::unique_ptr<Form1> panel;

    void start(const QString &com1, const QString &com2 = QString())
    {
        warnings.clear();
        port = std::make_unique<SerialComm>();
        port->setDevice(1, com1);
        if (!com2.isEmpty())
            port->setDevice(2, com2);
        panel = std::make_unique<Form1>(port.get());
        panel->setWarningHandler([this](const QString &text) { warnings << text; });
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    }
    QString rx() const { return panel->link().line(TransactionEngine::Line::Receive); }
    QString status() const { return panel->link().line(TransactionEngine::Line::Status); }

private slots:
    void cleanup()
    {
        panel.reset();
        port.reset();
    }

    void farEndVanishesWithoutSpinning()
    {
        Pty one, two;
        start(one.path, two.path);
        QVERIFY(port->portOpen());
        one.hangUp();
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY(!port->portOpen());

        // Closed ports do not spin: the panel stays nearly idle.
        const double cpu0 = cpuSeconds();
        QTest::qWait(300);
        QVERIFY2(cpuSeconds() - cpu0 < 0.1, "the panel keeps working after the port went away");
        QCOMPARE(warnings.size(), 1);

        // A send says it did not go, and choosing a port opens it again.
        panel->Command17_Click();
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        static_cast<QRadioButton *>(panel->control("Option2"))->click();
        QVERIFY(port->portOpen());
        QCOMPARE(port->commPort(), 2);
        panel->Command44_Click();
        QByteArray wire;
        QTRY_COMPARE((wire += two.read()), QByteArray("CR0\r"));
    }

    void startUpWithNoDevice()
    {
        Pty two;
        start(QStringLiteral("/dev/qn62-absent"), two.path);
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().contains("/dev/qn62-absent"));
        QVERIFY(!port->portOpen());
        static_cast<QRadioButton *>(panel->control("Option2"))->click();
        QVERIFY(port->portOpen());
        QCOMPARE(warnings.size(), 1);
    }

    void floodIsCappedAndTheNextReplyDecodes_data()
    {
        QTest::addColumn<bool>("duringReplyWindow");
        QTest::newRow("while idle") << false;
        QTest::newRow("during a reply window") << true;
    }
    void floodIsCappedAndTheNextReplyDecodes()
    {
        QFETCH(bool, duringReplyWindow);
        Pty line;
        start(line.path);
        if (duringReplyWindow)
            panel->Command44_Click();
        const QByteArray chunk(1920, 'Z');
        for (int i = 0; i < 8; ++i) {
            line.write(chunk);
            QTest::qWait(10);
        }
        QTRY_COMPARE(panel->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QTest::qWait(50);
        QCOMPARE(panel->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QCOMPARE(rx().size(), 1 + 2 * TransactionEngine::ReplyBufferLimit);

        panel->link().Timer2_Timer();
        line.read();
        panel->Command44_Click();
        line.write("80\r");
        QTRY_COMPARE(status(), " Stand by");
    }

    void pastedCommandOf64KiBGoesOutWhole()
    {
        Pty line;
        start(line.path);
        const QString typed(64 * 1024, QLatin1Char('A'));
        auto *text1 = static_cast<QLineEdit *>(panel->control("Text1"));
        text1->setMaxLength(INT_MAX);
        text1->setText(typed);
        panel->Command95_Click();
        QByteArray wire;
        QTRY_VERIFY_WITH_TIMEOUT((wire += line.read(), wire.size() >= typed.size() + 1), 10000);
        QCOMPARE(wire, typed.toLatin1() + '\r');
    }

    void bytesAbove7FAndNulShowAsTokens()
    {
        Pty line;
        start(line.path);
        panel->Command44_Click();
        line.write(QByteArray("\x00\xff\x80" "0\r", 5));
        QTRY_COMPARE(rx(), " ? ? ? 0 CR ");
        QCOMPARE(status(), "");
    }
};

QTEST_MAIN(FaultTest)
#include "test_faults.moc"

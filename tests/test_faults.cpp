#include "form1.h"
#include "ptyline.h"
#include "serialcomm.h"

#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <sys/resource.h>

using namespace qn62;

namespace {

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
        PtyLine one, two;
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
        QTRY_COMPARE(two.read(), QByteArray("CR0\r"));
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
        PtyLine line;
        start(line.path);
        if (duringReplyWindow)
            panel->Command44_Click();
        const QByteArray chunk(1920, 'Z');
        for (int i = 0; i < 8; ++i) {
            QVERIFY(line.write(chunk));
            QTest::qWait(10);
        }
        QTRY_COMPARE(panel->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QTest::qWait(50);
        QCOMPARE(panel->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QCOMPARE(rx().size(), 1 + 2 * TransactionEngine::ReplyBufferLimit);

        panel->link().Timer2_Timer();
        line.read();
        panel->Command44_Click();
        QVERIFY(line.write("80\r"));
        QTRY_COMPARE(status(), " Stand by");
    }

    void pastedCommandOf64KiBGoesOutWhole()
    {
        PtyLine line;
        start(line.path);
        const QString typed(64 * 1024, QLatin1Char('A'));
        auto *text1 = static_cast<QLineEdit *>(panel->control("Text1"));
        text1->setMaxLength(INT_MAX);
        text1->setText(typed);
        panel->Command95_Click();
        QTRY_COMPARE_WITH_TIMEOUT(line.read().size(), typed.size() + 1, 10000);
        QCOMPARE(line.heard, typed.toLatin1() + '\r');
    }

    void bytesAbove7FAndNulShowAsTokens()
    {
        PtyLine line;
        start(line.path);
        panel->Command44_Click();
        QVERIFY(line.write(QByteArray("\x00\xff\x80" "0\r", 5)));
        QTRY_COMPARE(rx(), " ? ? ? 0 CR ");
        QCOMPARE(status(), "");
    }
};

QTEST_MAIN(FaultTest)
#include "test_faults.moc"

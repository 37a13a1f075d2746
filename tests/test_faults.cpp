#include "form1.h"
#include "ptyline.h"
#include "outputqueue.h"
#include "serialcomm.h"

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <malloc.h>
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

        QVERIFY2(warnings.first().contains("the device disconnected"), qPrintable(warnings.first()));

        // A send says it did not go, and the first one says so in a box; a
        // held button's repeats add none. Choosing a port opens it again.
        panel->Command17_Click();
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        QCOMPARE(warnings.size(), 2);
        QVERIFY(warnings.last().contains("not open"));
        panel->Command1_MouseDown();
        panel->Timer1_Timer();
        panel->Command1_MouseUp();
        QCOMPARE(warnings.size(), 2);
        static_cast<QRadioButton *>(panel->control("Option2"))->click();
        QVERIFY(port->portOpen());
        QCOMPARE(port->commPort(), 2);
        panel->Command44_Click();
        QTRY_COMPARE(two.read(), QByteArray("CR0\r"));

        // A new closed spell is reported again.
        two.hangUp();
        QTRY_COMPARE(warnings.size(), 3);
        panel->Command17_Click();
        QCOMPARE(warnings.size(), 4);
        QVERIFY(warnings.last().contains("COM2"));
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

    // The far end stops reading while long typed commands go out: they wait,
    // one that does not fit is refused whole without a box, and everything
    // queued arrives in order once the far end reads again.
    void stalledLineKeepsThePortAndTheOrder()
    {
        PtyLine line;
        start(line.path);
        auto *text1 = static_cast<QLineEdit *>(panel->control("Text1"));
        const QString typed(40 * 1024, QLatin1Char('A'));
        QApplication::clipboard()->setText(typed);
        text1->paste();
        QCOMPARE(text1->text(), typed);
        panel->Command95_Click();
        panel->Command95_Click();
        panel->Command17_Click();
        QVERIFY(port->portOpen());
        QVERIFY(!rx().startsWith(TransactionEngine::NotSentMark));

        text1->setText(QString(OutputQueue::Capacity - 1, QLatin1Char('B')));
        panel->Command95_Click();
        QVERIFY2(rx().startsWith(TransactionEngine::NotSentMark) && rx().contains("not taking data"), qPrintable(rx()));
        panel->link().Timer2_Timer();
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        QVERIFY(port->portOpen());
        QVERIFY(warnings.isEmpty());

        const QByteArray expected = (typed + "\r" + typed + "\rC00\r").toLatin1();
        QTRY_COMPARE_WITH_TIMEOUT(line.read().size(), expected.size(), 10000);
        QCOMPARE(line.heard, expected);
        panel->Command18_Click();
        QTRY_VERIFY(line.read().endsWith("C00\rC01\r"));
    }

    // The command line takes what the output queue holds, refuses more whole
    // and visibly, and repeated pastes of long text do not pile up memory.
    void commandLineLength()
    {
        PtyLine line;
        start(line.path);
        auto *text1 = static_cast<QLineEdit *>(panel->control("Text1"));
        const QString longest(OutputQueue::Capacity - 1, QLatin1Char('L'));
        QApplication::clipboard()->setText(longest);
        text1->paste();
        QCOMPARE(text1->text().size(), longest.size());
        QVERIFY(warnings.isEmpty());
        text1->setText("C00");
        QApplication::clipboard()->setText(longest + "X");
        text1->selectAll();
        text1->paste();
        QCOMPARE(text1->text(), "C00");
        QCOMPARE(warnings.size(), 1);
        QVERIFY(warnings.first().contains(QString::number(longest.size())));

        const auto heap = [] { const struct mallinfo2 m = mallinfo2(); return qint64(m.uordblks + m.hblkhd); };
        qint64 before = 0;
        for (int i = 0; i < 40; ++i) {
            if (i == 5)
                before = heap();
            QApplication::clipboard()->setText(QString(32 * 1024, QLatin1Char('a' + i % 26)));
            text1->selectAll();
            text1->paste();
            QCoreApplication::processEvents();
        }
        QCOMPARE(text1->text().size(), 32 * 1024);
        QVERIFY2(heap() - before < 8 * 1024 * 1024, qPrintable(QString::number(heap() - before)));
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

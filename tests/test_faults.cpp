#include "outputqueue.h"
#include "panelfixture.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>

#include <ctime>
#include <malloc.h>

using namespace qn62;

// The panel on real pseudo-terminals when things go wrong on the line.
class FaultTest : public PanelFixture
{
    Q_OBJECT

    QString rx() const { return w->link().line(TransactionEngine::Line::Receive); }
    QLineEdit *text1() const { return static_cast<QLineEdit *>(w->control("Text1")); }
    void paste(const QString &text)
    {
        QApplication::clipboard()->setText(text);
        text1()->selectAll();
        text1()->paste();
    }

private slots:
    void init()
    {
        line = std::make_unique<PtyLine>();
        start(line->path);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }
    void cleanup() { closePanel(); }

    // A hang-up is reported once, with the device and the reason; the
    // closed port then neither spins nor stays silent.
    void farEndVanishesWithoutSpinning()
    {
        PtyLine two;
        port->setDevice(2, two.path);
        line->hangUp();
        QTRY_COMPARE(warnings.size(), 1);
        QVERIFY2(!port->portOpen() && warnings[0].contains(line->path) && warnings[0].contains("the device disconnected"),
                 qPrintable(warnings[0]));

        // Closed ports do not spin: the panel stays nearly idle.
        const std::clock_t cpu = std::clock(); // the process's processor time, all threads
        QTest::qWait(300);
        QVERIFY2(std::clock() - cpu < CLOCKS_PER_SEC / 10, "the panel keeps working after the port went away");

        // A send says it did not go, and the first one says so in a box; a
        // held button's repeats add none. Choosing a port opens it again.
        w->Command17_Click();
        QVERIFY2(warnings.size() == 2 && warnings.last().contains("not open"), qPrintable(warnings.join('\n')));
        w->Command1_MouseDown();
        w->Timer1_Timer();
        w->Command1_MouseUp();
        QCOMPARE(warnings.size(), 2);
        option("Option2")->click();
        w->Command44_Click();
        QTRY_COMPARE(two.read(), QByteArray("CR0\r"));

        // A new closed spell is reported again.
        two.hangUp();
        QTRY_COMPARE(warnings.size(), 3);
        w->Command17_Click();
        QVERIFY(warnings.size() == 4 && warnings.last().contains("COM2"));
    }

    // A flood during a reply window is capped, and the next reply after the
    // window decodes.
    void floodIsCappedAndTheNextReplyDecodes()
    {
        w->Command44_Click();
        for (int i = 0; i < 8; ++i) {
            QVERIFY(line->write(QByteArray(1920, 'Z')));
            QTest::qWait(10);
        }
        QTRY_COMPARE(w->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QTest::qWait(50);
        QCOMPARE(w->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QCOMPARE(rx().size(), 1 + 2 * TransactionEngine::ReplyBufferLimit);
        w->link().Timer2_Timer();
        w->Command44_Click();
        QVERIFY(line->write("80\r"));
        QTRY_COMPARE(rx(), QLatin1String(" 8 0 CR "));
        QCOMPARE(w->link().line(TransactionEngine::Line::Status), " Stand by");
    }

    // The far end stops reading while long typed commands go out: they wait,
    // one that does not fit is refused whole without a box, the port stays
    // open, and everything queued arrives in order once the far end reads
    // again. Closing with output still pending drops it instead of waiting.
    void stalledLineKeepsThePortAndTheOrder()
    {
        const QString typed(40 * 1024, QLatin1Char('A'));
        paste(typed);
        w->Command95_Click();
        w->Command95_Click();
        w->Command17_Click();
        QVERIFY(!rx().startsWith(TransactionEngine::NotSentMark));

        const qint64 waiting = port->pendingOutput();
        text1()->setText(QString(OutputQueue::Capacity - 1, QLatin1Char('B')));
        w->Command95_Click();
        QVERIFY2(rx().startsWith(TransactionEngine::NotSentMark) && rx().contains("not taking data"), qPrintable(rx()));
        QCOMPARE(port->pendingOutput(), waiting);
        QVERIFY(!port->output(QString(OutputQueue::Capacity + 1, 'C')) && port->errorString().contains("at most"));
        QVERIFY(port->portOpen() && warnings.isEmpty());

        const QByteArray expected = (typed + "\r" + typed + "\rC00\r").toLatin1();
        QTRY_COMPARE_WITH_TIMEOUT(line->read().size(), expected.size(), 10000);
        QVERIFY(line->heard == expected && port->pendingOutput() == 0);
        w->Command18_Click();
        QTRY_VERIFY(line->read().endsWith("C00\rC01\r"));

        line->heard.clear();
        w->Command95_Click();
        const qint64 inDriver = OutputQueue::Capacity - port->pendingOutput();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port->setPortOpen(false) && clock.elapsed() < 1000);
        QVERIFY(port->pendingOutput() == 0 && line->read().size() < inDriver && warnings.isEmpty());
    }

    // The command line takes what the output queue holds, refuses more whole
    // and visibly, and repeated long pastes do not pile up memory.
    void commandLineLength()
    {
        const QString longest(OutputQueue::Capacity - 1, QLatin1Char('L'));
        paste(longest);
        QCOMPARE(text1()->text().size(), longest.size());
        text1()->setText("C00");
        paste(longest + "X");
        QCOMPARE(text1()->text(), "C00");
        QVERIFY(warnings.size() == 1 && warnings.first().contains(QString::number(longest.size())));

        const auto heap = [] { const struct mallinfo2 m = mallinfo2(); return qint64(m.uordblks + m.hblkhd); };
        const qint64 before = heap();
        for (int i = 0; i < 40; ++i) {
            paste(QString(32 * 1024, QLatin1Char('a' + i % 26)));
            QCoreApplication::processEvents();
        }
        QVERIFY2(heap() - before < 8 * 1024 * 1024, qPrintable(QString::number(heap() - before)));
    }
};

QTEST_MAIN(FaultTest)
#include "test_faults.moc"

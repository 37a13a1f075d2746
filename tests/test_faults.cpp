#include "form1.h"
#include "outputqueue.h"
#include "ptyline.h"
#include "serialcomm.h"

#include <QClipboard>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QRadioButton>
#include <QtTest>

#include <sys/resource.h>

using namespace qn62;

// The panel on real pseudo-terminals when things go wrong on the line.
class FaultTest : public QObject
{
    Q_OBJECT

    QStringList warnings;
    std::unique_ptr<PtyLine> line;
    std::unique_ptr<SerialComm> port;
    std::unique_ptr<Form1> panel;

    QString rx() const { return panel->link().line(TransactionEngine::Line::Receive); }
    QLineEdit *text1() const { return static_cast<QLineEdit *>(panel->control("Text1")); }
    void paste(const QString &text)
    {
        QApplication::clipboard()->setText(text);
        text1()->selectAll();
        text1()->paste();
    }

private slots:
    void init()
    {
        warnings.clear();
        line = std::make_unique<PtyLine>();
        port = std::make_unique<SerialComm>();
        port->setDevice(1, line->path);
        panel = std::make_unique<Form1>(port.get());
        panel->setWarningHandler([this](const QString &text) { warnings << text; });
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    }
    void cleanup() { panel.reset(), port.reset(), line.reset(); }

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
        const auto cpuSeconds = [] {
            rusage u {};
            getrusage(RUSAGE_SELF, &u);
            return u.ru_utime.tv_sec + u.ru_stime.tv_sec + (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
        };
        const double cpu0 = cpuSeconds();
        QTest::qWait(300);
        QVERIFY2(cpuSeconds() - cpu0 < 0.1, "the panel keeps working after the port went away");

        // A send says it did not go, and the first one says so in a box; a
        // held button's repeats add none. Choosing a port opens it again.
        panel->Command17_Click();
        QVERIFY(rx().startsWith(TransactionEngine::NotSentMark));
        QVERIFY2(warnings.size() == 2 && warnings.last().contains("not open"), qPrintable(warnings.join('\n')));
        panel->Command1_MouseDown();
        panel->Timer1_Timer();
        panel->Command1_MouseUp();
        QCOMPARE(warnings.size(), 2);
        static_cast<QRadioButton *>(panel->control("Option2"))->click();
        panel->Command44_Click();
        QTRY_COMPARE(two.read(), QByteArray("CR0\r"));

        // A new closed spell is reported again.
        two.hangUp();
        QTRY_COMPARE(warnings.size(), 3);
        panel->Command17_Click();
        QVERIFY(warnings.size() == 4 && warnings.last().contains("COM2"));
    }

    // A flood during a reply window is capped, and the next reply after the
    // window decodes.
    void floodIsCappedAndTheNextReplyDecodes()
    {
        panel->Command44_Click();
        for (int i = 0; i < 8; ++i) {
            QVERIFY(line->write(QByteArray(1920, 'Z')));
            QTest::qWait(10);
        }
        QTRY_COMPARE(panel->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QTest::qWait(50);
        QCOMPARE(panel->link().ReplyBuffer.size(), TransactionEngine::ReplyBufferLimit);
        QCOMPARE(rx().size(), 1 + 2 * TransactionEngine::ReplyBufferLimit);
        panel->link().Timer2_Timer();
        panel->Command44_Click();
        QVERIFY(line->write("80\r"));
        QTRY_COMPARE(rx(), QLatin1String(" 8 0 CR "));
        QCOMPARE(panel->link().line(TransactionEngine::Line::Status), " Stand by");
    }

    // The far end stops reading while long typed commands go out: they wait,
    // one that does not fit is refused whole without a box, the port stays
    // open, and everything queued arrives in order once the far end reads
    // again. Closing with output still pending drops it instead of waiting.
    void stalledLineKeepsThePortAndTheOrder()
    {
        const QString typed(40 * 1024, QLatin1Char('A'));
        paste(typed);
        QCOMPARE(text1()->text(), typed);
        panel->Command95_Click();
        panel->Command95_Click();
        panel->Command17_Click();
        QVERIFY(!rx().startsWith(TransactionEngine::NotSentMark));

        const qint64 waiting = port->pendingOutput();
        text1()->setText(QString(OutputQueue::Capacity - 1, QLatin1Char('B')));
        panel->Command95_Click();
        QVERIFY2(rx().startsWith(TransactionEngine::NotSentMark) && rx().contains("not taking data"), qPrintable(rx()));
        QCOMPARE(port->pendingOutput(), waiting);
        QVERIFY(!port->output(QString(OutputQueue::Capacity + 1, 'C')) && port->errorString().contains("at most"));
        QVERIFY(port->portOpen() && warnings.isEmpty());

        const QByteArray expected = (typed + "\r" + typed + "\rC00\r").toLatin1();
        QTRY_COMPARE_WITH_TIMEOUT(line->read().size(), expected.size(), 10000);
        QVERIFY(line->heard == expected && port->pendingOutput() == 0);
        panel->Command18_Click();
        QTRY_VERIFY(line->read().endsWith("C00\rC01\r"));

        line->heard.clear();
        panel->Command95_Click();
        const qint64 inDriver = OutputQueue::Capacity - port->pendingOutput();
        QElapsedTimer clock;
        clock.start();
        QVERIFY(port->setPortOpen(false));
        QVERIFY(clock.elapsed() < 1000);
        QVERIFY(port->pendingOutput() == 0 && line->read().size() < inDriver);
        QVERIFY(warnings.isEmpty());
    }

    // The command line takes what the output queue holds, and refuses more
    // whole and visibly.
    void commandLineLength()
    {
        const QString longest(OutputQueue::Capacity - 1, QLatin1Char('L'));
        paste(longest);
        QCOMPARE(text1()->text().size(), longest.size());
        text1()->setText("C00");
        paste(longest + "X");
        QCOMPARE(text1()->text(), "C00");
        QVERIFY(warnings.size() == 1 && warnings.first().contains(QString::number(longest.size())));
    }
};

QTEST_MAIN(FaultTest)
#include "test_faults.moc"

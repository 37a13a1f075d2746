#include "facebutton.h"
#include "form1.h"
#include "monitortext.h"
#include "serialcomm.h"
#include "sim/ptyprojector.h"

#include <QLabel>
#include <QtTest>

using namespace qn62;
using sim::Projector;
using sim::PtyOptions;
using sim::PtyProjector;

// The real panel and the simulated projector, talking over a real
// pseudo-terminal. The end of a reply window is called directly; waits are
// for bytes to arrive, never for a timer.
class EndToEndTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<PtyProjector> sim;
    std::unique_ptr<SerialComm> port;
    std::unique_ptr<Form1> panel;

    void start(PtyOptions options = {})
    {
        sim = std::make_unique<PtyProjector>(options);
        QVERIFY2(sim->open(), qPrintable(sim->errorString()));
        port = std::make_unique<SerialComm>();
        port->setDevice(1, sim->slavePath());
        panel = std::make_unique<Form1>(port.get());
        QVERIFY(port->portOpen());
        panel->Form_KeyDown(75, 2); // the data view, with the status buttons
        // The test ends reply windows itself; keep the real timers out of the
        // way on a slow machine.
        panel->link().Timer2.setInterval(60000);
        panel->link().Timer4.setInterval(60000);
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
    }
    QString line(const char *name) const { return static_cast<QLabel *>(panel->control(name))->text(); }
    void press(int button)
    {
        QTest::mouseClick(panel->button(button), Qt::LeftButton);
    }
    // Ends the reply window of the previous command, as its timer would.
    void endReplyWindow() { panel->link().Timer2_Timer(); }
    void letTimePass(qint64 ms)
    {
        sim->projector().advanceTo(sim->elapsedMs() + ms);
    }

private slots:
    void cleanup()
    {
        panel.reset();
        port.reset();
        sim.reset();
    }

    void powerOnCountsDownThenIsOn()
    {
        start();
        press(17); // POWER ON
        QTRY_COMPARE(line("Label12"), " ACK ");
        endReplyWindow();
        press(44); // STATUS
        QTRY_COMPARE(line("Label22"), " Count down");
        endReplyWindow();
        letTimePass(Projector::kCountDownMs);
        press(44);
        QTRY_COMPARE(line("Label22"), " Power ON");
    }

    void lampHoursAndTemperatures()
    {
        start();
        press(46); // L-TIME
        const QString hours = QString::number(sim->projector().lampHours()).rightJustified(5, '0');
        QTRY_COMPARE(line("Label22"), monitorText(hours + "\r").left(38) + " Hour Use");
        endReplyWindow();
        press(54); // TEMP
        QTRY_COMPARE(line("Label22"), "  S1= + 2 5 . 5 C  ,   S2=  3 1 . 0 C , S3= + 4 0 . 2 C");
    }

    void silentProjectorIsMarkedUnanswered()
    {
        PtyOptions silent;
        silent.silent = true;
        start(silent);
        QSignalSpy heard(sim.get(), &PtyProjector::commandReceived);
        press(44);
        QVERIFY(heard.wait(3000));
        endReplyWindow();
        QCOMPARE(line("Label12"), " X X X X");
        QCOMPARE(line("Label11"), " C R 0 CR ");
    }

    void splitAndDelayedRepliesStillDecode_data()
    {
        QTest::addColumn<int>("pieces");
        QTest::addColumn<int>("delayMs");
        QTest::newRow("three pieces") << 3 << 0;
        QTest::newRow("delayed") << 1 << 100;
        QTest::newRow("delayed, in pieces") << 2 << 50;
    }
    void splitAndDelayedRepliesStillDecode()
    {
        QFETCH(int, pieces);
        QFETCH(int, delayMs);
        PtyOptions options;
        options.splitPieces = pieces;
        options.delayMs = delayMs;
        start(options);
        press(44);
        QTRY_COMPARE(line("Label22"), " Stand by");
        QCOMPARE(line("Label12"), " 8 0 CR ");
    }

    void noiseDoesNotSpoilTheNextDecoding()
    {
        PtyOptions options;
        options.noise = true;
        start(options);
        QSignalSpy written(sim.get(), &PtyProjector::dataWritten);
        press(45); // MODE
        QTRY_COMPARE(line("Label22"), " Computer 1");
        // The stray bytes land after the reply, in the same window.
        QTRY_VERIFY(written.size() >= 2);
        QTRY_VERIFY(panel->link().ReplyBuffer.size() > 2);
        endReplyWindow();
        sim->projector().setReversal(true, false);
        press(47); // SETTING
        QTRY_COMPARE(line("Label22"), " Top/Bottom reversal");
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_e2e.moc"

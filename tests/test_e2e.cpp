// The real panel and the simulated projector, talking over a real
// pseudo-terminal. The end of a reply window is called directly; waits are
// for bytes to arrive, never for a timer.

#include "panelfixture.h"
#include "sim/ptyprojector.h"

using namespace qn62;
using sim::PtyOptions;
using sim::PtyProjector;

class EndToEndTest : public PanelFixture
{
    Q_OBJECT

    std::unique_ptr<PtyProjector> sim;

    void startWith(PtyOptions options)
    {
        sim = std::make_unique<PtyProjector>(options);
        QVERIFY2(sim->open(), qPrintable(sim->errorString()));
        start(sim->slavePath());
        failOnWarnings(); // a port that did not open warns once the window is shown
        w->Form_KeyDown(75, 2); // the data view, with the status buttons
        // The test ends reply windows itself, as their timer would; keep the
        // real timers out of the way on a slow machine.
        w->link().Timer2.setInterval(60000);
        w->link().Timer4.setInterval(60000);
        showPanel();
    }

private slots:
    void cleanup() { closePanel(); sim.reset(); }

    // A reply held back and written in three pieces decodes whole. (An
    // unanswered query is marked by the engine tests.)
    void statusQueryDelayedInPieces()
    {
        startWith({false, 100, 3, false, {}}); // silent, reply delay, pieces per reply
        click(44); // STATUS
        QTRY_COMPARE(label("Label22"), " Stand by");
        QTRY_COMPARE(label("Label12"), " 8 0 CR "); // the whole reply, the last piece too
        QCOMPARE(label("Label11"), " C R 0 CR ");
    }

    void noiseDoesNotSpoilTheNextDecoding()
    {
        PtyOptions options;
        options.noise = true;
        startWith(options);
        QSignalSpy written(sim.get(), &PtyProjector::dataWritten);
        click(45); // MODE
        QTRY_COMPARE(label("Label22"), " Computer 1");
        // The stray bytes land after the reply, in the same window.
        QTRY_VERIFY(written.size() >= 2);
        QTRY_VERIFY(w->link().ReplyBuffer.size() > 2);
        w->link().Timer2_Timer();
        sim->projector().setReversal(true, false);
        click(47); // SETTING
        QTRY_COMPARE(label("Label22"), " Top/Bottom reversal");
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_e2e.moc"

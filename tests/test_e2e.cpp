// The real panel and the simulated projector, talking over a real
// pseudo-terminal. The end of a reply window is called directly; waits are
// for bytes to arrive, never for a timer.

#include "panelfixture.h"
#include "sim/ptyprojector.h"

using namespace qn62;
using sim::PtyOptions;
using sim::PtyProjector;

Q_DECLARE_METATYPE(qn62::sim::PtyOptions)

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

    void statusQuery_data()
    {
        QTest::addColumn<PtyOptions>("options");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("received");
        // silent, reply delay, pieces per reply
        QTest::newRow("in three pieces") << PtyOptions{false, 0, 3, false, {}} << " Stand by" << " 8 0 CR ";
        QTest::newRow("delayed, in pieces") << PtyOptions{false, 100, 2, false, {}} << " Stand by" << " 8 0 CR ";
        QTest::newRow("unanswered") << PtyOptions{true, 0, 1, false, {}} << "" << " X X X X";
    }
    void statusQuery()
    {
        QFETCH(PtyOptions, options);
        QFETCH(QString, status);
        QFETCH(QString, received);
        startWith(options);
        QSignalSpy heard(sim.get(), &PtyProjector::commandReceived);
        click(44); // STATUS
        QTRY_VERIFY(!heard.isEmpty());
        if (options.silent)
            w->link().Timer2_Timer();
        QTRY_COMPARE(label("Label22"), status);
        QTRY_COMPARE(label("Label12"), received); // the whole reply, the last piece too
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

// The real panel and the simulated projector, talking over a real
// pseudo-terminal. The end of a reply window is called directly; waits are
// for bytes to arrive, never for a timer.

#include "panelfixture.h"
#include "sim/ptyprojector.h"

using namespace qn62;
using sim::Projector;
using sim::PtyOptions;
using sim::PtyProjector;

class EndToEndTest : public PanelFixture
{
    Q_OBJECT

    std::unique_ptr<PtyProjector> sim;

    void startWith(PtyOptions options = {})
    {
        sim = std::make_unique<PtyProjector>(options);
        QVERIFY2(sim->open(), qPrintable(sim->errorString()));
        start(sim->slavePath());
        failOnWarnings();
        QVERIFY(port->portOpen());
        w->Form_KeyDown(75, 2); // the data view, with the status buttons
        // The test ends reply windows itself; keep the real timers out of the
        // way on a slow machine.
        w->link().Timer2.setInterval(60000);
        w->link().Timer4.setInterval(60000);
        showPanel();
    }
    // Ends the reply window of the previous command, as its timer would.
    void endReplyWindow() { w->link().Timer2_Timer(); }

private slots:
    void cleanup()
    {
        closePanel();
        sim.reset();
    }

    void powerOnCountsDownThenIsOn()
    {
        startWith();
        click(17); // POWER ON
        QTRY_COMPARE(label("Label12"), " ACK ");
        endReplyWindow();
        click(44); // STATUS
        QTRY_COMPARE(label("Label22"), " Count down");
        endReplyWindow();
        sim->projector().advanceTo(sim->elapsedMs() + Projector::kCountDownMs);
        click(44);
        QTRY_COMPARE(label("Label22"), " Power ON");
    }

    void queries_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("status");
        QTest::addColumn<QString>("received");
        QTest::addColumn<int>("pieces");
        QTest::addColumn<int>("delayMs");
        const auto row = [](const char *name, int button, const char *status, const char *received, int pieces = 1,
                            int delayMs = 0) {
            QTest::newRow(name) << button << QString::fromLatin1(status) << QString::fromLatin1(received) << pieces
                                << delayMs;
        };
        row("STATUS in three pieces", 44, " Stand by", " 8 0 CR ", 3);
        row("STATUS delayed", 44, " Stand by", " 8 0 CR ", 1, 100);
        row("STATUS delayed, in pieces", 44, " Stand by", " 8 0 CR ", 2, 50);
        row("MODE", 45, " Computer 1", " 1 CR ");
        row("L-TIME", 46, " 0 1 2 3 4 CR  Hour Use", " 0 1 2 3 4 CR "); // a new lamp: 1234 hours
        row("TEMP", 54, "  S1= + 2 5 . 5 C  ,   S2=  3 1 . 0 C , S3= + 4 0 . 2 C",
            " + 2 5 . 5     3 1 . 0   + 4 0 . 2 CR ");
    }
    void queries()
    {
        QFETCH(int, button);
        QFETCH(QString, status);
        QFETCH(QString, received);
        PtyOptions options;
        QFETCH(int, pieces);
        QFETCH(int, delayMs);
        options.splitPieces = pieces;
        options.delayMs = delayMs;
        startWith(options);
        click(button);
        QTRY_COMPARE(label("Label22"), status);
        QCOMPARE(label("Label12"), received);
    }

    void silentProjectorIsMarkedUnanswered()
    {
        PtyOptions silent;
        silent.silent = true;
        startWith(silent);
        QSignalSpy heard(sim.get(), &PtyProjector::commandReceived);
        click(44);
        QVERIFY(heard.wait(3000));
        endReplyWindow();
        QCOMPARE(label("Label12"), " X X X X");
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
        endReplyWindow();
        sim->projector().setReversal(true, false);
        click(47); // SETTING
        QTRY_COMPARE(label("Label22"), " Top/Bottom reversal");
    }
};

QTEST_MAIN(EndToEndTest)
#include "test_e2e.moc"

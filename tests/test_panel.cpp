// The command buttons and the press-and-hold buttons, driven by real mouse
// and key events on the panel over a pseudo-terminal.

#include "panelfixture.h"

#include <poll.h>

using namespace qn62;
using L = QList<int>;

namespace {

// Repeat, reply window, monitor clear and cursor pace as earlier presses
// left them, at values no press sets: "left as it was" is not "set".
constexpr int RepeatBefore = 350, ReplyBefore = 300, ClearBefore = 400, PaceBefore = 3;
const L TimingBefore = {RepeatBefore, ReplyBefore, ClearBefore, PaceBefore};

// How a hold ends: released on the button or over another one, or the
// window loses the mouse before the release.
enum End { Release, ReleaseElsewhere, HideFrame, DisableWindow, Deactivate };
const char *const EndNames[] = {"", " released over Zoom -", " frame hidden", " window disabled", " deactivated"};

// A held button, with repeat, reply window, monitor clear and pace as pressed
// after the buttons before.
struct Hold { int number; QByteArray code; L pressed; L before = {}; bool zoom = false;
              Qt::MouseButton mouse = Qt::LeftButton; End end = Release; };

} // namespace

Q_DECLARE_METATYPE(Hold)

class TestPanel : public PanelFixture
{
    Q_OBJECT

    // What crossed the line since the last look: everything before a mark sent
    // behind it. The wait runs no event loop, so no timer ticks meanwhile.
    QByteArray sent()
    {
        port->output(QStringLiteral("#"));
        pollfd fd{line->master, POLLIN, 0};
        for (QDeadlineTimer limit(5000); !line->read().endsWith('#') && !limit.hasExpired();)
            ::poll(&fd, 1, int(limit.remainingTime()));
        const QByteArray heard = std::exchange(line->heard, {});
        return heard.endsWith('#') ? heard.chopped(1) : heard + " (mark lost)";
    }

    // Repeat interval, reply window, monitor clear, cursor pace.
    L timing() const
    {
        return {w->Timer1.interval(), w->link().Timer2.interval(), w->link().Timer4.interval(), w->CursorPace};
    }
    void setTiming(const L &t)
    {
        w->Timer1.setInterval(t[0]);
        w->link().Timer2.setInterval(t[1]);
        w->link().Timer4.setInterval(t[2]);
        w->CursorPace = quint8(t[3]);
    }

private slots:
    void init() { openPanel(); detachTicks(); showPanel(9100); } // 9100 twips high: every button within reach
    void cleanup() { closePanel(); }

    void singlePress_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<L>("after"); // repeat, reply window, monitor clear, pace
        const auto rows = [](std::initializer_list<std::pair<int, const char *>> rows, const L &after) {
            for (const auto &[number, code] : rows)
                QTest::addRow("Command%d %s", number, code) << number << QByteArray(code) << after;
        };
        rows({{17, "C00"}, {18, "C01"}, {27, "C05"}, {29, "C07"}, {24, "C1D"}, {19, "C0B"}, {20, "C0C"}, {21, "C0D"},
              {22, "C0E"}, {25, "C43"}, {26, "C44"}, {31, "C0F"}, {32, "C10"}, {30, "C27"}, {14, "C8A"}, {3, "C1E"},
              {56, "CF KEYDIS NONE"}, {57, "CF KEYDIS RC"}, {58, "CF KEYDIS KEY"}, {44, "CR0"}, {45, "CR1"},
              {46, "CR3"}, {47, "CR4"}, {54, "CR6"}, {97, "CF FANSPEED MAX"}, {98, "CF FANSPEED NOR"},
              {60, "CF LOGOCAPTURE START"}, {61, "CF LOGO OFF"}, {63, "CF LOGO DEFAULT"}, {67, "CF LOGO USER"}},
             TimingBefore);
        rows({{4, "C11"}, {10, "C12"}, {11, "C13"}, {39, "C14"}, {40, "C15"}, {41, "C16"}, {42, "C17"}, {12, "C18"},
              {36, "C19"}}, {RepeatBefore, 2000, 2500, PaceBefore});
        rows({{64, "C50"}, {65, "C51"}, {66, "C54"}, {69, "C34"}, {72, "C25"}}, {RepeatBefore, 5000, 5500, PaceBefore});
        rows({{23, "C1C"}, {13, "C89"}}, {200, ReplyBefore, ClearBefore, 1}); // MENU ON, A-IMAGE
    }

    void singlePress()
    {
        QFETCH(int, number);
        QFETCH(QByteArray, code);
        QFETCH(L, after);
        setTiming(TimingBefore);
        L atSend; // at the moment the command goes out
        QObject guard;
        connect(&w->link(), &TransactionEngine::lineChanged, &guard, [&] { atSend = timing(); });

        click(number);
        QVERIFY(w->link().Timer2.enabled() && w->link().Timer4.enabled() && !w->Timer1.enabled());
        QCOMPARE(timing(), after);
        // New waits apply to this very command; pace and repeat change after it.
        QCOMPARE(atSend, (L{RepeatBefore, after[1], after[2], PaceBefore}));
        QCOMPARE(sent(), code + '\r');
    }

    void hold_data()
    {
        QTest::addColumn<Hold>("row");
        // Arrows keep the intervals at pace 0 and set reply window and monitor
        // clear at pace 1 (after MENU ON, A-IMAGE) and 3 (after a zoom).
        const L slow{250, 200, 245, 0}, fast{50, 25, 25, 0}, kept{RepeatBefore, ReplyBefore, ClearBefore, 0},
            menu{200, 150, 190, 1}, zoomed{5, 5, 5, 3};
        QList<Hold> rows{
            {1, "C09", slow}, {2, "C0A", slow, {}, false, Qt::RightButton}, {15, "C20", fast}, {35, "C21", fast},
            {48, "C30", slow, {}, true}, {49, "C31", slow, {}, true}, {50, "C8E", slow, {}, false, Qt::MiddleButton},
            {51, "C8F", slow}, {37, "C47", slow, {}, true}, {38, "C46", slow, {}, true}, {6, "C3F", {500, 200, 245, 0}},
            {5, "C3C", kept}, {7, "C3D", kept}, {9, "C3B", kept}, {8, "C3A", kept},
            {5, "C3C", {RepeatBefore, 2000, 2500, 0}, {4}}, {7, "C3D", menu, {23}}, {9, "C3B", menu, {4, 13}},
            {8, "C3A", {500, 150, 190, 1}, {23, 6}}, {5, "C3C", zoomed, {37}}, {8, "C3A", zoomed, {49}},
            {7, "C3D", {250, 5, 5, 3}, {38, 1}}, {9, "C3B", menu, {48, 23}}};
        for (int end = ReleaseElsewhere; end <= Deactivate; ++end) // Zoom +, in Frame10
            rows.append({37, "C47", slow, {}, true, Qt::LeftButton, End(end)});
        for (const Hold &r : rows) {
            QString tag = QStringLiteral("Command%1").arg(r.number) + QLatin1String(EndNames[r.end]);
            for (int n : r.before)
                tag += QStringLiteral(" after %1").arg(n);
            QTest::newRow(qPrintable(tag)) << r;
        }
    }

    void hold()
    {
        QFETCH(Hold, row);
        setTiming({RepeatBefore, ReplyBefore, ClearBefore, 0});
        for (int n : row.before)
            click(n);
        sent();
        // A reply part-way in, before the press and its ticks.
        QVERIFY(line->write("0"));
        QTRY_COMPARE(w->link().ReplyBuffer, QStringLiteral("0"));
        // As the window system delivers them, to the window.
        FaceButton *b = w->button(row.number), *other = w->button(38);
        const auto at = [this](QWidget *c) { return c->mapTo(w.get(), c->rect().center()); };
        QTest::mousePress(w->windowHandle(), row.mouse, {}, at(b));
        QVERIFY(b->isDown() && w->Timer1.enabled());
        QCOMPARE(timing(), row.pressed);
        QCOMPARE(sent(), row.code + '\r');
        // Every tick sends the command again, built afresh.
        w->link().CurrentCommand = QStringLiteral("C00\r");
        w->Timer1_Timer();
        w->Timer1_Timer();
        QCOMPARE(sent(), row.code + '\r' + row.code + '\r');

        // A status line from an earlier query; the monitor clear over between repeats.
        w->link().setLine(TransactionEngine::Line::Status, QStringLiteral(" Power ON"));
        w->link().Timer4.setEnabled(false);
        QVERIFY(!label("Label11").isEmpty() && !label("Label12").isEmpty());
        QWidget window;
        switch (row.end) {
        case Release: QTest::mouseRelease(w->windowHandle(), row.mouse, {}, at(b)); break;
        case ReleaseElsewhere:
            QTest::mouseMove(w->windowHandle(), at(other));
            QVERIFY(b->isDown());
            QTest::mouseRelease(w->windowHandle(), row.mouse, {}, at(other));
            QVERIFY(!other->isDown());
            break;
        case HideFrame: w->control(QStringLiteral("Frame10"))->hide(); break;
        case DisableWindow: w->setEnabled(false); break;
        case Deactivate:
            window.setGeometry(0, 0, 100, 100);
            window.show();
            window.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&window) && !w->isActiveWindow());
        }
        QVERIFY(!b->isHeld() && !b->isDown());
        QVERIFY(!w->Timer1.enabled() && !w->link().Timer2.enabled() && w->link().Timer4.enabled());
        // A zoom release sets the repeat to 5 ms and the pace to 3.
        QCOMPARE(timing(), (L{row.zoom ? 5 : row.pressed[0], 500, 1000, row.zoom ? 3 : row.pressed[3]}));
        QCOMPARE((QStringList{label("Label11"), label("Label12"), w->link().ReplyBuffer}), QStringList(3, QString()));
        QCOMPARE(label("Label22"), QStringLiteral(" Power ON")); // left to the monitor clear
        w->Timer1_Timer(); // nothing repeats after the release
        QCOMPARE(sent(), QByteArray());
    }

    void destroyedMidHold()
    {
        QTest::mousePress(w->button(1), Qt::LeftButton);
        QCOMPARE(sent(), QByteArray("C09\r"));
        w.reset(); // the hold ends with the window, before its parts are gone
    }

    void spaceBarSendsNothing()
    {
        w->button(6)->setFocus();
        QTest::keyClick(w->button(6), Qt::Key_Space);
        QVERIFY(w->button(6)->hasFocus() && !w->Timer1.enabled());
        QCOMPARE(sent(), QByteArray());
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"

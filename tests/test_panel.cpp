// The command buttons and the press-and-hold buttons, driven by real mouse
// and key events on the panel over a fake port.

#include "facebutton.h"
#include "fakeport.h"
#include "form1.h"
#include "layout.h"

#include <QLabel>
#include <QtTest>

#include <memory>

using namespace qn62;

namespace {

// A state left by earlier presses, so that "left as it was" can be told
// apart from "set to the starting value".
constexpr int PaceBefore = 3, RepeatBefore = 350, ReplyBefore = 300, ClearBefore = 400;

const QList<int> HoldNumbers = {1, 2, 5, 6, 7, 8, 9, 15, 35, 37, 38, 48, 49, 50, 51};

QString withCr(const QString &code) { return code + QLatin1Char('\r'); }

enum Loss { HideButton, DisableButton, HideFrame, DisableWindow, Deactivate };

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void singlePress_data();
    void singlePress();
    void waitIntervalsCarryOver_data();
    void waitIntervalsCarryOver();

    void hold_data();
    void hold();
    void releaseRestartsMonitorClear();
    void arrowPace_data();
    void arrowPace();
    void anyMouseButtonHolds_data();
    void anyMouseButtonHolds();
    void releaseOffTheButton();
    void spaceBarSendsNothing();
    void tickWithUnknownCode_data();
    void tickWithUnknownCode();
    void lostRelease_data();
    void lostRelease();

private:
    QString line(const char *label) const { return static_cast<QLabel *>(w->control(QLatin1String(label)))->text(); }
    // Clicks a single-press button, or presses and releases a held one.
    void operate(int number);
    void verifyReleased(FaceButton *held, int repeatMs, int pace);

    std::unique_ptr<FakePort> port;
    std::unique_ptr<Form1> w;
    QStringList warnings;
};

void TestPanel::init()
{
    port = std::make_unique<FakePort>();
    w = std::make_unique<Form1>(port.get());
    warnings.clear();
    w->setWarningHandler([this](const QString &text) { warnings << text; });
    // The whole window, so that every button is within reach.
    w->setHeight(layout::HeightFull);
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    QVERIFY(port->portOpen());
    QVERIFY(port->written.isEmpty());
}

void TestPanel::cleanup()
{
    w.reset();
    port.reset();
    QCOMPARE(warnings, QStringList());
}

void TestPanel::operate(int number)
{
    FaceButton *b = w->button(number);
    QVERIFY(b);
    if (HoldNumbers.contains(number)) {
        QTest::mousePress(b, Qt::LeftButton);
        QTest::mouseRelease(b, Qt::LeftButton);
    } else {
        QTest::mouseClick(b, Qt::LeftButton);
    }
}

void TestPanel::verifyReleased(FaceButton *held, int repeatMs, int pace)
{
    QCOMPARE(int(w->RepeatCode), 0);
    QVERIFY(!held->isHeld());
    QVERIFY(!held->isDown());
    QVERIFY(!w->Timer1.enabled());
    QVERIFY(!w->link().Timer2.enabled());
    QVERIFY(w->link().Timer4.enabled());
    QCOMPARE(w->link().Timer2.interval(), 500);
    QCOMPARE(w->link().Timer4.interval(), 1000);
    QCOMPARE(line("Label11"), QString());
    QCOMPARE(line("Label12"), QString());
    QCOMPARE(w->link().ReplyBuffer, QString());
    QCOMPARE(w->Timer1.interval(), repeatMs);
    QCOMPARE(int(w->CursorPace), pace);

    // Nothing repeats after the release.
    const int sent = port->written.size();
    w->Timer1_Timer();
    QCOMPARE(port->written.size(), sent);
}

// ------------------------------------------------------- single press

void TestPanel::singlePress_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("replyWindow");
    QTest::addColumn<int>("monitorClear");
    QTest::addColumn<int>("pace");
    QTest::addColumn<int>("repeatMs");

    const auto plain = [](const char *name, int n, const char *code) {
        QTest::newRow(name) << n << QString::fromLatin1(code) << ReplyBefore << ClearBefore << PaceBefore
                            << RepeatBefore;
    };
    const auto longWait = [](const char *name, int n, const char *code) {
        QTest::newRow(name) << n << QString::fromLatin1(code) << 2000 << 2500 << PaceBefore << RepeatBefore;
    };
    const auto sourceWait = [](const char *name, int n, const char *code) {
        QTest::newRow(name) << n << QString::fromLatin1(code) << 5000 << 5500 << PaceBefore << RepeatBefore;
    };
    const auto arrowPreset = [](const char *name, int n, const char *code) {
        QTest::newRow(name) << n << QString::fromLatin1(code) << ReplyBefore << ClearBefore << 1 << 200;
    };

    plain("POWER ON", 17, "C00");
    plain("POWER OFF", 18, "C01");
    plain("INPUT PC1", 27, "C05");
    plain("INPUT Video", 29, "C07");
    arrowPreset("MENU ON", 23, "C1C");
    plain("MENU OFF", 24, "C1D");
    plain("SOUND MUTE ON", 19, "C0B");
    plain("SOUND MUTE OFF", 20, "C0C");
    plain("NO SHOW ON", 21, "C0D");
    plain("NO SHOW OFF", 22, "C0E");
    plain("FREEZE ON", 25, "C43");
    plain("FREEZE OFF", 26, "C44");
    plain("AV Size Regular", 31, "C0F");
    plain("AV Size Wide", 32, "C10");
    arrowPreset("A-IMAGE", 13, "C89");
    plain("IMAGE", 30, "C27");
    plain("P-TIMER", 14, "C8A");
    plain("DISPLAY CLEAR", 3, "C1E");
    longWait("STAND", 4, "C11");
    longWait("REAL", 10, "C12");
    longWait("CINEMA", 11, "C13");
    longWait("IMAGE1", 39, "C14");
    longWait("IMAGE2", 40, "C15");
    longWait("IMAGE3", 41, "C16");
    longWait("IMAGE4", 42, "C17");
    longWait("B.Board", 12, "C18");
    longWait("Dynamic", 36, "C19");
    plain("R/C KEY OFF NONE", 56, "CF KEYDIS NONE");
    plain("R/C KEY OFF R/C", 57, "CF KEYDIS RC");
    plain("R/C KEY OFF KEY", 58, "CF KEYDIS KEY");
    plain("STATUS", 44, "CR0");
    plain("MODE", 45, "CR1");
    plain("L-TIME", 46, "CR3");
    plain("SETTING", 47, "CR4");
    plain("TEMP", 54, "CR6");
    sourceWait("PC1 RGB", 64, "C50");
    sourceWait("PC1 SCART RGB", 65, "C51");
    sourceWait("PC1 Component", 66, "C54");
    sourceWait("PC1 S-Video", 69, "C34");
    sourceWait("PC2 RGB", 72, "C25");
    plain("FAN SPEED MAX", 97, "CF FANSPEED MAX");
    plain("FAN SPEED NOR", 98, "CF FANSPEED NOR");
    plain("logo Capture", 60, "CF LOGOCAPTURE START");
    plain("logo OFF", 61, "CF LOGO OFF");
    plain("logo DEF", 63, "CF LOGO DEFAULT");
    plain("logo User", 67, "CF LOGO USER");
}

void TestPanel::singlePress()
{
    QFETCH(int, number);
    QFETCH(QString, code);
    QFETCH(int, replyWindow);
    QFETCH(int, monitorClear);
    QFETCH(int, pace);
    QFETCH(int, repeatMs);

    w->CursorPace = PaceBefore;
    w->Timer1.setInterval(RepeatBefore);
    w->link().Timer2.setInterval(ReplyBefore);
    w->link().Timer4.setInterval(ClearBefore);

    // What the timers and the pace are at the moment the command goes out.
    int replyAtSend = -1, clearAtSend = -1, paceAtSend = -1, repeatAtSend = -1;
    QObject guard;
    connect(&w->link(), &TransactionEngine::lineChanged, &guard, [&](TransactionEngine::Line which) {
        if (which != TransactionEngine::Line::Transmit)
            return;
        replyAtSend = w->link().Timer2.interval();
        clearAtSend = w->link().Timer4.interval();
        paceAtSend = w->CursorPace;
        repeatAtSend = w->Timer1.interval();
    });

    QTest::mouseClick(w->button(number), Qt::LeftButton);

    QCOMPARE(port->written, QStringList{withCr(code)});
    QCOMPARE(w->link().CurrentCommand, withCr(code));
    QVERIFY(w->link().Timer2.enabled());
    QVERIFY(w->link().Timer4.enabled());
    QCOMPARE(w->link().Timer2.interval(), replyWindow);
    QCOMPARE(w->link().Timer4.interval(), monitorClear);
    QCOMPARE(int(w->CursorPace), pace);
    QCOMPARE(w->Timer1.interval(), repeatMs);
    // A single press never starts the repeat.
    QVERIFY(!w->Timer1.enabled());
    QCOMPARE(int(w->RepeatCode), 0);

    // New waits apply to this very command; the pace and the repeat
    // interval change only after it has gone out.
    QCOMPARE(replyAtSend, replyWindow);
    QCOMPARE(clearAtSend, monitorClear);
    QCOMPARE(paceAtSend, PaceBefore);
    QCOMPARE(repeatAtSend, RepeatBefore);
}

void TestPanel::waitIntervalsCarryOver_data()
{
    QTest::addColumn<int>("first");
    QTest::addColumn<int>("replyWindow");
    QTest::addColumn<int>("monitorClear");

    QTest::newRow("STAND") << 4 << 2000 << 2500;
    QTest::newRow("Dynamic") << 36 << 2000 << 2500;
    QTest::newRow("Component") << 66 << 5000 << 5500;
    QTest::newRow("PC2 RGB") << 72 << 5000 << 5500;
}

void TestPanel::waitIntervalsCarryOver()
{
    QFETCH(int, first);
    QFETCH(int, replyWindow);
    QFETCH(int, monitorClear);

    // A plain press after a long or source wait keeps the longer waits.
    operate(first);
    operate(17);
    QCOMPARE(port->written.size(), 2);
    QCOMPARE(port->written.last(), QStringLiteral("C00\r"));
    QCOMPARE(w->link().Timer2.interval(), replyWindow);
    QCOMPARE(w->link().Timer4.interval(), monitorClear);
    QVERIFY(w->link().Timer2.enabled());

    // Until a held button is released.
    operate(1);
    operate(18);
    QCOMPARE(port->written.last(), QStringLiteral("C01\r"));
    QCOMPARE(w->link().Timer2.interval(), 500);
    QCOMPARE(w->link().Timer4.interval(), 1000);
}

// ------------------------------------------------------- press and hold

void TestPanel::hold_data()
{
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("repeatCode");
    QTest::addColumn<int>("repeatMs");
    QTest::addColumn<int>("replyWindow");
    QTest::addColumn<int>("monitorClear");
    QTest::addColumn<bool>("zoom");

    QTest::newRow("VOL +") << 1 << "C09" << 1 << 250 << 200 << 245 << false;
    QTest::newRow("VOL -") << 2 << "C0A" << 2 << 250 << 200 << 245 << false;
    QTest::newRow("Brightness +") << 15 << "C20" << 7 << 50 << 25 << 25 << false;
    QTest::newRow("Brightness -") << 35 << "C21" << 8 << 50 << 25 << 25 << false;
    QTest::newRow("D.Zoom +") << 48 << "C30" << 17 << 250 << 200 << 245 << true;
    QTest::newRow("D.Zoom -") << 49 << "C31" << 18 << 250 << 200 << 245 << true;
    QTest::newRow("Keystone +") << 50 << "C8E" << 19 << 250 << 200 << 245 << false;
    QTest::newRow("Keystone -") << 51 << "C8F" << 20 << 250 << 200 << 245 << false;
    QTest::newRow("Zoom +") << 37 << "C47" << 11 << 250 << 200 << 245 << true;
    QTest::newRow("Zoom -") << 38 << "C46" << 12 << 250 << 200 << 245 << true;
    // The arrows at pace 0 leave all three intervals as they were.
    QTest::newRow("up") << 5 << "C3C" << 3 << RepeatBefore << ReplyBefore << ClearBefore << false;
    QTest::newRow("down") << 7 << "C3D" << 4 << RepeatBefore << ReplyBefore << ClearBefore << false;
    QTest::newRow("left") << 9 << "C3B" << 5 << RepeatBefore << ReplyBefore << ClearBefore << false;
    QTest::newRow("right") << 8 << "C3A" << 6 << RepeatBefore << ReplyBefore << ClearBefore << false;
    QTest::newRow("SELECT") << 6 << "C3F" << 13 << 500 << 200 << 245 << false;
}

void TestPanel::hold()
{
    QFETCH(int, number);
    QFETCH(QString, code);
    QFETCH(int, repeatCode);
    QFETCH(int, repeatMs);
    QFETCH(int, replyWindow);
    QFETCH(int, monitorClear);
    QFETCH(bool, zoom);

    w->Timer1.setInterval(RepeatBefore);
    w->link().Timer2.setInterval(ReplyBefore);
    w->link().Timer4.setInterval(ClearBefore);
    FaceButton *b = w->button(number);

    QTest::mousePress(b, Qt::LeftButton);
    QCOMPARE(port->written, QStringList{withCr(code)});
    QCOMPARE(int(w->RepeatCode), repeatCode);
    QVERIFY(b->isDown());
    QVERIFY(w->Timer1.enabled());
    QCOMPARE(w->Timer1.interval(), repeatMs);
    QCOMPARE(w->link().Timer2.interval(), replyWindow);
    QCOMPARE(w->link().Timer4.interval(), monitorClear);

    // Every tick sends the same command again, built afresh.
    w->link().CurrentCommand = QStringLiteral("C00\r");
    w->Timer1_Timer();
    w->Timer1_Timer();
    QCOMPARE(port->written, QStringList(3, withCr(code)));
    QVERIFY(w->Timer1.enabled());

    // A reply part-way in, and a status line from an earlier query.
    port->receive(QStringLiteral("0"));
    w->link().setLine(TransactionEngine::Line::Status, QStringLiteral(" Power ON"));
    QVERIFY(!line("Label11").isEmpty());
    QVERIFY(!line("Label12").isEmpty());

    QTest::mouseRelease(b, Qt::LeftButton);
    verifyReleased(b, zoom ? 5 : repeatMs, zoom ? 3 : 0);
    // The status line is left to the monitor clear.
    QCOMPARE(line("Label22"), QStringLiteral(" Power ON"));
    QCOMPARE(port->written.size(), 3);
}

void TestPanel::releaseRestartsMonitorClear()
{
    // At brightness pace the monitor clear can run out between two repeats;
    // a reply arriving after that is still blanked by the release, and the
    // monitor clear runs again for the status line.
    FaceButton *b = w->button(15);
    QTest::mousePress(b, Qt::LeftButton);
    w->link().Timer4_Timer();
    QVERIFY(!w->link().Timer4.enabled());
    port->receive(QStringLiteral("00"));
    QVERIFY(!line("Label12").isEmpty());

    QTest::mouseRelease(b, Qt::LeftButton);
    verifyReleased(b, 50, 0);
}

void TestPanel::arrowPace_data()
{
    QTest::addColumn<QList<int>>("before");
    QTest::addColumn<int>("arrow");
    QTest::addColumn<QString>("code");
    QTest::addColumn<int>("replyWindow");
    QTest::addColumn<int>("monitorClear");
    QTest::addColumn<int>("repeatMs");

    QTest::newRow("pace 0 after STAND") << QList<int>{4} << 5 << "C3C" << 2000 << 2500 << 200;
    QTest::newRow("MENU ON") << QList<int>{23} << 7 << "C3D" << 150 << 190 << 200;
    QTest::newRow("A-IMAGE after STAND") << QList<int>{4, 13} << 9 << "C3B" << 150 << 190 << 200;
    QTest::newRow("SELECT after MENU ON") << QList<int>{23, 6} << 8 << "C3A" << 150 << 190 << 500;
    QTest::newRow("Zoom released") << QList<int>{37} << 5 << "C3C" << 5 << 5 << 5;
    QTest::newRow("D.Zoom released") << QList<int>{49} << 8 << "C3A" << 5 << 5 << 5;
    QTest::newRow("VOL after Zoom") << QList<int>{38, 1} << 7 << "C3D" << 5 << 5 << 250;
    QTest::newRow("MENU ON after D.Zoom") << QList<int>{48, 23} << 9 << "C3B" << 150 << 190 << 200;
    QTest::newRow("Zoom after MENU ON") << QList<int>{23, 38} << 5 << "C3C" << 5 << 5 << 5;
}

void TestPanel::arrowPace()
{
    QFETCH(QList<int>, before);
    QFETCH(int, arrow);
    QFETCH(QString, code);
    QFETCH(int, replyWindow);
    QFETCH(int, monitorClear);
    QFETCH(int, repeatMs);

    for (int n : before)
        operate(n);
    const int pace = w->CursorPace;
    port->written.clear();

    FaceButton *b = w->button(arrow);
    QTest::mousePress(b, Qt::LeftButton);
    QCOMPARE(port->written, QStringList{withCr(code)});
    QCOMPARE(w->link().Timer2.interval(), replyWindow);
    QCOMPARE(w->link().Timer4.interval(), monitorClear);
    QCOMPARE(w->Timer1.interval(), repeatMs);
    QVERIFY(w->Timer1.enabled());

    QTest::mouseRelease(b, Qt::LeftButton);
    verifyReleased(b, repeatMs, pace);
}

void TestPanel::anyMouseButtonHolds_data()
{
    QTest::addColumn<Qt::MouseButton>("pressWith");
    QTest::addColumn<Qt::MouseButton>("releaseWith");

    QTest::newRow("right") << Qt::RightButton << Qt::RightButton;
    QTest::newRow("middle") << Qt::MiddleButton << Qt::MiddleButton;
    QTest::newRow("left, released with right") << Qt::LeftButton << Qt::RightButton;
}

void TestPanel::anyMouseButtonHolds()
{
    QFETCH(Qt::MouseButton, pressWith);
    QFETCH(Qt::MouseButton, releaseWith);

    FaceButton *b = w->button(50);
    QTest::mousePress(b, pressWith);
    QCOMPARE(port->written, QStringList{QStringLiteral("C8E\r")});
    QCOMPARE(int(w->RepeatCode), 19);
    QVERIFY(w->Timer1.enabled());
    w->Timer1_Timer();
    QCOMPARE(port->written.size(), 2);

    QTest::mouseRelease(b, releaseWith);
    verifyReleased(b, 250, 0);
}

void TestPanel::releaseOffTheButton()
{
    // Through the window, as the window system delivers them: the release
    // comes over "VOL +" but belongs to "VOL -", which had the press.
    FaceButton *minus = w->button(2), *plus = w->button(1);
    QWindow *window = w->windowHandle();
    const QPoint pressAt = minus->mapTo(w.get(), minus->rect().center());
    const QPoint releaseAt = plus->mapTo(w.get(), plus->rect().center());

    QTest::mousePress(window, Qt::LeftButton, {}, pressAt);
    QCOMPARE(port->written, QStringList{QStringLiteral("C0A\r")});
    QVERIFY(minus->isHeld());
    QTest::mouseMove(window, releaseAt);
    QVERIFY(minus->isDown());
    QTest::mouseRelease(window, Qt::LeftButton, {}, releaseAt);

    verifyReleased(minus, 250, 0);
    QVERIFY(!plus->isDown());
    QCOMPARE(port->written.size(), 1);
}

void TestPanel::spaceBarSendsNothing()
{
    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    FaceButton *b = w->button(6);
    b->setFocus();
    QVERIFY(b->hasFocus());

    QTest::keyPress(b, Qt::Key_Space);
    QVERIFY(port->written.isEmpty());
    QVERIFY(!w->Timer1.enabled());
    QTest::keyRelease(b, Qt::Key_Space);
    QVERIFY(port->written.isEmpty());
    QCOMPARE(int(w->RepeatCode), 0);
    QVERIFY(!w->Timer1.enabled());
    QVERIFY(!b->isHeld());
}

void TestPanel::tickWithUnknownCode_data()
{
    QTest::addColumn<int>("repeatCode");
    for (int code : {9, 10, 14, 16, 21, 255})
        QTest::addRow("%d", code) << code;
}

void TestPanel::tickWithUnknownCode()
{
    QFETCH(int, repeatCode);

    operate(21);
    w->RepeatCode = quint8(repeatCode);
    w->Timer1_Timer();
    QCOMPARE(port->written, QStringList(2, QStringLiteral("C0D\r")));
    QCOMPARE(int(w->RepeatCode), 0);
    w->Timer1_Timer();
    QCOMPARE(port->written.size(), 2);
}

void TestPanel::lostRelease_data()
{
    QTest::addColumn<int>("loss");
    QTest::newRow("button hidden") << int(HideButton);
    QTest::newRow("button disabled") << int(DisableButton);
    QTest::newRow("frame hidden") << int(HideFrame);
    QTest::newRow("window disabled") << int(DisableWindow);
    QTest::newRow("window deactivated") << int(Deactivate);
}

void TestPanel::lostRelease()
{
    QFETCH(int, loss);

    w->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(w.get()));
    FaceButton *b = w->button(37);
    QTest::mousePress(b, Qt::LeftButton);
    QVERIFY(b->isHeld());
    QVERIFY(w->Timer1.enabled());
    port->receive(QStringLiteral("0"));

    QWidget other;
    switch (loss) {
    case HideButton:
        b->hide();
        break;
    case DisableButton:
        b->setEnabled(false);
        break;
    case HideFrame:
        w->control(QStringLiteral("Frame10"))->hide();
        break;
    case DisableWindow:
        w->setEnabled(false);
        break;
    case Deactivate:
        other.setGeometry(0, 0, 100, 100);
        other.show();
        other.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&other));
        QVERIFY(!w->isActiveWindow());
        break;
    }

    // Exactly as a release of a zoom button.
    verifyReleased(b, 5, 3);
    QCOMPARE(port->written.size(), 1);
}

QTEST_MAIN(TestPanel)
#include "test_panel.moc"

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

// A state left by earlier presses, with intervals no press sets, so that
// "left as it was" is told apart from "set".
constexpr int PaceBefore = 3, RepeatBefore = 350, ReplyBefore = 300, ClearBefore = 400;
const QList<int> TimingBefore = {RepeatBefore, ReplyBefore, ClearBefore, PaceBefore};

QString withCr(const QString &code) { return code + QLatin1Char('\r'); }

enum Loss { HideButton, DisableButton, HideFrame, DisableWindow, Deactivate };

struct Row
{
    const char *name;
    int number;
    const char *code;
};

} // namespace

class TestPanel : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakePort> port;
    std::unique_ptr<Form1> w;
    QStringList warnings;

    QString line(const char *label) const { return static_cast<QLabel *>(w->control(QLatin1String(label)))->text(); }

    // A click, or a press and release of a held button.
    void operate(int number) { QTest::mouseClick(w->button(number), Qt::LeftButton); }

    // Repeat interval, reply window, monitor clear, cursor pace.
    QList<int> timing() const
    {
        return {w->Timer1.interval(), w->link().Timer2.interval(), w->link().Timer4.interval(), w->CursorPace};
    }
    void setTiming(const QList<int> &t)
    {
        w->Timer1.setInterval(t[0]);
        w->link().Timer2.setInterval(t[1]);
        w->link().Timer4.setInterval(t[2]);
        w->CursorPace = quint8(t[3]);
    }

    void verifyReleased(FaceButton *held, int repeatMs, int pace)
    {
        QCOMPARE(int(w->RepeatCode), 0);
        QVERIFY(!held->isHeld() && !held->isDown());
        QVERIFY(!w->Timer1.enabled() && !w->link().Timer2.enabled() && w->link().Timer4.enabled());
        QCOMPARE(timing(), (QList<int>{repeatMs, 500, 1000, pace}));
        QCOMPARE((QStringList{line("Label11"), line("Label12"), w->link().ReplyBuffer}), QStringList(3, QString()));
        // Nothing repeats after the release.
        const int sent = port->written.size();
        w->Timer1_Timer();
        QCOMPARE(port->written.size(), sent);
    }

private slots:
    void init()
    {
        port = std::make_unique<FakePort>();
        w = std::make_unique<Form1>(port.get());
        warnings.clear();
        w->setWarningHandler([this](const QString &text) { warnings << text; });
        w->setHeight(layout::HeightFull); // every button within reach
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QVERIFY(port->written.isEmpty());
    }

    void cleanup()
    {
        w.reset();
        port.reset();
        QCOMPARE(warnings, QStringList());
    }

    void singlePress_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QList<int>>("after"); // repeat, reply window, monitor clear, pace

        const auto rows = [](std::initializer_list<Row> rows, const QList<int> &after) {
            for (const Row &r : rows)
                QTest::newRow(r.name) << r.number << QString::fromLatin1(r.code) << after;
        };
        rows({{"POWER ON", 17, "C00"}, {"POWER OFF", 18, "C01"}, {"PC1", 27, "C05"}, {"Video", 29, "C07"},
              {"MENU OFF", 24, "C1D"}, {"MUTE ON", 19, "C0B"}, {"MUTE OFF", 20, "C0C"}, {"NO SHOW ON", 21, "C0D"},
              {"NO SHOW OFF", 22, "C0E"}, {"FREEZE ON", 25, "C43"}, {"FREEZE OFF", 26, "C44"},
              {"Regular", 31, "C0F"}, {"Wide", 32, "C10"}, {"IMAGE", 30, "C27"}, {"P-TIMER", 14, "C8A"},
              {"DISPLAY CLEAR", 3, "C1E"}, {"KEY OFF NONE", 56, "CF KEYDIS NONE"}, {"KEY OFF R/C", 57, "CF KEYDIS RC"},
              {"KEY OFF KEY", 58, "CF KEYDIS KEY"}, {"STATUS", 44, "CR0"}, {"MODE", 45, "CR1"}, {"L-TIME", 46, "CR3"},
              {"SETTING", 47, "CR4"}, {"TEMP", 54, "CR6"}, {"FAN MAX", 97, "CF FANSPEED MAX"},
              {"FAN NOR", 98, "CF FANSPEED NOR"}, {"logo Capture", 60, "CF LOGOCAPTURE START"},
              {"logo OFF", 61, "CF LOGO OFF"}, {"logo DEF", 63, "CF LOGO DEFAULT"}, {"logo User", 67, "CF LOGO USER"}},
             TimingBefore);
        rows({{"STAND", 4, "C11"}, {"REAL", 10, "C12"}, {"CINEMA", 11, "C13"}, {"IMAGE1", 39, "C14"},
              {"IMAGE2", 40, "C15"}, {"IMAGE3", 41, "C16"}, {"IMAGE4", 42, "C17"}, {"B.Board", 12, "C18"},
              {"Dynamic", 36, "C19"}},
             {RepeatBefore, 2000, 2500, PaceBefore});
        rows({{"PC1 RGB", 64, "C50"}, {"PC1 SCART RGB", 65, "C51"}, {"PC1 Component", 66, "C54"},
              {"PC1 S-Video", 69, "C34"}, {"PC2 RGB", 72, "C25"}},
             {RepeatBefore, 5000, 5500, PaceBefore});
        rows({{"MENU ON", 23, "C1C"}, {"A-IMAGE", 13, "C89"}}, {200, ReplyBefore, ClearBefore, 1});
    }

    void singlePress()
    {
        QFETCH(int, number);
        QFETCH(QString, code);
        QFETCH(QList<int>, after);
        setTiming(TimingBefore);
        QList<int> atSend; // at the moment the command goes out
        QObject guard;
        connect(&w->link(), &TransactionEngine::lineChanged, &guard, [&](TransactionEngine::Line which) {
            if (which == TransactionEngine::Line::Transmit)
                atSend = timing();
        });

        QTest::mouseClick(w->button(number), Qt::LeftButton);
        QCOMPARE(port->written, QStringList{withCr(code)});
        QCOMPARE(w->link().CurrentCommand, withCr(code));
        QVERIFY(w->link().Timer2.enabled() && w->link().Timer4.enabled() && !w->Timer1.enabled());
        QCOMPARE(timing(), after);
        // New waits apply to this very command; pace and repeat change after it.
        QCOMPARE(atSend, (QList<int>{RepeatBefore, after[1], after[2], PaceBefore}));
        // All of it stays for a following plain press.
        operate(18);
        QCOMPARE(port->written.last(), QStringLiteral("C01\r"));
        QCOMPARE(timing(), after);
    }

    void hold_data()
    {
        QTest::addColumn<int>("number");
        QTest::addColumn<QString>("code");
        QTest::addColumn<int>("repeatCode");
        QTest::addColumn<QList<int>>("pressed"); // repeat, reply window, monitor clear
        QTest::addColumn<bool>("zoom");
        QTest::addColumn<Qt::MouseButton>("mouse"); // any of them holds

        const QList<int> slow{250, 200, 245}, kept{RepeatBefore, ReplyBefore, ClearBefore};
        const Qt::MouseButton left = Qt::LeftButton;
        QTest::newRow("VOL +") << 1 << "C09" << 1 << slow << false << left;
        QTest::newRow("VOL -") << 2 << "C0A" << 2 << slow << false << Qt::RightButton;
        QTest::newRow("Brightness +") << 15 << "C20" << 7 << QList<int>{50, 25, 25} << false << left;
        QTest::newRow("Brightness -") << 35 << "C21" << 8 << QList<int>{50, 25, 25} << false << left;
        QTest::newRow("D.Zoom +") << 48 << "C30" << 17 << slow << true << left;
        QTest::newRow("D.Zoom -") << 49 << "C31" << 18 << slow << true << left;
        QTest::newRow("Keystone +") << 50 << "C8E" << 19 << slow << false << Qt::MiddleButton;
        QTest::newRow("Keystone -") << 51 << "C8F" << 20 << slow << false << left;
        QTest::newRow("Zoom +") << 37 << "C47" << 11 << slow << true << left;
        QTest::newRow("Zoom -") << 38 << "C46" << 12 << slow << true << left;
        QTest::newRow("SELECT") << 6 << "C3F" << 13 << QList<int>{500, 200, 245} << false << left;
        // At pace 0 the arrows leave all three intervals as they were.
        QTest::newRow("up") << 5 << "C3C" << 3 << kept << false << left;
        QTest::newRow("down") << 7 << "C3D" << 4 << kept << false << left;
        QTest::newRow("left") << 9 << "C3B" << 5 << kept << false << left;
        QTest::newRow("right") << 8 << "C3A" << 6 << kept << false << left;
    }

    void hold()
    {
        QFETCH(int, number);
        QFETCH(QString, code);
        QFETCH(int, repeatCode);
        QFETCH(QList<int>, pressed);
        QFETCH(bool, zoom);
        QFETCH(Qt::MouseButton, mouse);
        setTiming({RepeatBefore, ReplyBefore, ClearBefore, 0});
        FaceButton *b = w->button(number);

        QTest::mousePress(b, mouse);
        QCOMPARE(port->written, QStringList{withCr(code)});
        QCOMPARE(int(w->RepeatCode), repeatCode);
        QVERIFY(b->isDown() && w->Timer1.enabled());
        QCOMPARE(timing(), pressed + QList<int>{0});

        // Every tick sends the command again, built afresh.
        w->link().CurrentCommand = QStringLiteral("C00\r");
        w->Timer1_Timer();
        w->Timer1_Timer();
        QCOMPARE(port->written, QStringList(3, withCr(code)));

        // A reply part-way in, and a status line from an earlier query.
        port->receive(QStringLiteral("0"));
        w->link().setLine(TransactionEngine::Line::Status, QStringLiteral(" Power ON"));
        QVERIFY(!line("Label11").isEmpty() && !line("Label12").isEmpty());

        QTest::mouseRelease(b, mouse);
        verifyReleased(b, zoom ? 5 : pressed[0], zoom ? 3 : 0);
        QCOMPARE(line("Label22"), QStringLiteral(" Power ON")); // left to the monitor clear
    }

    void releaseRestartsMonitorClear()
    {
        // At brightness pace the monitor clear can end between two repeats.
        FaceButton *b = w->button(15);
        QTest::mousePress(b, Qt::LeftButton);
        w->link().Timer4_Timer();
        port->receive(QStringLiteral("00"));
        QVERIFY(!w->link().Timer4.enabled() && !line("Label12").isEmpty());
        QTest::mouseRelease(b, Qt::LeftButton);
        verifyReleased(b, 50, 0);
    }

    void arrowPace_data()
    {
        QTest::addColumn<QList<int>>("before");
        QTest::addColumn<int>("arrow");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QList<int>>("pressed"); // repeat, reply window, monitor clear, pace

        using L = QList<int>;
        QTest::newRow("pace 0 after STAND") << L{4} << 5 << "C3C" << L{200, 2000, 2500, 0};
        QTest::newRow("MENU ON") << L{23} << 7 << "C3D" << L{200, 150, 190, 1};
        QTest::newRow("A-IMAGE after STAND") << L{4, 13} << 9 << "C3B" << L{200, 150, 190, 1};
        QTest::newRow("SELECT after MENU ON") << L{23, 6} << 8 << "C3A" << L{500, 150, 190, 1};
        QTest::newRow("Zoom released") << L{37} << 5 << "C3C" << L{5, 5, 5, 3};
        QTest::newRow("D.Zoom released") << L{49} << 8 << "C3A" << L{5, 5, 5, 3};
        QTest::newRow("VOL after Zoom") << L{38, 1} << 7 << "C3D" << L{250, 5, 5, 3};
        QTest::newRow("MENU ON after D.Zoom") << L{48, 23} << 9 << "C3B" << L{200, 150, 190, 1};
    }

    void arrowPace()
    {
        QFETCH(QList<int>, before);
        QFETCH(int, arrow);
        QFETCH(QString, code);
        QFETCH(QList<int>, pressed);
        for (int n : before)
            operate(n);
        port->written.clear();

        FaceButton *b = w->button(arrow);
        QTest::mousePress(b, Qt::LeftButton);
        QCOMPARE(port->written, QStringList{withCr(code)});
        QCOMPARE(timing(), pressed);
        QVERIFY(w->Timer1.enabled());
        QTest::mouseRelease(b, Qt::LeftButton);
        verifyReleased(b, pressed[0], pressed[3]);
    }

    void releaseOffTheButton()
    {
        // As the window system delivers them: pressed on "VOL -", released
        // over "VOL +".
        FaceButton *minus = w->button(2), *plus = w->button(1);
        const QPoint pressAt = minus->mapTo(w.get(), minus->rect().center());
        const QPoint releaseAt = plus->mapTo(w.get(), plus->rect().center());
        QTest::mousePress(w->windowHandle(), Qt::LeftButton, {}, pressAt);
        QVERIFY(minus->isHeld());
        QTest::mouseMove(w->windowHandle(), releaseAt);
        QVERIFY(minus->isDown());
        QTest::mouseRelease(w->windowHandle(), Qt::LeftButton, {}, releaseAt);
        verifyReleased(minus, 250, 0);
        QCOMPARE(port->written, QStringList{QStringLiteral("C0A\r")});
        QVERIFY(!plus->isDown());
    }

    void spaceBarSendsNothing()
    {
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        FaceButton *b = w->button(6);
        b->setFocus();
        QVERIFY(b->hasFocus());
        QTest::keyPress(b, Qt::Key_Space);
        QVERIFY(port->written.isEmpty() && !w->Timer1.enabled());
        QTest::keyRelease(b, Qt::Key_Space);
        QVERIFY(port->written.isEmpty() && !w->Timer1.enabled());
        QCOMPARE(int(w->RepeatCode), 0);
    }

    void tickWithUnknownCode()
    {
        // Sends what was last sent once more, then stops.
        for (int code : {9, 10, 14, 16, 21, 255}) {
            port->written.clear();
            operate(21);
            w->RepeatCode = quint8(code);
            w->Timer1_Timer();
            QCOMPARE(port->written, QStringList(2, QStringLiteral("C0D\r")));
            QCOMPARE(int(w->RepeatCode), 0);
            w->Timer1_Timer();
            QCOMPARE(port->written.size(), 2);
        }
    }

    void lostRelease_data()
    {
        QTest::addColumn<int>("loss");
        QTest::newRow("button hidden") << int(HideButton);
        QTest::newRow("button disabled") << int(DisableButton);
        QTest::newRow("frame hidden") << int(HideFrame);
        QTest::newRow("window disabled") << int(DisableWindow);
        QTest::newRow("window deactivated") << int(Deactivate);
    }

    void lostRelease()
    {
        QFETCH(int, loss);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        FaceButton *b = w->button(37); // Zoom +, in Frame10
        QTest::mousePress(b, Qt::LeftButton);
        QVERIFY(b->isHeld() && w->Timer1.enabled());
        port->receive(QStringLiteral("0"));

        QWidget other;
        switch (loss) {
        case HideButton: b->hide(); break;
        case DisableButton: b->setEnabled(false); break;
        case HideFrame: w->control(QStringLiteral("Frame10"))->hide(); break;
        case DisableWindow: w->setEnabled(false); break;
        case Deactivate:
            other.setGeometry(0, 0, 100, 100);
            other.show();
            other.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&other));
            QVERIFY(!w->isActiveWindow());
            break;
        }
        // Exactly as the release of a zoom button.
        verifyReleased(b, 5, 3);
        QCOMPARE(port->written.size(), 1);
    }
};

QTEST_MAIN(TestPanel)
#include "test_panel.moc"

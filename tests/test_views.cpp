// The command line, the data view toggle, the access key, the picture's
// double-click and where the keyboard focus goes, by real key and mouse events
// on the panel over a pseudo-terminal.

#include "layout.h"
#include "panelfixture.h"

#include <QLineEdit>

using namespace qn62;

namespace {

const char *const ShowData = "データを表示する", *const HideData = "データを表示しない", *const Close = "CLOSE";

// Counts the presses of one key that reach a widget's own handling.
struct KeySpy : QObject
{
    int key, presses = 0;
    KeySpy(QWidget *target, int key) : key(key) { target->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        presses += e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == key;
        return false;
    }
};

// Ways into each view, as the operator gets there, and the height each leads to.
enum Path { Fresh, Key, KeyPicture, KeyToggle, KeyToggleToggle };
const int HeightAfter[] = {5350, 7200, 9100, 5350, 6645};

// From a view, a key on a control (none: a click on the toggle), then the height,
// caption, extended view flag and the height after a picture double-click.
struct Step { Path path; const char *focused; int key; Qt::KeyboardModifiers modifiers; int height;
              const char *caption; bool extended; int afterDoubleClick; };

// From a view with the focus on a control (none: as the window opened), keys on
// the window, then the height after each key, the control with the focus (Form1:
// none) and the text of the command box.
struct KeyRow { Path path; const char *focused, *keys; QList<int> heights; const char *focus, *text; };

} // namespace

Q_DECLARE_METATYPE(Step)
Q_DECLARE_METATYPE(KeyRow)

class TestViews : public PanelFixture
{
    Q_OBJECT

    QLineEdit *text1() const { return static_cast<QLineEdit *>(w->control(QStringLiteral("Text1"))); }
    void doubleClickPicture() { QTest::mouseDClick(w->control(QStringLiteral("Image1")), Qt::LeftButton); }
    void focus(QWidget *target)
    {
        target->setFocus();
        QVERIFY(target->hasFocus());
    }
    void follow(Path path)
    {
        if (path != Fresh) {
            focus(text1());
            QTest::keyClick(text1(), Qt::Key_K, Qt::ControlModifier);
        }
        if (path == KeyPicture)
            doubleClickPicture();
        for (int i = path == KeyToggle ? 1 : path == KeyToggleToggle ? 2 : 0; i > 0; --i)
            click(34);
        QCOMPARE(w->Height(), HeightAfter[path]);
    }

private slots:
    void init() { openPanel(); showPanel(); }
    void cleanup() { closePanel(); }

    void commandLine_data()
    {
        QTest::addColumn<QString>("typed");
        for (const char *typed : {"", "CR0", "cr0", "CR0  ", " CR0", "CF LOGO OFF"})
            QTest::addRow("'%s'", typed) << QString::fromLatin1(typed);
    }
    void commandLine()
    {
        QFETCH(QString, typed);
        const QByteArray command = (typed + QLatin1Char('\r')).toLatin1();
        follow(KeyPicture);
        focus(text1());
        QTest::keyClicks(text1(), typed);
        // Enter sends nothing, in the box or on SEND; SEND sends the text as
        // typed, and again while it stays, each opening a reply window.
        QTest::keyClick(text1(), Qt::Key_Return);
        QTest::keyClick(text1(), Qt::Key_Enter);
        focus(w->button(95));
        QTest::keyClick(w->button(95), Qt::Key_Return);
        click(95);
        QCOMPARE(std::pair(w->link().Timer2.interval(), w->link().Timer4.interval()), std::pair(2000, 2500));
        QVERIFY(w->link().Timer2.enabled() && w->link().Timer4.enabled());
        click(95);
        QTRY_COMPARE(line->read(), command + command);
        QCOMPARE(text1()->text(), typed);

        // CLS empties the box, even an empty one, and touches nothing else.
        QVERIFY(line->write("00\r"));
        QTRY_COMPARE(w->link().ReplyBuffer, QStringLiteral("00\r"));
        const auto state = [this] {
            return QStringList{label("Label11"), label("Label12"), label("Label22"), w->link().ReplyBuffer};
        };
        const QStringList before = state();
        for (int i = 0; i < 2; ++i) {
            click(96);
            QCOMPARE(text1()->text(), QString());
            QCOMPARE(state(), before);
        }
        click(95); // the empty box, and nothing went out before it
        QTRY_COMPARE(line->read(), command + command + '\r');
    }

    void views_data()
    {
        QTest::addColumn<Step>("step");
        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, none;
        const int k = Qt::Key_K, full = layout::HeightFull;
        const auto row = [](const char *name, const Step &s) { QTest::newRow(name) << s; };
        row("toggle at 5350", {KeyToggle, nullptr, 0, none, 6645, HideData, false, 6645});
        row("toggle at 7200", {Key, nullptr, 0, none, 5350, ShowData, false, 5350});
        row("toggle at 9100", {KeyPicture, nullptr, 0, none, 5350, ShowData, false, 5350});
        row("Ctrl+K in the box", {Fresh, "Text1", k, ctrl, 7200, Close, true, full});
        row("Ctrl+K in the data view", {KeyToggleToggle, "Text1", k, ctrl, 7200, Close, true, full});
        row("Ctrl+K at full height", {KeyPicture, "Command44", k, ctrl, 7200, Close, true, full});
        row("Ctrl+Shift+K", {Fresh, "Text1", k, ctrl | Qt::ShiftModifier, 5350, ShowData, false, 5350});
        row("K", {Fresh, "Command17", k, none, 5350, ShowData, false, 5350});
        row("Ctrl+L", {Fresh, "Text1", Qt::Key_L, ctrl, 5350, ShowData, false, 5350});
    }
    void views()
    {
        QFETCH(Step, step);
        follow(step.path);
        if (!step.focused) {
            w->Timer3.setEnabled(false);
            click(34);
            QVERIFY(w->Timer3.enabled());
        } else {
            QWidget *target = w->control(QLatin1String(step.focused));
            focus(target);
            KeySpy spy(target, step.key), up(target->parentWidget(), step.key);
            QTest::keyClick(target, Qt::Key(step.key), step.modifiers);
            QCOMPARE(spy.presses, 1); // never swallowed
            // The box does nothing with Ctrl+K (nor hands it on); keys it leaves go on up.
            QCOMPARE(up.presses, step.extended && target == text1() ? 0 : 1);
        }
        QCOMPARE(w->Height(), step.height);
        QCOMPARE(w->button(34)->text(), QString::fromUtf8(step.caption));
        QCOMPARE(w->button(34)->isVisible(), step.path != Fresh || step.extended);
        QCOMPARE(int(w->extendedView()), int(step.extended));
        // Only in the extended view does a double-click on the picture uncover the whole window.
        doubleClickPicture();
        QCOMPARE(w->Height(), step.afterDoubleClick);
        QVERIFY(port->output(QStringLiteral("#"))); // and nothing went out before it
        QTRY_COMPARE(line->read(), QByteArray("#"));
    }

    void keyboard_data()
    {
        // No key sends anything, and the focus never moves onto a command by itself.
        QTest::addColumn<KeyRow>("row");
        const auto row = [](const char *name, const KeyRow &r) { QTest::newRow(name) << r; };
        row("box, Ctrl+K", {KeyPicture, "Text1", "Ctrl+K, A, B, C, Home, Right, Ctrl+K, Z, Del, Space", QList<int>(10, 7200), "Text1", "AZ C"});
        row("toggle at 9100", {KeyPicture, "Command34", "Space, Space, Space", {5350, 6645, 5350}, "Command34", ""});
        row("toggle at 7200", {Key, "Command34", "Space, Space, Space", {5350, 6645, 5350}, "Command34", ""});
        row("toggle, Tab at 5350", {Key, "Command34", "Space, Tab", {5350, 5350}, "Command15", ""});
        row("RGB, Ctrl+K", {KeyPicture, "Command64", "Ctrl+K, Space", {7200, 7200}, "Form1", ""});
        row("SEND, Ctrl+K, Shift+Tab", {KeyPicture, "Command95", "Ctrl+K, Space, Shift+Tab", {7200, 7200, 7200}, "Command38", ""});
        row("opened, Tab at 5350", {Fresh, nullptr, "Space, Tab", {5350, 5350}, "Command17", ""});
    }
    void keyboard()
    {
        QFETCH(KeyRow, row);
        follow(row.path);
        if (row.focused)
            focus(w->control(QLatin1String(row.focused)));
        const QStringList keys = QString::fromLatin1(row.keys).split(QStringLiteral(", "));
        QCOMPARE(keys.size(), row.heights.size());
        for (int i = 0; i < keys.size(); ++i) {
            const QKeyCombination key = QKeySequence(keys[i])[0];
            if (keys[i].size() == 1)
                QTest::keyClick(w->windowHandle(), keys[i][0].toLatin1()); // its text as typed
            else
                QTest::keyClick(w->windowHandle(), key.key(), key.keyboardModifiers());
            QCOMPARE(w->Height(), row.heights[i]);
        }
        const QWidget *focused = QApplication::focusWidget();
        QCOMPARE(focused ? focused->objectName() : QString(), QLatin1String(row.focus));
        QCOMPARE(text1()->text(), QLatin1String(row.text));
        QVERIFY(port->output(QStringLiteral("#"))); // and nothing went out before it
        QTRY_COMPARE(line->read(), QByteArray("#"));
    }
};

QTEST_MAIN(TestViews)
#include "test_views.moc"

// The command line, the data view toggle, the access key combination and
// the picture's double-click, driven by real key and mouse events.

#include "facebutton.h"
#include "fakeport.h"
#include "form1.h"
#include "layout.h"

#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include <memory>

using namespace qn62;

namespace {

const QString ShowData = QStringLiteral("データを表示する");
const QString HideData = QStringLiteral("データを表示しない");
const QString Close = QStringLiteral("CLOSE");

// Counts the presses of one key that reach a widget's own handling.
struct KeySpy : QObject
{
    KeySpy(QWidget *target, int key) : key(key) { target->installEventFilter(this); }
    bool eventFilter(QObject *, QEvent *e) override
    {
        presses += e->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(e)->key() == key;
        return false;
    }
    int key, presses = 0;
};

// The offscreen platform says at every change of height that it cannot hand
// a fixed size on to a window system.
QtMessageHandler previousHandler = nullptr;
void quietSizeHints(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")))
        previousHandler(type, context, message);
}

// Ways into each view, as the operator gets there.
enum Path { Fresh, Key, KeyPicture, KeyToggle, KeyToggleToggle };

} // namespace

Q_DECLARE_METATYPE(Path)

class TestViews : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakePort> port;
    std::unique_ptr<Form1> w;
    QStringList warnings;

    QLineEdit *text1() const { return static_cast<QLineEdit *>(w->control(QStringLiteral("Text1"))); }
    QString line(const char *label) const { return static_cast<QLabel *>(w->control(QLatin1String(label)))->text(); }
    void click(int number) { QTest::mouseClick(w->button(number), Qt::LeftButton); }
    void doubleClickPicture() { QTest::mouseDClick(w->control(QStringLiteral("Image1")), Qt::LeftButton); }

    void focus(QWidget *target)
    {
        target->setFocus();
        QVERIFY(target->hasFocus());
    }
    void type(const QString &text)
    {
        focus(text1());
        QTest::keyClicks(text1(), text);
    }
    void pressAccessKey()
    {
        focus(text1());
        QTest::keyClick(text1(), Qt::Key_K, Qt::ControlModifier);
    }

    void follow(Path path)
    {
        if (path == Fresh)
            return;
        pressAccessKey();
        if (path == KeyPicture)
            doubleClickPicture();
        if (path == KeyToggle || path == KeyToggleToggle)
            click(34);
        if (path == KeyToggleToggle)
            click(34);
    }

    void verifyView(int height, const QString &caption, bool toggleVisible)
    {
        QCOMPARE(w->Height(), height);
        QCOMPARE(w->size(), QSize(layout::px(layout::ClientWidth), layout::px(height - layout::NonClientHeight)));
        QCOMPARE(w->button(34)->text(), caption);
        QCOMPARE(w->button(34)->isVisible(), toggleVisible);
    }

private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(quietSizeHints); }

    void init()
    {
        port = std::make_unique<FakePort>();
        w = std::make_unique<Form1>(port.get());
        warnings.clear();
        w->setWarningHandler([this](const QString &text) { warnings << text; });
        w->show();
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        verifyView(layout::HeightNormal, ShowData, false);
    }

    void cleanup()
    {
        w.reset();
        port.reset();
        QCOMPARE(warnings, QStringList());
    }

    void sendAsTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("empty") << "";
        QTest::newRow("query") << "CR0";
        QTest::newRow("lower case") << "cr0";
        QTest::newRow("trailing blanks") << "CR0  ";
        QTest::newRow("leading blank") << " CR0";
        QTest::newRow("words") << "CF LOGO OFF";
    }

    void sendAsTyped()
    {
        QFETCH(QString, typed);
        follow(KeyPicture);
        type(typed);
        const QString sent = typed + QLatin1Char('\r');

        click(95);
        QCOMPARE(port->written, QStringList{sent});
        QCOMPARE(w->link().CurrentCommand, sent);
        QCOMPARE(w->link().Timer2.interval(), 2000);
        QCOMPARE(w->link().Timer4.interval(), 2500);
        QVERIFY(w->link().Timer2.enabled() && w->link().Timer4.enabled());
        // The text stays; SEND again sends it again.
        click(95);
        QCOMPARE(port->written, QStringList(2, sent));
        QCOMPARE(text1()->text(), typed);
    }

    void clearTouchesNothingElse()
    {
        follow(KeyPicture);
        type(QStringLiteral("CR0"));
        click(95);
        port->receive(QStringLiteral("00\r"));
        const auto state = [this] {
            const TransactionEngine &e = w->link();
            return QStringList{line("Label11"), line("Label12"), line("Label22"), e.CurrentCommand, e.ReplyBuffer,
                               QStringLiteral("%1 %2 %3 %4").arg(e.Timer2.interval()).arg(e.Timer4.interval())
                                   .arg(e.Timer2.enabled()).arg(e.Timer4.enabled()),
                               QString::number(w->Timer3.enabled()), QString::number(port->written.size())};
        };
        const QStringList before = state();
        QVERIFY(!line("Label22").isEmpty());

        for (int i = 0; i < 2; ++i) { // the second time on an empty box
            click(96);
            QCOMPARE(text1()->text(), QString());
            QCOMPARE(state(), before);
        }
    }

    void enterSendsNothing()
    {
        follow(KeyPicture);
        type(QStringLiteral("CR0"));
        const std::pair<const char *, Qt::Key> keys[] = {{"Text1", Qt::Key_Return}, {"Text1", Qt::Key_Enter},
                                                         {"Command95", Qt::Key_Return}};
        for (const auto &[focused, key] : keys) {
            focus(w->control(QLatin1String(focused)));
            QTest::keyClick(w->control(QLatin1String(focused)), key);
        }
        QVERIFY(port->written.isEmpty());
        QCOMPARE(text1()->text(), QStringLiteral("CR0"));
    }

    void toggle_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<QString>("caption");
        QTest::newRow("5350") << KeyToggle << 5350 << 6645 << HideData;
        QTest::newRow("6645") << KeyToggleToggle << 6645 << 5350 << ShowData;
        QTest::newRow("7200") << Key << 7200 << 5350 << ShowData;
        QTest::newRow("9100") << KeyPicture << 9100 << 5350 << ShowData;
    }

    void toggle()
    {
        QFETCH(Path, path);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(QString, caption);
        follow(path);
        QCOMPARE(w->Height(), from);
        w->Timer3.setEnabled(false);

        click(34);
        verifyView(to, caption, true);
        QCOMPARE(int(w->extendedView()), 0);
        QVERIFY(w->Timer3.enabled());
        QCOMPARE(w->Timer3.interval(), 5000);
        QVERIFY(port->written.isEmpty());
        // With the flag down the picture no longer enlarges the window.
        doubleClickPicture();
        QCOMPARE(w->Height(), to);
    }

    void accessKey_data()
    {
        QTest::addColumn<Path>("path");
        QTest::addColumn<QString>("focused");
        QTest::addColumn<int>("key");
        QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
        QTest::addColumn<bool>("opens");

        const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, none;
        const int k = Qt::Key_K;
        QTest::newRow("Ctrl+K in the box") << Fresh << "Text1" << k << ctrl << true;
        QTest::newRow("Ctrl+K on POWER ON") << Fresh << "Command17" << k << ctrl << true;
        QTest::newRow("Ctrl+K on SELECT") << Fresh << "Command6" << k << ctrl << true;
        QTest::newRow("Ctrl+K after a toggle") << KeyToggle << "Text1" << k << ctrl << true;
        QTest::newRow("Ctrl+K in the data view") << KeyToggleToggle << "Text1" << k << ctrl << true;
        QTest::newRow("Ctrl+K at full height") << KeyPicture << "Command44" << k << ctrl << true;
        QTest::newRow("Ctrl+Shift+K") << Fresh << "Text1" << k << (ctrl | Qt::ShiftModifier) << false;
        QTest::newRow("Ctrl+Alt+K") << Fresh << "Text1" << k << (ctrl | Qt::AltModifier) << false;
        QTest::newRow("K") << Fresh << "Text1" << k << none << false;
        QTest::newRow("K on a button") << Fresh << "Command17" << k << none << false;
        QTest::newRow("Ctrl+L") << Fresh << "Text1" << int(Qt::Key_L) << ctrl << false;
    }

    void accessKey()
    {
        QFETCH(Path, path);
        QFETCH(QString, focused);
        QFETCH(int, key);
        QFETCH(Qt::KeyboardModifiers, modifiers);
        QFETCH(bool, opens);
        follow(path);
        QWidget *target = w->control(focused);
        focus(target);
        KeySpy spy(target, key);
        QTest::keyClick(target, Qt::Key(key), modifiers);
        QCOMPARE(spy.presses, 1); // never swallowed
        QCOMPARE(int(w->extendedView()), int(opens));
        if (opens)
            verifyView(layout::HeightKeyEnlarged, Close, true);
        else
            verifyView(layout::HeightNormal, ShowData, false);

        // Only a double-click on the picture, and only in the extended view,
        // uncovers the whole window.
        QTest::mouseClick(w->control(QStringLiteral("Image1")), Qt::LeftButton);
        QCOMPARE(w->Height(), opens ? layout::HeightKeyEnlarged : layout::HeightNormal);
        doubleClickPicture();
        QCOMPARE(w->Height(), opens ? layout::HeightFull : layout::HeightNormal);
        QCOMPARE(w->button(34)->isVisible(), opens);
        QVERIFY(port->written.isEmpty());
    }
};

QTEST_MAIN(TestViews)
#include "test_views.moc"

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

const QString ShowData = QString::fromUtf8(Form1::DataShowCaption);
const QString HideData = QString::fromUtf8(Form1::DataHideCaption);
const QString Close = QStringLiteral("CLOSE");

// Counts the presses of one key that reach a widget's own event handling.
class KeySpy : public QObject
{
public:
    KeySpy(QWidget *target, int key)
        : m_key(key)
    {
        target->installEventFilter(this);
    }
    int presses = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent *>(event)->key() == m_key)
            ++presses;
        return false;
    }

private:
    int m_key;
};

// The offscreen platform cannot hand a fixed size on to a window system and
// says so at every change of height.
QtMessageHandler previousHandler = nullptr;
void quietSizeHints(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (!message.contains(QLatin1String("propagateSizeHints")))
        previousHandler(type, context, message);
}

// Ways into each view, as the operator gets there.
enum Path { Fresh, AccessKey, AccessKeyPicture, AccessKeyToggle, AccessKeyToggleToggle, AccessKeyToggleAccessKey };

} // namespace

Q_DECLARE_METATYPE(Path)

class TestViews : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { previousHandler = qInstallMessageHandler(quietSizeHints); }
    void init();
    void cleanup();

    void sendEmptyLine();
    void sendAsTyped_data();
    void sendAsTyped();
    void clearTouchesNothingElse();
    void enterSendsNothing_data();
    void enterSendsNothing();

    void toggle_data();
    void toggle();
    void accessKey_data();
    void accessKey();
    void pictureDoubleClick_data();
    void pictureDoubleClick();

private:
    QLineEdit *text1() const { return static_cast<QLineEdit *>(w->control(QStringLiteral("Text1"))); }
    QString line(const char *label) const { return static_cast<QLabel *>(w->control(QLatin1String(label)))->text(); }
    void pressAccessKey();
    void clickToggle() { QTest::mouseClick(w->button(34), Qt::LeftButton); }
    void follow(Path path);
    void verifyView(int height, const QString &caption, bool toggleVisible);

    std::unique_ptr<FakePort> port;
    std::unique_ptr<Form1> w;
    QStringList warnings;
};

void TestViews::init()
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

void TestViews::cleanup()
{
    w.reset();
    port.reset();
    QCOMPARE(warnings, QStringList());
}

void TestViews::pressAccessKey()
{
    text1()->setFocus();
    QVERIFY(text1()->hasFocus());
    QTest::keyClick(text1(), Qt::Key_K, Qt::ControlModifier);
}

void TestViews::follow(Path path)
{
    if (path == Fresh)
        return;
    pressAccessKey();
    switch (path) {
    case AccessKeyPicture:
        QTest::mouseDClick(w->control(QStringLiteral("Image1")), Qt::LeftButton);
        break;
    case AccessKeyToggle:
        clickToggle();
        break;
    case AccessKeyToggleToggle:
        clickToggle();
        clickToggle();
        break;
    case AccessKeyToggleAccessKey:
        clickToggle();
        pressAccessKey();
        break;
    default:
        break;
    }
}

void TestViews::verifyView(int height, const QString &caption, bool toggleVisible)
{
    QCOMPARE(w->Height(), height);
    QCOMPARE(w->height(), layout::px(height - layout::NonClientHeight));
    QCOMPARE(w->width(), layout::px(layout::ClientWidth));
    QCOMPARE(w->button(34)->text(), caption);
    QCOMPARE(w->button(34)->isVisible(), toggleVisible);
}

// ------------------------------------------------------- command line

void TestViews::sendEmptyLine()
{
    follow(AccessKeyPicture);
    QTest::mouseClick(w->button(95), Qt::LeftButton);
    QCOMPARE(port->written, QStringList{QStringLiteral("\r")});
    QCOMPARE(line("Label11"), QStringLiteral(" CR "));
    QCOMPARE(w->link().Timer2.interval(), 2000);
    QCOMPARE(w->link().Timer4.interval(), 2500);
}

void TestViews::sendAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("query") << "CR0";
    QTest::newRow("lower case") << "cr0";
    QTest::newRow("trailing blanks") << "CR0  ";
    QTest::newRow("leading blank") << " CR0";
    QTest::newRow("words") << "CF LOGO OFF";
}

void TestViews::sendAsTyped()
{
    QFETCH(QString, typed);
    follow(AccessKeyPicture);
    text1()->setFocus();
    QTest::keyClicks(text1(), typed);
    QCOMPARE(text1()->text(), typed);

    QTest::mouseClick(w->button(95), Qt::LeftButton);
    QCOMPARE(port->written, QStringList{typed + QLatin1Char('\r')});
    QCOMPARE(w->link().CurrentCommand, typed + QLatin1Char('\r'));
    QCOMPARE(w->link().Timer2.interval(), 2000);
    QCOMPARE(w->link().Timer4.interval(), 2500);
    QVERIFY(w->link().Timer2.enabled());
    QVERIFY(w->link().Timer4.enabled());

    // The text stays; SEND again sends it again.
    QCOMPARE(text1()->text(), typed);
    QTest::mouseClick(w->button(95), Qt::LeftButton);
    QCOMPARE(port->written, QStringList(2, typed + QLatin1Char('\r')));
}

void TestViews::clearTouchesNothingElse()
{
    follow(AccessKeyPicture);
    text1()->setFocus();
    QTest::keyClicks(text1(), QStringLiteral("CR0"));
    QTest::mouseClick(w->button(95), Qt::LeftButton);
    port->receive(QStringLiteral("00\r"));
    QVERIFY(!line("Label22").isEmpty());

    const QStringList lines{line("Label11"), line("Label12"), line("Label22")};
    const QString command = w->link().CurrentCommand, buffer = w->link().ReplyBuffer;
    const auto timers = [this] {
        return QList<int>{w->link().Timer2.interval(), w->link().Timer4.interval(), w->link().Timer2.enabled(),
                          w->link().Timer4.enabled(), w->Timer1.enabled(), w->Timer3.enabled()};
    };
    const QList<int> timersBefore = timers();

    for (int i = 0; i < 2; ++i) { // the second on an empty box
        QTest::mouseClick(w->button(96), Qt::LeftButton);
        QCOMPARE(text1()->text(), QString());
        QCOMPARE(port->written.size(), 1);
        QCOMPARE((QStringList{line("Label11"), line("Label12"), line("Label22")}), lines);
        QCOMPARE(w->link().CurrentCommand, command);
        QCOMPARE(w->link().ReplyBuffer, buffer);
        QCOMPARE(timers(), timersBefore);
        QVERIFY(port->portOpen());
    }
}

void TestViews::enterSendsNothing_data()
{
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::newRow("Return in the box") << "Text1" << int(Qt::Key_Return);
    QTest::newRow("Enter in the box") << "Text1" << int(Qt::Key_Enter);
    QTest::newRow("Return on SEND") << "Command95" << int(Qt::Key_Return);
}

void TestViews::enterSendsNothing()
{
    QFETCH(QString, focus);
    QFETCH(int, key);
    follow(AccessKeyPicture);
    text1()->setFocus();
    QTest::keyClicks(text1(), QStringLiteral("CR0"));
    QWidget *target = w->control(focus);
    target->setFocus();
    QVERIFY(target->hasFocus());

    QTest::keyClick(target, Qt::Key(key));
    QVERIFY(port->written.isEmpty());
    QCOMPARE(text1()->text(), QStringLiteral("CR0"));
}

// ------------------------------------------------------- views

void TestViews::toggle_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<QString>("caption");

    QTest::newRow("5350") << AccessKeyToggle << 5350 << 6645 << HideData;
    QTest::newRow("6645") << AccessKeyToggleToggle << 6645 << 5350 << ShowData;
    QTest::newRow("7200") << AccessKey << 7200 << 5350 << ShowData;
    QTest::newRow("9100") << AccessKeyPicture << 9100 << 5350 << ShowData;
}

void TestViews::toggle()
{
    QFETCH(Path, path);
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(QString, caption);

    follow(path);
    QCOMPARE(w->Height(), from);
    w->Timer3.setEnabled(false);

    clickToggle();
    verifyView(to, caption, true);
    QCOMPARE(int(w->extendedView()), 0);
    QVERIFY(w->Timer3.enabled());
    QCOMPARE(w->Timer3.interval(), 5000);
    QVERIFY(port->written.isEmpty());

    // The flag is down: the picture no longer enlarges the window.
    QTest::mouseDClick(w->control(QStringLiteral("Image1")), Qt::LeftButton);
    QCOMPARE(w->Height(), to);
}

void TestViews::accessKey_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<QString>("typed");

    // typed: what the box then holds, where the key makes it predictable.
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier, none;
    const int k = Qt::Key_K;
    QTest::newRow("Ctrl+K in the box") << Fresh << "Text1" << k << ctrl << true << "";
    QTest::newRow("Ctrl+K on POWER ON") << Fresh << "Command17" << k << ctrl << true << QString();
    QTest::newRow("Ctrl+K on SELECT") << Fresh << "Command6" << k << ctrl << true << QString();
    QTest::newRow("Ctrl+K from the data view") << AccessKeyToggleToggle << "Text1" << k << ctrl << true << "";
    QTest::newRow("Ctrl+K from the full window") << AccessKeyPicture << "Command44" << k << ctrl << true << QString();
    QTest::newRow("Ctrl+Shift+K") << Fresh << "Text1" << k << (ctrl | Qt::ShiftModifier) << false << QString();
    QTest::newRow("Ctrl+Alt+K") << Fresh << "Text1" << k << (ctrl | Qt::AltModifier) << false << QString();
    QTest::newRow("Shift+K") << Fresh << "Text1" << k << Qt::KeyboardModifiers(Qt::ShiftModifier) << false
                             << QString();
    QTest::newRow("K") << Fresh << "Text1" << k << none << false << "k";
    QTest::newRow("K on a button") << Fresh << "Command17" << k << none << false << QString();
    QTest::newRow("Ctrl+L") << Fresh << "Text1" << int(Qt::Key_L) << ctrl << false << "";
}

void TestViews::accessKey()
{
    QFETCH(Path, path);
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, opens);
    QFETCH(QString, typed);

    follow(path);
    const int height = w->Height();
    const QString caption = w->button(34)->text();
    const bool visible = w->button(34)->isVisible();
    const int flag = w->extendedView();

    QWidget *target = w->control(focus);
    target->setFocus();
    QVERIFY(target->hasFocus());
    KeySpy spy(target, key);
    QTest::keyClick(target, Qt::Key(key), modifiers);

    // The key is never swallowed: the control with the focus gets it.
    QCOMPARE(spy.presses, 1);
    if (opens) {
        verifyView(layout::HeightKeyEnlarged, Close, true);
        QCOMPARE(int(w->extendedView()), 1);
    } else {
        verifyView(height, caption, visible);
        QCOMPARE(int(w->extendedView()), flag);
    }
    if (!typed.isNull())
        QCOMPARE(text1()->text(), typed);
    QVERIFY(port->written.isEmpty());
}

void TestViews::pictureDoubleClick_data()
{
    QTest::addColumn<Path>("path");
    QTest::addColumn<int>("height");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<bool>("toggleVisible");

    QTest::newRow("at start") << Fresh << 5350 << ShowData << false;
    QTest::newRow("after the access key") << AccessKey << 9100 << Close << true;
    QTest::newRow("after a toggle") << AccessKeyToggle << 5350 << ShowData << true;
    QTest::newRow("after two toggles") << AccessKeyToggleToggle << 6645 << HideData << true;
    QTest::newRow("after the access key again") << AccessKeyToggleAccessKey << 9100 << Close << true;
}

void TestViews::pictureDoubleClick()
{
    QFETCH(Path, path);
    QFETCH(int, height);
    QFETCH(QString, caption);
    QFETCH(bool, toggleVisible);

    follow(path);
    QWidget *image = w->control(QStringLiteral("Image1"));
    const int before = w->Height();
    QTest::mouseClick(image, Qt::LeftButton);
    QCOMPARE(w->Height(), before);

    QTest::mouseDClick(image, Qt::LeftButton);
    verifyView(height, caption, toggleVisible);
    QVERIFY(port->written.isEmpty());
}

QTEST_MAIN(TestViews)
#include "test_views.moc"

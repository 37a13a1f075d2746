// The window as built and drawn: controls inside their containers, no
// buttons on top of each other, what each window height uncovers, the
// title, and the colours on screen.

#include "facebutton.h"
#include "fakeport.h"
#include "form1.h"
#include "layout.h"

#include <QtTest>

#include <memory>

using namespace qn62;
using namespace qn62::layout;

namespace {

bool clickable(Kind kind) { return kind == Button || kind == Option || kind == TextBox; }

// The regions below the upper panel, by their outermost controls.
const QStringList DataArea = {"Frame9", "Command34", "Command44", "Command45", "Command46", "Command47", "Command54"};
const QStringList LowerPanel = {"Frame14", "Frame15", "Frame16", "Frame11"};

} // namespace

class TestLayout : public QObject
{
    Q_OBJECT

    std::unique_ptr<FakePort> port;
    std::unique_ptr<Form1> w;

    // A control's rectangle in the window's client coordinates.
    QRect inWindow(const QWidget *control) const { return QRect(control->mapTo(w.get(), QPoint()), control->size()); }

    QString outermost(const QWidget *control) const
    {
        while (control->parentWidget() != w.get())
            control = control->parentWidget();
        return control->objectName();
    }

    void showAt(int height)
    {
        w->setHeight(height);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

private slots:
    void init()
    {
        port = std::make_unique<FakePort>();
        w = std::make_unique<Form1>(port.get());
        w->setWarningHandler([](const QString &text) { QFAIL(qPrintable(text)); });
    }

    void cleanup()
    {
        w.reset();
        port.reset();
    }

    void childrenInsideContainers()
    {
        w->setHeight(HeightFull);
        for (const Control &c : Controls) {
            const QWidget *child = w->control(QLatin1String(c.name));
            const QWidget *container = c.in ? w->control(QLatin1String(c.in)) : w.get();
            QVERIFY2(child && child->parentWidget() == container, c.name);
            QVERIFY2(container->rect().contains(child->geometry()), c.name);
        }
        for (const Line &l : Lines)
            QVERIFY2(w->rect().contains(w->control(QLatin1String(l.name))->geometry()), l.name);
        QVERIFY(w->rect().contains(w->control(QStringLiteral("Image1"))->geometry()));
    }

    void buttonsDoNotOverlap()
    {
        const QWidget *frame8 = w->control(QStringLiteral("Frame8")), *com = w->button(33);
        std::vector<const QWidget *> controls;
        for (const Control &c : Controls)
            if (clickable(c.kind))
                controls.push_back(w->control(QLatin1String(c.name)));

        // More than one pixel (15 twips) both ways is an overlap.
        QStringList overlapping;
        int overCom = 0;
        for (std::size_t i = 0; i < controls.size(); ++i) {
            for (std::size_t j = i + 1; j < controls.size(); ++j) {
                const QWidget *a = controls[i], *b = controls[j];
                const QRect common = inWindow(a) & inWindow(b);
                if (common.width() <= 1 || common.height() <= 1)
                    continue;
                if ((a == com && frame8->isAncestorOf(b)) || (b == com && frame8->isAncestorOf(a)))
                    ++overCom;
                else
                    overlapping << a->objectName() + QLatin1Char('/') + b->objectName();
            }
        }
        QCOMPARE(overlapping, QStringList());
        QVERIFY(overCom > 0); // the baud options lie over "COM"
    }

    void portPanelCoversCom()
    {
        showAt(HeightNormal);
        QWidget *frame8 = w->control(QStringLiteral("Frame8"));
        FaceButton *com = w->button(33);
        const QRect r = inWindow(com);
        QVERIFY(inWindow(frame8).contains(r));
        const QList<QPoint> probes = {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight(), r.center()};

        QTest::mouseClick(com, Qt::LeftButton);
        for (const QPoint &p : probes)
            QVERIFY(frame8->isAncestorOf(w->childAt(p)) || w->childAt(p) == frame8);
        w->Timer3_Timer();
        for (const QPoint &p : probes)
            QCOMPARE(w->childAt(p), com);
    }

    void heights_data()
    {
        QTest::addColumn<int>("height");
        QTest::addColumn<bool>("dataArea");
        QTest::addColumn<bool>("lowerPanel");
        QTest::newRow("normal") << HeightNormal << false << false;
        QTest::newRow("data view") << HeightDataView << true << false;
        QTest::newRow("key-enlarged") << HeightKeyEnlarged << true << false;
        QTest::newRow("full") << HeightFull << true << true;
    }

    void heights()
    {
        QFETCH(int, height);
        QFETCH(bool, dataArea);
        QFETCH(bool, lowerPanel);
        showAt(height);
        QCOMPARE(w->rect().size(), QSize(px(ClientWidth), px(height - NonClientHeight)));

        // In sight: wholly inside the client area, and shown unless it starts
        // hidden. Out of sight: a clickable control has no part inside, any
        // other is cut off at least.
        QStringList wrong;
        const auto check = [&](const QString &name, bool canClick) {
            const QWidget *c = w->control(name);
            const QString region = outermost(c);
            const bool inSight = DataArea.contains(region) ? dataArea : !LowerPanel.contains(region) || lowerPanel;
            const QRect r = inWindow(c);
            const bool shown = c->isVisibleTo(w.get()) || region == QLatin1String("Frame8")
                || region == QLatin1String("Command34");
            if (inSight ? !w->rect().contains(r) || !shown
                        : canClick ? w->rect().intersects(r) : w->rect().contains(r))
                wrong << name;
        };
        for (const Control &c : Controls)
            check(QLatin1String(c.name), clickable(c.kind));
        for (const Line &l : Lines)
            check(QLatin1String(l.name), false);
        check(QStringLiteral("Image1"), false);
        QCOMPARE(wrong, QStringList());
    }

    void title() { QCOMPARE(w->windowTitle(), QStringLiteral("TORVA   QN62   CONTROL   Ver.1.40")); }

    void colours_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("colour");
        const auto rows = [](const char *colour, std::initializer_list<const char *> names) {
            for (const char *name : names)
                QTest::newRow(name) << name << colour;
        };
        rows("#C0FFFF", {"Command27", "Command15", "Command4", "Command44", "Command65", "Command97"});
        rows("#C0FFC0", {"Command17", "Command23", "Command95"});
        rows("#FFC0C0", {"Command18", "Command26", "Command96"});
        rows("#FFE0C0", {"Command5", "Command38", "Command98", "Command63"});
        rows("#FFC080", {"Command1", "Command2"});
        rows("#FF8000", {"Command6"});
        rows("#C0C0FF", {"Command30", "Command14", "Command3"});
        rows("#00C0C0", {"Command13"});
        rows("#C0C0C0", {"Command16", "Command34"});
        rows("#FFFFFF", {"Label11", "Label22"}); // the monitor lines
    }

    void colours()
    {
        QFETCH(QString, name);
        QFETCH(QString, colour);
        // The whole window, with the toggle shown, as the operator opens it.
        w->Form_KeyDown(Qt::Key_K, 2);
        w->Image1_DblClick();
        showAt(HeightFull);

        const QWidget *c = w->control(name);
        QVERIFY(c->isVisible());
        const QImage shot = w->grab().toImage();
        // Clear of the bevel and of the centred caption.
        const QPoint probe = c->mapTo(w.get(), QPoint(3, c->height() / 2));
        QCOMPARE(QColor(shot.pixel(probe)).name().toUpper(), colour);
    }

    void pressedButtonLooksDifferent_data()
    {
        QTest::addColumn<int>("number");
        QTest::newRow("VOL +, held") << 1;
        QTest::newRow("POWER ON, clicked") << 17;
    }

    void pressedButtonLooksDifferent()
    {
        QFETCH(int, number);
        showAt(HeightNormal);
        FaceButton *b = w->button(number);
        const QRect r = inWindow(b);
        const QImage up = w->grab(r).toImage();

        QTest::mousePress(b, Qt::LeftButton);
        const QImage down = w->grab(r).toImage();
        QVERIFY(down != up);
        QCOMPARE(down.pixel(3, r.height() / 2), up.pixel(3, r.height() / 2)); // still its own colour
        QTest::mouseRelease(b, Qt::LeftButton);
        QVERIFY(w->grab(r).toImage() == up);
    }
};

QTEST_MAIN(TestLayout)
#include "test_layout.moc"

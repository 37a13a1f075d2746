// The window as built and drawn, on the real port over a pseudo-terminal:
// controls inside their containers, no buttons on top of each other, what
// each window height uncovers, the title, and the colours on screen.

#include "facebutton.h"
#include "form1.h"
#include "layout.h"
#include "panelfixture.h"

#include <QtTest>

using namespace qn62;
using namespace qn62::layout;

namespace {

bool clickable(Kind kind) { return kind == Button || kind == Option || kind == TextBox; }

// The regions below the upper panel, by their outermost controls.
const QStringList DataArea = {"Frame9", "Command34", "Command44", "Command45", "Command46", "Command47", "Command54"};
const QStringList LowerPanel = {"Frame14", "Frame15", "Frame16", "Frame11"};

} // namespace

class TestLayout : public PanelFixture
{
    Q_OBJECT

    // A control's rectangle in the window's client coordinates.
    QRect inWindow(const QWidget *control) const { return QRect(control->mapTo(w.get(), QPoint()), control->size()); }
    void showAt(int height)
    {
        w->setHeight(height);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    }

private slots:
    void init()
    {
        openPanel();
    }

    void cleanup()
    {
        closePanel();
    }

    void childrenInsideContainers()
    {
        w->setHeight(HeightFull);
        for (const Control &c : Controls) {
            const QWidget *child = w->control(QLatin1String(c.name));
            const QWidget *container = c.in ? w->control(QLatin1String(c.in)) : w.get();
            QVERIFY2(child && child->parentWidget() == container && container->rect().contains(child->geometry()), c.name);
        }
    }

    void overlaps()
    {
        // More than one pixel both ways is an overlap; only the port panel's
        // speed options lie over "COM". The panel holds COM wholly, and covers
        // it while shown.
        showAt(HeightNormal);
        QList<const QWidget *> controls;
        for (const Control &c : Controls)
            if (clickable(c.kind))
                controls << w->control(QLatin1String(c.name));
        QStringList overlapping;
        for (int i = 0; i < controls.size(); ++i)
            for (int j = i + 1; j < controls.size(); ++j) {
                const QRect common = inWindow(controls[i]) & inWindow(controls[j]);
                if (common.width() > 1 && common.height() > 1)
                    overlapping << controls[i]->objectName() + QLatin1Char('/') + controls[j]->objectName();
            }
        QCOMPARE(overlapping, (QStringList{"Command33/Option9", "Command33/Option10"}));
        const QWidget *frame8 = w->control(QStringLiteral("Frame8")), *com = w->button(33);
        QVERIFY(inWindow(frame8).contains(inWindow(com)));
        const QPoint middle = inWindow(com).center();
        QCOMPARE(w->childAt(middle), com);
        QTest::mouseClick(w->button(33), Qt::LeftButton);
        QVERIFY(w->childAt(middle) == frame8 || frame8->isAncestorOf(w->childAt(middle)));
        w->Timer3_Timer();
        QCOMPARE(w->childAt(middle), com);
    }

    void heights()
    {
        // The data area comes into sight above the normal height, the lower
        // panel at the full height only. In sight: wholly inside the client
        // area, and shown unless it starts hidden. Out of sight: a clickable
        // control has no part inside, any other is cut off at least.
        QStringList wrong;
        for (int height : {HeightNormal, HeightDataView, HeightKeyEnlarged, HeightFull}) {
            showAt(height);
            QCOMPARE(w->rect().size(), QSize(px(ClientWidth), px(height - NonClientHeight)));
            const bool dataArea = height > HeightNormal, lowerPanel = height == HeightFull;
            const auto check = [&](const QString &name, bool canClick) {
                const QWidget *c = w->control(name), *top = c;
                while (top->parentWidget() != w.get())
                    top = top->parentWidget();
                const QString region = top->objectName();
                const bool inSight = DataArea.contains(region) ? dataArea : !LowerPanel.contains(region) || lowerPanel;
                const bool shown = c->isVisibleTo(w.get()) || region == QLatin1String("Frame8")
                    || region == QLatin1String("Command34"); // these two start hidden
                const QRect r = inWindow(c);
                if (inSight ? !w->rect().contains(r) || !shown : canClick ? w->rect().intersects(r) : w->rect().contains(r))
                    wrong << QStringLiteral("%1 at %2").arg(name).arg(height);
            };
            for (const Control &c : Controls)
                check(QLatin1String(c.name), clickable(c.kind));
            for (const Line &l : Lines)
                check(QLatin1String(l.name), false);
            check(QStringLiteral("Image1"), false);
        }
        QCOMPARE(wrong, QStringList());
    }

    void title() { QCOMPARE(w->windowTitle(), QStringLiteral("TORVA   QN62   CONTROL   Ver.1.40")); }

    void colours()
    {
        // The whole window, with the toggle shown, as the operator opens it;
        // each probe clear of the bevel and of the centred caption.
        w->Form_KeyDown(Qt::Key_K, 2);
        w->Image1_DblClick();
        showAt(HeightFull);
        const QImage shot = w->grab().toImage();
        const char *const faces[][2] = {
            {"Command27", "#c0ffff"}, {"Command44", "#c0ffff"}, {"Command65", "#c0ffff"}, {"Command17", "#c0ffc0"},
            {"Command95", "#c0ffc0"}, {"Command18", "#ffc0c0"}, {"Command96", "#ffc0c0"}, {"Command5", "#ffe0c0"},
            {"Command98", "#ffe0c0"}, {"Command1", "#ffc080"}, {"Command2", "#ffc080"}, {"Command6", "#ff8000"},
            {"Command30", "#c0c0ff"}, {"Command3", "#c0c0ff"}, {"Command13", "#00c0c0"}, {"Command16", "#c0c0c0"},
            {"Command34", "#c0c0c0"}, {"Label11", "#ffffff"}, {"Label22", "#ffffff"}}; // the last two: monitor lines
        QStringList wrong;
        for (const auto &[name, colour] : faces) {
            const QWidget *c = w->control(QLatin1String(name));
            const QString seen = QColor(shot.pixel(c->mapTo(w.get(), QPoint(3, c->height() / 2)))).name();
            if (!c->isVisible() || seen != QLatin1String(colour))
                wrong << QStringLiteral("%1 %2").arg(QLatin1String(name), seen);
        }
        QCOMPARE(wrong, QStringList());
    }

    void pressedButtonLooksDifferent()
    {
        showAt(HeightNormal);
        for (int number : {1, 17}) { // VOL + held, POWER ON clicked
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
    }

    void anchorsOfEveryRegion()
    {
        // A few controls of every region, in twips within their container
        // (15 to a pixel), and the colours drawn: every button's face by
        // colour, the window, the cursor pad's lines and a monitor line.
        w->Form_KeyDown(Qt::Key_K, 2);
        w->Image1_DblClick();
        showAt(9100);
        const char *const anchors[] = {
            "Frame1 120 240 1695 975", "Frame1/Command18 960 600 615 300", "Frame6 5520 240 1695 975",
            "Frame5 5880 1440 1815 855", "Frame5/Command32 1080 480 615 300", "Frame10 7920 1440 1455 855",
            "Command6 1200 3000 855 375", "Command7 1200 3480 855 375", "Command1 3600 2880 375 255",
            "Command51 7440 3240 375 255", "Command3 8400 3600 975 492", "Command16 8400 4320 975 375",
            "Command36 2160 4560 975 255", "Command56 6600 3960 1200 372", "Command58 7200 4320 606 372",
            "Command33 4080 4200 1815 375", "Frame8 3480 3600 2775 1185", "Frame13/Option10 1440 240 975 300",
            "Frame9 45 4920 6312 1290", "Frame9/Label22 930 915 5295 300", "Command34 6600 5040 1200 375",
            "Command47 7440 5880 975 255", "Frame14 120 6735 7215 1320", "Frame14/Command69 5520 240 1095 255",
            "Frame16 7440 6750 1935 945", "Frame16/Command98 960 600 855 255", "Frame15 120 8040 7215 570",
            "Frame15/Text1 600 165 5055 345", "Frame11 7440 7680 1935 975", "Frame11/Command67 1080 600 735 255",
            "Image1 8160 120 1200 390"};
        const auto pixels = [](int twips) { return qRound(twips / 15.0); };
        QStringList wrong;
        for (const char *anchor : anchors) {
            const QStringList f = QString::fromLatin1(anchor).split(QLatin1Char(' '));
            const QStringList path = f[0].split(QLatin1Char('/'));
            const QWidget *c = w->control(path.last()), *in = path.size() > 1 ? w->control(path.first()) : w.get();
            const QRect expected(pixels(f[1].toInt()), pixels(f[2].toInt()), pixels(f[3].toInt()), pixels(f[4].toInt()));
            if (!c || c->parentWidget() != in || c->geometry() != expected)
                wrong << QLatin1String(anchor);
        }
        const QImage shot = w->grab().toImage();
        const QMap<QString, QList<int>> faces = {
            {"#c0ffff", {4, 10, 11, 12, 15, 27, 29, 31, 32, 35, 36, 39, 40, 41, 42, 44, 45, 46, 47, 48, 49, 50,
                         51, 54, 56, 57, 58, 60, 64, 65, 66, 67, 69, 72, 97}},
            {"#c0ffc0", {17, 19, 21, 23, 25, 95}}, {"#ffc0c0", {18, 20, 22, 24, 26, 96}},
            {"#ffe0c0", {5, 7, 8, 9, 37, 38, 61, 63, 98}}, {"#ffc080", {1, 2}}, {"#ff8000", {6}},
            {"#c0c0ff", {3, 14, 30}}, {"#00c0c0", {13}}, {"#c0c0c0", {16, 34}}}; // COM: the style draws it, shaded
        for (auto face = faces.cbegin(); face != faces.cend(); ++face)
            for (int number : face.value()) {
                const FaceButton *b = w->button(number);
                const QString seen = b ? QColor(shot.pixel(b->mapTo(w.get(), QPoint(2, 2)))).name() : "missing";
                if (!b || !b->isVisible() || seen != face.key())
                    wrong << QStringLiteral("Command%1 %2").arg(number).arg(seen);
            }
        const auto drawn = [&](int x, int y) { return QColor(shot.pixel(pixels(x), pixels(y))).name(); };
        QCOMPARE((QStringList{drawn(5100, 700), drawn(1620, 2400), drawn(3120, 3180)}),
                 (QStringList{"#c0c0c0", "#8080ff", "#8080ff"})); // the window, Line7, Line3
        QCOMPARE(QColor(shot.pixel(w->control("Label12")->mapTo(w.get(), QPoint(3, 3)))).name(), "#ffffff");
        QCOMPARE(wrong, QStringList());
    }
};

QTEST_MAIN(TestLayout)
#include "test_layout.moc"

// The window as built and drawn, on the real port over a pseudo-terminal:
// controls inside their containers, no buttons on top of each other, what
// each window height uncovers, the title, the colours and captions as drawn
// under a light and a dark desktop palette, where the keyboard can go, and
// what a screen reader is told.

#include "facebutton.h"
#include "form1.h"
#include "layout.h"
#include "panelfixture.h"

#include <QAccessible>
#include <QLineEdit>
#include <QStyleOptionButton>
#include <QtTest>

#include <cmath>

using namespace qn62;
using namespace qn62::layout;

namespace {

bool clickable(Kind kind) { return kind == Button || kind == Option || kind == TextBox; }

// Contrast ratio of two colours by their relative luminance.
double contrast(QRgb a, QRgb b)
{
    const auto luminance = [](QRgb c) {
        const auto channel = [](double v) { return v <= 10 ? v / 255 / 12.92 : std::pow((v / 255 + 0.055) / 1.055, 2.4); };
        return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
    };
    const double x = luminance(a), y = luminance(b);
    return (std::max(x, y) + 0.05) / (std::min(x, y) + 0.05);
}

// A caption as drawn: the face is the commonest colour, the text the colour
// that stands out most from it, the ink every pixel that stands out at all.
struct Drawn { QRgb face = 0, text = 0; QRect ink; };

Drawn drawn(const QImage &image, const QRect &area)
{
    QList<QRgb> pixels;
    QHash<QRgb, int> count;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            ++count[pixels.emplaceBack(image.pixel(x, y) & 0xFFFFFF)];
    Drawn d;
    d.face = d.text = std::max_element(count.keyValueBegin(), count.keyValueEnd(),
                                       [](auto a, auto b) { return a.second < b.second; })->first;
    for (int i = 0; i < pixels.size(); ++i) {
        if (contrast(pixels[i], d.face) > contrast(d.text, d.face))
            d.text = pixels[i];
        if (contrast(pixels[i], d.face) >= 1.5)
            d.ink |= QRect(area.left() + i % area.width(), area.top() + i / area.width(), 1, 1);
    }
    return d;
}

// The regions below the upper panel, by their outermost controls.
const QStringList DataArea = {"Frame9", "Command34", "Command44", "Command45", "Command46", "Command47", "Command54"};
const QStringList LowerPanel = {"Frame14", "Frame15", "Frame16", "Frame11"};
const int Heights[] = {HeightNormal, HeightDataView, HeightKeyEnlarged, HeightFull};

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
    // With the data view toggle shown, a view of this height by the
    // operator's own steps, in the active window.
    void activeAt(int height)
    {
        w->Form_KeyDown(Qt::Key_K, 2);
        for (int i = height == HeightNormal ? 1 : height == HeightDataView ? 2 : 0; i > 0; --i)
            w->Command34_Click();
        if (height == HeightFull)
            w->Image1_DblClick();
        showAt(height);
        QCOMPARE(w->Height(), height);
        w->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
    }

private slots:
    void init() { openPanel(); }
    void cleanup() { closePanel(); }

    void overlaps()
    {
        // Clickable controls overlap by a pixel at most, bar the port panel's
        // speed options over "COM", which lies wholly inside that panel.
        showAt(HeightNormal);
        QStringList overlapping;
        for (const Control *a = Controls.begin(); a != Controls.end(); ++a)
            for (const Control *b = a + 1; b != Controls.end(); ++b) {
                const QRect common = inWindow(w->control(QLatin1String(a->name))) & inWindow(w->control(QLatin1String(b->name)));
                if (clickable(a->kind) && clickable(b->kind) && common.width() > 1 && common.height() > 1)
                    overlapping << QLatin1String(a->name) + QLatin1Char('/') + QLatin1String(b->name);
            }
        QCOMPARE(overlapping, (QStringList{"Command33/Option9", "Command33/Option10"}));
        QVERIFY(inWindow(w->control(QStringLiteral("Frame8"))).contains(inWindow(w->button(33))));
    }

    void heights()
    {
        // The data area comes into sight above the normal height, the lower
        // panel at the full height only. In sight: wholly inside the client
        // area and shown unless it starts hidden. Out of sight: a clickable
        // control wholly outside, any other cut off at least.
        QCOMPARE(w->windowTitle(), QStringLiteral("TORVA   QN62   CONTROL   Ver.1.40"));
        QStringList wrong;
        for (int height : Heights) {
            showAt(height);
            QCOMPARE(w->rect().size(), QSize(px(ClientWidth), px(height - NonClientHeight)));
            const bool dataArea = height > HeightNormal, lowerPanel = height == HeightFull;
            const auto check = [&](const QString &name, bool canClick, const char *in) {
                const QWidget *c = w->control(name), *top = c, *box = in ? w->control(QLatin1String(in)) : w.get();
                while (top->parentWidget() != w.get())
                    top = top->parentWidget();
                const QString region = top->objectName();
                const bool inSight = DataArea.contains(region) ? dataArea : !LowerPanel.contains(region) || lowerPanel;
                const bool shown = c->isVisibleTo(w.get()) || region == QLatin1String("Frame8")
                    || region == QLatin1String("Command34"); // these two start hidden
                const QRect r = inWindow(c);
                const bool wholly = w->rect().contains(r);
                if (inSight ? !wholly || !shown : canClick ? w->rect().intersects(r) : wholly)
                    wrong << QStringLiteral("%1 at %2").arg(name).arg(height);
                if (c->parentWidget() != box || (lowerPanel && !box->rect().contains(c->geometry())))
                    wrong << name + QStringLiteral(" outside its container");
            };
            for (const Control &c : Controls)
                check(QLatin1String(c.name), clickable(c.kind), c.in);
            check(QStringLiteral("Image1"), false, nullptr);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void captions_data()
    {
        QTest::addColumn<bool>("dark");
        QTest::newRow("light palette") << false;
        QTest::newRow("dark palette") << true;
    }
    void captions()
    {
        // Every caption on its tabled colour, at 3:1 or better, whatever the
        // desktop's palette; a button's caption whole inside its face.
        QFETCH(bool, dark);
        const QPalette original = QApplication::palette();
        const auto restore = qScopeGuard([&] { QApplication::setPalette(original); });
        QPalette darkPalette(QColor(0x35, 0x35, 0x35), QColor(0x22, 0x20, 0x20));
        for (const auto role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text, QPalette::BrightText})
            darkPalette.setColor(role, Qt::white);
        QApplication::setPalette(dark ? darkPalette : QApplication::style()->standardPalette());
        w->Form_KeyDown(Qt::Key_K, 2);
        w->Image1_DblClick();
        showAt(HeightFull);
        w->Command33_Click();
        static_cast<QLineEdit *>(w->control(QStringLiteral("Text1")))->setText(QStringLiteral("CR0"));
        for (const char *line : {"Label11", "Label12", "Label22"})
            static_cast<QLabel *>(w->control(QLatin1String(line)))->setText(QStringLiteral(" C R 0 CR"));

        QStringList wrong;
        const auto check = [&](const Control &c) {
            QWidget *widget = w->control(QLatin1String(c.name));
            const QImage image = widget->grab().toImage();
            QRect area = image.rect().adjusted(2, 2, -2, -2); // inside bevels and borders
            if (c.kind == Option) {
                QStyleOptionButton o;
                o.initFrom(widget);
                area &= widget->style()->subElementRect(QStyle::SE_RadioButtonContents, &o, widget);
            }
            const Drawn d = drawn(image, area);
            const QRgb face = c.kind == TextBox ? 0xFFFFFF : c.colour;
            const double ratio = contrast(d.text, d.face);
            // Clipped text runs into the sides, or from top to bottom.
            const bool whole = c.kind != Button
                || (d.ink.left() > area.left() && d.ink.right() < area.right()
                    && (d.ink.top() > area.top() || d.ink.bottom() < area.bottom()));
            if ((face != SystemColour && d.face != face) || ratio < 3 || !whole)
                wrong << QStringLiteral("%1 '%2' %3 on %4 %5:1%6").arg(c.name, widget->property("text").toString(),
                    QColor(d.text).name(), QColor(d.face).name(), QString::number(ratio, 'f', 2), whole ? "" : " clipped");
        };
        for (const Control &c : Controls) {
            if (c.kind == Frame || (c.kind == Label && !(c.caption || c.flags & Bordered)))
                continue;
            if (QLatin1String(c.name) != QLatin1String("Command34"))
                check(c);
            else
                for (const char *caption : {"データを表示する", "データを表示しない", "CLOSE"})
                    w->button(34)->setText(QString::fromUtf8(caption)), check(c);
        }
        QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(QLatin1Char('\n'))));
    }

    void focusWalk_data()
    {
        QTest::addColumn<int>("height");
        for (int height : Heights)
            QTest::addRow("%d", height) << height;
    }
    void focusWalk()
    {
        // Tab goes round every control in sight in tab order, and nowhere
        // else. A focused button keeps its face and shows a ring on it.
        QFETCH(int, height);
        activeAt(height);
        std::vector<const Control *> order;
        for (const Control &c : Controls)
            if (clickable(c.kind))
                order.push_back(&c);
        std::stable_sort(order.begin(), order.end(), [](auto a, auto b) { return a->tab < b->tab; });
        QStringList expected, visited;
        for (const Control *c : order) {
            const QWidget *x = w->control(QLatin1String(c->name));
            if (x->isVisible() && w->rect().contains(inWindow(x)))
                expected << QLatin1String(c->name);
        }
        w->control(expected.first())->setFocus();
        for (int i = 0; i < expected.size(); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            auto *b = qobject_cast<FaceButton *>(QApplication::focusWidget());
            visited << QApplication::focusWidget()->objectName();
            if (!b || !b->faceColour().isValid())
                continue;
            const QImage image = b->grab().toImage();
            const Drawn d = drawn(image, image.rect().adjusted(2, 2, -2, -2));
            const Drawn ring = drawn(image, QRect(2, 2, 1, image.height() - 6)); // its left side
            // and a column of bare face between its sides and the caption
            const Drawn left = drawn(image, QRect(3, 3, 1, image.height() - 7));
            const Drawn right = drawn(image, QRect(image.width() - 5, 3, 1, image.height() - 7));
            QVERIFY2(QColor(d.face) == b->faceColour() && contrast(ring.text, d.face) >= 3
                         && left.text == d.face && right.text == d.face, qPrintable(visited.last()));
        }
        QCOMPARE(visited, expected.mid(1) << expected.first());
    }

    void focusBackToCom()
    {
        // The port panel hiding with the focus in it, by its timer or by a
        // choice, hands the focus back to "COM".
        activeAt(HeightDataView);
        QWidget *com = w->button(33);
        for (bool choose : {false, true}) {
            com->setFocus();
            QTest::keyClick(com, Qt::Key_Space);
            QTest::keyClick(com, Qt::Key_Tab);
            QCOMPARE(QApplication::focusWidget(), w->control(QStringLiteral("Option1")));
            choose ? QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space) : w->Timer3_Timer();
            QCOMPARE(QApplication::focusWidget(), com);
        }
    }

    void accessibleNames()
    {
        // Every control is told apart by its name, a button's description
        // says what it sends, and the monitor lines are labelled by their captions.
        w->Form_KeyDown(Qt::Key_K, 2);
        const auto iface = [this](const QString &name) { return QAccessible::queryAccessibleInterface(w->control(name)); };
        QStringList names = {iface(QStringLiteral("Image1"))->text(QAccessible::Name)};
        for (const Control &c : Controls)
            if (clickable(c.kind))
                names << iface(QLatin1String(c.name))->text(QAccessible::Name);
        QCOMPARE(QSet<QString>(names.begin(), names.end()).size(), names.size());
        QVERIFY(!names.contains(QString()));
        for (const auto &[name, spoken, code] : {std::tuple{"Command1", "VOL +", "C09"}, {"Command17", "POWER ON", "C00"},
                                                {"Command9", "Cursor left", "C3B"}}) {
            QCOMPARE(iface(QLatin1String(name))->text(QAccessible::Name), QLatin1String(spoken));
            QVERIFY(iface(QLatin1String(name))->text(QAccessible::Description).contains(QLatin1String(code)));
        }
        for (const auto &[line, caption] : {std::pair{"Label11", "TXD"}, {"Label12", "RXD"}, {"Label22", "STATUS"}}) {
            const auto labels = iface(QLatin1String(line))->relations(QAccessible::Label);
            QVERIFY(labels.size() == 1 && labels.first().first->text(QAccessible::Name) == QLatin1String(caption));
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
            "Frame1 120 240 1695 975", "Frame1/Command18 960 600 615 300", "Frame5/Command32 1080 480 615 300",
            "Frame10 7920 1440 1455 855", "Command6 1200 3000 855 375", "Command1 3600 2880 375 255",
            "Command3 8400 3600 975 492", "Command56 6600 3960 1200 372", "Command33 4080 4200 1815 375",
            "Frame8 3480 3600 2775 1185", "Frame13/Option10 1440 240 975 300", "Frame9 45 4920 6312 1290",
            "Frame9/Label22 930 915 5295 300", "Command34 6600 5040 1200 375", "Command47 7440 5880 975 255",
            "Frame14/Command69 5520 240 1095 255", "Frame16 7440 6750 1935 945", "Frame15/Text1 600 165 5055 345",
            "Frame11/Command67 1080 600 735 255", "Image1 8160 120 1200 390"};
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

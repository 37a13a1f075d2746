#include "panelbuilder.h"

#include "facebutton.h"
#include "fonts.h"
#include "layout.h"
#include "picture.h"

#include <QButtonGroup>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

#include <algorithm>
#include <vector>

namespace qn62 {

using namespace layout;

namespace {

QRect twipsRect(int left, int top, int width, int height)
{
    return QRect(px(left), px(top), px(width), px(height));
}

void paintBackground(QWidget *widget, QRgb colour)
{
    QPalette pal = widget->palette();
    pal.setColor(QPalette::Window, QColor(colour));
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

// A control of fixed colours keeps them under any desktop palette: its
// background, its text (black unless the table says otherwise), the white
// field of a text box or an option's indicator and the bevel shades of a
// frame. A dark theme would otherwise put light text on the light faces.
void fixColours(QWidget *widget, QRgb background, QRgb text)
{
    const QColor face(background), ink(text ? text : 0x000000);
    QPalette pal = widget->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        pal.setColor(group, QPalette::Window, face);
        pal.setColor(group, QPalette::Button, face);
        pal.setColor(group, QPalette::WindowText, ink);
        pal.setColor(group, QPalette::ButtonText, ink);
        pal.setColor(group, QPalette::Text, ink);
        pal.setColor(group, QPalette::Base, Qt::white);
        pal.setColor(group, QPalette::Light, Qt::white);
        pal.setColor(group, QPalette::Midlight, QColor(0xDF, 0xDF, 0xDF));
        pal.setColor(group, QPalette::Mid, QColor(0xA0, 0xA0, 0xA0));
        pal.setColor(group, QPalette::Dark, QColor(0x80, 0x80, 0x80));
        pal.setColor(group, QPalette::Shadow, Qt::black);
    }
    widget->setPalette(pal);
    widget->setAutoFillBackground(true);
}

Qt::Alignment alignmentOf(unsigned flags)
{
    const Qt::Alignment horizontal = (flags & Centre) ? Qt::AlignHCenter
        : (flags & Right)                             ? Qt::AlignRight
                                                      : Qt::AlignLeft;
    return horizontal | Qt::AlignVCenter;
}

QWidget *makeControl(const Control &c, QWidget *container)
{
    const QString caption = c.caption ? QString::fromUtf8(c.caption) : QString();
    switch (c.kind) {
    case Frame: {
        auto *frame = new QFrame(container);
        frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
        fixColours(frame, c.colour, c.textColour);
        return frame;
    }
    case Label: {
        auto *label = new QLabel(caption, container);
        label->setTextFormat(Qt::PlainText);
        label->setAlignment(alignmentOf(c.flags));
        fixColours(label, c.colour, c.textColour);
        if (c.flags & Bordered) {
            // A thin black border, whatever colour the text has.
            label->setStyleSheet(QStringLiteral("QLabel { border: 1px solid black; background: %1; color: %2; padding-left: 1px; }")
                                     .arg(QColor(c.colour).name(), QColor(c.textColour).name()));
        }
        return label;
    }
    case Button: {
        auto *button = new FaceButton(caption, container);
        button->setAutoDefault(false);
        if (c.colour != SystemColour)
            button->setFaceColour(QColor(c.colour));
        return button;
    }
    case Option: {
        auto *option = new QRadioButton(caption, container);
        fixColours(option, c.colour, c.textColour);
        // The options of one frame are one choice, apart from those of a
        // frame inside it: the port panel holds the speed frame, and a
        // click on the marked port must not take its mark away.
        auto *group = container->findChild<QButtonGroup *>(QString(), Qt::FindDirectChildrenOnly);
        if (!group)
            group = new QButtonGroup(container);
        group->addButton(option);
        option->setChecked(c.flags & Selected);
        return option;
    }
    case TextBox: {
        auto *edit = new QLineEdit(container);
        edit->setFrame(true);
        fixColours(edit, c.colour, c.textColour);
        return edit;
    }
    }
    qFatal("layout: control %s is of no known kind", c.name);
}

} // namespace

QHash<QString, QWidget *> buildPanel(QWidget *window)
{
    paintBackground(window, WindowColour);
    window->setFont(layoutFont(F0));

    QHash<QString, QWidget *> controls;

    // Controls come in container-first order, and later ones stack above
    // earlier ones, so the port panel covers the "COM" button.
    for (const Control &c : Controls) {
        QWidget *container = c.in ? controls.value(QString::fromLatin1(c.in)) : window;
        if (!container)
            qFatal("layout: %s sits in %s, which is not built before it", c.name, c.in);
        QWidget *w = makeControl(c, container);
        w->setObjectName(QString::fromLatin1(c.name));
        w->setFont(layoutFont(c.font));
        w->setGeometry(twipsRect(c.left, c.top, c.width, c.height));
        w->setVisible(!(c.flags & Hidden));
        controls.insert(w->objectName(), w);
    }

    for (const Line &l : Lines) {
        auto *line = new QWidget(window);
        line->setObjectName(QString::fromLatin1(l.name));
        paintBackground(line, LineColour);
        line->setAttribute(Qt::WA_TransparentForMouseEvents);
        const int x = px(std::min(l.x1, l.x2)), y = px(std::min(l.y1, l.y2));
        const int w = px(std::abs(l.x2 - l.x1)), h = px(std::abs(l.y2 - l.y1));
        line->setGeometry(x - LineWidthPx / 2, y - LineWidthPx / 2, std::max(w, 0) + LineWidthPx,
                          std::max(h, 0) + LineWidthPx);
        controls.insert(line->objectName(), line);
    }

    auto *image = new Picture(window);
    image->setObjectName(QStringLiteral("Image1"));
    image->setPixmap(Picture::badge(ImagePixelsWide, ImagePixelsHigh));
    image->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    image->setGeometry(twipsRect(ImageLeft, ImageTop, ImageWidth, ImageHeight));
    controls.insert(image->objectName(), image);

    // Keyboard focus follows the tab positions; labels and frames never
    // take it.
    std::vector<const Control *> order;
    for (const Control &c : Controls)
        if (c.kind == Button || c.kind == Option || c.kind == TextBox)
            order.push_back(&c);
    std::sort(order.begin(), order.end(), [](auto a, auto b) { return a->tab < b->tab; });
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(controls.value(QString::fromLatin1(order[i - 1]->name)),
                             controls.value(QString::fromLatin1(order[i]->name)));

    return controls;
}

} // namespace qn62

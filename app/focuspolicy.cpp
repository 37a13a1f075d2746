#include "focuspolicy.h"

#include "layout.h"

#include <QWidget>

#include <algorithm>
#include <iterator>

namespace qn62 {

using namespace layout;

namespace {

// The controls on which no key sends anything to the projector.
constexpr const char *KeepFocusOutOfSight[] = {"Text1", "Command34"};

bool keepsFocusOutOfSight(const QWidget *control)
{
    return std::any_of(std::begin(KeepFocusOutOfSight), std::end(KeepFocusOutOfSight),
                       [&](const char *name) { return control->objectName() == QLatin1String(name); });
}

} // namespace

void settleFocus(QWidget *window, const QHash<QString, QWidget *> &controls)
{
    for (const Control &c : Controls) {
        if (c.kind != Button && c.kind != Option && c.kind != TextBox)
            continue;
        QWidget *w = controls.value(QString::fromLatin1(c.name));
        const bool inSight = window->rect().contains(QRect(w->mapTo(window, QPoint()), w->size()));
        w->setFocusPolicy(inSight ? Qt::StrongFocus : Qt::NoFocus);
    }
    const QWidget *focus = window->focusWidget();
    if (focus && focus != window && (focus->focusPolicy() != Qt::NoFocus || keepsFocusOutOfSight(focus)))
        return;
    // The window takes no focus by Tab or click, but holding it itself
    // leaves none to a control.
    window->setFocus(Qt::OtherFocusReason);
}

} // namespace qn62

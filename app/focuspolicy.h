#pragma once

#include <QHash>
#include <QString>

class QWidget;

namespace qn62 {

// Where the keyboard focus may be at the window's present height. Only what
// the height uncovers takes the focus, so Tab and Shift+Tab walk the
// controls in sight, in their fixed order. The focus never moves by itself
// onto a control that sends something to the projector:
// - a control that had the focus and is now out of sight keeps it only if
//   no key on it can send anything: the command box (typing goes on into
//   it) and the data view toggle (a press only changes the view);
// - any other control out of sight gives the focus up to the window itself,
//   so no control holds it: Space presses nothing, the window still sees
//   every key, and the next Tab starts from the first control in sight;
// - a window that no control has the focus in yet keeps it itself too, so
//   none takes it when the window opens or becomes active again.
// The panel calls this whenever its height changes.
void settleFocus(QWidget *window, const QHash<QString, QWidget *> &controls);

} // namespace qn62

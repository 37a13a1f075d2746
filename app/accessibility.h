#pragma once

#include <QHash>
#include <QString>

class QWidget;

namespace qn62 {

// Tells screen readers what each control is: every button and option a name
// made of its group and its caption ("VOL +", "POWER ON", "PC2 RGB") and a
// description of what it sends, the command box and the picture their names,
// and the three monitor lines the captions TXD, RXD and STATUS as labels.
void describePanel(const QHash<QString, QWidget *> &controls);

} // namespace qn62

#pragma once

#include <QHash>
#include <QString>

class QWidget;

namespace qn62 {

// Builds the window's controls from the layout table: gives the window its
// colour and font, creates every frame, label, button, option and text box
// in its container, draws the lines and the picture, and sets the tab order.
// Returns every control by its name ("Command17", "Label11", "Image1"...).
QHash<QString, QWidget *> buildPanel(QWidget *window);

} // namespace qn62

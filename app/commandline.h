#pragma once

#include <QString>

#include <functional>

class QLineEdit;

namespace qn62 {

// The longest command the command line takes: what the port's output queue
// holds, less the CR that ends it.
int commandLineMaxLength();

// Makes the line edit take commands of up to commandLineMaxLength()
// characters and refuse longer text whole (an edit that would make it
// longer is undone, and refused() is told why) instead of cutting it.
// Also keeps its undo history from growing without end under repeated
// pastes of long text.
void limitCommandLine(QLineEdit *edit, std::function<void(const QString &why)> refused);

} // namespace qn62

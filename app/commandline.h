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

// Ctrl+K, the window's access key, reaches the line edit as every key does,
// but the line edit does nothing with it: its own binding for Ctrl+K (erase
// to the end of the line) would throw typed text away. Other keys work as
// ever.
void ignoreAccessKey(QLineEdit *edit);

} // namespace qn62

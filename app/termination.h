#pragma once

#include <QString>

#include <functional>

namespace qn62 {

class Form1;

// SIGTERM, SIGHUP and SIGINT end the panel as END does: the port is closed,
// its lock removed, and output not yet sent is thrown away. Nobody may be
// there to answer a box (a logout, a service stopping), so none is shown:
// what one would say, such as the commands that were not sent, goes to tell.
// The signals are handled from the event loop, for the window given last.
void endOnSignals(Form1 *window, std::function<void(const QString &)> tell);

} // namespace qn62

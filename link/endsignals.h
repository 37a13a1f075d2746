#pragma once

#include <QObject>

#include <functional>

namespace qn62 {

// Calls then() from the event loop when SIGTERM, SIGINT or SIGHUP (a
// service stopping, Ctrl+C, the terminal or session gone) arrives, so a
// program ends the way it ends on its own: ports closed, locks removed.
// The signal handler only writes a byte to a pipe that the loop reads.
// then() runs for as long as context lives; a later call's context and
// then() serve the signals too.
void onEndSignals(QObject *context, std::function<void()> then);

} // namespace qn62

#include "termination.h"

#include "endsignals.h"
#include "form1.h"

#include <QCoreApplication>
#include <QThread>

namespace qn62 {

void endOnSignals(Form1 *window, std::function<void(const QString &)> tell)
{
    onEndSignals(window, [window, tell = std::move(tell)] {
        window->setWarningHandler(tell);
        window->Command16_Click();
        // Out of every running loop, a box's own too if one was showing.
        if (QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::quit();
    });
}

} // namespace qn62

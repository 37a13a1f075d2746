#include "endsignals.h"

#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace qn62 {

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[1], &byte, 1);
}

} // namespace

void onEndSignals(QObject *context, std::function<void()> then)
{
    if (signalPipe[0] < 0) {
        if (::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0) {
            std::perror("pipe for the signals that end the program");
            std::abort();
        }
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (const int signal : {SIGTERM, SIGINT, SIGHUP})
            ::sigaction(signal, &action, nullptr);
    }
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [then = std::move(then)] {
        char bytes[16];
        while (::read(signalPipe[0], bytes, sizeof bytes) > 0) {
        }
        then();
    });
}

} // namespace qn62

#include "form1.h"
#include "oneshot.h"
#include "options.h"
#include "serialcomm.h"
#include "standardfiles.h"
#include "termination.h"
#include "sim/ptyprojector.h"

#include <QApplication>
#include <QStyleFactory>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    qn62::keepStandardFilesOpen();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const qn62::ParsedOptions parsed = qn62::parseOptions(arguments);
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "qn62-control: %s\nTry 'qn62-control --help'.\n", qPrintable(parsed.error));
        return 2;
    }
    const qn62::Options &options = parsed.options;
    if (options.help) {
        std::fputs(qPrintable(qn62::usageText()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs(qPrintable(qn62::versionText()), stdout);
        return 0;
    }

    // Commands for scripts: no window, so nothing that needs a display
    // (no QApplication) is made on this path.
    if (!options.send.isEmpty()) {
        qn62::OneShotJob job;
        job.devices[0] = options.com1;
        job.devices[1] = options.com2;
        job.port = options.port;
        job.baud = options.speed;
        job.timeoutMs = options.timeoutMs;
        job.logPath = options.log;
        for (const QString &code : options.send)
            job.codes << code.toLatin1();
        return qn62::runOneShot(argc, argv, job);
    }

    // The window needs a display; without one Qt could only abort. A script
    // or a cron job that forgot --send is told what to use instead.
    static const char *const UseSend =
        "For commands without a window use --send, as in: qn62-control --com1 /dev/ttyUSB0 --send CR0\n";
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fprintf(stderr, "qn62-control: no display to show the window on (DISPLAY, WAYLAND_DISPLAY and "
                             "QT_QPA_PLATFORM are not set).\n%s", UseSend);
        return qn62::NoDisplayStatus;
    }

    // A display that is named but cannot be reached (no server behind
    // DISPLAY) is fatal to Qt as it starts: said in Qt's words and ours, with
    // the same status, not an abort.
    const QtMessageHandler before = qInstallMessageHandler([](QtMsgType type, const QMessageLogContext &, const QString &text) {
        std::fprintf(stderr, "qn62-control: %s\n", qPrintable(text));
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "qn62-control: no display to show the window on.\n%s", UseSend);
            std::_Exit(qn62::NoDisplayStatus);
        }
    });
    QApplication app(argc, argv);
    qInstallMessageHandler(before);
    QApplication::setApplicationName(QStringLiteral("qn62-control"));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    qn62::SerialComm port;
    port.setDevice(1, options.com1);
    port.setDevice(2, options.com2);
    port.setReconnect(options.reconnect);

    // The demo puts a simulated projector behind COM1, on a pseudo-terminal
    // of its own, so every button gets real traffic and real replies.
    qn62::sim::PtyProjector simulated;
    if (options.demo) {
        if (!simulated.open()) {
            std::fprintf(stderr, "qn62-control: the simulated projector could not start: %s\n",
                         qPrintable(simulated.errorString()));
            return 1;
        }
        port.setDevice(1, simulated.slavePath());
        std::fprintf(stderr, "qn62-control: demo mode, a simulated QN62 is on COM1 (%s)\n",
                     qPrintable(simulated.slavePath()));
    }

    qn62::Form1 window(&port, options.log);
    qn62::endOnSignals(&window, [](const QString &text) {
        std::fprintf(stderr, "qn62-control: %s\n", qPrintable(text));
    });
    window.show();
    return app.exec();
}

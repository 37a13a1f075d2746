// qn62-sim: a QN62 projector on a pseudo-terminal, for trying the panel
// without the hardware.

#include "sim/ptyprojector.h"
#include "sim/tcpbridge.h"
#include "endsignals.h"
#include "standardfiles.h"
#include "portaddress.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>


namespace {

constexpr int kUsageError = 2;

constexpr const char *kHelp = R"(Usage: qn62-sim [options]

Simulates a QN62 projector on a pseudo-terminal. Prints the device a serial
program opens (e.g. /dev/pts/7) as one line on stdout, then answers commands
on it until interrupted (SIGINT or SIGTERM).

Options:
  --link PATH  also make PATH a symbolic link to the device; replaces an old
               link there and is removed on exit
  --silent     read commands but never answer
  --delay MS   answer MS milliseconds after a command arrives
  --split N    write every answer in N pieces, 5 ms apart
  --noise      send 1 to 4 stray bytes (never CR, LF, ACK or NAK) 5 ms after
               every answer
  --warm-up MS count-down after power on, in ms (default 20000)
  --cool-down MS
               cooling down after power off, in ms (default 30000)
  --tcp ADDRESS:PORT
               also serve the projector on this TCP port, as a serial device
               server does in raw mode (one client at a time), e.g.
               --tcp 127.0.0.1:4001 or --tcp [::1]:4001; port 0 picks a
               free port. Prints the address for the panel,
               socket://ADDRESS:PORT, as a second line
  --help       show this text

Commands are ASCII, upper case, each ended by CR (an LF after the CR is
ignored, blank lines are ignored).

  Cxx  operation, xx two hex digits; answer ACK (06h), every code accepted
       C00 power on (count-down)        C01 power off (cooling down)
       C05 computer 1   C07 video   C50 C51 C54 C34 sources on input 1
       C25 source on input 2
       C0B/C0C sound mute on/off        C0D/C0E picture mute on/off
       C43/C44 freeze on/off            C0F/C10 aspect regular/wide
       C1C/C1D menu on/off              C3A C3B C3C C3D C3F cursor keys
       C09/C0A volume up/down           C20/C21 brightness up/down
       C47/C46 zoom up/down             C30/C31 digital zoom up/down
       C8E/C8F keystone up/down
       C11-C19 C27 C89 C8A C1E picture modes
  CF KEYDIS NONE|RC|KEY, CF FANSPEED MAX|NOR, CF LOGOCAPTURE START,
  CF LOGO OFF|DEFAULT|USER
       functions; answer ACK
  CR0  power status: 00 on, 80 standby, 40 count-down, 20 cooling down,
       10 power fail, 08 temperature warning, 02 key input disabled,
       04 lamp off by power management, 28, 24, 88, 21, 81 combinations
  CR1  input: 1 computer 1, 2 computer 2, 3 video, 4 input mode 4
  CR3  lamp hours, five digits
  CR4  picture reversal: 11 normal, 10 top/bottom, 01 left/right, 00 both
  CR6  temperatures, "+25.5  31.0 +40.2"
  CR7  lamp mode and lit lamps: 00-03, 10 11, 20 22
  CR9  version, "QN62 V1.40"
  CRA  mute: 00 none, 01 picture, 02 sound, 03 both, 80 no signal,
       FF not on
  CR PRESSURE  air pressure reading, 0 to 1023
Query answers end with CR. Anything else (unknown or malformed commands,
lower case, lines over 256 bytes) is answered with NAK (15h).
)";

int usageError(const QString &message)
{
    std::fprintf(stderr, "qn62-sim: %s\nTry 'qn62-sim --help'.\n", qPrintable(message));
    return kUsageError;
}

// Reads a whole-number option value of at least minimum into *value.
bool intOption(const QCommandLineParser &parser, const QCommandLineOption &option, int minimum,
               int *value)
{
    if (!parser.isSet(option))
        return true;
    bool ok = false;
    *value = parser.value(option).toInt(&ok);
    return ok && *value >= minimum;
}

} // namespace

int main(int argc, char *argv[])
{
    qn62::keepStandardFilesOpen();
    QCoreApplication app(argc, argv);

    QCommandLineParser parser;
    const QCommandLineOption help(QStringList{"h", "help"});
    const QCommandLineOption link("link", QString(), "PATH");
    const QCommandLineOption silent("silent");
    const QCommandLineOption delay("delay", QString(), "MS");
    const QCommandLineOption split("split", QString(), "N");
    const QCommandLineOption noise("noise");
    const QCommandLineOption tcp("tcp", QString(), "ADDRESS:PORT");
    const QCommandLineOption warmUp("warm-up", QString(), "MS");
    const QCommandLineOption coolDown("cool-down", QString(), "MS");
    parser.addOptions({help, link, silent, delay, split, noise, tcp, warmUp, coolDown});
    if (!parser.parse(app.arguments()))
        return usageError(parser.errorText());
    if (parser.isSet(help)) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (!parser.positionalArguments().isEmpty())
        return usageError(QStringLiteral("unexpected argument '%1'")
                              .arg(parser.positionalArguments().constFirst()));

    qn62::sim::PtyOptions options;
    options.linkPath = parser.value(link);
    options.silent = parser.isSet(silent);
    options.noise = parser.isSet(noise);
    if (!intOption(parser, delay, 0, &options.delayMs))
        return usageError(QStringLiteral("--delay needs a number of milliseconds"));
    if (!intOption(parser, split, 1, &options.splitPieces))
        return usageError(QStringLiteral("--split needs a number of pieces, 1 or more"));
    if (!intOption(parser, warmUp, 0, &options.countDownMs) || !intOption(parser, coolDown, 0, &options.coolingMs))
        return usageError(QStringLiteral("--warm-up and --cool-down need a number of milliseconds"));

    QHostAddress tcpAddress;
    quint16 tcpPort = 0;
    if (parser.isSet(tcp) && !qn62::parseListenAddress(parser.value(tcp), &tcpAddress, &tcpPort))
        return usageError(QStringLiteral("--tcp needs an IP address and a port, as in --tcp 127.0.0.1:4001"));

    // The pseudo-terminal is closed on the way out.
    qn62::onEndSignals(&app, &QCoreApplication::quit);

    qn62::sim::PtyProjector projector(options);
    if (!projector.open()) {
        std::fprintf(stderr, "qn62-sim: %s\n", qPrintable(projector.errorString()));
        return 1;
    }
    std::printf("%s\n", qPrintable(projector.slavePath()));
    qn62::sim::TcpBridge bridge(projector.slavePath());
    if (parser.isSet(tcp)) {
        if (!bridge.listen(tcpAddress, tcpPort)) {
            std::fprintf(stderr, "qn62-sim: %s\n", qPrintable(bridge.errorString()));
            return 1;
        }
        const bool v6 = tcpAddress.protocol() == QAbstractSocket::IPv6Protocol;
        std::printf(v6 ? "socket://[%s]:%u\n" : "socket://%s:%u\n", qPrintable(tcpAddress.toString()),
                    unsigned(bridge.serverPort()));
    }
    std::fflush(stdout);
    return app.exec();
}

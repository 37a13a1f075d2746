#include "options.h"
#include "portaddress.h"

#include <algorithm>

namespace qn62 {

namespace {

// The options that take a value: what the value must be, and an example;
// for those that only --send uses, what the window has instead.
struct ValueOption
{
    const char *name;
    const char *needs;
    const char *example;
    const char *inTheWindow = nullptr;
};
constexpr ValueOption ValueOptions[] = {
    {"--com1", "a device path or address", "/dev/ttyUSB0"},
    {"--com2", "a device path or address", "/dev/ttyUSB1"},
    {"--send", "a command code of printable ASCII characters", "CR0"},
    {"--port", "1 or 2", "2", "the window's port is chosen in its port panel"},
    {"--speed", "19200 or 9600", "9600", "the window's speed is chosen in its port panel"},
    {"--timeout", "a number of milliseconds from 1 to 600000", "500",
     "in the window, each button sets how long its reply is waited for"},
    {"--log", "a file name", "qn62-traffic.log"},
};

const ValueOption *valueOption(const QString &name)
{
    for (const ValueOption &option : ValueOptions)
        if (name == QLatin1String(option.name))
            return &option;
    return nullptr;
}

// A whole number written plainly ("0019200" and "+2" are not), or -1.
int plainNumber(const QString &value)
{
    bool ok = false;
    const int n = value.toInt(&ok);
    return ok && n >= 0 && value == QString::number(n) ? n : -1;
}

bool printableAscii(const QString &text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x20 && c.unicode() <= 0x7E; });
}

} // namespace

ParsedOptions parseOptions(const QStringList &arguments)
{
    ParsedOptions result;
    Options &o = result.options;
    const auto refuse = [&result](const QString &why) {
        result.error = why;
        return result;
    };
    bool com1Given = false;
    const ValueOption *sendOnly = nullptr; // the first option given that only --send uses
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        QString value;
        bool hasValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            const int eq = arg.indexOf(QLatin1Char('='));
            value = arg.mid(eq + 1);
            arg = arg.left(eq);
            hasValue = true;
        }
        const ValueOption *option = valueOption(arg);
        const QString needs = option ? QString::fromLatin1(option->needs) : QString();
        if (option && !hasValue) {
            if (i + 1 >= arguments.size())
                return refuse(QStringLiteral("option %1 needs %2, as in %1 %3").arg(arg, needs, QLatin1String(option->example)));
            value = arguments[++i];
            hasValue = true;
        }
        if (hasValue && !option)
            return refuse(QStringLiteral("option %1 takes no value").arg(arg));
        // An empty code is a lone CR, as SEND with an empty command line.
        if (option && value.isEmpty() && arg != QLatin1String("--send"))
            return refuse(QStringLiteral("option %1 needs %2, not an empty one").arg(arg, needs));
        const auto wrongValue = [&] { return refuse(QStringLiteral("option %1 needs %2, not '%3'").arg(arg, needs, value)); };

        PortAddress address;
        QString why;
        if ((arg == QLatin1String("--com1") || arg == QLatin1String("--com2")) && !PortAddress::parse(value, &address, &why))
            return refuse(QStringLiteral("option %1: %2").arg(arg, why));

        if (arg == QLatin1String("--com1")) {
            o.com1 = value;
            com1Given = true;
        } else if (arg == QLatin1String("--com2")) {
            o.com2 = value;
        } else if (arg == QLatin1String("--send")) {
            if (!printableAscii(value))
                return wrongValue();
            o.send << value;
        } else if (arg == QLatin1String("--port")) {
            o.port = plainNumber(value);
            if (o.port != 1 && o.port != 2)
                return wrongValue();
        } else if (arg == QLatin1String("--speed")) {
            o.speed = plainNumber(value);
            if (o.speed != 19200 && o.speed != 9600)
                return wrongValue();
        } else if (arg == QLatin1String("--timeout")) {
            o.timeoutMs = plainNumber(value);
            if (o.timeoutMs < 1 || o.timeoutMs > 600000)
                return wrongValue();
        } else if (arg == QLatin1String("--log")) {
            o.log = value;
        } else if (arg == QLatin1String("--demo")) {
            o.demo = true;
        } else if (arg == QLatin1String("--reconnect")) {
            o.reconnect = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            o.help = true;
        } else if (arg == QLatin1String("--version")) {
            o.version = true;
        } else {
            return refuse(QStringLiteral("unknown option '%1'").arg(arg));
        }
        if (!sendOnly && option && option->inTheWindow)
            sendOnly = option;
    }
    if (o.demo && !o.send.isEmpty())
        return refuse(QStringLiteral("--send and --demo do not mix: the demo's simulated projector lives in the window"));
    if (o.reconnect && !o.send.isEmpty())
        return refuse(QStringLiteral("--send and --reconnect do not mix: a command for a script fails at once "
                                     "when its port is not there"));
    if (o.demo && com1Given)
        return refuse(QStringLiteral("--com1 and --demo do not mix: the demo puts its simulated projector behind COM1"));
    if (o.send.isEmpty() && sendOnly)
        return refuse(QStringLiteral("option %1 goes with --send; %2")
                          .arg(QLatin1String(sendOnly->name), QLatin1String(sendOnly->inTheWindow)));
    return result;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: qn62-control [--com1 ADDRESS] [--com2 ADDRESS] [--reconnect] [--demo] [--log FILE]\n"
        "       qn62-control [--com1 ADDRESS] [--com2 ADDRESS] [--port 1|2]\n"
        "                    [--speed 19200|9600] --send CODE [--send CODE ...]\n"
        "                    [--timeout MS] [--log FILE]\n"
        "       qn62-control --help | --version\n"
        "\n"
        "Control panel for the QN62 data projector over an RS-232C line.\n"
        "The panel's ports COM1 and COM2 stand for two serial ports:\n"
        "\n"
        "  --com1 ADDRESS  port behind COM1 (default %1), e.g. /dev/ttyUSB0\n"
        "  --com2 ADDRESS  port behind COM2 (default %2)\n"
        "  --reconnect     when the open port is lost (an adapter pulled out, a server\n"
        "                  gone), or cannot be opened at start, wait for it and open it\n"
        "                  again by itself: a device once a second, a network address\n"
        "                  after 1 and 2 seconds, then every 5; choosing a port or END\n"
        "                  stops the waiting\n"
        "  --demo          drive a simulated projector behind COM1 instead of a real one\n"
        "  --log FILE      append every byte sent and received, and what became of\n"
        "                  each command, to FILE (the traffic log, below)\n"
        "  --help          show this text\n"
        "  --version       show the version\n"
        "\n"
        "Commands from scripts and cron, with no window and no display needed:\n"
        "\n"
        "  --send CODE     send CODE and CR, print the reply and end; give it again\n"
        "                  for more commands, sent in order, each after the reply\n"
        "                  to the one before; --send \"\" sends a lone CR\n"
        "  --port 1|2      send through COM1 (the default) or COM2\n"
        "  --speed 19200|9600  the line speed (default 19200), 8N1\n"
        "  --timeout MS    how long a reply may take to end at CR, ACK or NAK\n"
        "                  (default 2000)\n"
        "\n"
        "Bytes after a reply's end are dropped until the next CODE is sent, which is\n"
        "at once; bytes still coming after that count as the start of its reply.\n"
        "One line per CODE on stdout: CODE, TAB, REPLY, TAB, WORDS. REPLY is the reply\n"
        "without its closing CR (ACK and NAK as ACK and NAK, other bytes outside\n"
        "20h-7Eh as <XX>, empty when none came); WORDS is what the panel's status\n"
        "line shows for a status query. Exit status 0 when every CODE got a reply;\n"
        "1 when one got none, or bytes with no end, or could not be sent, or the\n"
        "results could not be written to stdout; 2 for a wrong option; 3 when the\n"
        "port cannot be opened, another program (a panel) holds it, or it is lost\n"
        "before anything came back (stdout stays empty then):\n"
        "  qn62-control --com1 /dev/ttyUSB0 --send CR0   prints  CR0<TAB>80<TAB>Stand by\n"
        "\n"
        "The window needs a display (DISPLAY, WAYLAND_DISPLAY or QT_QPA_PLATFORM);\n"
        "without one, or with one that cannot be reached, the program ends at once\n"
        "with exit status %3: use --send for commands then.\n"
        "\n"
        "ADDRESS is a serial device path, or a port of a serial device server:\n"
        "  socket://HOST:PORT   raw TCP: the bytes pass unchanged and the line speed\n"
        "                       is set on the server; choosing 19200 or 9600 in the\n"
        "                       panel changes nothing on the wire\n"
        "  rfc2217://HOST:PORT  Telnet with RFC 2217: the panel sets the server's\n"
        "                       serial port to the chosen speed, 8N1, DTR on, RTS off\n"
        "An IPv6 HOST is written in brackets, as in socket://[::1]:4001.\n"
        "\n"
        "The traffic log has one event a line, after the local time: TX and RX give\n"
        "the bytes in hex and as text, -- lines the port opening (or NOT OPENED),\n"
        "a speed chosen while open (SETTINGS), its closing, a loss,\n"
        "a command NOT SENT or with NO REPLY, and the words of a decoded reply:\n"
        "  2026-12-07T22:00:00.123+01:00 TX 43 52 30 0D  CR0.\n"
        "  2026-12-07T22:00:00.140+01:00 RX 38 30 0D  80.\n"
        "  2026-12-07T22:00:00.140+01:00 -- Stand by\n"
        "A FILE that cannot be written is warned about once; nothing is logged then.\n"
        "\n"
        "Opening a serial device needs membership of the 'dialout' group:\n"
        "  sudo adduser $USER dialout   (then log out and in again)\n")
        .arg(QLatin1String(SerialComm::DefaultDevices[0]), QLatin1String(SerialComm::DefaultDevices[1]))
        .arg(NoDisplayStatus);
}

QString versionText()
{
    return QStringLiteral("qn62-control 1.40\n");
}

} // namespace qn62

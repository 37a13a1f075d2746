#include "options.h"

namespace qn62 {

ParsedOptions parseOptions(const QStringList &arguments)
{
    ParsedOptions result;
    Options &o = result.options;
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
        const bool takesValue = arg == QLatin1String("--com1") || arg == QLatin1String("--com2");
        if (takesValue && !hasValue) {
            if (i + 1 >= arguments.size()) {
                result.error = QStringLiteral("option %1 needs a device path, as in %1 /dev/ttyUSB0").arg(arg);
                return result;
            }
            value = arguments[++i];
            hasValue = true;
        }
        if (hasValue && !takesValue) {
            result.error = QStringLiteral("option %1 takes no value").arg(arg);
            return result;
        }
        if (takesValue && value.isEmpty()) {
            result.error = QStringLiteral("option %1 needs a device path, not an empty one").arg(arg);
            return result;
        }

        if (arg == QLatin1String("--com1"))
            o.com1 = value;
        else if (arg == QLatin1String("--com2"))
            o.com2 = value;
        else if (arg == QLatin1String("--demo"))
            o.demo = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            o.help = true;
        else if (arg == QLatin1String("--version"))
            o.version = true;
        else {
            result.error = QStringLiteral("unknown option '%1'").arg(arg);
            return result;
        }
    }
    return result;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: qn62-control [--com1 DEVICE] [--com2 DEVICE] [--demo] [--help] [--version]\n"
        "\n"
        "Control panel for the QN62 data projector over an RS-232C line.\n"
        "The panel's ports COM1 and COM2 stand for two serial devices:\n"
        "\n"
        "  --com1 DEVICE  device behind COM1 (default %1), e.g. /dev/ttyUSB0\n"
        "  --com2 DEVICE  device behind COM2 (default %2)\n"
        "  --demo         drive a simulated projector behind COM1 instead of a real one\n"
        "  --help         show this text\n"
        "  --version      show the version\n"
        "\n"
        "Opening a serial device needs membership of the 'dialout' group:\n"
        "  sudo adduser $USER dialout   (then log out and in again)\n")
        .arg(QLatin1String(SerialComm::DefaultDevices[0]), QLatin1String(SerialComm::DefaultDevices[1]));
}

QString versionText()
{
    return QStringLiteral("qn62-control 1.40\n");
}

} // namespace qn62

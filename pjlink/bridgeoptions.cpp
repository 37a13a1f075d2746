#include "bridgeoptions.h"

#include "codec.h"
#include "mapping.h"
#include "portaddress.h"

#include <QFile>
#include <QFileDevice>

namespace qn62::pjlink {

ParsedOptions parseOptions(const QStringList &arguments)
{
    ParsedOptions result;
    Options &o = result.options;
    const QStringList valued{"--device", "--speed", "--listen", "--password-file", "--name", "--log"};
    QString speed;
    QString listen;
    bool noLog = false; // --log with an empty name
    for (int i = 0; i < arguments.size(); ++i) {
        QString arg = arguments[i];
        QString value;
        bool hasValue = false;
        if (arg.startsWith(QLatin1String("--")) && arg.contains(QLatin1Char('='))) {
            value = arg.mid(arg.indexOf(QLatin1Char('=')) + 1);
            arg = arg.left(arg.indexOf(QLatin1Char('=')));
            hasValue = true;
        }
        const bool takesValue = valued.contains(arg);
        if (takesValue && !hasValue) {
            if (i + 1 >= arguments.size()) {
                result.error = QStringLiteral("option %1 needs a value").arg(arg);
                return result;
            }
            value = arguments[++i];
        } else if (hasValue && !takesValue) {
            result.error = QStringLiteral("option %1 takes no value").arg(arg);
            return result;
        }

        if (arg == QLatin1String("--device"))
            o.device = value;
        else if (arg == QLatin1String("--speed"))
            speed = value;
        else if (arg == QLatin1String("--listen"))
            listen = value;
        else if (arg == QLatin1String("--password-file"))
            o.passwordFile = value;
        else if (arg == QLatin1String("--name"))
            o.name = value.toUtf8();
        else if (arg == QLatin1String("--log") && !value.isEmpty())
            o.log = value;
        else if (arg == QLatin1String("--log"))
            noLog = true;
        else if (arg == QLatin1String("--no-password"))
            o.noPassword = true;
        else if (arg == QLatin1String("--help") || arg == QLatin1String("-h"))
            o.help = true;
        else if (arg == QLatin1String("--version"))
            o.version = true;
        else {
            result.error = QStringLiteral("unknown option '%1'").arg(arg);
            return result;
        }
    }
    if (o.help || o.version)
        return result;

    QString why;
    PortAddress address;
    if (o.device.isEmpty())
        result.error = QStringLiteral("--device ADDRESS is needed, as in --device /dev/ttyUSB0");
    else if (!PortAddress::parse(o.device, &address, &why))
        result.error = QStringLiteral("--device: %1").arg(why);
    else if (!speed.isEmpty() && speed != QLatin1String("19200") && speed != QLatin1String("9600"))
        result.error = QStringLiteral("--speed must be 19200 or 9600");
    else if (!listen.isEmpty() && !parseListenAddress(listen, &o.listenAddress, &o.listenPort))
        result.error = QStringLiteral("--listen needs an IP address and a port, as in --listen 0.0.0.0:4352 "
                                      "or --listen [::1]:4352");
    else if (o.name.isEmpty() || o.name.size() > Mapping::MaxName
             || std::any_of(o.name.begin(), o.name.end(), [](char c) { return c >= 0 && c < 0x20; }))
        result.error = QStringLiteral("--name must be 1 to %1 bytes of text").arg(Mapping::MaxName);
    else if (noLog)
        result.error = QStringLiteral("--log needs a file name");
    else if (o.noPassword && !o.passwordFile.isEmpty())
        result.error = QStringLiteral("--password-file and --no-password exclude each other");
    else if (o.passwordFile.isEmpty() && !o.noPassword && !o.listenAddress.isLoopback())
        result.error = QStringLiteral("listening on %1 without a password is refused: give --password-file FILE, "
                                      "or --no-password to let anyone on the network drive the projector")
                           .arg(o.listenAddress.toString());
    if (!speed.isEmpty())
        o.speed = speed.toInt();
    return result;
}

bool readPassword(const QString &path, QByteArray *password, QString *why, QString *warning)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read the password file %1: %2").arg(path, file.errorString());
        return false;
    }
    if (file.permissions() & QFileDevice::ReadOther)
        *warning = QStringLiteral("the password file %1 can be read by every user of this machine; "
                                  "chmod o-r %1").arg(path);
    QByteArray line = file.readLine(MaxPassword + 3);
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    const bool printable = std::all_of(line.begin(), line.end(), [](char c) { return c >= 0x20 && c <= 0x7E; });
    if (line.isEmpty() || line.size() > MaxPassword || !printable) {
        *why = QStringLiteral("the password in %1 must be 1 to %2 printable ASCII characters on the first line")
                   .arg(path).arg(MaxPassword);
        return false;
    }
    *password = line;
    return true;
}

QString usageText()
{
    return QStringLiteral(
        "Usage: qn62-pjlink --device ADDRESS [--speed 19200|9600] [--listen HOST:PORT]\n"
        "                   [--password-file FILE | --no-password] [--name NAME]\n"
        "                   [--log FILE]\n"
        "\n"
        "Answers PJLink class 1 on TCP for a QN62 projector on a serial line, so that\n"
        "fleet tools can switch and poll it. Runs without a display; logs to stderr.\n"
        "\n"
        "  --device ADDRESS     the projector's line: a serial device such as\n"
        "                       /dev/ttyUSB0, or socket://HOST:PORT (raw TCP) or\n"
        "                       rfc2217://HOST:PORT on a serial device server\n"
        "  --speed 19200|9600   line speed (default 19200)\n"
        "  --listen HOST:PORT   where PJLink clients connect (default 127.0.0.1:%1);\n"
        "                       HOST is an IP address, [::1] for IPv6, 0.0.0.0 for\n"
        "                       every address; port 0 picks a free port\n"
        "  --password-file FILE the PJLink password: the first line of FILE\n"
        "  --no-password        listen beyond loopback without a password, on purpose\n"
        "  --name NAME          the name PJLink clients see (default QN62)\n"
        "  --log FILE           append the traffic on the projector's line to FILE,\n"
        "                       one event a line: TX and RX bytes, the line opening,\n"
        "                       closing or lost, a command NOT SENT or with NO REPLY\n"
        "  --help               show this text\n"
        "  --version            show the version\n"
        "\n"
        "Without a password, only a loopback address may be listened on. While the\n"
        "line is not open or the projector does not answer within 2 s, requests\n"
        "that need it are answered ERR3. A line that is lost, or missing at start,\n"
        "is waited for and opened again by itself: a device once a second, a\n"
        "network address after 1 and 2 seconds, then every 5. See qn62-pjlink(8).\n")
        .arg(DefaultPort);
}

} // namespace qn62::pjlink

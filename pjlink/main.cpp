// qn62-pjlink: a QN62 on a serial line, answering PJLink on the network.

#include "device.h"
#include "bridgeoptions.h"
#include "server.h"
#include "endsignals.h"
#include "standardfiles.h"

#include <QCoreApplication>
#include <QDebug>

#include <cstdio>

namespace {

int usageError(const QString &message)
{
    std::fprintf(stderr, "qn62-pjlink: %s\nTry 'qn62-pjlink --help'.\n", qPrintable(message));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    qn62::keepStandardFilesOpen();
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const qn62::pjlink::ParsedOptions parsed = qn62::pjlink::parseOptions(arguments);
    if (!parsed.error.isEmpty())
        return usageError(parsed.error);
    const qn62::pjlink::Options &options = parsed.options;
    if (options.help) {
        std::fputs(qPrintable(qn62::pjlink::usageText()), stdout);
        return 0;
    }
    if (options.version) {
        std::fputs("qn62-pjlink 1.40\n", stdout);
        return 0;
    }
    QByteArray password;
    if (!options.passwordFile.isEmpty()) {
        QString why, warning;
        if (!qn62::pjlink::readPassword(options.passwordFile, &password, &why, &warning))
            return usageError(why);
        if (!warning.isEmpty())
            std::fprintf(stderr, "qn62-pjlink: warning: %s\n", qPrintable(warning));
    }

    QCoreApplication app(argc, argv);
    // The event loop ends, so the port is closed and its lock removed on the
    // way out.
    qn62::onEndSignals(&app, &QCoreApplication::quit);

    qn62::pjlink::Device device(options.device, options.speed, options.log);
    device.open();
    qn62::pjlink::Server server(&device, password, qn62::pjlink::Mapping(options.name));
    if (!server.listen(options.listenAddress, options.listenPort)) {
        std::fprintf(stderr, "qn62-pjlink: cannot listen on %s port %u: %s\n",
                     qPrintable(options.listenAddress.toString()), unsigned(options.listenPort),
                     qPrintable(server.errorString()));
        return 1;
    }
    const bool v6 = options.listenAddress.protocol() == QAbstractSocket::IPv6Protocol;
    const QString host = options.listenAddress.toString();
    qInfo().noquote() << QStringLiteral("listening on %1:%2%3")
                             .arg(v6 ? QLatin1Char('[') + host + QLatin1Char(']') : host)
                             .arg(server.serverPort())
                             .arg(password.isEmpty() ? QStringLiteral(", no password") : QString());
    return app.exec();
}

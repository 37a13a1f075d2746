#include "portaddress.h"

#include <QHostAddress>
#include <QRegularExpression>

namespace qn62 {

bool PortAddress::parse(const QString &text, PortAddress *address, QString *error)
{
    const auto reject = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("'%1': %2").arg(text, why);
        return false;
    };
    const int schemeEnd = text.indexOf(QLatin1String("://"));
    if (schemeEnd < 0) {
        // "socket:/host:4001" is a network address with a slash missing, not
        // a device path.
        static const QRegularExpression slashMissing(QStringLiteral("^(socket|rfc2217):/?(?!/)"),
                                                     QRegularExpression::CaseInsensitiveOption);
        const QRegularExpressionMatch m = slashMissing.match(text);
        if (m.hasMatch())
            return reject(QStringLiteral("a network address has two slashes after '%1:', as in %2://HOST:PORT")
                              .arg(m.captured(1), m.captured(1).toLower()));
        *address = PortAddress();
        address->device = text;
        return true;
    }

    // The scheme in any case, as other clients take it.
    const QString scheme = text.left(schemeEnd).toLower();
    PortAddress parsed;
    if (scheme == QLatin1String("socket"))
        parsed.kind = Kind::Socket;
    else if (scheme == QLatin1String("rfc2217"))
        parsed.kind = Kind::Rfc2217;
    else
        return reject(QStringLiteral("unknown kind of address '%1://'; use socket://HOST:PORT (raw TCP) "
                                     "or rfc2217://HOST:PORT (Telnet with RFC 2217)").arg(text.left(schemeEnd)));

    // HOST:PORT, where an IPv6 host is written in brackets: [::1]:4001.
    static const QRegularExpression form(QStringLiteral("^(?:\\[([0-9A-Fa-f:.]+)\\]|([A-Za-z0-9.-]+)):([0-9]{1,5})$"));
    // A trailing slash, as in a URL, changes nothing.
    QString rest = text.mid(schemeEnd + 3);
    if (rest.endsWith(QLatin1Char('/')))
        rest.chop(1);
    const QRegularExpressionMatch m = form.match(rest);
    if (!m.hasMatch())
        return reject(QStringLiteral("expected %1://HOST:PORT, a host name or IP address and a port number "
                                     "(an IPv6 address in brackets, as in %1://[::1]:4001)").arg(scheme));
    const bool bracketed = !m.captured(1).isEmpty();
    parsed.host = bracketed ? m.captured(1) : m.captured(2);
    if (bracketed && QHostAddress(parsed.host).protocol() != QAbstractSocket::IPv6Protocol)
        return reject(QStringLiteral("'%1' in brackets is not an IPv6 address").arg(parsed.host));
    if (parsed.host.startsWith(QLatin1Char('-')) || parsed.host.startsWith(QLatin1Char('.'))
        || parsed.host.endsWith(QLatin1Char('-')))
        return reject(QStringLiteral("'%1' is not a host name").arg(parsed.host));
    const int port = m.captured(3).toInt();
    if (port < 1 || port > 65535)
        return reject(QStringLiteral("the port number must be from 1 to 65535"));
    parsed.port = quint16(port);
    *address = parsed;
    return true;
}

bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port)
{
    const int colon = text.lastIndexOf(QLatin1Char(':'));
    QString host = text.left(colon);
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        return false;
    bool ok = false;
    const uint number = text.mid(colon + 1).toUInt(&ok);
    if (colon < 0 || !ok || number > 65535 || !address->setAddress(host))
        return false;
    *port = quint16(number);
    return true;
}

} // namespace qn62

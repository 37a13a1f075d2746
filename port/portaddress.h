#pragma once

#include <QString>

class QHostAddress;

namespace qn62 {

// What stands behind COM1 or COM2: a serial device, or a serial device
// server on the network, either as raw TCP ("socket://HOST:PORT", the bytes
// pass unchanged and the line settings are the server's) or as Telnet with
// the COM-PORT option ("rfc2217://HOST:PORT", the settings are sent to the
// server). The scheme may be in any case and a trailing "/" is allowed;
// "socket:" or "rfc2217:" with one slash or none is refused as a network
// address with a slash missing. Anything else without "://" is a device
// path.
struct PortAddress
{
    enum class Kind { Device, Socket, Rfc2217 };

    Kind kind = Kind::Device;
    QString device; // a device path
    QString host;   // a network address: host name or IP address (an IPv6 one without brackets)
    quint16 port = 0;

    // Reads an address; returns false and fills *error when it is malformed.
    static bool parse(const QString &text, PortAddress *address, QString *error);
    bool isNetwork() const { return kind != Kind::Device; }
};

// "IP:PORT" as a server listens on, an IPv6 address in brackets
// ("[::1]:4352"); false when malformed.
bool parseListenAddress(const QString &text, QHostAddress *address, quint16 *port);

} // namespace qn62

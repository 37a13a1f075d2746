#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <QStringList>

namespace qn62::pjlink {

constexpr quint16 DefaultPort = 4352;

struct Options
{
    QString device;
    int speed = 19200;
    QHostAddress listenAddress = QHostAddress(QHostAddress::LocalHost);
    quint16 listenPort = DefaultPort;
    QString passwordFile;
    bool noPassword = false;
    QByteArray name = "QN62";
    QString log; // the traffic log, none when empty
    bool help = false;
    bool version = false;
};

struct ParsedOptions
{
    Options options;
    QString error; // empty when the command line was understood
};

// Reads the program's arguments (without the program name).
ParsedOptions parseOptions(const QStringList &arguments);

// The password: the file's first line, without its line end. False with
// *why when it cannot be read or is no usable password; *warning is set
// when the file can be read by others.
bool readPassword(const QString &path, QByteArray *password, QString *why, QString *warning);

QString usageText();

} // namespace qn62::pjlink

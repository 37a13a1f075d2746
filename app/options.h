#pragma once

#include "serialcomm.h"

#include <QString>
#include <QStringList>

namespace qn62 {

// The window's exit status when there is no display to show it on.
constexpr int NoDisplayStatus = 4;

struct Options
{
    QString com1 = QString::fromLatin1(SerialComm::DefaultDevices[0]);
    QString com2 = QString::fromLatin1(SerialComm::DefaultDevices[1]);
    bool demo = false;
    bool reconnect = false; // a lost port waits for its device and reopens
    bool help = false;
    bool version = false;
    // --log: the traffic log, for the window and for --send alike.
    QString log;
    // --send: commands for scripts, no window. The rest goes with it.
    QStringList send;
    int port = 1;
    int speed = 19200;
    int timeoutMs = 2000;
};

struct ParsedOptions
{
    Options options;
    QString error; // empty when the command line was understood
};

// Reads the program's arguments (without the program name).
ParsedOptions parseOptions(const QStringList &arguments);

QString usageText();
QString versionText();

} // namespace qn62

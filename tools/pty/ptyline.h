#pragma once

#include <QByteArray>
#include <QString>

#include <fcntl.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

// A pseudo-terminal pair standing in for the serial line: the program under
// test opens `path` (the slave) as its device, the test plays the projector
// on the master.
struct PtyLine
{
    int master = -1;
    int slave = -1;
    QString path;
    QByteArray heard; // everything read from the master so far

    PtyLine()
    {
        char name[128];
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        termios t {};
        ::tcgetattr(master, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(master, TCSANOW, &t);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        path = QString::fromLatin1(name);
    }
    ~PtyLine() { hangUp(); }
    PtyLine(const PtyLine &) = delete;
    PtyLine &operator=(const PtyLine &) = delete;

    // Closes both ends, as when the adapter is pulled out.
    void hangUp()
    {
        if (slave >= 0)
            ::close(slave);
        if (master >= 0)
            ::close(master);
        master = slave = -1;
    }
    // Reads what has arrived and returns everything heard so far.
    const QByteArray &read()
    {
        char buf[4096];
        ssize_t n;
        while (master >= 0 && (n = ::read(master, buf, sizeof buf)) > 0)
            heard.append(buf, int(n));
        return heard;
    }
    bool write(const QByteArray &bytes)
    {
        return ::write(master, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
    }
    speed_t speed() const
    {
        termios t {};
        ::tcgetattr(slave, &t);
        return ::cfgetospeed(&t);
    }
};

#pragma once

#include <QByteArray>
#include <QString>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <pty.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

// The projector's end of a line, for the tests and the benchmarks: the
// program under test opens `path` as its port, and the test plays the
// projector on `master`, reading what the program sent and writing replies.
struct FarEnd
{
    int master = -1;
    QString path;
    QByteArray heard; // everything read from the master so far

    FarEnd() = default;
    virtual ~FarEnd() { hangUp(); }
    FarEnd(const FarEnd &) = delete;
    FarEnd &operator=(const FarEnd &) = delete;

    // Closes the far end, as when the adapter is pulled out or the server
    // goes away.
    virtual void hangUp()
    {
        if (master >= 0)
            ::close(master);
        master = -1;
    }
    // Reads what has arrived and returns everything heard so far.
    const QByteArray &read()
    {
        char buf[4096];
        ssize_t n;
        while (ready() && (n = ::read(master, buf, sizeof buf)) > 0)
            heard.append(buf, int(n));
        return heard;
    }
    bool write(const QByteArray &bytes)
    {
        return ready() && ::write(master, bytes.constData(), size_t(bytes.size())) == ssize_t(bytes.size());
    }

protected:
    // Whether master is there to read and write.
    virtual bool ready() { return master >= 0; }
    // Puts a terminal into raw mode: bytes pass as they are, both ways.
    static void makeRaw(int fd)
    {
        termios t {};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
    }
};

// A pseudo-terminal pair standing in for the serial line: the program opens
// the slave's path.
struct PtyLine : FarEnd
{
    int slave = -1;

    PtyLine()
    {
        char name[128];
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            return;
        makeRaw(master);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
        // A program the test starts must not hold the far end open: hangUp()
        // would not hang up then.
        ::fcntl(master, F_SETFD, FD_CLOEXEC);
        ::fcntl(slave, F_SETFD, FD_CLOEXEC);
        path = QString::fromLatin1(name);
    }
    ~PtyLine() override { hangUp(); }

    void hangUp() override
    {
        if (slave >= 0)
            ::close(slave);
        slave = -1;
        FarEnd::hangUp();
    }
    speed_t speed() const
    {
        termios t {};
        ::tcgetattr(slave, &t);
        return ::cfgetospeed(&t);
    }
};

// A raw TCP serial device server of our own on 127.0.0.1: the program
// connects to `path` (socket://127.0.0.1:PORT), and the newest connection is
// the master. A small receive buffer makes a far end that does not read
// stall the line soon.
struct TcpLine : FarEnd
{
    int listener = -1;

    explicit TcpLine(int receiveBuffer = 0)
    {
        listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
        // Set before listening, so that the connection is made with it.
        if (receiveBuffer > 0)
            ::setsockopt(listener, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
        sockaddr_in address {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(listener, reinterpret_cast<sockaddr *>(&address), size) != 0 || ::listen(listener, 4) != 0
            || ::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size) != 0)
            return;
        path = QStringLiteral("socket://127.0.0.1:%1").arg(ntohs(address.sin_port));
    }
    ~TcpLine() override { hangUp(); }

    void hangUp() override
    {
        if (listener >= 0)
            ::close(listener);
        listener = -1;
        FarEnd::hangUp();
    }
    // Connections taken so far.
    int accepted = 0;

protected:
    bool ready() override
    {
        for (int fd; listener >= 0 && (fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK)) >= 0; ++accepted) {
            FarEnd::hangUp();
            master = fd;
        }
        return master >= 0;
    }
};

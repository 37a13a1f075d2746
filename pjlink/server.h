#pragma once

#include "mapping.h"

#include <QByteArray>
#include <QHash>
#include <QHostAddress>
#include <QObject>
#include <QTcpServer>
#include <QTimer>

#include <functional>
#include <vector>

namespace qn62::pjlink {

class Device;

// The PJLink server in front of the projector's line. Each connection is
// greeted, checked against the password and answered one request at a
// time; requests of all connections share the one line through the
// device's queue, one command at a time.
//
// Status replies (CR0, CR1, CR3, CRA, CR9) are reused for ReuseMs, and a
// status query already waiting for the line is shared by every request
// that needs it, so many clients polling cost the line no more than one.
// A set command and a lost line forget them: a lost line answers ERR3 at
// once, never with an old reply.
class Server : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxConnections = 16;
    static constexpr int IdleMs = 30'000;
    static constexpr int ReuseMs = 1000;

    // password empty: none is asked for.
    Server(Device *device, const QByteArray &password, const Mapping &mapping, QObject *parent = nullptr);
    ~Server() override;

    bool listen(const QHostAddress &address, quint16 port);
    QString errorString() const { return m_listener.errorString(); }
    quint16 serverPort() const { return m_listener.serverPort(); }
    int connectionCount() const { return int(m_connections.size()); }

    // The idle check's tick procedure, public so that tests can run it:
    // closes every connection without a request for IdleMs.
    void idleTick();
    // Where the time in milliseconds comes from (a monotonic clock unless
    // replaced): the idle check and the reuse of status replies.
    void setClock(std::function<qint64()> now) { m_now = std::move(now); }

private:
    class Connection;
    struct Waiting
    {
        QByteArray code;
        quint64 generation;
        std::vector<std::function<void(const QByteArray &)>> done;
    };
    struct Kept
    {
        QByteArray reply;
        qint64 at;
    };

    void accept();
    void readFrom(Connection *c);
    void handleLine(Connection *c, const QByteArray &line, bool overlong);
    void advance(Connection *c);
    void ask(const QByteArray &code, std::function<void(const QByteArray &)> done);
    void forget();
    void close(Connection *c, bool flush);

    Device *m_device;
    QByteArray m_password;
    Mapping m_mapping;
    QTcpServer m_listener;
    QTimer m_idleTimer;
    std::function<qint64()> m_now;
    std::vector<Connection *> m_connections;
    QHash<QByteArray, Kept> m_kept;      // status replies by command
    std::vector<Waiting> m_waiting;      // status queries on or waiting for the line
    quint64 m_generation = 0;            // counts set commands and losses of the line
};

} // namespace qn62::pjlink

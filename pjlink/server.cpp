#include "server.h"

#include "codec.h"
#include "device.h"

#include <QDebug>
#include <QElapsedTimer>
#include <QPointer>
#include <QRandomGenerator>
#include <QTcpSocket>

#include <algorithm>

namespace qn62::pjlink {

// One client: its socket, its side of the protocol and the request being
// answered. Lines that come in meanwhile stay unread until it is answered.
class Server::Connection : public QObject
{
public:
    static constexpr qint64 ReadChunk = 4096;

    Connection(QTcpSocket *s, const QByteArray &password, qint64 now)
        : socket(s)
        , session(password, randomText(QRandomGenerator::system()->generate()))
        , lastRequest(now)
    {
        socket->setParent(this);
        // A client that floods us is held back by TCP, not by our memory.
        socket->setReadBufferSize(ReadChunk);
    }

    QTcpSocket *socket;
    Session session;
    LineReader reader;
    QByteArray unread; // read from the socket, not yet through the reader
    qint64 lastRequest;
    bool busy = false;
    bool closing = false;
    Request request;
    QByteArrayList replies;
};

Server::Server(Device *device, const QByteArray &password, const Mapping &mapping, QObject *parent)
    : QObject(parent)
    , m_device(device)
    , m_password(password)
    , m_mapping(mapping)
{
    QElapsedTimer clock;
    clock.start();
    m_now = [clock] { return clock.elapsed(); };
    m_idleTimer.setInterval(1000);
    connect(&m_idleTimer, &QTimer::timeout, this, &Server::idleTick);
    connect(&m_listener, &QTcpServer::newConnection, this, &Server::accept);
    connect(m_device, &Device::lost, this, &Server::forget);
}

Server::~Server()
{
    for (Connection *c : m_connections)
        delete c;
}

bool Server::listen(const QHostAddress &address, quint16 port)
{
    return m_listener.listen(address, port);
}

void Server::accept()
{
    while (QTcpSocket *socket = m_listener.nextPendingConnection()) {
        if (m_connections.size() >= MaxConnections) {
            qWarning().noquote() << "connection from" << socket->peerAddress().toString() << "refused:"
                                 << MaxConnections << "are open";
            socket->close();
            socket->deleteLater();
            continue;
        }
        auto *c = new Connection(socket, m_password, m_now());
        m_connections.push_back(c);
        connect(socket, &QTcpSocket::readyRead, c, [this, c] { readFrom(c); });
        connect(socket, &QTcpSocket::disconnected, c, [this, c] { close(c, false); });
        socket->write(c->session.greeting());
        if (!m_idleTimer.isActive())
            m_idleTimer.start();
    }
}

void Server::readFrom(Connection *c)
{
    while (!c->busy && !c->closing) {
        if (c->unread.isEmpty())
            c->unread = c->socket->read(Connection::ReadChunk);
        if (c->unread.isEmpty())
            return;
        const qsizetype taken = c->reader.feed(c->unread.constData(), c->unread.size());
        c->unread.remove(0, taken);
        if (c->reader.lineReady()) {
            bool overlong = false;
            const QByteArray line = c->reader.takeLine(&overlong);
            handleLine(c, line, overlong);
        }
    }
}

void Server::handleLine(Connection *c, const QByteArray &line, bool overlong)
{
    c->lastRequest = m_now();
    const Session::Outcome out = c->session.take(line, overlong);
    switch (out.kind) {
    case Session::Outcome::Ignore:
        return;
    case Session::Outcome::Reply:
        c->socket->write(out.reply);
        return;
    case Session::Outcome::Refuse:
        qWarning().noquote() << "wrong password from" << c->socket->peerAddress().toString();
        c->socket->write(authError());
        close(c, true);
        return;
    case Session::Outcome::Close:
        qWarning().noquote() << "closed a connection from" << c->socket->peerAddress().toString()
                             << "that sent no PJLink request";
        close(c, true);
        return;
    case Session::Outcome::Request:
        c->busy = true;
        c->request = out.request;
        c->replies.clear();
        advance(c);
        return;
    }
}

// Takes the request as far as it goes without waiting for the line; the
// reply of a command put on the line takes it on from there.
void Server::advance(Connection *c)
{
    for (;;) {
        const Step step = m_mapping.next(c->request, c->replies);
        if (step.done()) {
            c->busy = false;
            c->socket->write(reply(c->request.klass, c->request.command, step.answer));
            return;
        }
        const auto kept = m_kept.constFind(step.ask);
        if (kept != m_kept.constEnd() && m_now() - kept->at < ReuseMs) {
            c->replies << kept->reply;
            continue;
        }
        QPointer<Connection> guard(c);
        ask(step.ask, [this, guard](const QByteArray &r) {
            if (!guard || guard->closing)
                return;
            guard->replies << r;
            advance(guard);
            readFrom(guard);
        });
        return;
    }
}

void Server::ask(const QByteArray &code, std::function<void(const QByteArray &)> done)
{
    if (!Mapping::isStatusQuery(code)) {
        // What the projector said before this command no longer holds.
        forget();
        m_device->ask(code, std::move(done));
        return;
    }
    const auto same = [&](const Waiting &w) { return w.code == code && w.generation == m_generation; };
    const auto waiting = std::find_if(m_waiting.begin(), m_waiting.end(), same);
    if (waiting != m_waiting.end()) {
        waiting->done.push_back(std::move(done));
        return;
    }
    m_waiting.push_back({code, m_generation, {}});
    m_waiting.back().done.push_back(std::move(done));
    const quint64 generation = m_generation;
    // The device may outlive the server by a reply.
    m_device->ask(code, [this, self = QPointer<Server>(this), code, generation](const QByteArray &r) {
        if (!self)
            return;
        const auto it = std::find_if(m_waiting.begin(), m_waiting.end(), [&](const Waiting &w) {
            return w.code == code && w.generation == generation;
        });
        if (it == m_waiting.end())
            return;
        const auto done = std::move(it->done);
        m_waiting.erase(it);
        // Only a whole reply to a state nothing has changed since is kept.
        if (generation == m_generation && r.endsWith('\r'))
            m_kept.insert(code, {r, m_now()});
        for (const auto &d : done)
            d(r);
    });
}

void Server::forget()
{
    ++m_generation;
    m_kept.clear();
}

void Server::idleTick()
{
    const qint64 now = m_now();
    for (Connection *c : std::vector<Connection *>(m_connections)) {
        if (!c->busy && now - c->lastRequest >= IdleMs)
            close(c, true);
    }
}

void Server::close(Connection *c, bool flush)
{
    if (c->closing)
        return;
    c->closing = true;
    m_connections.erase(std::remove(m_connections.begin(), m_connections.end(), c), m_connections.end());
    if (m_connections.empty())
        m_idleTimer.stop();
    QTcpSocket *socket = c->socket;
    socket->disconnect(c);
    c->deleteLater();
    if (!flush) {
        socket->abort();
        return;
    }
    // What is written (an ERRA, say) goes out before the connection ends;
    // the socket outlives its connection until then.
    socket->setParent(this);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    socket->disconnectFromHost();
    if (socket->state() == QAbstractSocket::UnconnectedState)
        socket->deleteLater();
}

} // namespace qn62::pjlink

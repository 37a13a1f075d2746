#include "traffichook.h"

#include "commport.h"
#include "lineclient.h"
#include "transaction.h"

namespace qn62 {

QString quotedCommand(QByteArray command)
{
    if (command.endsWith('\r'))
        command.chop(1);
    const QString start = QLatin1Char('"') + QString::fromLatin1(command.left(CommandShown)) + QLatin1Char('"');
    return command.size() <= CommandShown ? start : start + QStringLiteral("... (%1 characters)").arg(command.size());
}

TrafficHook::TrafficHook(CommPort *port, QObject *parent)
    : QObject(parent)
    , m_port(port)
{
    connect(port, &CommPort::bytesSent, this, [this](const QByteArray &bytes) { m_log.transmitted(bytes); });
    connect(port, &CommPort::bytesReceived, this, [this](const QByteArray &bytes) { m_log.received(bytes); });
    connect(port, &CommPort::portOpened, this, [this] {
        m_lost.clear();
        m_log.note(QStringLiteral("OPEN %1 %2").arg(m_port->describe(m_port->commPort()), m_port->settings()));
    });
    connect(port, &CommPort::portNotOpened, this,
            [this](const QString &message) { m_log.note(QStringLiteral("NOT OPENED ") + message); });
    connect(port, &CommPort::settingsChanged, this, [this] {
        m_log.note(QStringLiteral("SETTINGS %1 %2").arg(m_port->describe(m_port->commPort()), m_port->settings()));
    });
    connect(port, &CommPort::portClosed, this,
            [this] { m_log.note(QStringLiteral("CLOSE %1").arg(m_port->describe(m_port->commPort()))); });
    connect(port, &CommPort::portLost, this, [this](const QString &message) {
        m_lost = message;
        m_log.note(QStringLiteral("LOST ") + message);
    });
    connect(port, &CommPort::tryFailed, this,
            [this](const QString &message) { m_log.note(QStringLiteral("TRY FAILED ") + message); });
    connect(port, &CommPort::outputDropped, this, [this](const QString &message) {
        // A loss's message has told it already.
        if (message != m_lost)
            m_log.note(QStringLiteral("NOT SENT: ") + message);
    });
}

std::unique_ptr<TrafficHook> TrafficHook::forLog(CommPort *port, const QString &path,
                                                std::function<void(const QString &why)> onFailure)
{
    if (path.isEmpty())
        return nullptr;
    auto hook = std::make_unique<TrafficHook>(port);
    hook->m_log.setFailureHandler(std::move(onFailure));
    hook->m_log.open(path);
    return hook;
}

void TrafficHook::notSent(const QByteArray &command, const QString &why)
{
    m_log.note(QStringLiteral("NOT SENT %1: %2").arg(quotedCommand(command), why));
}

void TrafficHook::noReply(const QByteArray &command, const QString &how)
{
    m_log.note(QStringLiteral("NO REPLY to %1%2").arg(quotedCommand(command), how));
}

void TrafficHook::watch(TransactionEngine *engine)
{
    connect(engine, &TransactionEngine::notSent, this,
            [this](const QString &command, const QString &why) { notSent(command.toLatin1(), why); });
    connect(engine, &TransactionEngine::noReply, this,
            [this](const QString &command) { noReply(command.toLatin1(), QString()); });
    connect(engine, &TransactionEngine::decoded, this, [this](const QString &status) { m_log.note(status.trimmed()); });
}

void TrafficHook::watch(LineClient *client)
{
    connect(client, &LineClient::ended, this, [this, client](const LineClient::Reply &reply, bool wentOut) {
        if (!wentOut) {
            notSent(reply.code, reply.why);
        } else if (reply.end == LineClient::End::NotSent) {
            noReply(reply.code, QStringLiteral(": the line was lost"));
        } else if (reply.end == LineClient::End::TimedOut) {
            noReply(reply.code, reply.bytes.isEmpty()
                                    ? QStringLiteral(" within %1 ms").arg(client->timeout())
                                    : QStringLiteral(": the reply did not end within %1 ms").arg(client->timeout()));
        } else if (const QString words = replyWords(reply.code, reply.bytes); !words.isEmpty()) {
            m_log.note(words);
        }
    });
}

} // namespace qn62

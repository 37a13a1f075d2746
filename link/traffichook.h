#pragma once

#include "trafficlog.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

namespace qn62 {

class CommPort;
class LineClient;
class TransactionEngine;

// Hooks the traffic log onto what the panel, the one-shot commands and the
// network bridge share, so that all three log alike:
//   TX   the bytes as they are handed to the line (what the far end gets)
//   RX   the bytes as they arrive
//   --   the port opening (device and settings), failing to open and why,
//        its settings changed while open, a try of a port waiting for its
//        device turned away, closing, lost with the reason, output thrown
//        away at a close, a command NOT SENT and why, a command that got no
//        reply, and the words of a decoded reply
// The port tells the bytes and its changes; the panel's engine or the line
// client tells the rest. Nothing is written unless the log has been opened.
// A command as the log and the one-shot's messages name it: quoted,
// without its CR, one longer than CommandShown by its start.
constexpr int CommandShown = 40;
QString quotedCommand(QByteArray command);

class TrafficHook : public QObject
{
    Q_OBJECT
public:
    explicit TrafficHook(CommPort *port, QObject *parent = nullptr);

    // The hook of a program started with --log path: its log opened on
    // path, with a file that cannot be opened or written told to onFailure;
    // none when path is empty.
    static std::unique_ptr<TrafficHook> forLog(CommPort *port, const QString &path,
                                               std::function<void(const QString &why)> onFailure);

    void watch(TransactionEngine *engine);
    void watch(LineClient *client);

private:
    void notSent(const QByteArray &command, const QString &why);
    void noReply(const QByteArray &command, const QString &how);

    TrafficLog m_log;
    CommPort *m_port;
    QString m_lost; // the last loss told, which also tells its output thrown away
};

} // namespace qn62

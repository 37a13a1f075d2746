#pragma once

#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QTcpServer>

class QSocketNotifier;
class QTcpSocket;

namespace qn62::sim {

// Serves a serial device on a TCP port, the way a serial device server does
// in raw mode: the bytes of one client at a time go to the device unchanged
// and the device's bytes go back. Further clients are turned away while one
// is connected.
class TcpBridge : public QObject
{
    Q_OBJECT

public:
    // Bytes the device or the client has not taken yet are dropped beyond this.
    static constexpr int kMaxPendingBytes = 64 * 1024;

    explicit TcpBridge(QString devicePath, QObject *parent = nullptr);
    ~TcpBridge() override;

    // Listens on address:port (port 0: a free one, see serverPort()).
    bool listen(const QHostAddress &address, quint16 port);
    quint16 serverPort() const { return m_server.serverPort(); }
    QString errorString() const { return m_error; }

private:
    void accept();
    void dropClient();
    void fromDevice();
    void toDevice();

    QString m_devicePath;
    QString m_error;
    QTcpServer m_server;
    QTcpSocket *m_client = nullptr;
    int m_fd = -1;
    QSocketNotifier *m_readNotifier = nullptr;
    QSocketNotifier *m_writeNotifier = nullptr;
    QByteArray m_toDevice;
};

} // namespace qn62::sim

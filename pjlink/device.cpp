#include "device.h"

#include <QDebug>

#include <utility>

namespace qn62::pjlink {

Device::Device(const QString &address, int speed, const QString &trafficLog, QObject *parent)
    : QObject(parent)
    , m_traffic(TrafficHook::forLog(&m_port, trafficLog, [](const QString &why) { qWarning().noquote() << why; }))
    , m_client(&m_port)
{
    if (m_traffic)
        m_traffic->watch(&m_client);
    m_port.setVoice(SerialComm::Voice::Bridge);
    m_port.setDevice(1, address);
    m_port.setCommPort(1);
    m_port.setSettings(QStringLiteral("%1,N,8,1").arg(speed));
    m_port.setReconnect(true);
    connect(&m_port, &CommPort::portLost, this, [this](const QString &why) {
        // A line that comes back only to drop again is one outage: its
        // relapses are told once.
        if (!m_port.lossIsRelapse()) {
            qWarning().noquote() << why << waiting();
            m_backTold = m_relapseTold = false;
        } else if (!std::exchange(m_relapseTold, true)) {
            qWarning().noquote() << "the projector line dropped again soon after it came back; trying on";
        }
        emit lost(why);
    });
    // Told once the line is up, which for a network address is after
    // open() has returned.
    connect(&m_port, &CommPort::portOpened, this, [this] {
        if (!std::exchange(m_openTold, true))
            qInfo().noquote() << "projector line open:" << this->address();
        else if (!std::exchange(m_backTold, true))
            qInfo().noquote() << "projector line open again:" << this->address();
    });
    connect(&m_port, &CommPort::portWarning, this, [](const QString &why) { qWarning().noquote() << why; });
}

Device::~Device()
{
    m_port.setPortOpen(false);
}

bool Device::open()
{
    if (m_port.setPortOpen(true))
        return true;
    qWarning().noquote() << m_port.errorString() << waiting();
    m_port.awaitDevice();
    return false;
}

QString Device::waiting() const
{
    return QStringLiteral("Waiting for %1 to open; answering ERR3 meanwhile.").arg(address());
}

void Device::ask(const QByteArray &code, std::function<void(const QByteArray &)> done)
{
    m_client.request(code, [this, done = std::move(done)](const LineClient::Reply &reply) {
        // Said once when the projector stops answering and once when it
        // answers again, not for every request.
        const bool answered = reply.complete();
        if (answered != m_answering && reply.end != LineClient::End::NotSent) {
            m_answering = answered;
            if (answered)
                qInfo().noquote() << "the projector answers again";
            else
                qWarning().noquote() << "no answer from the projector to" << reply.code << "within"
                                     << m_client.timeout() << "ms";
        }
        done(reply.bytes);
    });
}

} // namespace qn62::pjlink

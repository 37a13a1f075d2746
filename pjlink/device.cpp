#include "device.h"

#include <QDebug>

namespace qn62::pjlink {

Device::Device(const QString &address, int speed, const QString &trafficLog, QObject *parent)
    : QObject(parent)
    , m_traffic(trafficLog.isEmpty() ? nullptr : std::make_unique<TrafficHook>(&m_port))
    , m_client(&m_port)
{
    if (m_traffic) {
        m_traffic->watch(&m_client);
        m_traffic->log().setFailureHandler([](const QString &why) { qWarning().noquote() << why; });
        m_traffic->log().open(trafficLog);
    }
    m_port.setDevice(1, address);
    m_port.setCommPort(1);
    m_port.setSettings(QStringLiteral("%1,N,8,1").arg(speed));
    connect(&m_port, &CommPort::portLost, this, [this](const QString &why) {
        qWarning().noquote() << why << "Answering ERR3 until qn62-pjlink is restarted.";
        // Reconnecting, once the bridge does it, starts here.
        emit lost(why);
    });
    connect(&m_port, &CommPort::portWarning, this, [](const QString &why) { qWarning().noquote() << why; });
}

Device::~Device()
{
    m_port.setPortOpen(false);
}

bool Device::open()
{
    if (!m_port.setPortOpen(true))
        return false;
    qInfo().noquote() << "projector line open:" << address();
    return true;
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

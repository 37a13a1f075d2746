#include "serialcomm.h"

#include "nettransport.h"
#include "portaddress.h"
#include "serialtransport.h"

namespace qn62 {

Transport *createTransport(const QString &address, QObject *parent)
{
    PortAddress parsed;
    if (PortAddress::parse(address, &parsed, nullptr) && parsed.isNetwork())
        return new NetTransport(parsed, parent);
    return new SerialTransport(address, nullptr, parent);
}

SerialComm::SerialComm(QObject *parent)
    : CommPort(parent)
    , m_queue([this](const QByteArray &piece) {
                  const qint64 taken = m_transport ? m_transport->write(piece) : -1;
                  if (taken > 0)
                      emit bytesSent(piece.left(taken));
                  return taken;
              },
              [this] { return m_transport ? m_transport->bytesToWrite() : 0; })
{
    for (const char *path : DefaultDevices)
        m_devices << QString::fromLatin1(path);
    m_retryTimer.setSingleShot(true);
    connect(&m_retryTimer, &QTimer::timeout, this, &SerialComm::retry);
    m_settleTimer.setSingleShot(true);
    m_settleTimer.setInterval(SettleMs);
    connect(&m_settleTimer, &QTimer::timeout, this, &SerialComm::settled);
    m_trialTimer.setSingleShot(true);
    m_trialTimer.setInterval(TrialMs);
    connect(&m_trialTimer, &QTimer::timeout, this, &SerialComm::trialPassed);
}

SerialComm::~SerialComm()
{
    if (m_transport) {
        m_transport->disconnect(this);
        m_transport->close();
        delete m_transport;
    }
}

void SerialComm::setDevice(int port, const QString &address)
{
    if (port >= 1 && port <= PortCount)
        m_devices[port - 1] = SerialTransport::devicePath(address);
}

QString SerialComm::device(int port) const
{
    return (port >= 1 && port <= PortCount) ? m_devices[port - 1] : QString();
}

QString SerialComm::describe(int port) const
{
    if (m_voice == Voice::Bridge)
        return device(port);
    return QStringLiteral("COM%1 (%2)").arg(port).arg(device(port));
}

bool SerialComm::fail(const QString &message)
{
    m_error = message;
    return false;
}

bool SerialComm::setCommPort(int port)
{
    if (port < 1 || port > PortCount)
        return fail(QStringLiteral("There is no port COM%1; choose COM1 or COM2.").arg(port));
    endReconnecting();
    if (m_transport)
        return fail(QStringLiteral("%1 is open; close it before choosing another port.").arg(describe(m_port)));
    m_port = port;
    return true;
}

bool SerialComm::setSettings(const QString &settings)
{
    const QString before = this->settings();
    LineSettings parsed = m_settings;
    QString why;
    if (!parsed.parse(settings, &why))
        return fail(why);
    m_settings = parsed;
    // A transport still connecting takes the settings too, for when it is up.
    if (m_transport && !m_transport->setSettings(m_settings, &why))
        return fail(QStringLiteral("%1: %2").arg(describe(m_port), why));
    if (m_transport && m_transport->isOpen() && this->settings() != before)
        emit settingsChanged();
    return true;
}

namespace {

// A command as a message names it: quoted, without its CR, a long one by
// its start.
QString quoted(const QByteArray &command)
{
    static constexpr int Shown = 40;
    QString text = QString::fromLatin1(command);
    if (text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    if (text.size() <= Shown)
        return QLatin1Char('"') + text + QLatin1Char('"');
    return QStringLiteral("\"%1...\" (%2 characters)").arg(text.left(Shown)).arg(text.size());
}

// What a close threw away: "The command "C00" was not sent.", "3 commands
// (40965 bytes) were not sent, the last "C00"."; a command that was cut off
// part way is told as such, since the far end holds the start of it.
QString notSentText(const OutputQueue::Dropped &dropped)
{
    const QString last = quoted(dropped.last);
    if (dropped.cut == 0) {
        if (dropped.commands == 1)
            return QStringLiteral("The command %1 was not sent.").arg(last);
        return QStringLiteral("%1 commands (%2 bytes) were not sent, the last %3.")
            .arg(dropped.commands).arg(dropped.bytes).arg(last);
    }
    const QString cut = QStringLiteral("cut off after %1 of its %2 bytes, so the projector holds a partial line")
                            .arg(dropped.cut).arg(dropped.first.size());
    if (dropped.commands == 1)
        return QStringLiteral("The command %1 did not wholly go out: it was %2.").arg(last, cut);
    return QStringLiteral("%1 commands did not wholly go out (%2 bytes were not sent), the last %3. The first of "
                          "them, %4, was %5.")
        .arg(dropped.commands).arg(dropped.bytes).arg(last, quoted(dropped.first), cut);
}

} // namespace

// The one place where the port closes, whether asked to, at a port change,
// because the line was lost (lostMessage then says why and is sent as
// portLost()), or because a try failed. Output not yet on the line is thrown
// away, never waited for, and said once. thenWait: the port waits for its
// device from now on.
void SerialComm::closeTransport(const QString &lostMessage, bool thenWait)
{
    const OutputQueue::Dropped dropped = m_queue.clear();
    if (!m_transport)
        return;
    Transport *transport = std::exchange(m_transport, nullptr);
    const bool wasUp = transport->isOpen();
    transport->disconnect(this);
    transport->close();
    // It may be the sender of the signal being handled.
    transport->deleteLater();

    if (!lostMessage.isEmpty()) {
        m_relapse = m_settleTimer.isActive();
        m_settleTimer.stop();
        if (!m_relapse)
            m_tries = 0;
    }
    if (thenWait) {
        m_waiting = true;
        scheduleRetry();
    }

    const QString notSent = dropped.commands > 0 ? notSentText(dropped) : QString();
    if (!lostMessage.isEmpty()) {
        m_error = notSent.isEmpty() ? lostMessage : lostMessage + QLatin1Char(' ') + notSent;
        emit portLost(m_error);
    } else if (wasUp) {
        emit portClosed();
    }
    if (dropped.commands > 0)
        emit outputDropped(lostMessage.isEmpty()
                               ? QStringLiteral("%1 was closed before all output had gone out. %2")
                                 .arg(describe(m_port), notSent)
                               : m_error,
                           QString::fromLatin1(dropped.last));
}

bool SerialComm::setPortOpen(bool open)
{
    endReconnecting();
    if (open == portOpen())
        return true;
    if (!open) {
        closeTransport();
        return true;
    }
    const auto notOpened = [this](const QString &message) {
        fail(message);
        emit portNotOpened(message);
        return false;
    };
    // A port chosen anew: its shortcomings are news again.
    m_warned.clear();
    if (device(m_port).isEmpty())
        return notOpened(QStringLiteral("COM%1 has no device assigned.").arg(m_port));
    QString failure = openTransport();
    if (failure.isEmpty())
        return true;
    if (m_openElsewhere && m_voice == Voice::Panel && failure.endsWith(QLatin1Char('.')))
        failure = failure.chopped(1) + QStringLiteral(", or choose the other port.");
    return notOpened(QStringLiteral("%1: %2").arg(describe(m_port), failure));
}

// Makes the transport of the chosen port and starts opening it. Returns why
// it failed at once, or nothing when it is open or still opening.
QString SerialComm::openTransport()
{
    Transport *transport = m_factory(device(m_port), this);
    connect(transport, &Transport::opened, this, &SerialComm::transportOpened);
    connect(transport, &Transport::openFailed, this, &SerialComm::openFailedLater);
    connect(transport, &Transport::readyRead, this, [this] {
        // A try on trial: what came is read once it has passed, or quoted
        // when it was the server's words turning the port away.
        if (m_waiting) {
            m_heldInput = true;
            return;
        }
        m_event = ComEvReceive;
        emit onComm();
    });
    connect(transport, &Transport::readyWrite, this, &SerialComm::drain);
    connect(transport, &Transport::lost, this, &SerialComm::handleLost);
    connect(transport, &Transport::warning, this, [this](const QString &text) {
        // Told once while the choice of port stands, comebacks included.
        if (m_warned.contains(text))
            return;
        m_warned << text;
        emit portWarning(QStringLiteral("%1: %2").arg(describe(m_port), text));
    });

    m_transport = transport;
    m_heldInput = false;
    m_openFailure.clear();
    m_openElsewhere = false;
    m_opening = true;
    transport->open(m_settings);
    m_opening = false;
    if (!m_openFailure.isEmpty())
        closeTransport();
    return m_openFailure;
}

void SerialComm::openFailedLater(const QString &reason, bool elsewhere)
{
    if (m_opening) {
        m_openFailure = reason;
        m_openElsewhere = elsewhere;
        return;
    }
    if (m_waiting) {
        retryLater();
        return;
    }
    // An open that was still under way when setPortOpen() returned.
    QString text = QStringLiteral("%1: %2").arg(describe(m_port), reason);
    if (m_voice == Voice::Panel)
        text += m_reconnect ? QStringLiteral(" It is tried again until it opens.")
                            : QStringLiteral(" Choose the port again to try once more.");
    closeTransport(text, m_reconnect);
}

bool SerialComm::output(const QString &text)
{
    if (m_waiting)
        return fail(QStringLiteral("waiting for %1 to come back").arg(device(m_port)));
    if (!m_transport)
        return fail(QStringLiteral("%1 is not open.").arg(describe(m_port)));
    if (!m_transport->isOpen())
        return fail(QStringLiteral("%1 is still connecting.").arg(describe(m_port)));
    const QByteArray bytes = text.toLatin1();
    if (bytes.size() > OutputQueue::Capacity)
        return fail(QStringLiteral("%1: the command is %2 characters long; at most %3 go out at once.")
                        .arg(describe(m_port)).arg(bytes.size()).arg(OutputQueue::Capacity));
    if (!m_queue.enqueue(bytes))
        return fail(QStringLiteral("%1: the line is not taking data; %2 bytes are still waiting to go out "
                                   "and this command does not fit behind them.")
                        .arg(describe(m_port)).arg(m_queue.pending()));
    drain();
    if (!m_transport)
        return false; // the line was lost while writing; m_error says so
    return true;
}

// The line is up (at once for a local device, later for a network port):
// output may go.
void SerialComm::transportOpened()
{
    if (m_waiting) {
        // A server may take a connection only to turn it away at once: a
        // network port is back once it has stayed up for its trial.
        if (isNetwork()) {
            m_trialTimer.start();
            return;
        }
        comeBack();
    }
    drain();
    emit portOpened();
}

void SerialComm::trialPassed()
{
    m_trialTimer.stop();
    if (!m_waiting || !m_transport || !m_transport->isOpen())
        return;
    comeBack();
    emit portOpened();
    if (std::exchange(m_heldInput, false) && m_transport) {
        m_event = ComEvReceive;
        emit onComm();
    }
}

void SerialComm::comeBack()
{
    m_waiting = false;
    m_retryTimer.stop();
    m_trialTimer.stop();
    m_triesTold.clear();
    m_settleTimer.start();
}

void SerialComm::drain()
{
    if (m_transport && m_transport->isOpen())
        m_queue.drain();
}

QString SerialComm::input()
{
    m_event = 0;
    if (!m_transport)
        return QString();
    const QByteArray bytes = m_transport->readAll();
    if (!bytes.isEmpty())
        emit bytesReceived(bytes);
    return QString::fromLatin1(bytes);
}

void SerialComm::handleLost(const QString &reason)
{
    if (!m_transport)
        return;
    if (m_waiting) {
        // It went before it was back: said once for each reason while the
        // port waits, so that a server turning it away is heard in its
        // own words without a line at every try.
        if (!m_triesTold.contains(reason)) {
            m_triesTold << reason;
            emit tryFailed(QStringLiteral("%1 is not back: %2. It is tried again.").arg(describe(m_port), reason));
        }
        retryLater();
        return;
    }
    QString text = QStringLiteral("%1 has been closed: %2.").arg(describe(m_port), reason);
    if (m_reconnect && m_voice == Voice::Panel)
        text += QStringLiteral(" It is opened again as soon as it comes back.");
    QString advice = m_transport->lossAdvice();
    if (!m_reconnect && m_voice == Voice::Panel)
        advice = advice.isEmpty() ? QStringLiteral("Choose the port again to reopen it")
                                  : advice + QStringLiteral(", then choose the port again to reopen it");
    if (!advice.isEmpty())
        text += QLatin1Char(' ') + advice + QLatin1Char('.');
    closeTransport(text, m_reconnect);
}

// ------------------------------------------------------------ reconnecting

bool SerialComm::isNetwork() const
{
    PortAddress address;
    return PortAddress::parse(device(m_port), &address, nullptr) && address.isNetwork();
}

int SerialComm::retryDelayMs(bool network, int tries)
{
    static constexpr int Network[] = {1000, 2000, 5000};
    return network ? Network[qBound(0, tries, 2)] : 1000;
}

void SerialComm::scheduleRetry()
{
    m_retryTimer.setInterval(retryDelayMs(isNetwork(), m_tries));
    m_retryTimer.start();
}

// A try while waiting that failed after it had begun: the next one follows.
void SerialComm::retryLater()
{
    closeTransport();
    scheduleRetry();
}

bool SerialComm::awaitDevice()
{
    if (!m_reconnect || portOpen())
        return false;
    if (!m_waiting) {
        closeTransport();
        m_tries = 0;
        m_triesTold.clear();
        m_waiting = true;
        scheduleRetry();
    }
    return true;
}

void SerialComm::retry()
{
    if (!m_waiting || m_transport)
        return;
    m_retryTimer.stop();
    ++m_tries;
    if (!openTransport().isEmpty())
        scheduleRetry();
}

// The operator's choice, or the program's, replaces the waiting: a try
// under way is dropped and a comeback no longer settles.
void SerialComm::endReconnecting()
{
    m_settleTimer.stop();
    if (!m_waiting)
        return;
    m_waiting = false;
    m_retryTimer.stop();
    m_trialTimer.stop();
    m_triesTold.clear();
    closeTransport();
}

} // namespace qn62

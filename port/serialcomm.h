#pragma once

#include "commport.h"
#include "outputqueue.h"

#include <QStringList>
#include <QTimer>

#include <functional>

namespace qn62 {

class Transport;

// The transport for a port address: a serial device server for
// socket://HOST:PORT and rfc2217://HOST:PORT, otherwise a serial device path
// (or a bare device name in /dev).
Transport *createTransport(const QString &address, QObject *parent);

// The CommPort the panel uses. Port numbers 1 and 2 map to addresses (by
// default /dev/ttyS0 and /dev/ttyS1); opening a port creates its transport.
// Always 8 data bits, no parity, one stop bit unless the settings say
// otherwise, no flow control, DTR raised while open and RTS low.
//
// Output goes through a bounded queue drained from the event loop: a line
// that stops taking data makes commands wait, and a command that does not
// fit is refused whole. Only a real loss of the line closes the port.
// Closing throws away what has not gone out yet and says so through
// outputDropped() (and in portLost()'s message when the line was lost).
//
// A transport that is still opening (a network port connecting) counts as
// open, but output is refused until it is up: a command pressed meanwhile is
// not sent rather than sent seconds later, outside its reply window. A
// failure to open after setPortOpen() returned is reported through
// portLost().
//
// A port that reconnects (setReconnect()) is not left closed by a loss, or
// by an open that fails after setPortOpen() returned: it waits for its
// device (awaitingDevice()) and tries it again by retry(), a device path
// once a second with its links resolved anew at every try, a network
// address 1 s after the loss, 2 s after that, then every 5 s. A try that
// fails (the device absent, not yet readable, busy or locked, the server
// not answering) is followed by the next one without a word. A network
// port is back once its connection has stayed up for TrialMs, so a server
// that takes a connection only to turn it away at once (with words of its
// own, or none) fails the try instead: tryFailed() tells that once for each
// reason while the port waits, and nothing the server said is input. A try
// that succeeds opens the port with the settings in force and sends
// portOpened().
// Nothing from before the loss goes out. A loss within SettleMs of coming
// back is a relapse of the same outage, and the schedule goes on where it
// was, so a server that takes each connection only to drop it is not
// hammered. Opening, closing or choosing a port ends the waiting.
//
// A warning of the transport (portWarning()) is sent once while the choice
// of port stands: a comeback is no new choice, opening the port is.
//
// The messages name the port, what is wrong and why, and what to check.
// What the user can do about it beyond that depends on the program they
// come from (the Voice): the panel's operator can choose the other port or
// choose the port again in the window; a script and the bridge say their
// own, and the bridge, which has one line only, names it by its address.
class SerialComm : public CommPort
{
    Q_OBJECT
public:
    static constexpr int PortCount = 2;
    static constexpr const char *DefaultDevices[PortCount] = {"/dev/ttyS0", "/dev/ttyS1"};
    // How long a port that came back must stay up before its loss is news.
    static constexpr int SettleMs = 10000;
    // How long a network port's connection must stay up before it is back.
    static constexpr int TrialMs = 500;
    // The wait before try number tries (from 0) of an outage.
    static int retryDelayMs(bool network, int tries);

    using TransportFactory = std::function<Transport *(const QString &address, QObject *parent)>;

    enum class Voice { Panel, Script, Bridge };

    explicit SerialComm(QObject *parent = nullptr);
    ~SerialComm() override;

    void setDevice(int port, const QString &address);
    QString device(int port) const;
    // Where transports come from; createTransport() unless replaced.
    void setTransportFactory(TransportFactory factory) { m_factory = std::move(factory); }

    int commPort() const override { return m_port; }
    bool setCommPort(int port) override;
    QString settings() const override { return m_settings.toString(); }
    bool setSettings(const QString &settings) override;
    bool portOpen() const override { return m_transport && !m_waiting; }
    bool setPortOpen(bool open) override;
    bool output(const QString &text) override;
    QString input() override;
    int commEvent() const override { return m_event; }
    QString errorString() const override { return m_error; }
    QString describe(int port) const override;

    // Output bytes accepted and not yet on the line.
    qint64 pendingOutput() const { return m_queue.pending(); }
    Waiting newestWaiting() const override { return m_queue.newestWaiting(); }

    void setVoice(Voice voice) { m_voice = voice; }
    Voice voice() const { return m_voice; }

    void setReconnect(bool on) { m_reconnect = on; }
    bool reconnects() const { return m_reconnect; }
    bool awaitingDevice() const override { return m_waiting; }
    bool awaitDevice() override;
    bool lossIsRelapse() const override { return m_relapse; }

    // The tick procedures of the three timers, public so that they can be
    // run directly: the next try, the end of a connection's trial, and the
    // end of a comeback's settling.
    void retry();
    void trialPassed();
    void settled() { m_settleTimer.stop(); }
    const QTimer &retryTimer() const { return m_retryTimer; }
    const QTimer &trialTimer() const { return m_trialTimer; }
    const QTimer &settleTimer() const { return m_settleTimer; }

private:
    bool fail(const QString &message);
    QString openTransport();
    void transportOpened();
    void openFailedLater(const QString &reason, bool elsewhere);
    void closeTransport(const QString &lostMessage = QString(), bool thenWait = false);
    void drain();
    void handleLost(const QString &reason);
    void scheduleRetry();
    void retryLater();
    void comeBack();
    bool isNetwork() const;
    void endReconnecting();

    TransportFactory m_factory = createTransport;
    Transport *m_transport = nullptr;
    OutputQueue m_queue;
    QStringList m_devices;
    int m_port = 1;
    LineSettings m_settings;
    int m_event = 0;
    QString m_error;
    bool m_opening = false;   // inside Transport::open()
    QString m_openFailure;    // why it failed before returning
    bool m_openElsewhere = false; // and another port may do
    Voice m_voice = Voice::Panel;
    bool m_reconnect = false;
    bool m_waiting = false;   // closed, waiting for the device; m_transport is a try under way
    bool m_relapse = false;   // the last loss came while settling
    int m_tries = 0;          // tries of this outage
    QStringList m_triesTold;  // why tries of this outage failed, as told
    bool m_heldInput = false; // input came while the try was on trial
    QStringList m_warned;     // warnings given while the choice of port stands
    QTimer m_retryTimer;
    QTimer m_trialTimer;
    QTimer m_settleTimer;
};

} // namespace qn62

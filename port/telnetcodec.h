#pragma once

#include <QByteArray>
#include <QStringList>

#include <array>
#include <vector>

namespace qn62 {

// The client side of a Telnet connection to a serial device server that
// speaks the COM-PORT option (RFC 2217), without any socket: bytes from the
// server go in through receive(), which returns the serial data among them;
// everything for the server (negotiation, port settings, data) gathers in
// an outbox that takeOutput() empties, in the order it must go on the wire.
//
// It asks for BINARY both ways (so a CR is never followed by a NUL),
// SUPPRESS-GO-AHEAD both ways and COM-PORT from the client side, refuses
// every other option, answers about each option at most MaxAnswers times
// a side (a server that keeps asking cannot make it loop), doubles 0xFF in
// data sent and undoubles it in data
// received, keeps option sub-negotiations (split over any number of reads)
// out of the data, and remembers which port settings the server has not
// (or not exactly) confirmed.
class TelnetCodec
{
public:
    enum Byte : quint8 { SE = 240, SB = 250, WILL = 251, WONT = 252, DO = 253, DONT = 254, IAC = 255 };
    enum Option : quint8 { Binary = 0, SuppressGoAhead = 3, ComPortOption = 44 };
    // COM-PORT commands from the client; the server's answers are these + 100.
    // (NOTIFY-LINESTATE and NOTIFY-MODEMSTATE, which the server sends
    // unasked, are read and dropped: the panel never looks at the lines.)
    enum Command : quint8 { SetBaudRate = 1, SetDataSize = 2, SetParity = 3, SetStopSize = 4, SetControl = 5 };
    static constexpr quint8 ServerOffset = 100;
    // SET-CONTROL values used here.
    enum Control : quint8 { NoFlowControl = 1, DtrOn = 8, DtrOff = 9, RtsOn = 11, RtsOff = 12 };
    enum class ComPort { Asked, Accepted, Refused };

    // Longest sub-negotiation kept; longer ones are skipped to their end.
    static constexpr int MaxSubnegotiation = 64;
    // Settings awaiting the server's answer; the oldest go beyond this.
    static constexpr int MaxPending = 32;
    // Answers about one option on one side; later requests are ignored.
    static constexpr int MaxAnswers = 3;

    TelnetCodec();

    // Queues the opening requests of a fresh connection.
    void start();
    // Takes bytes from the server; returns the serial data among them and
    // queues the answers the negotiation needs.
    QByteArray receive(const QByteArray &bytes);
    // Queues serial data for the server, 0xFF doubled.
    void sendData(const QByteArray &data);
    // Queues the line settings of the remote port. Before the server has
    // agreed to COM-PORT they wait for its agreement; after a refusal they
    // are dropped.
    void setLine(quint32 baud, int dataBits, char parity, int stopBits);
    void setControl(Control value);
    QByteArray takeOutput();
    bool hasOutput() const { return !m_out.isEmpty(); }

    ComPort comPort() const { return m_comPort; }
    // True once both sides have agreed to send binary data.
    bool binary() const { return m_us[Binary] == Yes && m_him[Binary] == Yes; }
    // Settings the server has not confirmed, or confirmed with another value,
    // as words for a message ("speed 9600", "DTR on").
    QStringList unconfirmed() const;
    // Options the server went on asking about after MaxAnswers answers.
    const std::vector<quint8> &ignoredOptions() const { return m_ignored; }

private:
    enum State : quint8 { No, Yes, WantYes };
    enum class Rx { Data, Iac, Verb, Sub, SubIac };
    struct Request
    {
        quint8 command;
        quint32 value;
        quint32 reported = 0; // what the server answered instead, in m_mismatched
    };

    void negotiate(quint8 verb, quint8 option);
    bool answer(quint8 verb, quint8 option, bool hisSide);
    void subnegotiation();
    void confirm(quint8 command, quint32 value);
    void queueCommand(quint8 command, quint32 value, int width);
    void verb(quint8 verb, quint8 option);
    static bool accepted(quint8 option, bool ourSide);
    static QString describe(const Request &r);

    Rx m_rx = Rx::Data;
    quint8 m_verb = 0;
    bool m_afterCr = false;
    bool m_subOverflow = false;
    QByteArray m_sub;
    QByteArray m_out;
    QByteArray m_held; // COM-PORT commands waiting for the server's agreement
    std::array<State, 256> m_us{};
    std::array<State, 256> m_him{};
    std::array<quint8, 256> m_usAnswers{};
    std::array<quint8, 256> m_himAnswers{};
    std::vector<quint8> m_ignored;
    ComPort m_comPort = ComPort::Asked;
    std::vector<Request> m_pending;
    std::vector<Request> m_mismatched;
};

} // namespace qn62

#include "telnetcodec.h"

#include <algorithm>

namespace qn62 {

namespace {

// SET-CONTROL values come in groups that each answer for one setting:
// outbound flow control, BREAK, DTR, RTS, inbound flow control.
int controlGroup(quint32 value)
{
    return value <= 3 ? 1 : value <= 6 ? 2 : value <= 9 ? 3 : value <= 12 ? 4 : 5;
}

constexpr char ParityLetters[] = "?NOEMS"; // COM-PORT parity codes 1 to 5

} // namespace

TelnetCodec::TelnetCodec()
{
    m_sub.reserve(MaxSubnegotiation);
}

bool TelnetCodec::accepted(quint8 option, bool ourSide)
{
    return option == Binary || option == SuppressGoAhead || (ourSide && option == ComPortOption);
}

void TelnetCodec::start()
{
    *this = TelnetCodec();
    for (const quint8 option : {Binary, SuppressGoAhead}) {
        m_us[option] = m_him[option] = WantYes;
        verb(WILL, option);
        verb(DO, option);
    }
    m_us[ComPortOption] = WantYes;
    verb(WILL, ComPortOption);
}

void TelnetCodec::verb(quint8 verb, quint8 option)
{
    m_out.append(char(IAC)).append(char(verb)).append(char(option));
}

QByteArray TelnetCodec::takeOutput()
{
    QByteArray out;
    out.swap(m_out);
    return out;
}

QByteArray TelnetCodec::receive(const QByteArray &bytes)
{
    QByteArray data;
    data.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const quint8 b = quint8(bytes[i]);
        switch (m_rx) {
        case Rx::Data:
            if (b == IAC) {
                m_rx = Rx::Iac;
            } else if (b == 0 && m_afterCr && m_him[Binary] != Yes) {
                m_afterCr = false; // CR NUL is a bare CR outside binary mode
            } else {
                data.append(char(b));
                m_afterCr = b == '\r';
            }
            break;
        case Rx::Iac:
            m_rx = Rx::Data;
            m_afterCr = false;
            if (b == IAC) {
                data.append(char(IAC));
            } else if (b >= WILL) {
                m_verb = b;
                m_rx = Rx::Verb;
            } else if (b == SB) {
                m_sub.clear();
                m_subOverflow = false;
                m_rx = Rx::Sub;
            } // NOP, GA, DM and the other one-byte commands carry nothing here
            break;
        case Rx::Verb:
            negotiate(m_verb, b);
            m_rx = Rx::Data;
            break;
        case Rx::Sub:
        case Rx::SubIac:
            if (m_rx == Rx::Sub && b == IAC) {
                m_rx = Rx::SubIac;
                break;
            }
            if (m_rx == Rx::SubIac && b == SE) {
                subnegotiation();
                m_rx = Rx::Data;
                break;
            }
            if (m_rx == Rx::SubIac && b != IAC) {
                // A command inside a sub-negotiation ends it unfinished;
                // the command itself still counts.
                m_rx = Rx::Iac;
                --i;
                break;
            }
            m_rx = Rx::Sub;
            if (m_sub.size() < MaxSubnegotiation)
                m_sub.append(char(b));
            else
                m_subOverflow = true;
            break;
        }
    }
    return data;
}

// Answers about option unless the budget for it is spent; then the request
// is ignored and the option noted.
bool TelnetCodec::answer(quint8 verbByte, quint8 option, bool hisSide)
{
    quint8 &answers = (hisSide ? m_himAnswers : m_usAnswers)[option];
    if (answers >= MaxAnswers) {
        if (std::find(m_ignored.begin(), m_ignored.end(), option) == m_ignored.end())
            m_ignored.push_back(option);
        return false;
    }
    ++answers;
    verb(verbByte, option);
    return true;
}

void TelnetCodec::negotiate(quint8 verbByte, quint8 option)
{
    const bool willSide = verbByte == WILL || verbByte == WONT; // the server's own side
    State &state = willSide ? m_him[option] : m_us[option];
    const bool enable = verbByte == WILL || verbByte == DO;
    if (enable) {
        if (state == Yes)
            return;
        if (!accepted(option, !willSide)) {
            answer(willSide ? DONT : WONT, option, willSide);
            return;
        }
        if (state == No && !answer(willSide ? DO : WILL, option, willSide))
            return;
        state = Yes;
        if (!willSide && option == ComPortOption) {
            m_comPort = ComPort::Accepted;
            m_out += m_held;
            m_held.clear();
        }
        return;
    }
    if (state == Yes && !answer(willSide ? DONT : WONT, option, willSide))
        return;
    state = No;
    if (!willSide && option == ComPortOption) {
        m_comPort = ComPort::Refused;
        m_held.clear();
        m_pending.clear();
        m_mismatched.clear();
    }
}

void TelnetCodec::subnegotiation()
{
    if (m_subOverflow || m_sub.size() < 3 || quint8(m_sub[0]) != ComPortOption)
        return;
    const quint8 command = quint8(m_sub[1]);
    if (command <= ServerOffset)
        return; // requests from the server side and its signature: nothing to do
    const QByteArray value = m_sub.mid(2);
    switch (command - ServerOffset) {
    case SetBaudRate:
        if (value.size() == 4)
            confirm(SetBaudRate, quint32(quint8(value[0])) << 24 | quint32(quint8(value[1])) << 16
                                     | quint32(quint8(value[2])) << 8 | quint8(value[3]));
        break;
    case SetDataSize:
    case SetParity:
    case SetStopSize:
    case SetControl:
        confirm(quint8(command - ServerOffset), quint8(value[0]));
        break;
    }
}

// The server's answer to one of our settings: it reports the value now in
// force, which may differ from the one asked for.
void TelnetCodec::confirm(quint8 command, quint32 value)
{
    const auto sameKind = [&](const Request &r) {
        return r.command == command && (command != SetControl || controlGroup(r.value) == controlGroup(value));
    };
    const auto it = std::find_if(m_pending.begin(), m_pending.end(), sameKind);
    if (it == m_pending.end())
        return; // unasked for
    const Request asked = *it;
    m_pending.erase(it);
    m_mismatched.erase(std::remove_if(m_mismatched.begin(), m_mismatched.end(), sameKind), m_mismatched.end());
    if (asked.value != value)
        m_mismatched.push_back({command, asked.value, value});
}

void TelnetCodec::queueCommand(quint8 command, quint32 value, int width)
{
    if (m_comPort == ComPort::Refused)
        return;
    QByteArray &to = m_comPort == ComPort::Accepted ? m_out : m_held;
    to.append(char(IAC)).append(char(SB)).append(char(ComPortOption)).append(char(command));
    for (int shift = 8 * (width - 1); shift >= 0; shift -= 8) {
        const char byte = char(quint8(value >> shift));
        to.append(byte);
        if (quint8(byte) == IAC)
            to.append(byte);
    }
    to.append(char(IAC)).append(char(SE));
    m_pending.push_back({command, value});
    if (m_pending.size() > size_t(MaxPending))
        m_pending.erase(m_pending.begin());
}

void TelnetCodec::sendData(const QByteArray &data)
{
    for (const char c : data) {
        m_out.append(c);
        if (quint8(c) == IAC)
            m_out.append(c);
    }
}

void TelnetCodec::setLine(quint32 baud, int dataBits, char parity, int stopBits)
{
    const char *letter = std::find(ParityLetters, ParityLetters + 6, parity);
    queueCommand(SetBaudRate, baud, 4);
    queueCommand(SetDataSize, quint32(dataBits), 1);
    queueCommand(SetParity, quint32(std::max<qsizetype>(letter - ParityLetters, 1)), 1);
    queueCommand(SetStopSize, quint32(stopBits), 1);
}

void TelnetCodec::setControl(Control value)
{
    queueCommand(SetControl, value, 1);
}

QString TelnetCodec::describe(const Request &r)
{
    switch (r.command) {
    case SetBaudRate:
        return QStringLiteral("speed %1").arg(r.value);
    case SetDataSize:
        return QStringLiteral("%1 data bits").arg(r.value);
    case SetParity:
        return r.value == 1 ? QStringLiteral("no parity")
                            : QStringLiteral("parity %1").arg(QLatin1Char(ParityLetters[std::min(r.value, 5u)]));
    case SetStopSize:
        return QStringLiteral("%1 stop bit%2").arg(r.value).arg(r.value == 1 ? "" : "s");
    default:
        switch (r.value) {
        case NoFlowControl: return QStringLiteral("no flow control");
        case DtrOn: return QStringLiteral("DTR on");
        case DtrOff: return QStringLiteral("DTR off");
        case RtsOn: return QStringLiteral("RTS on");
        case RtsOff: return QStringLiteral("RTS off");
        }
        return QStringLiteral("control %1").arg(r.value);
    }
}

QStringList TelnetCodec::unconfirmed() const
{
    QStringList words;
    for (const Request &r : m_mismatched)
        words << QStringLiteral("%1 (the server reports %2)").arg(describe(r), describe({r.command, r.reported}));
    for (const Request &r : m_pending)
        words << describe(r);
    return words;
}

} // namespace qn62

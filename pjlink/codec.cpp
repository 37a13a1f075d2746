#include "codec.h"

#include <QCryptographicHash>

#include <algorithm>
#include <utility>

namespace qn62::pjlink {

namespace {

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool isAlnum(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isPrintable(char c)
{
    return c >= 0x20 && c <= 0x7E;
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c;
}

// Compares two digests of the same length without an early exit, so that
// the time taken tells nothing about how many digits were right.
bool sameDigest(const QByteArray &given, const QByteArray &expected)
{
    if (given.size() != expected.size())
        return false;
    unsigned diff = 0;
    for (qsizetype i = 0; i < given.size(); ++i)
        diff |= unsigned(lower(given[i]) ^ expected[i]);
    return diff == 0;
}

} // namespace

QByteArray greeting(const QByteArray &random)
{
    return random.isEmpty() ? QByteArray("PJLINK 0\r") : "PJLINK 1 " + random + '\r';
}

QByteArray authError()
{
    return "PJLINK ERRA\r";
}

QByteArray reply(char klass, const QByteArray &command, const QByteArray &value)
{
    QByteArray line = '%' + QByteArray(1, klass) + command + '=' + value;
    // A reply is one line: no control character may end it early.
    for (char &c : line) {
        if ((c >= 0 && c < 0x20) || c == 0x7F)
            c = '?';
    }
    return line + '\r';
}

QByteArray digest(const QByteArray &random, const QByteArray &password)
{
    return QCryptographicHash::hash(random + password, QCryptographicHash::Md5).toHex();
}

QByteArray randomText(quint32 number)
{
    return QByteArray::number(number, 16).rightJustified(RandomLength, '0');
}

bool parseRequest(const QByteArray &line, Request *request)
{
    if (line.size() < 6 || line[0] != '%' || line[1] < '0' || line[1] > '9')
        return false;
    for (int i = 2; i < 6; ++i) {
        if (!isAlnum(line[i]))
            return false;
    }
    request->klass = line[1];
    request->command = line.mid(2, 4).toUpper();
    request->parameter = line.mid(7);
    request->wellFormed = line.size() > 6 && line[6] == ' ';
    for (char c : request->parameter)
        request->wellFormed = request->wellFormed && isPrintable(c);
    return true;
}

qsizetype LineReader::feed(const char *data, qsizetype size)
{
    for (qsizetype i = 0; i < size; ++i) {
        const char c = data[i];
        if (std::exchange(m_afterCr, false) && c == '\n')
            continue;
        if (c == '\r') {
            m_ready = true;
            m_afterCr = true;
            return i + 1;
        }
        if (m_line.size() < Kept)
            m_line += c;
        else
            m_overlong = true;
    }
    return size;
}

QByteArray LineReader::takeLine(bool *overlong)
{
    *overlong = std::exchange(m_overlong, false);
    m_ready = false;
    return std::exchange(m_line, QByteArray());
}

Session::Session(const QByteArray &password, const QByteArray &random)
    : m_random(password.isEmpty() ? QByteArray() : random)
    , m_expected(password.isEmpty() ? QByteArray() : digest(random, password))
    , m_authenticated(password.isEmpty())
{
}

QByteArray Session::greeting() const
{
    return pjlink::greeting(m_random);
}

Session::Outcome Session::take(const QByteArray &line, bool overlong)
{
    Outcome out;
    if (line.isEmpty() && !overlong)
        return out;

    // A digest in front: 32 hex digits directly followed by the "%".
    QByteArray given;
    QByteArray body = line;
    if (line.size() > DigestLength && line[DigestLength] == '%') {
        const QByteArray front = line.left(DigestLength);
        if (std::all_of(front.begin(), front.end(), isHex)) {
            given = front;
            body = line.mid(DigestLength);
        }
    }
    if (!m_expected.isEmpty()) {
        // The first request must carry it; a later one may repeat it, and
        // a repeated digest must be right as well.
        if ((!m_authenticated || !given.isEmpty()) && !sameDigest(given, m_expected)) {
            out.kind = Outcome::Refuse;
            return out;
        }
        m_authenticated = true;
    }

    if (!parseRequest(body, &out.request)) {
        out.kind = Outcome::Close;
        return out;
    }
    out.request.tooLong = overlong || body.size() + 1 > MaxLine;
    if (out.request.tooLong) {
        out.kind = Outcome::Reply;
        out.reply = reply(out.request.klass, out.request.command, "ERR1");
        return out;
    }
    out.kind = Outcome::Request;
    return out;
}

} // namespace qn62::pjlink

#pragma once

#include <QByteArray>

namespace qn62::pjlink {

// The network side of the bridge, without sockets: request lines, the
// password check and the reply lines of PJLink class 1.
//
// A request is "%1" + a 4-character command + a space + a parameter + CR,
// at most MaxLine bytes from "%" to CR. With a password the client proves
// it by putting the 32 hex digits of MD5(random + password) in front of
// its first request; the digest is not counted in MaxLine.
constexpr int MaxLine = 136;     // "%" to CR, CR included
constexpr int DigestLength = 32; // hex digits
constexpr int RandomLength = 8;  // hex digits
constexpr int MaxPassword = 32;  // bytes

QByteArray greeting(const QByteArray &random); // empty random: no password
QByteArray authError();                        // "PJLINK ERRA" CR
// "%" + klass + command + "=" + value + CR.
QByteArray reply(char klass, const QByteArray &command, const QByteArray &value);
// The 32 lower-case hex digits of MD5(random + password).
QByteArray digest(const QByteArray &random, const QByteArray &password);
// 8 lower-case hex digits of a 32-bit number.
QByteArray randomText(quint32 number);

// A request whose header ("%", class, command) could be read.
struct Request
{
    char klass = '1';
    QByteArray command;     // 4 characters, letters upper-cased
    QByteArray parameter;   // after the separator
    bool wellFormed = true; // false: no separator, or bytes outside 20h-7Eh in the parameter
    bool tooLong = false;   // over MaxLine bytes
};

// Collects one line at a time from the bytes a client sends. Keeps at most
// the digest and MaxLine bytes of a line; the rest of a longer line is
// dropped as it comes and the line is marked overlong. A line feed right
// after a CR (clients that end lines with CR LF) is skipped.
class LineReader
{
public:
    static constexpr int Kept = DigestLength + MaxLine;

    // Takes bytes up to and including the first CR; returns how many were
    // taken. lineReady() tells whether that CR ended a line.
    qsizetype feed(const char *data, qsizetype size);
    bool lineReady() const { return m_ready; }
    // The finished line without its CR, and whether it was overlong; resets.
    QByteArray takeLine(bool *overlong);

private:
    QByteArray m_line;
    bool m_overlong = false;
    bool m_ready = false;
    bool m_afterCr = false;
};

// One connection's side of the protocol: the greeting, the password check
// and the reading of request lines. What a request asks of the projector
// is the mapping's business.
class Session
{
public:
    // password empty: none is asked for. random: RandomLength hex digits.
    Session(const QByteArray &password, const QByteArray &random);

    QByteArray greeting() const;
    bool authenticated() const { return m_authenticated; }

    struct Outcome
    {
        enum Kind {
            Ignore,  // an empty line: nothing to answer
            Request, // request holds a request to answer
            Reply,   // answer with reply at once (a line too long)
            Refuse,  // send authError() and close: wrong or missing digest
            Close,   // close without an answer: no request could be read
        };
        Kind kind = Ignore;
        pjlink::Request request;
        QByteArray reply;
    };
    // A line as LineReader gave it.
    Outcome take(const QByteArray &line, bool overlong);

    // The digest a client must send for this session, empty without a password.
    const QByteArray &expectedDigest() const { return m_expected; }

private:
    QByteArray m_random;
    QByteArray m_expected;
    bool m_authenticated;
};

// The header and parameter of a request line without its digest; false
// when the line does not start with "%", a class digit and a 4-character
// command of letters and digits.
bool parseRequest(const QByteArray &line, Request *request);

} // namespace qn62::pjlink

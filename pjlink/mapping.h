#pragma once

#include "codec.h"

#include <QByteArray>
#include <QByteArrayList>

namespace qn62::pjlink {

// What the bridge does next for a request: put one more command on the
// projector's line, or answer.
struct Step
{
    QByteArray ask;    // a command for the line, without its CR; empty once answered
    QByteArray answer; // the value of the reply ("OK", "ERR3", "1"...)
    bool done() const { return ask.isEmpty(); }
};

// From PJLink requests to the QN62's commands, and from its replies to
// PJLink answers, without a line: next() is given the request and the
// replies gathered so far, one for each command it asked for, in order, as
// received up to the byte that ended it (CR, ACK or NAK); a reply that
// timed out has no such end, and one that could not be asked is empty.
class Mapping
{
public:
    static constexpr int MaxName = 64;
    static constexpr int MaxInfo = 32;
    static constexpr const char *Manufacturer = "TORVA";
    static constexpr const char *Product = "QN62";
    static constexpr const char *Inputs = "11 12 21";

    explicit Mapping(const QByteArray &name = Product);
    QByteArray name() const { return m_name; }

    Step next(const Request &request, const QByteArrayList &replies) const;

    // Queries whose replies describe the projector's state and may be
    // reused for a short while; every other command changes that state.
    static bool isStatusQuery(const QByteArray &code) { return code.startsWith("CR"); }

private:
    QByteArray m_name;
};

} // namespace qn62::pjlink

#include "mapping.h"

#include <optional>

namespace qn62::pjlink {

namespace {

constexpr char Ack = 0x06;

// The power state codes of the CR0 reply as PJLink sees them.
enum Power { Off = 0, On = 1, Cooling = 2, Warming = 3, Failed = -1 };

struct PowerCode
{
    const char *code;
    Power power;
    const char *errors; // fan, lamp, temperature, cover, filter, other
};

constexpr PowerCode PowerCodes[] = {
    {"00", On, "000000"},      {"02", On, "000000"},      {"08", On, "001000"},
    {"40", Warming, "000000"}, {"20", Cooling, "000000"}, {"24", Cooling, "000000"},
    {"28", Cooling, "001000"}, {"21", Cooling, "020000"}, {"80", Off, "000000"},
    {"88", Off, "001000"},     {"81", Off, "020000"},     {"04", Off, "000000"},
    {"10", Failed, "000002"},
};

struct Pair
{
    const char *from;
    const char *to;
};

constexpr Pair InputSets[] = {{"11", "C05"}, {"12", "C25"}, {"21", "C07"}};
constexpr Pair InputReplies[] = {{"1", "11"}, {"2", "12"}, {"3", "21"}};
constexpr Pair MuteReplies[] = {{"00", "30"}, {"01", "11"}, {"02", "21"}, {"03", "31"}, {"80", "30"}};
// Picture mute is C0D on, C0E off; sound mute C0B on, C0C off.
constexpr Pair MuteSets[] = {{"10", "C0E"},     {"11", "C0D"},     {"20", "C0C"},
                             {"21", "C0B"},     {"30", "C0E C0C"}, {"31", "C0D C0B"}};

template <std::size_t N>
const char *lookup(const Pair (&table)[N], const QByteArray &key)
{
    for (const Pair &p : table) {
        if (key == p.from)
            return p.to;
    }
    return nullptr;
}

// The text of a reply ended by CR, without the CR.
std::optional<QByteArray> text(const QByteArray &reply)
{
    if (!reply.endsWith('\r'))
        return std::nullopt;
    return reply.chopped(1);
}

const PowerCode *powerCode(const QByteArray &reply)
{
    const std::optional<QByteArray> code = text(reply);
    for (const PowerCode &p : PowerCodes) {
        if (code && *code == p.code)
            return &p;
    }
    return nullptr;
}

Step ask(const QByteArray &code)
{
    return {code, {}};
}

Step answer(const QByteArray &value)
{
    return {{}, value};
}

const QByteArray Ok = "OK";
const QByteArray BadCommand = "ERR1";
const QByteArray BadParameter = "ERR2";
const QByteArray NotNow = "ERR3";
const QByteArray Failure = "ERR4";

// Runs commands one after another once the projector is on: CR0 first,
// then each command, every one of them acknowledged.
Step whenOn(const QList<QByteArray> &commands, const QByteArrayList &replies)
{
    if (replies.isEmpty())
        return ask("CR0");
    const PowerCode *power = powerCode(replies[0]);
    if (!power || power->power != On)
        return answer(NotNow);
    for (qsizetype i = 1; i < replies.size(); ++i) {
        if (replies[i] != QByteArray(1, Ack))
            return answer(NotNow);
    }
    if (replies.size() - 1 < commands.size())
        return ask(commands[replies.size() - 1]);
    return answer(Ok);
}

} // namespace

Mapping::Mapping(const QByteArray &name)
    : m_name(name.left(MaxName))
{
}

Step Mapping::next(const Request &request, const QByteArrayList &replies) const
{
    if (request.klass != '1')
        return answer(BadCommand);
    const QByteArray &command = request.command;
    const QByteArray &parameter = request.parameter;
    const bool query = request.wellFormed && parameter == "?";
    const QByteArray first = replies.value(0);

    if (command == "POWR") {
        if (request.wellFormed && (parameter == "1" || parameter == "0")) {
            if (replies.isEmpty())
                return ask(parameter == "1" ? "C00" : "C01");
            return answer(first == QByteArray(1, Ack) ? Ok : NotNow);
        }
        if (!query)
            return answer(BadParameter);
        if (replies.isEmpty())
            return ask("CR0");
        const PowerCode *power = powerCode(first);
        if (!power)
            return answer(NotNow);
        return answer(power->power == Failed ? Failure : QByteArray::number(power->power));
    }
    if (command == "INPT") {
        if (query) {
            if (replies.isEmpty())
                return ask("CR1");
            const char *input = lookup(InputReplies, text(first).value_or(QByteArray()));
            return answer(input ? QByteArray(input) : NotNow); // 4: an input PJLink has no name for
        }
        const char *code = request.wellFormed ? lookup(InputSets, parameter) : nullptr;
        return code ? whenOn({code}, replies) : answer(BadParameter);
    }
    if (command == "AVMT") {
        if (query) {
            if (replies.isEmpty())
                return ask("CRA");
            const char *state = lookup(MuteReplies, text(first).value_or(QByteArray()));
            return answer(state ? QByteArray(state) : NotNow);
        }
        const char *codes = request.wellFormed ? lookup(MuteSets, parameter) : nullptr;
        return codes ? whenOn(QByteArray(codes).split(' '), replies) : answer(BadParameter);
    }

    const QByteArrayList known{"INST", "ERST", "LAMP", "NAME", "INF1", "INF2", "INFO", "CLSS"};
    if (!known.contains(command))
        return answer(BadCommand);
    if (!query)
        return answer(BadParameter);

    if (command == "ERST") {
        if (replies.isEmpty())
            return ask("CR0");
        const PowerCode *power = powerCode(first);
        return answer(power ? QByteArray(power->errors) : NotNow);
    }
    if (command == "LAMP") {
        if (replies.isEmpty())
            return ask("CR3");
        const QByteArray hours = text(first).value_or(QByteArray());
        bool digits = !hours.isEmpty() && hours.size() <= 5;
        for (char c : hours)
            digits = digits && c >= '0' && c <= '9';
        if (!digits)
            return answer(NotNow);
        if (replies.size() == 1)
            return ask("CR0");
        const PowerCode *power = powerCode(replies[1]);
        if (!power)
            return answer(NotNow);
        const bool lit = power->power == On || power->power == Warming;
        return answer(QByteArray::number(hours.toInt()) + (lit ? " 1" : " 0"));
    }
    if (command == "INFO") {
        if (replies.isEmpty())
            return ask("CR9");
        std::optional<QByteArray> info = text(first);
        if (!info)
            return answer(NotNow);
        // PJLink's INFO is ASCII text: nothing else passes.
        info->truncate(MaxInfo);
        for (char &c : *info) {
            if (c < 0x20 || c > 0x7E)
                c = '?';
        }
        return answer(*info);
    }
    if (command == "INST")
        return answer(Inputs);
    if (command == "NAME")
        return answer(m_name);
    if (command == "INF1")
        return answer(Manufacturer);
    if (command == "INF2")
        return answer(Product);
    return answer("1"); // CLSS
}

} // namespace qn62::pjlink

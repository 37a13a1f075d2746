#include "decoder.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace qn62 {

namespace {

struct Row
{
    const char *code; // as it appears at the start of the monitor text
    const char *text; // what the status line shows
};

constexpr Row PowerStatus[] = {
    {" 0 0", " Power ON"},
    {" 8 0", " Stand by"},
    {" 4 0", " Count down"},
    {" 2 0", " Cooling down"},
    {" 1 0", " Power Fail"},
    {" 0 8", " Temperature Warning"},
    {" 0 2", " NO Key input "},
    {" 0 4", " Lamp OFF by PWR Management"},
    {" 2 8", " Temperature Warning & cooling down"},
    {" 2 4", "Cooling down  PWR Management"},
    {" 8 8", " Temperature Warning and recoverd"},
    {" 2 1", " Cooling down (All Lamp FAIL)"},
    {" 8 1", " Cooling down & sutandby (All Lamp FAIL)"},
};

constexpr Row SelectedInput[] = {
    {" 1", " Computer 1"},
    {" 2", " Computer 2"},
    {" 3", " Video"},
    {" 4", " Input mode 4"},
};

constexpr Row Reversal[] = {
    {" 1 1", " Normally"},
    {" 1 0", " Top/Bottom reversal"},
    {" 0 1", " Left/Right reversal"},
    {" 0 0", " Top/Bottom , Left/Right reversal"},
};

constexpr Row MuteState[] = {
    {" 0 0", " Video & Audio mute OFF"},
    {" 0 1", " Video mute ON"},
    {" 0 2", " Audio mute ON"},
    {" 0 3", " Video & Audio mute ON"},
    {" 8 0", " No signal"},
    {" F F", " Stand by"},
};

constexpr Row LampMode[] = {
    {" 0 0", " All OFF : 2 Lamp mode"},
    {" 0 1", " No1 ON  : 2 Lamp mode"},
    {" 0 2", " No2 ON  : 2 Lamp mode"},
    {" 0 3", " No1,2 ON  : 2 Lamp mode"},
    {" 1 0", " All OFF : 1 Lamp mode(No1 USE)"},
    {" 1 1", " No1 ON  : 1 Lamp mode(No1 USE)"},
    {" 2 0", " All OFF : 1 Lamp mode(No2 USE)"},
    {" 2 2", " No2 ON  : 1 Lamp mode(No2 USE)"},
};

template <std::size_t N>
std::optional<QString> lookUp(const Row (&table)[N], const QString &shown, int width)
{
    const QString head = shown.left(width);
    for (const Row &row : table)
        if (head == QLatin1String(row.code))
            return QString::fromLatin1(row.text);
    return std::nullopt;
}

std::optional<QString> lampHours(const QString &shown)
{
    return shown.left(38) + QLatin1String(" Hour Use");
}

std::optional<QString> temperatures(const QString &shown)
{
    // mid() past the end gives an empty text, as a short reply needs.
    return QLatin1String("  S1=") + shown.left(10) + QLatin1String(" C  ,   S2= ") + shown.mid(14, 8)
        + QLatin1String(" C , S3=") + shown.mid(24, 10) + QLatin1String(" C");
}

std::optional<QString> pressure(const QString &shown)
{
    const std::optional<qint16> hpa = pressureHpa(shown);
    if (!hpa)
        return QString::fromLatin1(PressureOutOfRange);
    return QString::number(*hpa) + QLatin1String(" hPa");
}

struct Query
{
    const char *code;
    std::optional<QString> (*decode)(const QString &shown);
};

const Query Queries[] = {
    {"CR0", [](const QString &t) { return lookUp(PowerStatus, t, 4); }},
    {"CR1", [](const QString &t) { return lookUp(SelectedInput, t, 2); }},
    {"CR4", [](const QString &t) { return lookUp(Reversal, t, 4); }},
    {"CR3", lampHours},
    {"CR6", temperatures},
    {"CRA", [](const QString &t) { return lookUp(MuteState, t, 4); }},
    {"CR9", [](const QString &t) { return std::optional<QString>(t); }},
    {"CR PRESSURE", pressure},
    {"CR7", [](const QString &t) { return lookUp(LampMode, t, 4); }},
};

bool isDigit(QChar c) { return c >= QLatin1Char('0') && c <= QLatin1Char('9'); }

} // namespace

std::optional<QString> decodeReply(const QString &currentCommand, const QString &commandPrefix,
                                   const QString &shown)
{
    for (const Query &query : Queries) {
        if (currentCommand == commandPrefix + QLatin1String(query.code) + QLatin1Char('\r'))
            return query.decode(shown);
    }
    return std::nullopt;
}

namespace {

// A number of the form [sign] digits [. digits] [e [sign] digits], read the
// same whatever the user's locale (the C library's strtod() takes the
// locale's decimal separator, and Qt's start-up sets the user's locale).
// Too large is infinite, too small is zero.
double parseDecimal(const std::string &number)
{
    const bool negative = !number.empty() && number[0] == '-';
    const std::size_t start = (!number.empty() && (number[0] == '-' || number[0] == '+')) ? 1 : 0;
    double value = 0.0;
    const char *first = number.data() + start;
    const char *last = number.data() + number.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error == std::errc::result_out_of_range) {
        const bool tiny = number.find("e-") != std::string::npos;
        value = tiny ? 0.0 : std::numeric_limits<double>::infinity();
    } else if (error != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

} // namespace

double leadingNumber(const QString &text)
{
    QString s;
    s.reserve(text.size());
    for (const QChar c : text)
        if (c != QLatin1Char(' ') && c != QLatin1Char('\t') && c != QLatin1Char('\n'))
            s += c;

    std::string number;
    int i = 0;
    const int n = s.size();
    if (i < n && (s[i] == QLatin1Char('+') || s[i] == QLatin1Char('-')))
        number += char(s[i++].unicode());
    bool digits = false;
    while (i < n && isDigit(s[i])) {
        number += char(s[i++].unicode());
        digits = true;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        number += '.';
        ++i;
        while (i < n && isDigit(s[i])) {
            number += char(s[i++].unicode());
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (i < n && QStringLiteral("EeDd").contains(s[i])) {
        std::string exponent = "e";
        int j = i + 1;
        if (j < n && (s[j] == QLatin1Char('+') || s[j] == QLatin1Char('-')))
            exponent += char(s[j++].unicode());
        bool expDigits = false;
        while (j < n && isDigit(s[j])) {
            exponent += char(s[j++].unicode());
            expDigits = true;
        }
        if (expDigits)
            number += exponent;
    }
    return parseDecimal(number);
}

std::optional<qint16> toInt16(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    const double rounded = std::nearbyint(value); // default rounding mode: halves to even
    if (rounded < -32768.0 || rounded > 32767.0)
        return std::nullopt;
    return static_cast<qint16>(rounded);
}

std::optional<qint16> pressureHpa(const QString &shown)
{
    const std::optional<qint16> reading = toInt16(leadingNumber(shown));
    if (!reading)
        return std::nullopt;
    const int scaled = int(*reading) * 5;
    if (scaled < -32768 || scaled > 32767)
        return std::nullopt;
    const double hpa = (scaled / 1024.0 - 0.204) / 0.00459 + 150;
    return toInt16(hpa);
}

} // namespace qn62

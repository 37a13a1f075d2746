// Decoding of the replies to the nine status queries.
#include "check.h"
#include "decoder.h"
#include "monitortext.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

using qn62::decodeReply;

static const char *const Queries[] = {"CR0", "CR1", "CR3", "CR4", "CR6", "CR7", "CR9", "CRA", "CR PRESSURE"};

// The pressure worked out again in 64-bit arithmetic, so that nothing can
// wrap: nothing when a step leaves the 16-bit range.
static std::optional<long long> widePressure(const QString &shown)
{
    const auto int16 = [](double v) -> std::optional<long long> {
        if (!std::isfinite(v))
            return std::nullopt;
        const double r = std::nearbyint(v);
        if (r < -32768.0 || r > 32767.0)
            return std::nullopt;
        return static_cast<long long>(r);
    };
    const std::optional<long long> reading = int16(qn62::leadingNumber(shown));
    if (!reading)
        return std::nullopt;
    const long long scaled = *reading * 5;
    if (scaled < -32768 || scaled > 32767)
        return std::nullopt;
    return int16((double(scaled) / 1024.0 - 0.204) / 0.00459 + 150);
}

static std::optional<QString> decode(const char *query, const QString &shown)
{
    return decodeReply(QLatin1String(query) + QLatin1Char('\r'), QString(), shown);
}

static void check(const QString &shown)
{
    // Table look-ups read the first four characters at most.
    for (const char *query : {"CR0", "CR1", "CR4", "CR7", "CRA"}) {
        const std::optional<QString> text = decode(query, shown);
        QN62_CHECK(text == decode(query, shown.left(4)));
        QN62_CHECK(!text || !text->isEmpty());
    }

    const std::optional<QString> hours = decode("CR3", shown);
    QN62_CHECK(hours && hours->endsWith(QLatin1String(" Hour Use")));
    QN62_CHECK_EQ(*hours, shown.left(38) + QLatin1String(" Hour Use"));

    const std::optional<QString> temperatures = decode("CR6", shown);
    QN62_CHECK(temperatures && temperatures->startsWith(QLatin1String("  S1=")));
    QN62_CHECK(temperatures->endsWith(QLatin1String(" C")));

    QN62_CHECK(decode("CR9", shown) == shown);

    const std::optional<qint16> hpa = qn62::pressureHpa(shown);
    const std::optional<long long> wide = widePressure(shown);
    QN62_CHECK(hpa.has_value() == wide.has_value());
    QN62_CHECK(!hpa || *hpa == *wide);
    const std::optional<QString> pressure = decode("CR PRESSURE", shown);
    QN62_CHECK(pressure);
    if (!hpa) {
        QN62_CHECK_EQ(*pressure, QLatin1String(qn62::PressureOutOfRange));
    } else {
        QN62_CHECK(pressure->endsWith(QLatin1String(" hPa")));
        const QString number = pressure->chopped(4);
        QN62_CHECK_EQ(number, QString::number(*hpa));
    }
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString raw = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    check(qn62::monitorText(raw)); // what the receive line shows
    check(raw);                    // any text at all

    // Only the nine queries, exactly as sent, are decoded.
    bool isQuery = false;
    for (const char *query : Queries)
        isQuery = isQuery || raw == QLatin1String(query) + QLatin1Char('\r');
    QN62_CHECK(isQuery || !decodeReply(raw, QString(), qn62::monitorText("00\r")));
    // Any command prefix is part of the match.
    QN62_CHECK(decodeReply(raw + QLatin1String("CR0\r"), raw, qn62::monitorText("00\r")) == QLatin1String(" Power ON"));
    return 0;
}

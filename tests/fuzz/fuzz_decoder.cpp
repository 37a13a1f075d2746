// Decoding of the replies to the nine status queries: properties that hold
// for any text, and round trips through the monitor text and the number read.
#include "check.h"
#include "decoder.h"
#include "monitortext.h"

#include <QStringList>

#include <cmath>

using qn62::decodeReply;

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
    // Lamp hours show the start of the text as it is, whole when it is short.
    const std::optional<QString> hours = decode("CR3", shown);
    QN62_CHECK(hours && hours->endsWith(QLatin1String(" Hour Use")) && shown.startsWith(hours->chopped(9)));
    QN62_CHECK(hours == decode("CR3", hours->chopped(9)));
    QN62_CHECK(shown.size() > 38 || hours->chopped(9) == shown);
    const std::optional<QString> temperatures = decode("CR6", shown);
    QN62_CHECK(temperatures && temperatures->startsWith(QLatin1String("  S1=")) && temperatures->endsWith(" C"));
    QN62_CHECK(decode("CR9", shown) == shown);

    // Pressure: a value for readings from -6553 to 6553 (rounded, halves to
    // even) and for no other; shown as that value; depending on the rounded
    // reading alone, rising with it, by at most 2 hPa a step.
    const std::optional<qint16> hpa = qn62::pressureHpa(shown);
    const std::optional<QString> pressure = decode("CR PRESSURE", shown);
    QN62_CHECK(pressure && *pressure == (hpa ? QString::number(*hpa) + QLatin1String(" hPa")
                                              : QString::fromLatin1(qn62::PressureOutOfRange)));
    const double reading = std::nearbyint(qn62::leadingNumber(shown));
    QN62_CHECK(hpa.has_value() == (std::abs(reading) <= 6553));
    if (!hpa)
        return;
    const auto at = [](double r) { return qn62::pressureHpa(QString::number(r, 'f', 0)); };
    QN62_CHECK(at(reading) == hpa);
    const std::optional<qint16> next = at(reading + 1);
    QN62_CHECK(reading == 6553 || (next && *next >= *hpa && *next <= *hpa + 2));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString raw = QString::fromLatin1(reinterpret_cast<const char *>(data), qsizetype(size));
    check(qn62::monitorText(raw)); // what the receive line shows
    check(raw);                    // any text at all
    // Of a reply, the lamp hours keep the first 19 characters (each but DC4
    // shows as two or more).
    QN62_CHECK(raw.contains(QChar(0x14))
               || decode("CR3", qn62::monitorText(raw)) == qn62::monitorText(raw.left(19)).left(38) + " Hour Use");

    // Only the nine queries, exactly as sent, are decoded.
    const QStringList queries{"CR0\r", "CR1\r", "CR3\r", "CR4\r", "CR6\r", "CR7\r", "CR9\r", "CRA\r", "CR PRESSURE\r"};
    QN62_CHECK(queries.contains(raw) || !decodeReply(raw, QString(), qn62::monitorText("00\r")));
    // Any command prefix is part of the match.
    QN62_CHECK(decodeReply(raw + QLatin1String("CR0\r"), raw, qn62::monitorText("00\r")) == QLatin1String(" Power ON"));
    return 0;
}

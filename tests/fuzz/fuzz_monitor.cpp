// The traffic monitor's text of any received or sent data.
#include "check.h"
#include "monitortext.h"

#include <cstddef>
#include <cstdint>

static int tokenLength(ushort code)
{
    switch (code) {
    case 0x06: return 4; // "ACK "
    case 0x14: return 1; // "&"
    case 0x0D:           // "CR "
    case 0x0A: return 3; // "LF "
    default: return 2;   // the character or '?', then a space
    }
}

static void check(const QString &data)
{
    const QString text = qn62::monitorText(data);
    qsizetype length = 1;
    for (const QChar c : data)
        length += tokenLength(c.unicode());
    QN62_CHECK(text.size() == length);
    QN62_CHECK(text.startsWith(QLatin1Char(' ')));
    for (const QChar c : text)
        QN62_CHECK(c.unicode() >= 0x20 && c.unicode() <= 0x7A);
    // Each character is shown on its own: the text of two pieces is the
    // text of the first followed by that of the second.
    const qsizetype cut = data.isEmpty() ? 0 : data.at(0).unicode() % (data.size() + 1);
    QN62_CHECK_EQ(text, qn62::monitorText(data.left(cut)) + qn62::monitorText(data.mid(cut)).mid(1));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    check(QString::fromLatin1(bytes, qsizetype(size))); // as the serial port delivers it
    check(QString::fromUtf8(bytes, qsizetype(size)));   // characters beyond Latin-1 too
    return 0;
}

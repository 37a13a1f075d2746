// The "baud,parity,data,stop" line settings.
#include "check.h"
#include "commport.h"

#include <cstddef>
#include <cstdint>

static bool operator==(const qn62::LineSettings &a, const qn62::LineSettings &b)
{
    return a.baud == b.baud && a.parity == b.parity && a.dataBits == b.dataBits && a.stopBits == b.stopBits;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    qn62::LineSettings before;
    before.baud = 1234;
    before.parity = 'S';
    before.dataBits = 6;
    before.stopBits = 2;
    qn62::LineSettings s = before;
    QString error;
    if (!s.parse(text, &error)) {
        QN62_CHECK(s == before); // a refused text changes nothing
        QN62_CHECK(error.contains(text));
        return 0;
    }
    QN62_CHECK(s.baud > 0);
    QN62_CHECK(QByteArray("NEOMS").contains(s.parity));
    QN62_CHECK(s.dataBits >= 5 && s.dataBits <= 8);
    QN62_CHECK(s.stopBits == 1 || s.stopBits == 2);
    // Only the canonical form is accepted, and it reads back the same.
    QN62_CHECK_EQ(s.toString(), text);
    qn62::LineSettings again = before;
    QN62_CHECK(again.parse(s.toString(), nullptr));
    QN62_CHECK(again == s);
    return 0;
}

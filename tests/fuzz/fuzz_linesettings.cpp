// The "baud,parity,data,stop" line settings.
#include "check.h"
#include "commport.h"

#include <tuple>

static auto fields(const qn62::LineSettings &s) { return std::tuple(s.baud, s.parity, s.dataBits, s.stopBits); }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const qn62::LineSettings before{1234, 'S', 6, 2};
    qn62::LineSettings s = before;
    QString error;
    if (!s.parse(text, &error)) {
        QN62_CHECK(fields(s) == fields(before) && error.contains(text)); // a refused text changes nothing
        return 0;
    }
    QN62_CHECK(s.baud > 0 && QByteArray("NEOMS").contains(s.parity));
    QN62_CHECK(s.dataBits >= 5 && s.dataBits <= 8 && (s.stopBits == 1 || s.stopBits == 2));
    // Only the canonical form is accepted, and it reads back the same.
    QN62_CHECK_EQ(s.toString(), text);
    qn62::LineSettings again = before;
    QN62_CHECK(again.parse(s.toString(), nullptr) && fields(again) == fields(s));
    return 0;
}

// The traffic monitor's text of any received or sent data.
#include "check.h"
#include "monitortext.h"

static void check(const QString &data)
{
    const QString text = qn62::monitorText(data);
    QN62_CHECK(text.startsWith(QLatin1Char(' ')));
    QN62_CHECK(text.size() > data.size() && text.size() <= 1 + 4 * data.size());
    for (const QChar c : text) // nothing unprintable, nothing above "z"
        QN62_CHECK(c.unicode() >= 0x20 && c.unicode() <= 0x7A);
    // Each character is shown on its own: the text of two pieces is the
    // text of the first followed by that of the second.
    const qsizetype cut = data.isEmpty() ? 0 : data.at(0).unicode() % (data.size() + 1);
    QN62_CHECK_EQ(text, qn62::monitorText(data.left(cut)) + qn62::monitorText(data.mid(cut)).mid(1));
    // Printable data reads back from every second character.
    bool printable = true;
    QString back;
    for (qsizetype i = 0; i < data.size(); ++i) {
        printable = printable && data[i].unicode() >= 0x20 && data[i].unicode() <= 0x7A;
        back += text.mid(2 * i + 1, 1);
    }
    QN62_CHECK(!printable || (back == data && text.size() == 1 + 2 * data.size()));
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const char *bytes = reinterpret_cast<const char *>(data);
    check(QString::fromLatin1(bytes, qsizetype(size))); // as the serial port delivers it
    check(QString::fromUtf8(bytes, qsizetype(size)));   // characters beyond Latin-1 too
    return 0;
}

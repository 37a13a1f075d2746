#include "monitortext.h"

namespace qn62 {

QString monitorText(const QString &data)
{
    QString text;
    text.reserve(1 + 4 * data.size());
    text += QLatin1Char(' ');
    for (const QChar c : data) {
        const ushort code = c.unicode();
        switch (code) {
        case 0x06:
            text += QLatin1String("ACK ");
            break;
        case 0x14:
            text += QLatin1Char('&');
            break;
        case 0x0D:
            text += QLatin1String("CR ");
            break;
        case 0x0A:
            text += QLatin1String("LF ");
            break;
        default:
            if (code >= 0x20 && code <= 0x7A) {
                text += c;
                text += QLatin1Char(' ');
            } else {
                text += QLatin1String("? ");
            }
        }
    }
    return text;
}

} // namespace qn62

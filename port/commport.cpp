#include "commport.h"

#include <QStringList>

namespace qn62 {

static constexpr qint32 MaxBaud = 4000000;

bool LineSettings::parse(const QString &text, QString *error)
{
    const auto reject = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("Line settings \"%1\" refused: %2.").arg(text, why);
        return false;
    };

    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return reject(QStringLiteral("expected baud,parity,data bits,stop bits, as in 19200,N,8,1"));

    bool ok = false;
    const qint32 newBaud = parts[0].toInt(&ok);
    if (!ok || newBaud <= 0 || newBaud > MaxBaud || parts[0] != QString::number(newBaud))
        return reject(QStringLiteral("the baud rate must be a whole number from 1 to %1").arg(MaxBaud));

    if (parts[1].size() != 1 || !QStringLiteral("NEOMS").contains(parts[1]))
        return reject(QStringLiteral("the parity must be N, E, O, M or S"));

    if (parts[2].size() != 1 || parts[2] < QLatin1String("5") || parts[2] > QLatin1String("8"))
        return reject(QStringLiteral("the data bits must be 5, 6, 7 or 8"));

    if (parts[3] != QLatin1String("1") && parts[3] != QLatin1String("2"))
        return reject(QStringLiteral("the stop bits must be 1 or 2"));

    baud = newBaud;
    parity = parts[1].at(0).toLatin1();
    dataBits = parts[2].toInt();
    stopBits = parts[3].toInt();
    return true;
}

QString LineSettings::toString() const
{
    return QStringLiteral("%1,%2,%3,%4").arg(baud).arg(QLatin1Char(parity)).arg(dataBits).arg(stopBits);
}

} // namespace qn62

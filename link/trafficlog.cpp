#include "trafficlog.h"

#include <QDateTime>

namespace qn62 {

TrafficLog::~TrafficLog() = default;

void TrafficLog::setFailureHandler(std::function<void(const QString &why)> handler)
{
    m_onFailure = std::move(handler);
}

bool TrafficLog::open(const QString &path)
{
    m_file.close();
    m_file.setFileName(path);
    // Unbuffered: every line reaches the file as it is written.
    if (m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered))
        return true;
    fail(QStringLiteral("The traffic log %1 cannot be opened (%2); nothing is logged.")
             .arg(path, m_file.errorString()));
    return false;
}

bool TrafficLog::isOpen() const
{
    return m_file.isOpen();
}

void TrafficLog::fail(const QString &why)
{
    m_file.close();
    if (m_onFailure)
        m_onFailure(why);
}

void TrafficLog::transmitted(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        write("TX " + formatBytes(bytes));
}

void TrafficLog::received(const QByteArray &bytes)
{
    if (!bytes.isEmpty())
        write("RX " + formatBytes(bytes));
}

void TrafficLog::note(const QString &text)
{
    // One event a line, whatever the text holds.
    QString flat = text;
    flat.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    write("-- " + flat.toUtf8());
}

void TrafficLog::write(const QByteArray &event)
{
    if (!m_file.isOpen())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const int offset = now.offsetFromUtc();
    const QByteArray line = now.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")).toLatin1()
        + (offset < 0 ? '-' : '+')
        + QTime(0, 0).addSecs(qAbs(offset)).toString(QStringLiteral("HH:mm")).toLatin1()
        + ' ' + event + '\n';
    if (m_file.write(line) != line.size())
        fail(QStringLiteral("The traffic log %1 cannot be written (%2); nothing more is logged.")
                 .arg(m_file.fileName(), m_file.errorString()));
}

QByteArray TrafficLog::formatBytes(const QByteArray &bytes)
{
    QByteArray text = bytes;
    for (char &c : text)
        if (c < 0x20 || c > 0x7E)
            c = '.';
    return bytes.toHex(' ').toUpper() + "  " + text;
}

} // namespace qn62

#pragma once

#include <QByteArrayList>
#include <QFile>
#include <QRegularExpression>

// A traffic log as the tests compare it, one entry a line: "> bytes" for TX
// and "< bytes" for RX (read back from the hex), "-- text" for the rest. A
// line without its time stamp and word, or whose text is not as long as its
// bytes, shows as "(bad) line".
inline QByteArrayList trafficLines(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {"(no log)"};
    static const QRegularExpression form(R"(^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}[+-]\d\d:\d\d (TX|RX|--) (.*)$)");
    QByteArrayList entries;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QRegularExpressionMatch m = form.match(QString::fromLatin1(line));
        const QByteArray word = m.captured(1).toLatin1(), rest = m.captured(2).toLatin1();
        const QByteArray bytes = QByteArray::fromHex(rest.left(rest.indexOf("  ")));
        if (word == "--")
            entries << "-- " + rest;
        else if (m.hasMatch() && rest.size() == 4 * bytes.size() + 1) // hex, two spaces, text
            entries << (word == "TX" ? "> " : "< ") + bytes;
        else if (!line.isEmpty())
            entries << "(bad) " + line;
    }
    return entries;
}

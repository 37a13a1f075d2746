#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace qn62 {

// The traffic log a user asks for with --log FILE: one event a line,
// appended to the file (created if missing, never truncated) and flushed at
// every line, so a crash loses nothing written. Each line starts with the
// local time, ISO 8601 with milliseconds and the UTC offset, then a word:
//   2026-12-07T22:00:00.123+01:00 TX 43 52 30 0D  CR0.
//   2026-12-07T22:00:00.140+01:00 RX 38 30 0D  80.
//   2026-12-07T22:00:00.141+01:00 -- Stand by
// TX and RX give the hex of every byte, two spaces, then the bytes as text
// with anything outside 20h-7Eh as '.'; "--" lines are events in words.
//
// A file that cannot be opened or written is reported once through the
// failure handler, and the log is off from then on.
class TrafficLog
{
public:
    TrafficLog() = default;
    ~TrafficLog();
    TrafficLog(const TrafficLog &) = delete;
    TrafficLog &operator=(const TrafficLog &) = delete;

    // Where the one report of a failure goes.
    void setFailureHandler(std::function<void(const QString &why)> handler);

    // Opens path for appending. False, after the report, when it cannot.
    bool open(const QString &path);
    bool isOpen() const { return m_fd >= 0; }

    void transmitted(const QByteArray &bytes);
    void received(const QByteArray &bytes);
    void note(const QString &text);

private:
    char *begin(const char word[3], qsizetype length);
    void finish();
    void fail(const QString &why);

    int m_fd = -1;
    QString m_path;
    QByteArray m_line;      // the line being written, its memory kept
    qint64 m_second = 0;    // the second m_stamp and m_offset stand for
    char m_stamp[20] = {};  // "2026-12-07T22:00:00"
    char m_offset[8] = {};  // "+01:00 "
    std::function<void(const QString &why)> m_onFailure;
};

} // namespace qn62

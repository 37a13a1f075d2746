#pragma once

#include <QString>

#include <optional>

namespace qn62 {

// Turns the reply to a status query into words for the status line.
//
// `currentCommand` is the command last sent (prefix, code and CR); only an
// exact match with one of the decoded queries is decoded. `shown` is the
// receive line's monitor text of everything received so far. Returns the
// status-line text, or nothing when the command is not a decoded query or
// the reply has no entry in the query's table (the status line then keeps
// what it shows).
std::optional<QString> decodeReply(const QString &currentCommand, const QString &commandPrefix,
                                   const QString &shown);

// The number at the start of a text: blanks, tabs and line feeds are
// skipped wherever they stand, then an optional sign, digits, an optional
// decimal point with digits and an optional exponent (E or D) are read up
// to the first character that cannot continue the number. 0 when there is
// none.
double leadingNumber(const QString &text);

// Rounds to the nearest 16-bit signed integer, halves to even. Nothing when
// the value lies outside -32768..32767 (or is not a number).
std::optional<qint16> toInt16(double value);

// Air pressure in hPa from the monitor text of a "CR PRESSURE" reply;
// nothing when the reading or a step of its conversion overflows 16 bits.
std::optional<qint16> pressureHpa(const QString &shown);

inline constexpr const char *PressureOutOfRange = " Pressure out of range";

} // namespace qn62

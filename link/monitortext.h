#pragma once

#include <QString>

namespace qn62 {

// The display form of a command or reply on the traffic monitor: a leading
// space, then every character followed by a space, with control characters
// and anything outside the space-to-'z' range shown as tokens:
// ACK "ACK ", DC4 "&", CR "CR ", LF "LF ", anything else "? ".
QString monitorText(const QString &data);

} // namespace qn62

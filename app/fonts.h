#pragma once

#include "layout.h"

#include <QFont>
#include <QString>

namespace qn62 {

// The family used for the fixed-pitch or the proportional Japanese face:
// the preferred Windows faces where installed, else IPA Gothic, else any
// installed font with Japanese glyphs of the right pitch.
QString japaneseFamily(bool proportional);

// The font for a font code of the layout, sized in pixels at 96 dots per
// inch so that text keeps its size against the pixel geometry.
QFont layoutFont(layout::Font code);

} // namespace qn62

#include "fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <cmath>

namespace qn62 {

QString japaneseFamily(bool proportional)
{
    static QString cached[2];
    QString &family = cached[proportional ? 1 : 0];
    if (!family.isEmpty())
        return family;

    const QStringList families = QFontDatabase::families();
    const QStringList preferred = proportional
        ? QStringList{QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic")}
        : QStringList{QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"), QStringLiteral("IPAGothic")};
    for (const QString &name : preferred) {
        if (families.contains(name)) {
            family = name;
            return family;
        }
    }
    for (const QString &name : QFontDatabase::families(QFontDatabase::Japanese)) {
        if (QFontDatabase::isFixedPitch(name) != proportional) {
            family = name;
            return family;
        }
    }
    const QStringList japanese = QFontDatabase::families(QFontDatabase::Japanese);
    family = japanese.isEmpty() ? QFontDatabase::systemFont(proportional ? QFontDatabase::GeneralFont
                                                                         : QFontDatabase::FixedFont).family()
                                : japanese.first();
    return family;
}

QFont layoutFont(layout::Font code)
{
    const layout::FontFace &face = layout::Fonts[code];
    QFont font(japaneseFamily(face.proportional));
    font.setPixelSize(int(std::lround(face.points * 96.0 / 72.0)));
    font.setBold(face.bold);
    font.setStyleHint(face.proportional ? QFont::SansSerif : QFont::Monospace);
    return font;
}

} // namespace qn62

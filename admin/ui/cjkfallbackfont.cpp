#include "admin/ui/cjkfallbackfont.h"

using namespace Qt::StringLiterals;

QFont cjkFallbackFont(const QStringList &families, int pixelSize)
{
    QFont font;
    font.setFamilies(families
                     + QStringList{u"Noto Serif CJK SC"_s, u"Noto Sans CJK SC"_s, u"WenQuanYi Zen Hei"_s, u"AR PL UMing CN"_s});
    font.setPixelSize(pixelSize);
    return font;
}

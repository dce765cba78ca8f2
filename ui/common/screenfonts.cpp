#include "ui/common/screenfonts.h"

using namespace Qt::StringLiterals;

QStringList cjkSansFallbacks()
{
    // The sans faces lack many characters of the CJK extensions (rare
    // characters of people's names); the Hanazono faces cover them, so such a
    // name is drawn whole, if in a serif face, rather than as a box.
    return {u"Noto Sans CJK SC"_s,    u"Source Han Sans SC"_s, u"WenQuanYi Zen Hei"_s, u"WenQuanYi Micro Hei"_s,
            u"Droid Sans Fallback"_s, u"HanaMinA"_s,           u"HanaMinB"_s,          u"sans-serif"_s};
}

namespace {

QFont familyFont(const QStringList &classic, bool bold)
{
    QFont font;
    font.setFamilies(classic + cjkSansFallbacks());
    font.setBold(bold);
    return font;
}

} // namespace

QFont screenFont(const QStringList &classic, int pixelSize, bool bold)
{
    QFont font = familyFont(classic, bold);
    font.setPixelSize(pixelSize);
    return font;
}

QFont yaHeiFont(int pixelSize, bool bold)
{
    QFont font = familyFont({u"微软雅黑"_s, u"Microsoft YaHei"_s}, bold);
    font.setPixelSize(pixelSize);
    return font;
}

QFont yaHeiPointFont(int pointSize, bool bold)
{
    QFont font = familyFont({u"微软雅黑"_s, u"Microsoft YaHei"_s}, bold);
    font.setPointSize(pointSize);
    return font;
}

QFont xiHeiFont()
{
    QFont font = familyFont({u"华文细黑"_s, u"STXihei"_s}, false);
    font.setPixelSize(11);
    return font;
}

#pragma once
#include <QFont>
#include <QStringList>

// The screens name the classic Chinese faces first. Where they are not
// installed (and fontconfig would quietly hand out a face without Chinese
// glyphs for them), the installed CJK sans faces that follow take their place;
// the Hanazono faces (fonts-hanazono) draw what none of them has.
QStringList cjkSansFallbacks();

// The classic faces given, then the installed CJK sans faces, at a pixel size.
QFont screenFont(const QStringList &classic, int pixelSize, bool bold = false);

// "微软雅黑" (Microsoft YaHei), the face of the screens' large texts.
QFont yaHeiFont(int pixelSize, bool bold);
QFont yaHeiPointFont(int pointSize, bool bold);

// "华文细黑" (STXihei) at 11 pixels, the default face of the main screen.
QFont xiHeiFont();

#pragma once

#include <QColor>
#include <QPalette>

// The three levels of label colour the window uses, taken from the palette so that dark and
// high-contrast themes keep their own text colour and only its strength changes.
class LabelColors
{
public:
    enum class Level { Primary, Secondary, Tertiary };

    static QColor color(const QPalette& palette, Level level);
    static QColor primary(const QPalette& palette) { return color(palette, Level::Primary); }
    static QColor secondary(const QPalette& palette) { return color(palette, Level::Secondary); }
    static QColor tertiary(const QPalette& palette) { return color(palette, Level::Tertiary); }
};

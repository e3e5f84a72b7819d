#include "LabelColors.h"

QColor LabelColors::color(const QPalette& palette, Level level)
{
    QColor color = palette.color(QPalette::Active, QPalette::Text);
    switch (level) {
    case Level::Primary:
        break;
    case Level::Secondary:
        color.setAlphaF(color.alphaF() * 0.6f);
        break;
    case Level::Tertiary:
        color.setAlphaF(color.alphaF() * 0.38f);
        break;
    }
    return color;
}

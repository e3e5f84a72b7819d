// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>

class QWidget;

// The three levels of label colour the window uses, taken from the palette so that dark and
// high-contrast themes keep their own text colour and only its strength changes. Each level keeps
// a contrast that stays readable on the palette's base, alternate and window colours.
class LabelColors
{
public:
    enum class Level { Primary, Secondary, Tertiary };

    // The one place that turns a level into a colour: the table's cells and every label take it.
    static QColor color(const QPalette& palette, Level level);

    // Draws widget's text (its foreground role) in level, now and whenever the palette changes (a
    // theme switch while the program runs), rather than in the colour of the theme it was created
    // in. The widget's own palette then holds that one role and inherits every other.
    static void apply(QWidget* widget, Level level);
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "LabelColors.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {
// Re-derives a widget's text colour from its parent's after every palette change. A palette copied
// from the widget would carry the resolve mask of the whole theme and freeze every colour at the
// next change; the widget's palette therefore sets the one role and nothing else.
class LevelKeeper : public QObject
{
public:
    LevelKeeper(QWidget* widget, LabelColors::Level level)
        : QObject(widget)
        , m_role(widget->foregroundRole())
        , m_level(level)
    {
        widget->installEventFilter(this);
        update(widget);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::PaletteChange)
            update(static_cast<QWidget*>(watched));
        return false;
    }

private:
    void update(QWidget* widget) const
    {
        // The parent's text colour is the theme's; the widget's own may be the faded one already.
        const QPalette inherited =
            widget->parentWidget() ? widget->parentWidget()->palette() : QApplication::palette(widget);
        const QColor wanted = LabelColors::color(inherited, m_level);
        const QPalette current = widget->palette();
        // Setting an equal colour would only send the next change event.
        if (current.isBrushSet(QPalette::Active, m_role) && current.color(QPalette::Active, m_role) == wanted)
            return;
        QPalette own;
        own.setColor(m_role, wanted);
        widget->setPalette(own);
    }

    QPalette::ColorRole m_role;
    LabelColors::Level m_level;
};
} // namespace

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
        // Faint enough to read as absent, strong enough for 3:1 against light and dark rows.
        color.setAlphaF(color.alphaF() * 0.45f);
        break;
    }
    return color;
}

void LabelColors::apply(QWidget* widget, Level level)
{
    new LevelKeeper(widget, level);
}

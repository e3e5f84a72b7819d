// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QPalette>

#include <utility>

// A dark theme as desktops ship them: light text on near-black, with dimmer disabled colours. The
// screenshot tool and the theme tests draw the window in it.
inline QPalette darkPalette()
{
    using P = QPalette;
    // clang-format off
    const std::pair<P::ColorRole, QRgb> colours[] = {
        { P::Window, 0x2b2b2e }, { P::WindowText, 0xececee }, { P::Base, 0x1e1e20 }, { P::AlternateBase, 0x262629 },
        { P::ToolTipBase, 0x2b2b2e }, { P::ToolTipText, 0xececee }, { P::PlaceholderText, 0x8e8e93 },
        { P::Text, 0xececee }, { P::Button, 0x3a3a3d }, { P::ButtonText, 0xececee }, { P::BrightText, 0xff6b6b },
        { P::Light, 0x4a4a4e }, { P::Midlight, 0x3f3f43 }, { P::Mid, 0x333336 }, { P::Dark, 0x18181a },
        { P::Shadow, 0x000000 }, { P::Highlight, 0x3d6fd6 }, { P::HighlightedText, 0xffffff },
        { P::Link, 0x6ca8ff }, { P::LinkVisited, 0xb08cff },
    };
    // clang-format on
    QPalette palette;
    for (const auto& [role, rgb] : colours)
        palette.setColor(role, QColor(rgb));
    for (const P::ColorRole role : { P::WindowText, P::Text, P::ButtonText })
        palette.setColor(P::Disabled, role, QColor(0x7a7a7f));
    return palette;
}

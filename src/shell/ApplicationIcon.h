// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>

// Kudora's own icon, built into the program so that the windows and the About box show it also
// when the program runs from its build folder.
class ApplicationIcon
{
public:
    // The sizes, in pixels, of the built-in images: those windows use. The installed 512 px image
    // is left out, since X11 hands every size of a window's icon to the display server.
    static const QList<int>& sizes();

    static QIcon icon();
};

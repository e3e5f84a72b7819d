// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ApplicationIcon.h"

#include "ApplicationIconEngine.h"

#include <QList>

const QList<int>& ApplicationIcon::sizes()
{
    static const QList<int> values { 16, 24, 32, 48, 64, 128, 256 };
    return values;
}

QIcon ApplicationIcon::icon()
{
    // PNGs rather than the SVG drawing: reading SVG needs a plugin that the package only
    // recommends, and the 16 px image is drawn apart from the large one anyway.
    return QIcon(new ApplicationIconEngine(sizes()));
}

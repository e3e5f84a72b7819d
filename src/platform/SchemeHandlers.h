// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// The desktop's programs for kinds of address, as the freedesktop rules register them. QtCore
// alone, so that a command line can tell without a window's libraries.
class SchemeHandlers
{
public:
    // Whether a desktop entry is registered for scheme's addresses.
    static bool isRegistered(const QString& scheme);
};

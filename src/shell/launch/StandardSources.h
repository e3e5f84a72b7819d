// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppSource.h"

#include <functional>

// The stores of this system, composed here alone: the rest of the program knows sources only
// through AppSource.
class StandardSources
{
public:
    // In the order their records merge: the App Store applications of the system and the home
    // Applications folders, the Flatpak applications, the snaps, the distribution's applications
    // (an id installed both ways is listed from the store the user chose it from).
    // beforeLoadingLibraries goes to the sources that load a library (see FlatpakSource).
    static AppSources make(std::function<void()> beforeLoadingLibraries = {});
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The application-wide decisions of Kudora. There is one: the program ends when its last window
// closes, and never keeps running without one.
class AppDelegate
{
public:
    bool applicationShouldTerminateAfterLastWindowClosed() const { return true; }

    // Makes the running application object follow the delegate's decisions. Qt counts every
    // visible top-level window that is not owned by another one: an update dialog without a parent
    // keeps the program running, a message box over the main window does not.
    void install() const;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLatin1StringView>

// The names of the program's commands. Each is the object name of the command's action, and for
// the commands that the main window carries out, the notification that the action posts.
class CommandNames
{
public:
    // Posted on the notification bus.
    static constexpr QLatin1StringView RescanRequested { "Kudora.rescanRequested" };
    static constexpr QLatin1StringView ResetReviewRequested { "Kudora.resetReviewRequested" };
    static constexpr QLatin1StringView IgnoreRequested { "Kudora.ignoreRequested" };
    static constexpr QLatin1StringView ClearIgnoreRequested { "Kudora.clearIgnoreRequested" };
    static constexpr QLatin1StringView ResetIgnoreListRequested { "Kudora.resetIgnoreListRequested" };
    static constexpr QLatin1StringView OpenStorePageRequested { "Kudora.openStorePageRequested" };
    static constexpr QLatin1StringView CopyIDRequested { "Kudora.copyIDRequested" };
    static constexpr QLatin1StringView ToggleMockModeRequested { "Kudora.toggleMockModeRequested" };
    static constexpr QLatin1StringView ShowIgnoredAppsToggled { "Kudora.showIgnoredAppsToggled" };

    // Carried out by the commands themselves.
    static constexpr QLatin1StringView About { "about" };
    static constexpr QLatin1StringView CheckForUpdates { "checkForUpdates" };
    static constexpr QLatin1StringView AutomaticUpdateChecks { "automaticUpdateChecks" };
    static constexpr QLatin1StringView LookUpOnlineReviews { "lookUpOnlineReviews" };
    static constexpr QLatin1StringView Quit { "quit" };
    static constexpr QLatin1StringView MainWindow { "mainWindow" };
    static constexpr QLatin1StringView CloseWindow { "closeWindow" };
    static constexpr QLatin1StringView Undo { "undo" };
    static constexpr QLatin1StringView Redo { "redo" };
    static constexpr QLatin1StringView Cut { "cut" };
    static constexpr QLatin1StringView Copy { "copy" };
    static constexpr QLatin1StringView Paste { "paste" };
    static constexpr QLatin1StringView SelectAll { "selectAll" };
    static constexpr QLatin1StringView Find { "find" };
    static constexpr QLatin1StringView ShowIgnoredApps { "showIgnoredApps" };
    static constexpr QLatin1StringView ToggleToolBar { "toggleToolBar" };
    static constexpr QLatin1StringView Help { "help" };
    static constexpr QLatin1StringView AboutQt { "aboutQt" };
};

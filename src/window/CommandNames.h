#pragma once

#include <QString>

// The named notifications that carry menu commands to the main window. Each name is created once,
// on first use, and lives for the rest of the process.
class CommandNames
{
public:
    static const QString& rescanRequested();
    static const QString& resetReviewRequested();
    static const QString& ignoreRequested();
    static const QString& clearIgnoreRequested();
    static const QString& resetIgnoreListRequested();
    static const QString& toggleMockModeRequested();
    static const QString& showIgnoredAppsToggled();
};

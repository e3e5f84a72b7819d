#pragma once

#include <QString>

// Every test process runs in a home folder of its own: HOME, XDG_CONFIG_HOME, XDG_DATA_HOME and
// XDG_CACHE_HOME point into a temporary folder that is removed at exit, and so do the Flatpak
// installations (FLATPAK_USER_DIR, FLATPAK_SYSTEM_DIR, FLATPAK_CONFIG_DIR). The locale is US English
// and the time zone UTC, so that date texts are the same on every machine.
class TestEnvironment
{
public:
    // Called by the test main before the Qt application object exists.
    static void setUp();
    static void tearDown();

    static QString homePath();
    static QString configPath();
};

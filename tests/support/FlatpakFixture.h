// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

// Real Flatpak installations in TestEnvironment's FLATPAK_USER_DIR and FLATPAK_SYSTEM_DIR, built
// with the flatpak and ostree tools from a tiny runtime and a local repository (remote "test"):
//   UserApp       user, desktop Name "User App", a blue 64 px icon
//   SystemApp     system, no desktop entry
//   BothApp       both installations, desktop Name "Both App"
//   LocalisedApp  user, desktop Name "Plain", Name[en] "English", Name[en_US] "American"
//   AppDataApp    user, AppStream name "AppStream Name", desktop Name "Desktop Name"
//   FlathubApp    user, from remote "flathub", which then moves to Flathub's address
//   SideloadedApp user, from a bundle file (its origin remote is not enumerable)
class FlatpakFixture
{
public:
    static constexpr const char* UserApp = "org.kudora.test.UserApp";
    static constexpr const char* SystemApp = "org.kudora.test.SystemApp";
    static constexpr const char* BothApp = "org.kudora.test.BothApp";
    static constexpr const char* LocalisedApp = "org.kudora.test.LocalisedApp";
    static constexpr const char* AppDataApp = "org.kudora.test.AppDataApp";
    static constexpr const char* FlathubApp = "org.kudora.test.FlathubApp";
    static constexpr const char* SideloadedApp = "org.kudora.test.SideloadedApp";

    // Built on the first call; error() is empty when that worked, else says what failed.
    static const FlatpakFixture& shared()
    {
        static const FlatpakFixture fixture;
        return fixture;
    }
    const QString& error() const { return m_error; }

    static QString userDir() { return QString::fromLocal8Bit(qgetenv("FLATPAK_USER_DIR")); }
    static QString systemDir() { return QString::fromLocal8Bit(qgetenv("FLATPAK_SYSTEM_DIR")); }

private:
    FlatpakFixture();

    QString m_error;
};

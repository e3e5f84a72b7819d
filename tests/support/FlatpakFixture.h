#pragma once

#include <QString>
#include <QStringList>

// Real Flatpak installations, made once per test process with the flatpak and ostree tools into
// the folders TestEnvironment gives FLATPAK_USER_DIR and FLATPAK_SYSTEM_DIR: a tiny runtime in a
// local repository, served as remote "test" (and as "flathub", whose address then moves to
// Flathub's), and these applications:
//   UserApp       user installation, desktop Name "User App", a 64 px icon
//   SystemApp     system installation, no desktop entry
//   BothApp       both installations, desktop Name "Both App"
//   LocalisedApp  user, desktop Name "Plain" with Name[en] "English" and Name[en_US] "American"
//   AppDataApp    user, AppStream name "AppStream Name" and desktop Name "Desktop Name"
//   FlathubApp    user, from the "flathub" remote
//   SideloadedApp user, installed from a bundle file (its origin remote is not enumerable)
// Runtime is installed in the system installation.
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
    static constexpr const char* Runtime = "org.kudora.test.Platform";

    // Builds the installations on the first call; later calls return the same ones. Check
    // error() before use.
    static const FlatpakFixture& shared();

    // Empty when the installations are in place; else what failed.
    const QString& error() const { return m_error; }
    // How long building took, in seconds.
    double buildSeconds() const { return m_buildSeconds; }

    QString userDir() const;
    QString systemDir() const;

    // The ids a complete scan lists: every application above except SideloadedApp.
    static QStringList listedIDs();

private:
    FlatpakFixture();
    bool build();

    QString m_work;
    QString m_error;
    double m_buildSeconds = 0;
};

#include "TestEnvironment.h"

#include <QDir>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdlib>
#include <ctime>
#include <memory>

namespace {
std::unique_ptr<QTemporaryDir>& root()
{
    static std::unique_ptr<QTemporaryDir> dir;
    return dir;
}

void setPathVariable(const char* name, const QString& path)
{
    QDir().mkpath(path);
    qputenv(name, QFile::encodeName(path));
}
} // namespace

void TestEnvironment::setUp()
{
    root() = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/kudora-test-XXXXXX"));
    const QString base = root()->path();
    setPathVariable("HOME", base + QStringLiteral("/home"));
    setPathVariable("XDG_CONFIG_HOME", base + QStringLiteral("/home/.config"));
    setPathVariable("XDG_DATA_HOME", base + QStringLiteral("/home/.local/share"));
    setPathVariable("XDG_CACHE_HOME", base + QStringLiteral("/home/.cache"));
    setPathVariable("XDG_RUNTIME_DIR", base + QStringLiteral("/runtime"));
    QFile::setPermissions(base + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    // libflatpak and the flatpak tool read these once per process: the machine's own installations
    // and their configuration are never seen.
    setPathVariable("FLATPAK_USER_DIR", base + QStringLiteral("/flatpak/user"));
    setPathVariable("FLATPAK_SYSTEM_DIR", base + QStringLiteral("/flatpak/system"));
    setPathVariable("FLATPAK_CONFIG_DIR", base + QStringLiteral("/flatpak/config"));
    qputenv("TZ", "UTC");
    tzset();
    qputenv("LANG", "en_US.UTF-8");
    qunsetenv("LC_ALL");
    qunsetenv("LC_TIME");
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
}

void TestEnvironment::tearDown()
{
    root().reset();
}

QString TestEnvironment::homePath()
{
    return QDir::homePath();
}

QString TestEnvironment::configPath()
{
    return QFile::decodeName(qgetenv("XDG_CONFIG_HOME"));
}

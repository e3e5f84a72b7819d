// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Built with QT_NO_KEYWORDS: GLib's headers use "signals" as a name.
#include "FlatpakLibrary.h"

#include "ParallelLoop.h"
#include "SafeFile.h"

#include <QFile>
#include <QHash>
#include <QLibrary>
#include <QMutex>
#include <QStandardPaths>

#include <flatpak.h>
#include <vector>

struct FlatpakLibrary::Functions
{
    decltype(&flatpak_installation_new_user) newUserInstallation = nullptr;
    decltype(&flatpak_installation_new_system_with_id) newSystemInstallation = nullptr;
    decltype(&flatpak_installation_list_installed_refs_by_kind) listInstalledRefs = nullptr;
    decltype(&flatpak_installation_get_remote_by_name) remoteByName = nullptr;
    decltype(&flatpak_remote_get_noenumerate) remoteNoEnumerate = nullptr;
    decltype(&flatpak_remote_get_url) remoteURL = nullptr;
    decltype(&flatpak_ref_get_name) refName = nullptr;
    decltype(&flatpak_installed_ref_get_origin) refOrigin = nullptr;
    decltype(&flatpak_installed_ref_get_deploy_dir) refDeployDir = nullptr;
    decltype(&flatpak_installed_ref_get_appdata_name) refAppdataName = nullptr;
    decltype(&flatpak_installed_ref_get_is_current) refIsCurrent = nullptr;
    decltype(&flatpak_error_quark) errorQuark = nullptr;
    decltype(&g_object_unref) objectUnref = nullptr;
    decltype(&g_ptr_array_unref) ptrArrayUnref = nullptr;
    decltype(&g_error_free) errorFree = nullptr;
    decltype(&g_free) free = nullptr;
};

namespace {

template<typename Function>
bool resolve(QLibrary& library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

bool resolveAll(QLibrary& library, FlatpakLibrary::Functions& f)
{
    return resolve(library, "flatpak_installation_new_user", f.newUserInstallation)
        && resolve(library, "flatpak_installation_new_system_with_id", f.newSystemInstallation)
        && resolve(library, "flatpak_installation_list_installed_refs_by_kind", f.listInstalledRefs)
        && resolve(library, "flatpak_installation_get_remote_by_name", f.remoteByName)
        && resolve(library, "flatpak_remote_get_noenumerate", f.remoteNoEnumerate)
        && resolve(library, "flatpak_remote_get_url", f.remoteURL)
        && resolve(library, "flatpak_ref_get_name", f.refName)
        && resolve(library, "flatpak_installed_ref_get_origin", f.refOrigin)
        && resolve(library, "flatpak_installed_ref_get_deploy_dir", f.refDeployDir)
        && resolve(library, "flatpak_installed_ref_get_appdata_name", f.refAppdataName)
        && resolve(library, "flatpak_installed_ref_get_is_current", f.refIsCurrent)
        && resolve(library, "flatpak_error_quark", f.errorQuark)
        // The GLib functions come through the same handle, from the libraries libflatpak loaded.
        && resolve(library, "g_object_unref", f.objectUnref)
        && resolve(library, "g_ptr_array_unref", f.ptrArrayUnref)
        && resolve(library, "g_error_free", f.errorFree) && resolve(library, "g_free", f.free);
}

QString text(const char* utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

using Outcome = FileSystem::Outcome;

struct RemoteInfo
{
    bool enumerable = false;
    QString url;
};

// Lists one installation into listing; false when its refs could not be listed or a remote could
// not be looked up.
bool listInstallation(const FlatpakLibrary::Functions& f, FlatpakInstallation* installation, int number,
                      FlatpakLibrary::Listing& listing)
{
    GError* error = nullptr;
    GPtrArray* refs = f.listInstalledRefs(installation, FLATPAK_REF_KIND_APP, nullptr, &error);
    if (!refs) {
        if (error)
            f.errorFree(error);
        return false;
    }
    bool complete = true;
    QHash<QString, RemoteInfo> remotes;
    for (guint i = 0; i < refs->len; ++i) {
        auto* ref = static_cast<FlatpakInstalledRef*>(refs->pdata[i]);
        FlatpakLibrary::InstalledApp app;
        app.id = text(f.refName(reinterpret_cast<FlatpakRef*>(ref)));
        app.origin = text(f.refOrigin(ref));
        app.deployDir = text(f.refDeployDir(ref));
        app.appdataName = text(f.refAppdataName(ref));
        app.current = f.refIsCurrent(ref);
        app.installation = number;
        auto known = remotes.constFind(app.origin);
        if (known == remotes.cend()) {
            RemoteInfo info;
            GError* remoteError = nullptr;
            const QByteArray origin = app.origin.toUtf8();
            if (FlatpakRemote* remote =
                    f.remoteByName(installation, origin.constData(), nullptr, &remoteError)) {
                info.enumerable = !f.remoteNoEnumerate(remote);
                char* url = f.remoteURL(remote);
                info.url = text(url);
                f.free(url);
                f.objectUnref(remote);
            } else if (!remoteError || remoteError->domain != f.errorQuark()
                       || remoteError->code != FLATPAK_ERROR_REMOTE_NOT_FOUND) {
                // Only a remote that is not there was removed; one that could not be looked up
                // may list the application still.
                complete = false;
            }
            if (remoteError)
                f.errorFree(remoteError);
            known = remotes.insert(app.origin, info);
        }
        app.enumerableOrigin = known->enumerable;
        app.originURL = known->url;
        listing.apps.append(std::move(app));
    }
    f.ptrArrayUnref(refs);
    return complete;
}

// An installation as the disk and the configuration describe it.
struct Installation
{
    // Empty for the user's.
    QByteArray id;
    QString path;
    // Named in installations.d: a folder of its that is gone is more likely a disk not mounted
    // than an installation removed.
    bool configured = false;
};

QString pathFromEnvironment(const char* variable, const QString& fallback)
{
    const QString value = QFile::decodeName(qgetenv(variable));
    return value.isEmpty() ? fallback : value;
}

Installation userInstallation()
{
    return { {},
             pathFromEnvironment("FLATPAK_USER_DIR",
                                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                     + QStringLiteral("/flatpak")),
             false };
}

// The groups [Installation "<id>"] of a file of installations.d, with their Path.
QList<Installation> installationsIn(const QByteArray& file)
{
    static const QByteArray Header = "[Installation \"";
    QList<Installation> found;
    bool inGroup = false;
    for (const QByteArray& rawLine : file.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inGroup = line.startsWith(Header) && line.endsWith("\"]") && line.size() > Header.size() + 2;
            if (inGroup)
                found.append({ line.mid(Header.size(), line.size() - Header.size() - 2), {}, true });
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inGroup && equals > 0 && line.left(equals).trimmed() == "Path")
            found.last().path = QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return found;
}

// The default system installation, then those installations.d configures in the order of its
// files; complete turns false when the folder or one of its files could not be read.
QList<Installation> systemInstallations(bool& complete)
{
    QList<Installation> installations {
        { QByteArrayLiteral("default"),
          pathFromEnvironment("FLATPAK_SYSTEM_DIR", QStringLiteral("/var/lib/flatpak")), false }
    };
    const QString folder =
        FileSystem::joinPath(pathFromEnvironment("FLATPAK_CONFIG_DIR", QStringLiteral("/etc/flatpak")),
                             QStringLiteral("installations.d"));
    Outcome listed;
    QStringList files = FileSystem::listDirectory(folder, &listed).value_or(QStringList());
    complete = complete && listed != Outcome::Failed;
    files.sort();
    for (const QString& name : std::as_const(files)) {
        if (!name.endsWith(QStringLiteral(".conf")))
            continue;
        Outcome read;
        const std::optional<QByteArray> file =
            SafeFile::readRegularFile(FileSystem::joinPath(folder, name), 1024 * 1024, &read);
        complete = complete && read != Outcome::Failed;
        if (file)
            installations.append(installationsIn(*file));
    }
    return installations;
}

// Whether installation holds a repository to list.
Outcome repositoryOf(const Installation& installation)
{
    const Outcome folder = FileSystem::status(installation.path).outcome;
    if (folder != Outcome::Read)
        return folder == Outcome::Absent && !installation.configured ? Outcome::Absent : Outcome::Failed;
    return FileSystem::status(FileSystem::joinPath(installation.path, QStringLiteral("repo"))).outcome;
}

} // namespace

FlatpakLibrary::FlatpakLibrary(QLibrary* library, const Functions* functions)
    : m_library(library)
    , m_functions(functions)
{ }

const FlatpakLibrary* FlatpakLibrary::load(const QString& fileName)
{
    static QMutex mutex;
    // Never destroyed, like the libraries: their objects may outlive any one scan.
    static auto* const loaded = new QHash<QString, const FlatpakLibrary*>;
    const QMutexLocker locker(&mutex);
    const auto known = loaded->constFind(fileName);
    if (known != loaded->cend())
        return *known;
    // Kept for the life of the process: the objects it makes may outlive any one scan.
    const FlatpakLibrary* library = nullptr;
    auto* handle = new QLibrary(fileName);
    auto* functions = new Functions;
    if (handle->load() && resolveAll(*handle, *functions)) {
        library = new FlatpakLibrary(handle, functions);
    } else {
        delete functions;
        delete handle;
    }
    loaded->insert(fileName, library);
    return library;
}

FlatpakLibrary::Listing FlatpakLibrary::installedApps() const
{
    const Functions& f = *m_functions;
    Listing listing;
    QList<Installation> installations { userInstallation() };
    installations.append(systemInstallations(listing.complete));
    // libflatpak reads an installation's refs and their deploy data one by one, which is most of a
    // listing's time, and installations have nothing in common: each is listed on a thread of its
    // own (libflatpak is thread-safe), into its own place, so that the order stays as it was.
    std::vector<Listing> listed(size_t(installations.size()));
    ParallelLoop::run(installations.size(), 1, [&](qsizetype i) {
        const Installation& installation = installations.at(i);
        Listing& own = listed[size_t(i)];
        const Outcome repository = repositoryOf(installation);
        if (repository != Outcome::Read) {
            own.complete = repository == Outcome::Absent;
            return;
        }
        // An installation configured but not opened (libflatpak leaves out what it cannot open)
        // may hold applications all the same.
        GError* error = nullptr;
        FlatpakInstallation* opened = i == 0
            ? f.newUserInstallation(nullptr, &error)
            : f.newSystemInstallation(installation.configured ? installation.id.constData() : nullptr,
                                      nullptr, &error);
        if (error)
            f.errorFree(error);
        if (!opened) {
            own.complete = false;
            return;
        }
        own.complete = listInstallation(f, opened, int(i), own);
        f.objectUnref(opened);
    });
    for (Listing& own : listed) {
        listing.complete = listing.complete && own.complete;
        listing.apps.append(std::move(own.apps));
    }
    return listing;
}

FileSystem::Outcome FlatpakLibrary::installationsOnDisk()
{
    bool complete = true;
    QList<Installation> installations { userInstallation() };
    installations.append(systemInstallations(complete));
    Outcome found = complete ? Outcome::Absent : Outcome::Failed;
    for (const Installation& installation : std::as_const(installations)) {
        const Outcome repository = repositoryOf(installation);
        if (repository == Outcome::Read)
            return Outcome::Read;
        if (repository == Outcome::Failed)
            found = Outcome::Failed;
    }
    return found;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Built with QT_NO_KEYWORDS: GLib's headers use "signals" as a name.
#include "FlatpakLibrary.h"

#include "FlatpakInstallations.h"
#include "ParallelLoop.h"

#include <QHash>
#include <QLibrary>
#include <QMutex>

#include <flatpak.h>
#include <memory>
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

// Owners of what libflatpak hands out, freed through the functions resolved from the library it
// was loaded from: the program links no GLib of its own.
template<typename Function>
struct Releaser
{
    Function release = nullptr;
    template<typename T>
    void operator()(T* pointer) const
    {
        release(pointer);
    }
};
template<typename T>
using Object = std::unique_ptr<T, Releaser<decltype(&g_object_unref)>>;
using Error = std::unique_ptr<GError, Releaser<decltype(&g_error_free)>>;
using PointerArray = std::unique_ptr<GPtrArray, Releaser<decltype(&g_ptr_array_unref)>>;
using Text = std::unique_ptr<char, Releaser<decltype(&g_free)>>;

struct RemoteInfo
{
    bool enumerable = false;
    QString url;
};

// Lists one installation into listing, incomplete when its refs could not be listed or a remote
// could not be looked up.
void listInstallation(const FlatpakLibrary::Functions& f, FlatpakInstallation* installation, int number,
                      FlatpakLibrary::Listing& listing)
{
    GError* error = nullptr;
    const PointerArray refs(f.listInstalledRefs(installation, FLATPAK_REF_KIND_APP, nullptr, &error),
                            { f.ptrArrayUnref });
    const Error listError(error, { f.errorFree });
    if (!refs) {
        listing.completeness.note(Outcome::Failed);
        return;
    }
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
            GError* lookupError = nullptr;
            const QByteArray origin = app.origin.toUtf8();
            const Object<FlatpakRemote> remote(
                f.remoteByName(installation, origin.constData(), nullptr, &lookupError), { f.objectUnref });
            const Error remoteError(lookupError, { f.errorFree });
            if (remote) {
                info.enumerable = !f.remoteNoEnumerate(remote.get());
                info.url = text(Text(f.remoteURL(remote.get()), { f.free }).get());
            } else if (!remoteError || remoteError->domain != f.errorQuark()
                       || remoteError->code != FLATPAK_ERROR_REMOTE_NOT_FOUND) {
                // Only a remote that is not there was removed; one that could not be looked up
                // may list the application still.
                listing.completeness.note(Outcome::Failed);
            }
            known = remotes.insert(app.origin, info);
        }
        app.enumerableOrigin = known->enumerable;
        app.originURL = known->url;
        listing.apps.append(std::move(app));
    }
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
    const QList<FlatpakInstallations::Installation> installations =
        FlatpakInstallations::configured(listing.completeness);
    // libflatpak reads an installation's refs and their deploy data one by one, which is most of a
    // listing's time, and installations have nothing in common: each is listed on a thread of its
    // own (libflatpak is thread-safe), into its own place, so that the order stays as it was.
    std::vector<Listing> listed(size_t(installations.size()));
    ParallelLoop::run(installations.size(), 1, [&](qsizetype i) {
        const FlatpakInstallations::Installation& installation = installations.at(i);
        Listing& own = listed[size_t(i)];
        const Outcome repository = FlatpakInstallations::repositoryOf(installation);
        if (repository != Outcome::Read) {
            own.completeness.note(repository);
            return;
        }
        // An installation configured but not opened (libflatpak leaves out what it cannot open)
        // may hold applications all the same.
        GError* error = nullptr;
        const Object<FlatpakInstallation> opened(
            i == 0 ? f.newUserInstallation(nullptr, &error)
                   : f.newSystemInstallation(installation.configured ? installation.id.constData() : nullptr,
                                             nullptr, &error),
            { f.objectUnref });
        const Error openError(error, { f.errorFree });
        if (!opened) {
            own.completeness.note(Outcome::Failed);
            return;
        }
        listInstallation(f, opened.get(), int(i), own);
        for (InstalledApp& app : own.apps)
            app.installationID = QString::fromUtf8(installation.id);
    });
    for (Listing& own : listed) {
        listing.completeness.note(own.completeness);
        listing.apps.append(std::move(own.apps));
    }
    return listing;
}

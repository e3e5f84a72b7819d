// Built with QT_NO_KEYWORDS: GLib's headers use "signals" as a name.
#include "FlatpakLibrary.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QLibrary>
#include <QMutex>
#include <QStandardPaths>

#include <flatpak.h>

struct FlatpakLibrary::Functions
{
    decltype(&flatpak_installation_new_user) newUserInstallation = nullptr;
    decltype(&flatpak_get_system_installations) systemInstallations = nullptr;
    decltype(&flatpak_installation_list_installed_refs_by_kind) listInstalledRefs = nullptr;
    decltype(&flatpak_installation_get_remote_by_name) remoteByName = nullptr;
    decltype(&flatpak_remote_get_noenumerate) remoteNoEnumerate = nullptr;
    decltype(&flatpak_remote_get_url) remoteURL = nullptr;
    decltype(&flatpak_ref_get_name) refName = nullptr;
    decltype(&flatpak_installed_ref_get_origin) refOrigin = nullptr;
    decltype(&flatpak_installed_ref_get_deploy_dir) refDeployDir = nullptr;
    decltype(&flatpak_installed_ref_get_appdata_name) refAppdataName = nullptr;
    decltype(&flatpak_installed_ref_get_is_current) refIsCurrent = nullptr;
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
        && resolve(library, "flatpak_get_system_installations", f.systemInstallations)
        && resolve(library, "flatpak_installation_list_installed_refs_by_kind", f.listInstalledRefs)
        && resolve(library, "flatpak_installation_get_remote_by_name", f.remoteByName)
        && resolve(library, "flatpak_remote_get_noenumerate", f.remoteNoEnumerate)
        && resolve(library, "flatpak_remote_get_url", f.remoteURL)
        && resolve(library, "flatpak_ref_get_name", f.refName)
        && resolve(library, "flatpak_installed_ref_get_origin", f.refOrigin)
        && resolve(library, "flatpak_installed_ref_get_deploy_dir", f.refDeployDir)
        && resolve(library, "flatpak_installed_ref_get_appdata_name", f.refAppdataName)
        && resolve(library, "flatpak_installed_ref_get_is_current", f.refIsCurrent)
        // The GLib functions come through the same handle, from the libraries libflatpak loaded.
        && resolve(library, "g_object_unref", f.objectUnref)
        && resolve(library, "g_ptr_array_unref", f.ptrArrayUnref)
        && resolve(library, "g_error_free", f.errorFree) && resolve(library, "g_free", f.free);
}

QString text(const char* utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

struct RemoteInfo
{
    bool enumerable = false;
    QString url;
};

// Lists one installation into listing; false when its refs could not be listed.
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
            // A missing remote is no failure: the app was installed from a remote since removed,
            // so no store lists it any more.
            GError* remoteError = nullptr;
            const QByteArray origin = app.origin.toUtf8();
            if (FlatpakRemote* remote =
                    f.remoteByName(installation, origin.constData(), nullptr, &remoteError)) {
                info.enumerable = !f.remoteNoEnumerate(remote);
                char* url = f.remoteURL(remote);
                info.url = text(url);
                f.free(url);
                f.objectUnref(remote);
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
    return true;
}

// Whether the user has an installation at all. Opening one that is not there makes libflatpak
// create an empty repository in the user's home; where none is, nothing is installed either.
bool userInstallationExists()
{
    QString base = QFile::decodeName(qgetenv("FLATPAK_USER_DIR"));
    if (base.isEmpty())
        base = QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
            + QStringLiteral("/flatpak");
    return QDir(base + QStringLiteral("/repo")).exists();
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
    GError* error = nullptr;
    if (!userInstallationExists()) {
        // Nothing to list.
    } else if (FlatpakInstallation* user = f.newUserInstallation(nullptr, &error)) {
        listing.complete = listInstallation(f, user, 0, listing) && listing.complete;
        f.objectUnref(user);
    } else {
        listing.complete = false;
    }
    if (error) {
        f.errorFree(error);
        error = nullptr;
    }
    if (GPtrArray* systems = f.systemInstallations(nullptr, &error)) {
        for (guint i = 0; i < systems->len; ++i)
            listing.complete =
                listInstallation(f, static_cast<FlatpakInstallation*>(systems->pdata[i]), int(i) + 1, listing)
                && listing.complete;
        f.ptrArrayUnref(systems);
    } else {
        listing.complete = false;
    }
    if (error)
        f.errorFree(error);
    return listing;
}

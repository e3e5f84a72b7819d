// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Built with QT_NO_KEYWORDS: GLib's headers use "signals" as a name.
#include "AppStreamLibrary.h"

#include <QHash>
#include <QLibrary>
#include <QMutex>

#include <appstream.h>

struct AppStreamLibrary::Functions
{
    decltype(&as_metadata_new) newMetadata = nullptr;
    decltype(&as_metadata_set_locale) setLocale = nullptr;
    decltype(&as_metadata_set_format_style) setFormatStyle = nullptr;
    decltype(&as_metadata_parse) parse = nullptr;
    decltype(&as_metadata_get_component) component = nullptr;
    decltype(&as_component_set_active_locale) setActiveLocale = nullptr;
    decltype(&as_component_get_id) componentID = nullptr;
    decltype(&as_component_get_kind) componentKind = nullptr;
    decltype(&as_component_get_name) componentName = nullptr;
    decltype(&as_component_get_launchable) launchable = nullptr;
    decltype(&as_launchable_get_entries) launchableEntries = nullptr;
    decltype(&g_object_unref) objectUnref = nullptr;
    decltype(&g_error_free) errorFree = nullptr;
};

namespace {

template<typename Function>
bool resolve(QLibrary& library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(library.resolve(name));
    return function != nullptr;
}

bool resolveAll(QLibrary& library, AppStreamLibrary::Functions& f)
{
    return resolve(library, "as_metadata_new", f.newMetadata)
        && resolve(library, "as_metadata_set_locale", f.setLocale)
        && resolve(library, "as_metadata_set_format_style", f.setFormatStyle)
        && resolve(library, "as_metadata_parse", f.parse)
        && resolve(library, "as_metadata_get_component", f.component)
        && resolve(library, "as_component_set_active_locale", f.setActiveLocale)
        && resolve(library, "as_component_get_id", f.componentID)
        && resolve(library, "as_component_get_kind", f.componentKind)
        && resolve(library, "as_component_get_name", f.componentName)
        && resolve(library, "as_component_get_launchable", f.launchable)
        && resolve(library, "as_launchable_get_entries", f.launchableEntries)
        // The GLib functions come through the same handle, from the libraries libappstream loaded.
        && resolve(library, "g_object_unref", f.objectUnref) && resolve(library, "g_error_free", f.errorFree);
}

QString text(const char* utf8)
{
    return utf8 ? QString::fromUtf8(utf8) : QString();
}

} // namespace

AppStreamLibrary::AppStreamLibrary(QLibrary* library, const Functions* functions)
    : m_library(library)
    , m_functions(functions)
{ }

const AppStreamLibrary* AppStreamLibrary::load(const QString& fileName)
{
    static QMutex mutex;
    // Never destroyed, like the libraries.
    static auto* const loaded = new QHash<QString, const AppStreamLibrary*>;
    const QMutexLocker locker(&mutex);
    const auto known = loaded->constFind(fileName);
    if (known != loaded->cend())
        return *known;
    const AppStreamLibrary* library = nullptr;
    auto* handle = new QLibrary(fileName);
    auto* functions = new Functions;
    if (handle->load() && resolveAll(*handle, *functions)) {
        library = new AppStreamLibrary(handle, functions);
    } else {
        delete functions;
        delete handle;
    }
    loaded->insert(fileName, library);
    return library;
}

std::optional<AppStreamLibrary::Component> AppStreamLibrary::parseMetainfo(const QByteArray& document,
                                                                           const QString& locale) const
{
    const Functions& f = *m_functions;
    // A parser of its own for each document: they are cheap, and share nothing between threads.
    const QByteArray language = locale.toUtf8();
    AsMetadata* metadata = f.newMetadata();
    f.setFormatStyle(metadata, AS_FORMAT_STYLE_METAINFO);
    // Only the translations the user's language can fall back to are kept (de_DE, then de, then
    // the untranslated text): the component picks the same name as with every translation kept,
    // and the parser skips the other languages' texts.
    f.setLocale(metadata, language.constData());
    std::optional<Component> parsed;
    GError* error = nullptr;
    if (f.parse(metadata, document.constData(), AS_FORMAT_KIND_XML, &error)) {
        if (AsComponent* component = f.component(metadata)) {
            f.setActiveLocale(component, language.constData());
            Component found;
            found.id = text(f.componentID(component));
            found.desktopApplication = f.componentKind(component) == AS_COMPONENT_KIND_DESKTOP_APP;
            found.name = text(f.componentName(component));
            if (AsLaunchable* launchable = f.launchable(component, AS_LAUNCHABLE_KIND_DESKTOP_ID)) {
                if (GPtrArray* entries = f.launchableEntries(launchable)) {
                    for (guint i = 0; i < entries->len; ++i)
                        found.desktopIDs.append(text(static_cast<const char*>(entries->pdata[i])));
                }
            }
            if (!found.id.isEmpty())
                parsed = std::move(found);
        }
    }
    if (error)
        f.errorFree(error);
    f.objectUnref(metadata);
    return parsed;
}

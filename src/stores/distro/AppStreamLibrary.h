// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

class QLibrary;

// libappstream, loaded when first asked for rather than linked, as libflatpak is: it would load its
// own dozen libraries at every start, before the window could show. Only its metainfo parser is
// used: a pool would read whatever it finds without saying which file it could not read, and may
// keep a cache, where a scan must only read and must know what it missed. Thread-safe; the library,
// once loaded, stays loaded.
class AppStreamLibrary
{
public:
    // The one component a metainfo file describes, as far as a catalogue needs it.
    struct Component
    {
        QString id;
        // Whether it is a desktop application (not a runtime, an addon, a font, a console tool...).
        bool desktopApplication = false;
        // Its name in the language asked for, else the untranslated one; empty when it has none.
        QString name;
        // The desktop file ids it is launched by, in the order the file gives them.
        QStringList desktopIDs;
    };

    // The library in fileName (found as dlopen finds it), or null when it cannot be loaded or
    // lacks an entry point. Each file is tried once per process.
    static const AppStreamLibrary* load(const QString& fileName = QStringLiteral("libappstream.so.4"));

    // The component of the metainfo document, named for locale ("de_DE"); nothing when the document
    // is not one libappstream can parse, or holds no component.
    std::optional<Component> parseMetainfo(const QByteArray& document, const QString& locale) const;

    struct Functions;

private:
    AppStreamLibrary(QLibrary* library, const Functions* functions);

    // Held so that the handle stays reachable; the library is never unloaded.
    QLibrary* m_library;
    const Functions* m_functions;
};

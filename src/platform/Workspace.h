// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>
#include <QUrl>

#include <functional>

class QObject;

// The desktop around the program: opening web addresses and the icons of files.
class Workspace
{
public:
    virtual ~Workspace() = default;

    using OpenCallback = std::function<void(bool opened)>;

    // Hands url to the desktop's default handler. Only https addresses and, when the desktop has a
    // handler for them (a software centre), appstream and snap ones are ever opened. done hears
    // once whether the handler opened the page, always after this call has returned (a handler can
    // take seconds to tell), and not at all once context, when given, is gone.
    virtual void openUrl(const QUrl& url, QObject* context, OpenCallback done) = 0;

    // Whether the desktop has a program for addresses of scheme; web pages it always has.
    virtual bool handlesScheme(const QString& scheme) { return scheme == u"https"; }

    // The icon of the file at path: a bundle's own icon (CFBundleIconFile in its Contents/Info.plist,
    // read from Contents/Resources) when it has one, a Flatpak deploy folder's exported icon, the
    // image a desktop entry names by its absolute path (a snap's) or by its name in the hicolor
    // theme of the data folders (a distribution application's), else the icon theme's generic
    // application icon.
    virtual QIcon iconForFile(const QString& path) = 0;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QString>
#include <QUrl>

// The desktop around the program: opening web addresses and the icons of files.
class Workspace
{
public:
    virtual ~Workspace() = default;

    // Hands url to the desktop's default handler. Only https addresses and, when the desktop has a
    // handler for them (a software centre), appstream and snap ones are ever opened; the answer says
    // whether the desktop accepted the request.
    virtual bool openUrl(const QUrl& url) = 0;

    // Whether the desktop has a program for addresses of scheme; web pages it always has.
    virtual bool handlesScheme(const QString& scheme) { return scheme == u"https"; }

    // The icon of the file at path: a bundle's own icon (CFBundleIconFile in its Contents/Info.plist,
    // read from Contents/Resources) when it has one, a Flatpak deploy folder's exported icon, the
    // image a desktop entry names by its absolute path (a snap's) or by its name in the hicolor
    // theme of the data folders (a distribution application's), else the icon theme's generic
    // application icon.
    virtual QIcon iconForFile(const QString& path) = 0;
};

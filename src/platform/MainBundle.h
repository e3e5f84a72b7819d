// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QVariantMap>

// The program's own information dictionary (Info.plist, built into the program as a resource):
// its name, identifier, versions and update feed.
class MainBundle
{
public:
    // The dictionary; empty when it cannot be read.
    static QVariantMap infoDictionary();

    // CFBundleIdentifier of an information dictionary; empty when it is not text.
    static QString identifier(const QVariantMap& info);

    // Names the application after an information dictionary: the application name (CFBundleName,
    // "Kudora" when it is not text or is empty) and the version (CFBundleShortVersionString, else
    // CFBundleVersion).
    static void nameApplication(const QVariantMap& info);
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileSystem.h"

#include <QString>
#include <QVariantMap>

#include <optional>

// What a bundle on disk says about itself.
class BundleInfo
{
public:
    // The information dictionary of the bundle directory at bundlePath: Contents/Info.plist for a
    // desktop bundle, else Info.plist at its root (an iOS-style bundle). Nothing when bundlePath
    // is not a directory or neither file can be read as a dictionary. The outcome is Absent when
    // neither file is there, Failed when one is there but holds no dictionary.
    using Outcome = FileSystem::Outcome;
    static ReadResult<QVariantMap> infoDictionary(const QString& bundlePath);

    // The entries of that dictionary that name the bundle: CFBundleIdentifier,
    // CFBundleDisplayName and CFBundleName, as infoDictionary() holds them (the others are not
    // converted, which is most of the cost of a read).
    static ReadResult<QVariantMap> nameEntries(const QString& bundlePath);

    // CFBundleIdentifier of that dictionary when it is text; the outcome as for the dictionary.
    static ReadResult<QString> bundleIdentifier(const QString& bundlePath);

    // While a ReadScope lives, reads of nameEntries() and bundleIdentifier() on its thread keep
    // the last bundle's entries, so that a scan asking for a bundle's name and its identifier in
    // separate steps reads and parses the file once, and both come from the same version of it.
    // Outside a scope every read goes to the disk. Scopes nest; not to be shared between threads.
    class ReadScope
    {
    public:
        ReadScope();
        ~ReadScope();
        ReadScope(const ReadScope&) = delete;
        ReadScope& operator=(const ReadScope&) = delete;
    };
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Fills a folder with application bundles in the mix a real Applications folder has: App Store
// applications with "Contents/Info.plist" and a receipt-less id in "Contents/iTunesMetadata.plist",
// wrapped iOS-style bundles, applications from elsewhere, a few entries that are no bundle; the
// property lists alternate between XML and binary form.
namespace FixtureBundles {

struct Counts
{
    int bundles = 0;
    // The bundles that carry an App Store id, which a scan must list.
    int appStoreApps = 0;
};

// Creates folder (and its parents) and count bundles in it; a count of zero bundles on failure.
Counts create(const QString& folder, int count);

// How many of count bundles create() gives an App Store id.
int appStoreCount(int count);

// The bundle file name of the i-th bundle, as create() names it.
QString bundleName(int i);

} // namespace FixtureBundles

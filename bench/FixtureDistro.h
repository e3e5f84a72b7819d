// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A prefix as a distribution's packages fill it, for the benchmarks: share/metainfo with one
// desktop application's metainfo each, "org.kudora.bench.Distro000", ..., written as the software
// centres' applications ship theirs (name, summary and description in 30 languages, releases,
// screenshots, links), share/applications with their desktop entries, and their icons in the
// hicolor theme. In data/, GNOME Shell's record of a use of every other one.
namespace FixtureDistro {

// The prefix's share folder, the one to put on $XDG_DATA_DIRS.
QString share(const QString& root);
// The data home holding the usage records.
QString dataHome(const QString& root);

// Makes the prefix in root, or keeps it when it already holds the same number of applications;
// false when a file could not be written.
bool create(const QString& root, int apps);

} // namespace FixtureDistro

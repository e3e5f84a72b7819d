// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QString>

// Real Flatpak installations for the benchmarks, built with the flatpak and ostree tools from a
// tiny runtime and a local repository (remote "bench"): the runtime and the first half of the
// applications "org.kudora.bench.App000", ... in the system installation, the rest in the user's;
// each application has a desktop entry named "Bench App <n>". Building 200 takes about a minute,
// so a folder that already holds a complete set of the same size is used as it is.
namespace FixtureFlatpak {

// The id of application i, from 0.
QString appID(int i);

// The variables that point libflatpak and the flatpak tool at the installations in root.
QList<QPair<QByteArray, QByteArray>> environment(const QString& root);

// Makes the installations in root (user/, system/, config/, and work/ for the repository); false
// with the reason on stderr when a step failed.
bool create(const QString& root, int apps);

} // namespace FixtureFlatpak

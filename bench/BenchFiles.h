// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <string>

// The file work the bench programs share: writing their fixtures, knowing a fixture folder
// already holds a complete set, and the floors' plain reads.
namespace BenchFiles {

// Writes bytes to path, making its folder; false when that failed.
bool writeFile(const QString& path, const QByteArray& bytes);

// Whether root holds a complete set of apps applications, as markComplete() left it; a set
// of another size, or one whose making was cut short, is not.
bool isComplete(const QString& root, int apps);
bool markComplete(const QString& root, int apps);

// Appends the whole file at path to into with open(2) and read(2) alone, as a floor reads;
// false when it cannot be opened.
bool readBytes(const std::string& path, std::string& into);

} // namespace BenchFiles

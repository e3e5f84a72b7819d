// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BundleInfo.h"

#include "FileSystem.h"
#include "PropertyList.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
using Outcome = BundleInfo::Outcome;

// Reads the dictionary with read (a PropertyList reader taking the file's path and an outcome).
// Whether bundlePath is a directory needs no test of its own: a file below anything else cannot be
// opened. The root Info.plist is asked only when Contents/Info.plist is not there at all: one that
// is there but cannot be read says nothing of the bundle's identity either way.
template<typename Read>
std::optional<QVariantMap> readInfo(const QString& bundlePath, Outcome& outcome, const Read& read)
{
    outcome = Outcome::Absent;
    if (bundlePath.isEmpty())
        return std::nullopt;
    auto dictionary = read(FileSystem::joinPath(bundlePath, u"Contents/Info.plist"_s), &outcome);
    if (dictionary || outcome != Outcome::Absent)
        return dictionary;
    return read(FileSystem::joinPath(bundlePath, u"Info.plist"_s), &outcome);
}

std::optional<QVariantMap> readNameEntries(const QString& bundlePath, Outcome& outcome)
{
    static const QStringList keys { u"CFBundleIdentifier"_s, u"CFBundleDisplayName"_s, u"CFBundleName"_s };
    return readInfo(bundlePath, outcome, [](const QString& path, Outcome* read) {
        return PropertyList::readDictionaryValues(path, keys, read);
    });
}

// The last read of the innermost ReadScope of this thread.
struct ScopeCache
{
    int depth = 0;
    bool filled = false;
    QString bundlePath;
    std::optional<QVariantMap> entries;
    Outcome outcome = Outcome::Absent;
};

thread_local ScopeCache t_scope;
} // namespace

BundleInfo::ReadScope::ReadScope()
{
    ++t_scope.depth;
}

BundleInfo::ReadScope::~ReadScope()
{
    if (--t_scope.depth == 0)
        t_scope = ScopeCache();
}

std::optional<QVariantMap> BundleInfo::infoDictionary(const QString& bundlePath, Outcome* outcome)
{
    Outcome read;
    auto dictionary = readInfo(bundlePath, read, [](const QString& path, Outcome* readOutcome) {
        return PropertyList::readDictionary(path, readOutcome);
    });
    if (outcome)
        *outcome = read;
    return dictionary;
}

std::optional<QVariantMap> BundleInfo::nameEntries(const QString& bundlePath, Outcome* outcome)
{
    Outcome read;
    if (t_scope.depth == 0) {
        auto entries = readNameEntries(bundlePath, read);
        if (outcome)
            *outcome = read;
        return entries;
    }
    if (!t_scope.filled || t_scope.bundlePath != bundlePath) {
        t_scope.entries = readNameEntries(bundlePath, t_scope.outcome);
        t_scope.bundlePath = bundlePath;
        t_scope.filled = true;
    }
    if (outcome)
        *outcome = t_scope.outcome;
    return t_scope.entries;
}

std::optional<QString> BundleInfo::bundleIdentifier(const QString& bundlePath, Outcome* outcome)
{
    const auto entries = nameEntries(bundlePath, outcome);
    if (!entries)
        return std::nullopt;
    const QVariant identifier = entries->value(u"CFBundleIdentifier"_s);
    if (identifier.typeId() != QMetaType::QString)
        return std::nullopt;
    return identifier.toString();
}

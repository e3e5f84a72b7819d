// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BundleInfo.h"

#include "FileSystem.h"
#include "PropertyList.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
using Outcome = BundleInfo::Outcome;

// Reads the dictionary with read (a PropertyList reader taking the file's path).
// Whether bundlePath is a directory needs no test of its own: a file below anything else cannot be
// opened. The root Info.plist is asked only when Contents/Info.plist is not there at all: one that
// is there but cannot be read says nothing of the bundle's identity either way.
template<typename ReadFile>
ReadResult<QVariantMap> readInfo(const QString& bundlePath, const ReadFile& read)
{
    if (bundlePath.isEmpty())
        return Outcome::Absent;
    auto dictionary = read(FileSystem::joinPath(bundlePath, u"Contents/Info.plist"_s));
    if (dictionary || dictionary.outcome() != Outcome::Absent)
        return dictionary;
    return read(FileSystem::joinPath(bundlePath, u"Info.plist"_s));
}

ReadResult<QVariantMap> readNameEntries(const QString& bundlePath)
{
    static const QStringList keys { u"CFBundleIdentifier"_s, u"CFBundleDisplayName"_s, u"CFBundleName"_s };
    return readInfo(bundlePath,
                    [](const QString& path) { return PropertyList::readDictionaryValues(path, keys); });
}

// The last read of the innermost ReadScope of this thread.
struct ScopeCache
{
    int depth = 0;
    bool filled = false;
    QString bundlePath;
    ReadResult<QVariantMap> entries;
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

ReadResult<QVariantMap> BundleInfo::infoDictionary(const QString& bundlePath)
{
    return readInfo(bundlePath, [](const QString& path) { return PropertyList::readDictionary(path); });
}

ReadResult<QVariantMap> BundleInfo::nameEntries(const QString& bundlePath)
{
    if (t_scope.depth == 0)
        return readNameEntries(bundlePath);
    if (!t_scope.filled || t_scope.bundlePath != bundlePath) {
        t_scope.entries = readNameEntries(bundlePath);
        t_scope.bundlePath = bundlePath;
        t_scope.filled = true;
    }
    return t_scope.entries;
}

ReadResult<QString> BundleInfo::bundleIdentifier(const QString& bundlePath)
{
    const ReadResult<QVariantMap> entries = nameEntries(bundlePath);
    if (!entries)
        return entries.outcome();
    const QVariant identifier = entries->value(u"CFBundleIdentifier"_s);
    if (identifier.typeId() != QMetaType::QString)
        return { std::nullopt, entries.outcome() };
    return identifier.toString();
}

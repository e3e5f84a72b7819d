// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DefaultsDomain.h"

#include "FileDefaultsDomain.h"
#include "FileSystem.h"
#include "MemoryDefaultsDomain.h"
#include "ReadOnlyDefaultsDomain.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMutex>

namespace {
// A base folder from the environment as the XDG base-directory rules read it: only an absolute
// path counts, anything else means the default under the home folder.
QString baseFolder(const char* variable, const QString& defaultBelowHome)
{
    const QString value = qEnvironmentVariable(variable);
    if (value.startsWith(u'/'))
        return value;
    return FileSystem::joinPath(QDir::homePath(), defaultBelowHome);
}

// One object per file in the process. Two would each take the file's lock, and a write through
// one while the other holds a batch open would wait for the process's own lock for ever.
std::shared_ptr<DefaultsDomain> sharedFileDomain(const QString& path)
{
    static QMutex mutex;
    static QHash<QString, std::weak_ptr<DefaultsDomain>> open;
    const QMutexLocker locker(&mutex);
    std::weak_ptr<DefaultsDomain>& entry = open[path];
    std::shared_ptr<DefaultsDomain> domain = entry.lock();
    if (!domain) {
        domain = std::make_shared<FileDefaultsDomain>(path);
        entry = domain;
    }
    return domain;
}

bool isPlainName(const QString& name)
{
    return !name.isEmpty() && name != u"." && name != u".." && !name.contains(u'/')
        && !name.contains(QChar(0));
}

// Where the domain called name may live, in the order it is looked for: its own file in the config
// folder, then the application's standard domain. None for a name that is no plain file name.
QStringList filePaths(const QString& name)
{
    if (!isPlainName(name))
        return {};
    return { FileSystem::joinPath(baseFolder("XDG_CONFIG_HOME", QStringLiteral(".config")),
                                  name + QStringLiteral(".plist")),
             FileSystem::joinPath(
                 FileSystem::joinPath(baseFolder("XDG_DATA_HOME", QStringLiteral(".local/share")), name),
                 QStringLiteral("standard.plist")) };
}
} // namespace

std::shared_ptr<DefaultsDomain> DefaultsDomain::open(const QString& name)
{
    for (const QString& path : filePaths(name)) {
        if (FileDefaultsDomain::isUsable(path))
            return sharedFileDomain(path);
    }
    return std::make_shared<MemoryDefaultsDomain>();
}

std::shared_ptr<DefaultsDomain> DefaultsDomain::openForReading(const QString& name)
{
    for (const QString& path : filePaths(name)) {
        if (QFileInfo::exists(path))
            return std::make_shared<ReadOnlyDefaultsDomain>(path);
    }
    return std::make_shared<ReadOnlyDefaultsDomain>(QString());
}

void DefaultsDomain::setValue(const QString& key, const QVariant& value)
{
    modify(key, [&value](const QVariant&) { return Change::set(value); });
}

void DefaultsDomain::removeValue(const QString& key)
{
    modify(key, [](const QVariant&) { return Change::remove(); });
}

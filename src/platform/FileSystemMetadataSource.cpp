// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSystemMetadataSource.h"

#include "BundleInfo.h"
#include "FileSystem.h"

#include <QDateTime>
#include <QFile>

#include <cstring>
#include <limits>
#include <sys/xattr.h>

using namespace Qt::StringLiterals;

namespace {
constexpr char LastUsedDateAttribute[] = "user.com.apple.lastuseddate#PS";

qint64 readLittleEndian64(const unsigned char* bytes)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return qint64(value);
}

// QDateTime holds milliseconds; the finer part of a time stamp is dropped.
QDateTime dateFrom(qint64 seconds, qint64 nanoseconds)
{
    if (nanoseconds < 0 || nanoseconds >= 1000000000)
        return {};
    // Beyond this, milliseconds would overflow 64 bits; no real time stamp is there.
    constexpr qint64 Limit = std::numeric_limits<qint64>::max() / 1000 - 1;
    if (seconds < -Limit || seconds > Limit)
        return {};
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::UTC);
}

QDateTime lastUsedDate(const QByteArray& nativePath)
{
    unsigned char value[16];
    const ssize_t size = ::getxattr(nativePath.constData(), LastUsedDateAttribute, value, sizeof value);
    if (size != ssize_t(sizeof value))
        return {};
    return dateFrom(readLittleEndian64(value), readLittleEndian64(value + 8));
}

QVariant displayName(const QString& path)
{
    if (const auto entries = BundleInfo::nameEntries(path)) {
        for (const auto& key : { u"CFBundleDisplayName"_s, u"CFBundleName"_s }) {
            const QVariant name = entries->value(key);
            if (name.typeId() == QMetaType::QString)
                return name;
        }
    }
    return {};
}

QVariant valid(const QDateTime& date)
{
    return date.isValid() ? QVariant(date) : QVariant();
}
} // namespace

std::optional<MetadataItem> FileSystemMetadataSource::itemForPath(const QString& path) const
{
    const FileSystem::Status status = FileSystem::status(path);
    if (status.outcome != FileSystem::Outcome::Read)
        return std::nullopt;

    // The scanner passes over most bundles that are not from the App Store after their first
    // attribute; the name and the last use are read only for those that are kept.
    QByteArray nativePath = QFile::encodeName(path);
    const QDateTime modified = status.modified;
    return MetadataItem([path, nativePath = std::move(nativePath), modified](QStringView name) {
        if (name == kMDItemFSContentChangeDate)
            return valid(modified);
        if (name == kMDItemLastUsedDate)
            return valid(lastUsedDate(nativePath));
        if (name == kMDItemDisplayName)
            return displayName(path);
        return QVariant();
    });
}

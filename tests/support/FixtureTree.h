// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PropertyList.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <sys/stat.h>

// A folder tree that a test builds for itself, removed when the object goes. Every method takes
// paths relative to the tree and returns the absolute path.
class FixtureTree
{
public:
    FixtureTree() { EXPECT_TRUE(m_dir.isValid()) << qPrintable(m_dir.errorString()); }

    QString path() const { return m_dir.path(); }
    QString pathOf(const QString& relative) const { return path() + u'/' + relative; }

    QString makeFolder(const QString& relative)
    {
        EXPECT_TRUE(QDir().mkpath(pathOf(relative))) << qPrintable(relative);
        return pathOf(relative);
    }
    QString writeFile(const QString& to, const QByteArray& bytes) { return write(pathOf(to), bytes); }
    // Anywhere: the folders on the way are made too.
    static QString write(const QString& path, const QByteArray& bytes)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size())
            << qPrintable(path);
        return path;
    }
    QString writePlist(const QString& relative, const QVariantMap& dictionary,
                       PropertyList::Format format = PropertyList::Format::Xml)
    {
        const QByteArray bytes = PropertyList::serialize(dictionary, format);
        EXPECT_FALSE(bytes.isEmpty()) << qPrintable(relative);
        return writeFile(relative, bytes);
    }
    // relative/Contents/Info.plist with CFBundleIdentifier (when given) and moreInfo, and
    // relative/Contents/iTunesMetadata.plist with itemId when given.
    QString makeBundle(const QString& relative, const std::optional<QString>& bundleIdentifier,
                       const std::optional<qlonglong>& itemId = std::nullopt,
                       const QVariantMap& moreInfo = {},
                       PropertyList::Format format = PropertyList::Format::Xml)
    {
        QVariantMap info = moreInfo;
        if (bundleIdentifier)
            info.insert(QStringLiteral("CFBundleIdentifier"), *bundleIdentifier);
        writePlist(relative + QStringLiteral("/Contents/Info.plist"), info, format);
        if (itemId)
            writePlist(relative + QStringLiteral("/Contents/iTunesMetadata.plist"),
                       { { QStringLiteral("itemId"), *itemId } }, format);
        return pathOf(relative);
    }
    // Of a symbolic link too, not of its target.
    void setModificationTime(const QString& relative, const QDateTime& time)
    {
        const qint64 msecs = time.toMSecsSinceEpoch();
        const timespec at { time_t(msecs / 1000), long(msecs % 1000) * 1000000 };
        const timespec times[2] = { at, at };
        EXPECT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(pathOf(relative)).constData(), times,
                              AT_SYMLINK_NOFOLLOW),
                  0)
            << qPrintable(relative);
    }

private:
    QTemporaryDir m_dir { QDir::tempPath() + QStringLiteral("/kudora-fixture-XXXXXX") };
};

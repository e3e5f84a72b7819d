// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixtureTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

FixtureTree::FixtureTree()
    : m_dir(QDir::tempPath() + QStringLiteral("/kudora-fixture-XXXXXX"))
{
    EXPECT_TRUE(m_dir.isValid()) << qPrintable(m_dir.errorString());
}

QString FixtureTree::makeFolder(const QString& relative)
{
    EXPECT_TRUE(QDir().mkpath(pathOf(relative))) << qPrintable(relative);
    return pathOf(relative);
}

QString FixtureTree::write(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate) && out.write(bytes) == bytes.size())
        << qPrintable(path);
    return path;
}

QString FixtureTree::writePlist(const QString& relative, const QVariantMap& dictionary,
                                PropertyList::Format format)
{
    const QByteArray bytes = PropertyList::serialize(dictionary, format);
    EXPECT_FALSE(bytes.isEmpty()) << qPrintable(relative);
    return writeFile(relative, bytes);
}

QString FixtureTree::makeBundle(const QString& relative, const std::optional<QString>& bundleIdentifier,
                                const std::optional<qlonglong>& itemId, const QVariantMap& moreInfo,
                                PropertyList::Format format)
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

void FixtureTree::setModificationTime(const QString& relative, const QDateTime& time)
{
    const qint64 msecs = time.toMSecsSinceEpoch();
    const timespec at { time_t(msecs / 1000), long(msecs % 1000) * 1000000 };
    const timespec times[2] = { at, at };
    EXPECT_EQ(
        ::utimensat(AT_FDCWD, QFile::encodeName(pathOf(relative)).constData(), times, AT_SYMLINK_NOFOLLOW), 0)
        << qPrintable(relative);
}

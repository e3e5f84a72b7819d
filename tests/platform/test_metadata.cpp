// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileSystemMetadataSource.h"
#include "FixtureTree.h"

#include <QFile>
#include <QtEndian>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/xattr.h>

using namespace Qt::StringLiterals;

TEST(FileSystemMetadataSource, NamesComeFromTheInfoTextAndTheLastUseFromItsAttribute)
{
    FixtureTree tree;
    const FileSystemMetadataSource source;
    EXPECT_FALSE(source.itemForPath(tree.pathOf(u"Missing.app"_s)).has_value());
    EXPECT_FALSE(source.itemForPath(tree.writeFile(u"Plain.app"_s, "not a bundle"))
                     ->attribute(kMDItemDisplayName)
                     .isValid());
    // The display name before the short name, and texts only.
    const QString shown = u"CFBundleDisplayName"_s, name = u"CFBundleName"_s;
    const std::pair<QVariantMap, QVariant> cases[] = {
        { { { shown, u"Shown"_s }, { name, u"Short"_s } }, u"Shown"_s },
        { { { shown, qlonglong(3) }, { name, u"Short"_s } }, u"Short"_s },
        { {}, {} },
    };
    int n = 0;
    for (const auto& [info, expected] : cases) {
        const QString bundle = tree.makeBundle(u"A%1.app"_s.arg(++n), u"x.y"_s, std::nullopt, info);
        EXPECT_EQ(source.itemForPath(bundle)->attribute(kMDItemDisplayName), expected) << n;
    }
    const QString bundle = tree.pathOf(u"A1.app"_s);
    const auto utc = [](const char* iso) {
        return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs);
    };
    EXPECT_FALSE(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate).isValid());
    // Seconds and nanoseconds, little-endian; a wrong size or impossible nanoseconds mean nothing.
    const auto lastUsed = [&](qint64 seconds, qint64 nanoseconds, int size) {
        const qint64 value[] = { qToLittleEndian(seconds), qToLittleEndian(nanoseconds) };
        return ::setxattr(QFile::encodeName(bundle).constData(), "user.com.apple.lastuseddate#PS", value,
                          size_t(size), 0)
            ? QVariant(u"no user attributes here"_s)
            : source.itemForPath(bundle)->attribute(kMDItemLastUsedDate);
    };
    const QVariant used = lastUsed(utc("2022-08-09T10:11:12Z").toSecsSinceEpoch(), 345678901, 16);
    if (used == QVariant(u"no user attributes here"_s))
        GTEST_SKIP() << "the file system takes no user extended attributes (" << errno << ")";
    EXPECT_EQ(used, QVariant(utc("2022-08-09T10:11:12.345Z")));
    EXPECT_FALSE(lastUsed(utc("2022-08-09T10:11:12Z").toSecsSinceEpoch(), 0, 8).isValid());
    EXPECT_FALSE(lastUsed(0, 2000000000, 16).isValid());
}

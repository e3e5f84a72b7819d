// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DefaultsDomain.h"
#include "FileDefaultsDomain.h"
#include "FixtureTree.h"
#include "PropertyList.h"
#include "SafeFile.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QScopeGuard>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(FileDefaultsDomain, KeepsTypedValuesInAPrivateBinaryFile)
{
    FixtureTree tree;
    const QString folder = tree.pathOf(u"new/folder"_s), file = folder + u"/org.example.plist"_s;
    FileDefaultsDomain writer(file);
    const QVariantMap values {
        { u"ids"_s, QVariantList { u"a.b"_s, u"c.d"_s } },
        { u"dates"_s, QVariantMap { { u"a.b"_s, QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC) } } },
        { u"count"_s, qlonglong(-3) }
    };
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        writer.setValue(it.key(), it.value());
    writer.setValue(u"ids"_s, QStringList { u"a.b"_s, u"c.d"_s }); // the same, as a list
    writer.setValue(u"gone"_s, u"soon"_s);
    writer.removeValue(u"gone"_s);
    // Neither group nor others may read the file or enter its folder.
    EXPECT_FALSE(QFile::permissions(file) & 0x0077 || QFile::permissions(folder) & 0x0077);
    const QByteArray bytes = SafeFile::readRegularFile(file).value_or(QByteArray());
    EXPECT_TRUE(bytes.startsWith("bplist00"));
    EXPECT_EQ(PropertyList::parseDictionary(bytes), values);
}

TEST(FileDefaultsDomain, BatchWritesTheFileOnceWhenTheOutermostBatchEnds)
{
    FixtureTree tree;
    const QString path = tree.pathOf(u"org.example.plist"_s);
    FileDefaultsDomain domain(path);
    domain.setValue(u"kept"_s, u"old"_s);
    const auto append = [&domain](const QString& entry) {
        domain.modify(u"list"_s, [&entry](const QVariant& list) {
            return DefaultsDomain::Change::set(list.toList() << entry);
        });
    };
    const auto before = SafeFile::readRegularFile(path);
    const auto openDescriptors = [] {
        return QDir(u"/proc/self/fd"_s).entryList(QDir::System | QDir::NoDotAndDotDot).size();
    };
    const qsizetype descriptors = openDescriptors();
    {
        const DefaultsDomain::Batch outer(domain);
        {
            const DefaultsDomain::Batch inner(domain);
            append(u"a"_s);
        }
        append(u"b"_s);
        domain.setValue(u"kept"_s, QPoint()); // cannot be stored: the old value stays
        domain.removeValue(u"missing"_s);
        // Every read of this process sees the changes at once; the file waits for the end.
        EXPECT_EQ(domain.value(u"list"_s).toStringList(), (QStringList { u"a"_s, u"b"_s }));
        EXPECT_EQ(SafeFile::readRegularFile(path), before);
    }
    EXPECT_EQ(PropertyList::readDictionary(path),
              (QVariantMap { { u"kept"_s, u"old"_s }, { u"list"_s, QVariantList { u"a"_s, u"b"_s } } }));
    // A batch that changes nothing writes nothing.
    ASSERT_TRUE(QFile::remove(path));
    {
        const DefaultsDomain::Batch idle(domain);
    }
    EXPECT_FALSE(QFile::exists(path));
    // The lock of each batch and the file of each write are closed again.
    EXPECT_EQ(openDescriptors(), descriptors);
}

TEST(DefaultsDomain, OpensOneSharedDomainInTheConfigFolder)
{
    const auto domain = DefaultsDomain::open(u"org.example.app"_s);
    {
        // Two parts of the program opening the same domain share it: a write through one while
        // the other holds a batch open joins the batch instead of waiting for the file's lock.
        const auto other = DefaultsDomain::open(u"org.example.app"_s);
        EXPECT_EQ(other.get(), domain.get());
        const DefaultsDomain::Batch batch(*domain);
        other->setValue(u"k"_s, qlonglong(2));
        EXPECT_EQ(domain->value(u"k"_s), QVariant(qlonglong(2)));
    }
    // A relative folder counts as unset. (The fallbacks are the reliability tests' concern.)
    const auto restore =
        qScopeGuard([config = qgetenv("XDG_CONFIG_HOME")] { qputenv("XDG_CONFIG_HOME", config); });
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(DefaultsDomain::open(u"org.example.app"_s)->location(),
              TestEnvironment::homePath() + u"/.config/org.example.app.plist"_s);
}

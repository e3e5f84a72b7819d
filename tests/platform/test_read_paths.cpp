// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The shortcuts that the scanner takes when reading: each must give exactly what the plain read
// gives, and never a stale result once the file on disk has changed.
#include "BundleInfo.h"
#include "FixtureTree.h"
#include "PropertyList.h"
#include "SafeFile.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ReadPaths, SingleAndSelectedValueReadsMatchTheWholeDictionary)
{
    FixtureTree tree;
    QVariantList many;
    for (int i = 0; i < 1500; ++i)
        many.append(u"item %1"_s.arg(i));
    const QStringList keys { u"itemId"_s, u"many"_s, u"nested"_s, u"absent"_s };
    const QVariantMap dictionary { { u"itemId"_s, qlonglong(42) },
                                   { u"many"_s, many },
                                   { u"nested"_s, QVariantMap { { u"k"_s, u"v"_s } } } };
    for (const QString& path :
         { tree.writePlist(u"d.xml"_s, dictionary, PropertyList::Format::Xml),
           tree.writePlist(u"d.plist"_s, dictionary, PropertyList::Format::Binary),
           // Repeated keys (the later entry wins) and containers among the selected values.
           tree.writeFile(u"r.plist"_s,
                          "<plist><dict><key>itemId</key><string>1</string><key>b</key><true/>"
                          "<key>itemId</key><string>2</string><key>many</key><integer>3</integer>"
                          "<key>many</key><dict><key>e</key><integer>1</integer></dict>"
                          "<key>nested</key><array/></dict></plist>") }) {
        const auto whole = PropertyList::readDictionary(path);
        ASSERT_TRUE(whole.has_value());
        QVariantMap selected;
        for (const QString& key : keys) {
            EXPECT_EQ(PropertyList::readDictionaryValue(path, key), whole->value(key)) << qPrintable(key);
            if (whole->contains(key))
                selected.insert(key, whole->value(key));
        }
        EXPECT_EQ(PropertyList::readDictionaryValues(path, keys), selected);
    }
    EXPECT_EQ(PropertyList::readDictionaryValue(tree.pathOf(u"r.plist"_s), u"itemId"_s), QVariant(u"2"_s));
    // Only files within the size limit with a dictionary at the root; a valid one padded past the limit.
    const QByteArray padded =
        QByteArray(SafeFile::DefaultLimit, ' ') + PropertyList::serialize(QVariantMap {});
    EXPECT_TRUE(PropertyList::parseDictionary(padded).has_value());
    for (const QString& path : { tree.writeFile(u"a.plist"_s, "<plist><array/></plist>"),
                                 tree.pathOf(u"missing"_s), tree.writeFile(u"big.plist"_s, padded) }) {
        EXPECT_FALSE(PropertyList::readDictionary(path));
        EXPECT_FALSE(PropertyList::readDictionaryValue(path, u"x"_s));
        EXPECT_FALSE(PropertyList::readDictionaryValues(path, keys));
    }
}

TEST(ReadPaths, BundleScopeReadsOnceAndOnlyWithinTheScope)
{
    FixtureTree tree;
    const QString bundle = tree.makeBundle(u"A.app"_s, u"first.id"_s);
    const auto rewrite = [&](const QString& id) {
        tree.writePlist(u"A.app/Contents/Info.plist"_s, { { u"CFBundleIdentifier"_s, id } });
    };
    {
        const BundleInfo::ReadScope scope;
        EXPECT_EQ(BundleInfo::bundleIdentifier(bundle), u"first.id"_s);
        rewrite(u"second.id"_s);
        // One scan sees one version of a bundle.
        EXPECT_EQ(BundleInfo::bundleIdentifier(bundle), u"first.id"_s);
    }
    rewrite(u"third.id"_s);
    EXPECT_EQ(BundleInfo::bundleIdentifier(bundle), u"third.id"_s);
    const BundleInfo::ReadScope next; // and the next scan starts afresh
    EXPECT_EQ(BundleInfo::bundleIdentifier(bundle), u"third.id"_s);
}

// The shortcuts that the scanner and the store take when reading: each must give exactly what the
// plain read gives, and never a stale result once the file on disk has changed.

#include "BundleInfo.h"
#include "FileDefaultsDomain.h"
#include "FixtureTree.h"
#include "PropertyList.h"
#include "SafeFile.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(ReadPaths, singleValueReadMatchesWholeDictionary)
{
    FixtureTree tree;
    QVariantList many;
    for (int i = 0; i < 1500; ++i)
        many.append(u"item %1"_s.arg(i));
    const QVariantMap dictionary { { u"itemId"_s, qlonglong(42) },
                                   { u"many"_s, many },
                                   { u"nested"_s, QVariantMap { { u"k"_s, u"v"_s } } } };
    for (const auto format : { PropertyList::Format::Xml, PropertyList::Format::Binary }) {
        const QString path = tree.writePlist(u"d.plist"_s, dictionary, format);
        // Large arrays keep every item in order.
        ASSERT_EQ(PropertyList::readDictionary(path), dictionary);
        for (const QString& key : { u"itemId"_s, u"many"_s, u"nested"_s, u"absent"_s })
            EXPECT_EQ(PropertyList::readDictionaryValue(path, key), dictionary.value(key))
                << key.toStdString();
    }
    EXPECT_FALSE(
        PropertyList::readDictionaryValue(tree.writeFile(u"a.plist"_s, "<plist><array/></plist>"), u"x"_s));
    EXPECT_FALSE(PropertyList::readDictionaryValue(tree.pathOf(u"missing.plist"_s), u"x"_s));
}

TEST(ReadPaths, selectedValuesReadMatchesWholeDictionary)
{
    FixtureTree tree;
    // Repeated keys (the later entry wins) and containers among the selected values.
    const QString path = tree.writeFile(u"d.plist"_s,
                                        "<plist><dict><key>a</key><string>1</string><key>b</key><true/>"
                                        "<key>a</key><string>2</string><key>c</key><integer>3</integer>"
                                        "<key>c</key><dict><key>e</key><integer>1</integer></dict>"
                                        "<key>d</key><array/></dict></plist>");
    const auto whole = PropertyList::readDictionary(path);
    ASSERT_TRUE(whole.has_value());
    const QStringList keys { u"a"_s, u"c"_s, u"d"_s, u"absent"_s };
    QVariantMap expected;
    for (const QString& key : keys) {
        if (whole->contains(key))
            expected.insert(key, whole->value(key));
        EXPECT_EQ(PropertyList::readDictionaryValue(path, key), whole->value(key)) << key.toStdString();
    }
    EXPECT_EQ(expected.value(u"a"_s), QVariant(u"2"_s));
    EXPECT_EQ(PropertyList::readDictionaryValues(path, keys), expected);
    EXPECT_FALSE(PropertyList::readDictionaryValues(tree.pathOf(u"missing.plist"_s), keys));
}

TEST(ReadPaths, fileReadsKeepSizeLimitAndContent)
{
    FixtureTree tree;
    const QByteArray bytes(100000, 'x');
    const QString path = tree.writeFile(u"f"_s, bytes);
    EXPECT_EQ(SafeFile::readRegularFile(path), bytes);
    EXPECT_EQ(SafeFile::readRegularFile(path, bytes.size()), bytes);
    EXPECT_FALSE(SafeFile::readRegularFile(path, bytes.size() - 1));
    // Empty is a content, not a failure.
    EXPECT_EQ(SafeFile::readRegularFile(tree.writeFile(u"empty"_s, {})), QByteArray());
}

TEST(ReadPaths, bundleScopeReadsOnceAndOnlyWithinTheScope)
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
        // One scan sees one version of a bundle; another bundle replaces the remembered one.
        EXPECT_EQ(BundleInfo::bundleIdentifier(bundle), u"first.id"_s);
        EXPECT_EQ(BundleInfo::bundleIdentifier(tree.makeBundle(u"B.app"_s, u"other.id"_s)), u"other.id"_s);
        EXPECT_EQ(BundleInfo::bundleIdentifier(bundle), u"second.id"_s);
    }
    rewrite(u"third.id"_s);
    EXPECT_EQ(BundleInfo::bundleIdentifier(bundle), u"third.id"_s);
}

TEST(ReadPaths, storeSeesEveryChangeOfItsFile)
{
    FixtureTree tree;
    FileDefaultsDomain domain(tree.pathOf(u"store.plist"_s));
    domain.setValue(u"k"_s, u"one"_s);
    EXPECT_EQ(domain.value(u"k"_s), QVariant(u"one"_s));
    // Another writer replaces the file with other bytes of the same size.
    tree.writePlist(u"store.plist"_s, { { u"k"_s, u"two"_s } });
    EXPECT_EQ(domain.value(u"k"_s), QVariant(u"two"_s));
    domain.modify(u"k"_s, [](const QVariant& current) {
        return DefaultsDomain::Change::set(QVariant(current.toString() + u"+"_s));
    });
    EXPECT_EQ(domain.value(u"k"_s), QVariant(u"two+"_s));
    // A damaged file reads as empty even right after a good read.
    tree.writeFile(u"store.plist"_s, "not a property list");
    EXPECT_FALSE(domain.value(u"k"_s).isValid());
}

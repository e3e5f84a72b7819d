#include "FileSystemMetadataSource.h"
#include "FixtureTree.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <sys/xattr.h>

using namespace Qt::StringLiterals;

namespace {
QDateTime utc(const QString& iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs).toUTC();
}

QByteArray littleEndian(qint64 value)
{
    QByteArray bytes(8, '\0');
    for (int i = 0; i < 8; ++i)
        bytes[i] = char((quint64(value) >> (8 * i)) & 0xff);
    return bytes;
}

// Sets the last-used attribute; false when the file system takes no user attributes.
bool setLastUsed(const QString& path, const QByteArray& value)
{
    const int result = ::setxattr(QFile::encodeName(path).constData(), "user.com.apple.lastuseddate#PS",
                                  value.constData(), size_t(value.size()), 0);
    return result == 0;
}
} // namespace

TEST(FileSystemMetadataSource, ItemExistsExactlyWhenThePathDoes)
{
    FixtureTree tree;
    const FileSystemMetadataSource source;
    EXPECT_FALSE(source.itemForPath(tree.pathOf(u"Missing.app"_s)).has_value());
    const auto item = source.itemForPath(tree.writeFile(u"Plain.app"_s, "not a bundle"));
    ASSERT_TRUE(item.has_value());
    EXPECT_FALSE(item->attribute(kMDItemDisplayName).isValid());
    EXPECT_FALSE(item->attribute(u"kMDItemAppStoreAdamID").isValid());
}

TEST(FileSystemMetadataSource, DisplayNamePrefersTheDisplayNameText)
{
    FixtureTree tree;
    const FileSystemMetadataSource source;
    const auto nameOf = [&](const QString& bundle, const QVariantMap& info) {
        return source.itemForPath(tree.makeBundle(bundle, u"x.y"_s, std::nullopt, info))
            ->attribute(kMDItemDisplayName);
    };
    EXPECT_EQ(nameOf(u"Both.app"_s,
                     { { u"CFBundleDisplayName"_s, u"Shown"_s }, { u"CFBundleName"_s, u"Short"_s } }),
              QVariant(u"Shown"_s));
    EXPECT_EQ(nameOf(u"Short.app"_s, { { u"CFBundleName"_s, u"Short"_s } }), QVariant(u"Short"_s));
    EXPECT_EQ(nameOf(u"Typed.app"_s,
                     { { u"CFBundleDisplayName"_s, qlonglong(3) }, { u"CFBundleName"_s, u"Short"_s } }),
              QVariant(u"Short"_s));
    EXPECT_FALSE(nameOf(u"None.app"_s, {}).isValid());
}

TEST(FileSystemMetadataSource, ContentChangeDateIsTheModificationTime)
{
    FixtureTree tree;
    tree.makeBundle(u"Dated.app"_s, u"x.y"_s);
    const QDateTime time = utc(u"2021-03-04T05:06:07.891Z"_s);
    tree.setModificationTime(u"Dated.app"_s, time);
    const auto item = FileSystemMetadataSource().itemForPath(tree.pathOf(u"Dated.app"_s));
    ASSERT_TRUE(item.has_value());
    EXPECT_EQ(item->attribute(kMDItemFSContentChangeDate), QVariant(time));
    EXPECT_FALSE(item->attribute(kMDItemLastUsedDate).isValid());
}

TEST(FileSystemMetadataSource, LastUsedDateComesFromTheExtendedAttribute)
{
    FixtureTree tree;
    const QString bundle = tree.makeBundle(u"Used.app"_s, u"x.y"_s);
    const QDateTime time = utc(u"2022-08-09T10:11:12.345Z"_s);
    const QByteArray value = littleEndian(time.toSecsSinceEpoch()) + littleEndian(345678901);
    if (!setLastUsed(bundle, value))
        GTEST_SKIP() << "the file system takes no user extended attributes (" << errno << ")";
    const FileSystemMetadataSource source;
    EXPECT_EQ(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate), QVariant(time));

    // A value of the wrong size or with impossible nanoseconds means nothing.
    ASSERT_TRUE(setLastUsed(bundle, value.first(8)));
    EXPECT_FALSE(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate).isValid());
    ASSERT_TRUE(setLastUsed(bundle, littleEndian(0) + littleEndian(2000000000)));
    EXPECT_FALSE(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate).isValid());
}

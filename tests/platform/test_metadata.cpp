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

// False when the file system takes no user attributes.
bool setLastUsed(const QString& path, const QByteArray& value)
{
    return ::setxattr(QFile::encodeName(path).constData(), "user.com.apple.lastuseddate#PS",
                      value.constData(), size_t(value.size()), 0)
        == 0;
}
} // namespace

TEST(FileSystemMetadataSource, DisplayNamePrefersTheDisplayNameText)
{
    FixtureTree tree;
    const FileSystemMetadataSource source;
    EXPECT_FALSE(source.itemForPath(tree.pathOf(u"Missing.app"_s)).has_value());
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
    const auto plain = source.itemForPath(tree.writeFile(u"Plain.app"_s, "not a bundle"));
    ASSERT_TRUE(plain.has_value());
    EXPECT_FALSE(plain->attribute(kMDItemDisplayName).isValid());
}

TEST(FileSystemMetadataSource, DatesComeFromModificationTimeAndLastUsedAttribute)
{
    FixtureTree tree;
    const FileSystemMetadataSource source;
    const QString bundle = tree.makeBundle(u"Used.app"_s, u"x.y"_s);
    const QDateTime modified = utc(u"2021-03-04T05:06:07.891Z"_s);
    tree.setModificationTime(u"Used.app"_s, modified);
    EXPECT_EQ(source.itemForPath(bundle)->attribute(kMDItemFSContentChangeDate), QVariant(modified));
    EXPECT_FALSE(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate).isValid());

    const QDateTime used = utc(u"2022-08-09T10:11:12.345Z"_s);
    const QByteArray value = littleEndian(used.toSecsSinceEpoch()) + littleEndian(345678901);
    if (!setLastUsed(bundle, value))
        GTEST_SKIP() << "the file system takes no user extended attributes (" << errno << ")";
    EXPECT_EQ(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate), QVariant(used));
    // A value of the wrong size or with impossible nanoseconds means nothing.
    for (const QByteArray& bad : { value.first(8), QByteArray(littleEndian(0) + littleEndian(2000000000)) }) {
        ASSERT_TRUE(setLastUsed(bundle, bad));
        EXPECT_FALSE(source.itemForPath(bundle)->attribute(kMDItemLastUsedDate).isValid());
    }
}

#include "BinaryPlistGuard.h"
#include "PropertyList.h"

#include <QByteArray>
#include <QList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// A binary property list put together object by object, with one-byte offsets and references
// unless told otherwise, so that each test can break exactly one thing.
struct BinaryPlist
{
    BinaryPlist(QList<QByteArray> objects = {})
        : objects(std::move(objects))
    { }

    QList<QByteArray> objects;
    quint64 top = 0;
    int offsetSize = 1;
    int referenceSize = 1;
    std::optional<quint64> objectCount; // as written in the trailer
    std::optional<quint64> tableOffset;
    QList<quint64> offsetOverrides; // replaces the leading offsets

    static QByteArray bigEndian(quint64 value, int size)
    {
        QByteArray bytes(size, '\0');
        for (int i = size - 1; i >= 0; --i, value >>= 8)
            bytes[i] = char(value & 0xff);
        return bytes;
    }

    QByteArray build() const
    {
        QByteArray data("bplist00");
        QList<quint64> offsets;
        for (const QByteArray& object : objects) {
            offsets.append(quint64(data.size()));
            data.append(object);
        }
        for (qsizetype i = 0; i < offsetOverrides.size(); ++i)
            offsets[i] = offsetOverrides[i];
        const quint64 table = quint64(data.size());
        for (const quint64 offset : offsets)
            data.append(bigEndian(offset, offsetSize));
        data.append(QByteArray(6, '\0'));
        data.append(char(offsetSize));
        data.append(char(referenceSize));
        data.append(bigEndian(objectCount.value_or(quint64(objects.size())), 8));
        data.append(bigEndian(top, 8));
        data.append(bigEndian(tableOffset.value_or(table), 8));
        return data;
    }
};

QByteArray array(const QList<int>& references)
{
    QByteArray bytes;
    bytes.append(char(0xA0 | qMin(references.size(), qsizetype(15))));
    if (references.size() >= 15)
        bytes.append('\x10').append(char(references.size()));
    for (const int reference : references)
        bytes.append(char(reference));
    return bytes;
}

QByteArray integer(quint8 value)
{
    return QByteArray("\x10", 1) + char(value);
}

QByteArray ascii(const QByteArray& text)
{
    return char(0x50 | text.size()) + text;
}

bool accepted(const BinaryPlist& plist)
{
    const QByteArray data = plist.build();
    const bool guardSays = BinaryPlistGuard::isAcceptable(data);
    // The reader must agree with its guard: nothing rejected here may come back as a value.
    if (!guardSays) {
        EXPECT_FALSE(PropertyList::parse(data).has_value());
    }
    return guardSays;
}
} // namespace

TEST(BinaryPlistGuard, AcceptsWellFormedListsIncludingSharedObjects)
{
    // ["x", "x"] with both entries pointing at one string object, as writers do for equal values.
    BinaryPlist plist { { array({ 1, 1 }), ascii("x") } };
    ASSERT_TRUE(accepted(plist));
    EXPECT_EQ(PropertyList::parse(plist.build()), QVariant(QVariantList { u"x"_s, u"x"_s }));

    // Eight-byte offsets and references work as well as one-byte ones.
    BinaryPlist wide { { QByteArray("\xA1", 1) + BinaryPlist::bigEndian(1, 8), integer(7) } };
    wide.offsetSize = 8;
    wide.referenceSize = 8;
    ASSERT_TRUE(accepted(wide));
    EXPECT_EQ(PropertyList::parse(wide.build()), QVariant(QVariantList { qlonglong(7) }));
}

TEST(BinaryPlistGuard, RejectsABrokenTrailer)
{
    const BinaryPlist good { { array({ 1 }), integer(1) } };
    ASSERT_TRUE(accepted(good));

    for (const int size : { 0, 9 }) {
        BinaryPlist plist = good;
        plist.offsetSize = size;
        EXPECT_FALSE(accepted(plist)) << "offset size " << size;
        plist = good;
        plist.referenceSize = size;
        EXPECT_FALSE(accepted(plist)) << "reference size " << size;
    }
    BinaryPlist plist = good;
    plist.objectCount = 0;
    EXPECT_FALSE(accepted(plist));
    plist = good;
    plist.objectCount = 1000; // more offsets than the table holds
    EXPECT_FALSE(accepted(plist));
    plist = good;
    plist.top = 2;
    EXPECT_FALSE(accepted(plist));
    for (const quint64 offset : { quint64(0), quint64(4), quint64(1) << 40, ~quint64(0) }) {
        plist = good;
        plist.tableOffset = offset;
        EXPECT_FALSE(accepted(plist)) << "table at " << offset;
    }
}

TEST(BinaryPlistGuard, RejectsObjectsOutsideTheObjectArea)
{
    for (const quint64 offset : { quint64(0), quint64(3), quint64(12), quint64(200) }) {
        BinaryPlist plist { { array({ 1 }), integer(1) } };
        plist.offsetOverrides = { 0, offset };
        plist.offsetOverrides[0] = 8;
        EXPECT_FALSE(accepted(plist)) << "object at " << offset;
    }
}

TEST(BinaryPlistGuard, RejectsLengthsRunningPastTheObjectArea)
{
    // A string claiming 15 bytes with 3 present.
    EXPECT_FALSE(accepted({ { array({ 1 }),
                              QByteArray("\x5e"
                                         "abc") } }));
    // Extended lengths: 65536 bytes, 2^64 - 1 UTF-16 units (which overflows when doubled), and a
    // length whose own integer is cut off.
    EXPECT_FALSE(accepted({ { array({ 1 }), QByteArray("\x4f\x12\x00\x01\x00\x00", 6) } }));
    EXPECT_FALSE(accepted({ { array({ 1 }), QByteArray("\x6f\x13\xff\xff\xff\xff\xff\xff\xff\xff", 10) } }));
    EXPECT_FALSE(accepted({ { array({ 1 }), QByteArray("\x5f\x13\x00", 3) } }));
    // An array whose references run into the offset table.
    EXPECT_FALSE(accepted({ { QByteArray("\xA9\x01", 2) } }));
    // Unknown markers and integers wider than 64 bits.
    EXPECT_FALSE(accepted({ { array({ 1 }), QByteArray("\x70", 1) } }));
    EXPECT_FALSE(accepted({ { array({ 1 }), QByteArray("\x14\x01", 2) + QByteArray(15, '\0') } }));
}

TEST(BinaryPlistGuard, RejectsReferencesToMissingObjects)
{
    EXPECT_FALSE(accepted({ { array({ 1, 5 }), integer(1) } }));
    // A dictionary whose key is no string.
    EXPECT_FALSE(accepted({ { QByteArray("\xD1\x01\x02", 3), integer(1), integer(2) } }));
    EXPECT_TRUE(accepted({ { QByteArray("\xD1\x01\x02", 3), ascii("k"), integer(2) } }));
    // Keys with a NUL character, in either string form.
    EXPECT_FALSE(accepted({ { QByteArray("\xD1\x01\x02", 3), ascii(QByteArray("k\0", 2)), integer(2) } }));
    EXPECT_FALSE(accepted({ { QByteArray("\xD1\x01\x02", 3), QByteArray("\x61\x00\x00", 3), integer(2) } }));
}

TEST(BinaryPlistGuard, RejectsCycles)
{
    EXPECT_FALSE(accepted({ { array({ 0 }) } }));
    EXPECT_FALSE(accepted({ { array({ 1 }), array({ 2 }), array({ 0 }) } }));
    // A dictionary holding itself as a value.
    EXPECT_FALSE(accepted({ { QByteArray("\xD1\x01\x00", 3), ascii("self") } }));
}

TEST(BinaryPlistGuard, LimitsNesting)
{
    const auto nested = [](int depth) {
        BinaryPlist plist;
        for (int i = 0; i < depth - 1; ++i)
            plist.objects.append(array({ i + 1 }));
        plist.objects.append(array({}));
        return plist;
    };
    EXPECT_TRUE(accepted(nested(BinaryPlistGuard::MaximumDepth)));
    EXPECT_FALSE(accepted(nested(BinaryPlistGuard::MaximumDepth + 1)));
}

TEST(BinaryPlistGuard, LimitsTheTreeThatSharedObjectsExpandTo)
{
    // Forty arrays, each holding the next one twice: a few hundred bytes that would expand to 2^40
    // values.
    BinaryPlist plist;
    for (int i = 0; i < 40; ++i)
        plist.objects.append(array({ i + 1, i + 1 }));
    plist.objects.append(integer(1));
    EXPECT_FALSE(accepted(plist));
}

TEST(BinaryPlistGuard, LeavesOutArchiveReferences)
{
    // {"a": UID 1, "b": 2}
    const BinaryPlist plist { { QByteArray("\xD2\x01\x02\x03\x04", 5), ascii("a"), ascii("b"),
                                QByteArray("\x80\x01", 2), integer(2) } };
    ASSERT_TRUE(accepted(plist));
    EXPECT_EQ(PropertyList::parse(plist.build()), QVariant(QVariantMap { { u"b"_s, qlonglong(2) } }));
}

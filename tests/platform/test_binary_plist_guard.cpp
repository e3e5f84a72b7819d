#include "BinaryPlistGuard.h"
#include "PropertyList.h"

#include <QByteArray>
#include <QList>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// A binary property list put together object by object, with one-byte offsets and references
// unless told otherwise, so that each case can break exactly one thing.
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
        data.append(QByteArray(6, '\0')).append(char(offsetSize)).append(char(referenceSize));
        data.append(bigEndian(objectCount.value_or(quint64(objects.size())), 8));
        data.append(bigEndian(top, 8)).append(bigEndian(tableOffset.value_or(table), 8));
        return data;
    }
};

QByteArray array(const QList<int>& references)
{
    QByteArray bytes(1, char(0xA0 | qMin(references.size(), qsizetype(15))));
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
const QByteArray oneEntryDictionary("\xD1\x01\x02", 3);

BinaryPlist nested(int depth)
{
    BinaryPlist plist;
    for (int i = 0; i < depth - 1; ++i)
        plist.objects.append(array({ i + 1 }));
    plist.objects.append(array({}));
    return plist;
}

// Forty arrays, each holding the next one twice: a few hundred bytes that would expand to 2^40 values.
BinaryPlist expansionBomb()
{
    BinaryPlist plist;
    for (int i = 0; i < 40; ++i)
        plist.objects.append(array({ i + 1, i + 1 }));
    plist.objects.append(integer(1));
    return plist;
}

BinaryPlist good()
{
    return { { array({ 1 }), integer(1) } };
}

// The reader must agree with its guard: nothing the guard rejects may come back as a value.
bool accepted(const BinaryPlist& plist)
{
    const QByteArray data = plist.build();
    const bool guardSays = BinaryPlistGuard::isAcceptable(data);
    if (!guardSays) {
        EXPECT_FALSE(PropertyList::parse(data).has_value());
    }
    return guardSays;
}
} // namespace

TEST(BinaryPlistGuard, AcceptsWellFormedLists)
{
    // Eight-byte offsets and references work as well as one-byte ones.
    BinaryPlist wide { { QByteArray("\xA1", 1) + BinaryPlist::bigEndian(1, 8), integer(7) } };
    wide.offsetSize = wide.referenceSize = 8;
    const std::pair<BinaryPlist, QVariant> cases[] = {
        { good(), QVariantList { qlonglong(1) } },
        // Both entries point at one string object, as writers do for equal values.
        { { { array({ 1, 1 }), ascii("x") } }, QVariantList { u"x"_s, u"x"_s } },
        { wide, QVariantList { qlonglong(7) } },
        { { { oneEntryDictionary, ascii("k"), integer(2) } }, QVariantMap { { u"k"_s, qlonglong(2) } } },
        // Archive references are left out: {"a": UID 1, "b": 2}.
        { { { QByteArray("\xD2\x01\x02\x03\x04", 5), ascii("a"), ascii("b"), QByteArray("\x80\x01", 2),
              integer(2) } },
          QVariantMap { { u"b"_s, qlonglong(2) } } },
    };
    for (const auto& [plist, value] : cases) {
        ASSERT_TRUE(accepted(plist)) << plist.build().toHex().constData();
        EXPECT_EQ(PropertyList::parse(plist.build()), value);
    }
    EXPECT_TRUE(accepted(nested(BinaryPlistGuard::MaximumDepth)));
}

TEST(BinaryPlistGuard, RejectsHostileLists)
{
    std::vector<std::pair<std::string, BinaryPlist>> cases;
    const auto add = [&cases](const std::string& what, auto&& change) {
        BinaryPlist plist = good();
        change(plist);
        cases.emplace_back(what, plist);
    };
    for (const int size : { 0, 9 }) {
        add("offset size " + std::to_string(size), [size](BinaryPlist& p) { p.offsetSize = size; });
        add("reference size " + std::to_string(size), [size](BinaryPlist& p) { p.referenceSize = size; });
    }
    add("no objects", [](BinaryPlist& p) { p.objectCount = 0; });
    add("more offsets than the table holds", [](BinaryPlist& p) { p.objectCount = 1000; });
    add("top object missing", [](BinaryPlist& p) { p.top = 2; });
    for (const quint64 offset : { quint64(4), quint64(1) << 40, ~quint64(0) })
        add("table at " + std::to_string(offset), [offset](BinaryPlist& p) { p.tableOffset = offset; });
    for (const quint64 offset : { quint64(3), quint64(12), quint64(200) })
        add("object at " + std::to_string(offset), [offset](BinaryPlist& p) {
            p.offsetOverrides = { 8, offset };
        });

    const auto second = [](const QByteArray& object) { return BinaryPlist { { array({ 1 }), object } }; };
    cases.insert(
        cases.end(),
        {
            { "string of 15 bytes with 3 present", second(QByteArray(1, '\x5e') + "abc") },
            { "extended length past the end", second(QByteArray("\x4f\x12\x00\x01\x00\x00", 6)) },
            { "UTF-16 length overflowing when doubled",
              second(QByteArray("\x6f\x13\xff\xff\xff\xff\xff\xff\xff\xff", 10)) },
            { "length integer cut off", second(QByteArray("\x5f\x13\x00", 3)) },
            { "references running into the offset table", { { QByteArray("\xA9\x01", 2) } } },
            { "unknown marker", second(QByteArray("\x70", 1)) },
            { "integer wider than 64 bits", second(QByteArray("\x14\x01", 2) + QByteArray(15, '\0')) },
            { "reference to a missing object", { { array({ 1, 5 }), integer(1) } } },
            { "key that is no string", { { oneEntryDictionary, integer(1), integer(2) } } },
            { "ASCII key with NUL", { { oneEntryDictionary, ascii(QByteArray("k\0", 2)), integer(2) } } },
            { "UTF-16 key with NUL", { { oneEntryDictionary, QByteArray("\x61\x00\x00", 3), integer(2) } } },
            { "array holding itself", { { array({ 0 }) } } },
            { "cycle through three arrays", { { array({ 1 }), array({ 2 }), array({ 0 }) } } },
            { "dictionary holding itself", { { QByteArray("\xD1\x01\x00", 3), ascii("self") } } },
            { "nesting past the limit", nested(BinaryPlistGuard::MaximumDepth + 1) },
            { "expansion bomb", expansionBomb() },
        });
    ASSERT_TRUE(accepted(good()));
    for (const auto& [what, plist] : cases)
        EXPECT_FALSE(accepted(plist)) << what;
}

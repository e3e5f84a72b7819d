// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BinaryPlistGuard.h"
#include "PropertyList.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// A binary property list put together object by object, with one-byte offsets and references
// unless told otherwise, so that each case can break exactly one thing.
struct BinaryPlist
{
    QList<QByteArray> objects;
    int offsetSize = 1, referenceSize = 1;
    quint64 top = 0;
    std::optional<quint64> objectCount {}, tableOffset {}; // as written in the trailer
    std::optional<quint64> secondOffset {};

    QByteArray build() const
    {
        const auto bigEndian = [](quint64 value, int size) {
            QByteArray bytes(size, '\0');
            for (int i = size - 1; i >= 0; --i, value >>= 8)
                bytes[i] = char(value & 0xff);
            return bytes;
        };
        QByteArray data("bplist00"), table;
        for (qsizetype i = 0; i < objects.size(); ++i) {
            table += bigEndian(i == 1 ? secondOffset.value_or(quint64(data.size())) : quint64(data.size()),
                               offsetSize);
            data += objects[i];
        }
        return data + table + QByteArray(6, '\0') + char(offsetSize) + char(referenceSize)
            + bigEndian(objectCount.value_or(quint64(objects.size())), 8) + bigEndian(top, 8)
            + bigEndian(tableOffset.value_or(quint64(data.size())), 8);
    }
};

// Objects with one-byte references and fewer than 15 members or bytes.
QByteArray array(const QList<int>& references)
{
    QByteArray bytes(1, char(0xA0 | references.size()));
    for (const int reference : references)
        bytes.append(char(reference));
    return bytes;
}
const auto integer = [](quint8 value) -> QByteArray { return QByteArray("\x10", 1) + char(value); };
const auto ascii = [](const QByteArray& text) -> QByteArray { return char(0x50 | text.size()) + text; };
const QByteArray oneEntryDictionary("\xD1\x01\x02", 3);

BinaryPlist nested(int depth)
{
    BinaryPlist plist;
    for (int i = 1; i < depth; ++i)
        plist.objects.append(array({ i }));
    plist.objects.append(array({}));
    return plist;
}

// The reader must agree with its guard: nothing the guard rejects may come back as a value.
bool accepted(const BinaryPlist& plist)
{
    const QByteArray data = plist.build();
    const bool guardSays = BinaryPlistGuard::isAcceptable(data);
    EXPECT_TRUE(guardSays || !PropertyList::parse(data)) << data.toHex().constData();
    return guardSays;
}
} // namespace

TEST(BinaryPlistGuard, AcceptsWellFormedListsAndRejectsHostileOnes)
{
    const BinaryPlist good { { array({ 1 }), integer(1) } };
    const std::pair<BinaryPlist, QVariant> wellFormed[] = {
        { good, QVariantList { qlonglong(1) } },
        // Both entries point at one string object, as writers do for equal values.
        { { { array({ 1, 1 }), ascii("x") } }, QVariantList { u"x"_s, u"x"_s } },
        // Eight-byte offsets and references work as well as one-byte ones.
        { { { QByteArray("\xA1\0\0\0\0\0\0\0\x01", 9), integer(7) }, 8, 8 }, QVariantList { qlonglong(7) } },
        { { { oneEntryDictionary, ascii("k"), integer(2) } }, QVariantMap { { u"k"_s, qlonglong(2) } } },
        // Archive references are left out: {"a": UID 1, "b": 2}.
        { { { "\xD2\x01\x02\x03\x04", ascii("a"), ascii("b"), "\x80\x01", integer(2) } },
          QVariantMap { { u"b"_s, qlonglong(2) } } },
    };
    for (const auto& [plist, value] : wellFormed) {
        ASSERT_TRUE(accepted(plist)) << plist.build().toHex().constData();
        EXPECT_EQ(PropertyList::parse(plist.build()), value);
    }
    EXPECT_TRUE(accepted(nested(BinaryPlistGuard::MaximumDepth)));
    const auto with = [&good](auto change) {
        BinaryPlist plist = good;
        change(plist);
        return plist;
    };
    const auto second = [](const QByteArray& object) { return BinaryPlist { { array({ 1 }), object } }; };
    // Forty arrays, each holding the next one twice: a few hundred bytes that would expand to 2^40 values.
    BinaryPlist bomb;
    for (int i = 0; i < 40; ++i)
        bomb.objects.append(array({ i + 1, i + 1 }));
    bomb.objects.append(integer(1));
    const std::pair<const char*, BinaryPlist> cases[] = {
        { "offset size 0", with([](auto& p) { p.offsetSize = 0; }) },
        { "offset size 9", with([](auto& p) { p.offsetSize = 9; }) },
        { "reference size 0", with([](auto& p) { p.referenceSize = 0; }) },
        { "reference size 9", with([](auto& p) { p.referenceSize = 9; }) },
        { "no objects", with([](auto& p) { p.objectCount = 0; }) },
        { "more offsets than the table holds", with([](auto& p) { p.objectCount = 1000; }) },
        { "top object missing", with([](auto& p) { p.top = 2; }) },
        { "table inside the header", with([](auto& p) { p.tableOffset = 4; }) },
        { "table far past the end", with([](auto& p) { p.tableOffset = quint64(1) << 40; }) },
        { "table at the largest offset", with([](auto& p) { p.tableOffset = ~quint64(0); }) },
        { "object inside the header", with([](auto& p) { p.secondOffset = 3; }) },
        { "object in the offset table", with([](auto& p) { p.secondOffset = 12; }) },
        { "object past the end", with([](auto& p) { p.secondOffset = 200; }) },
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
        { "expansion bomb", bomb },
    };
    for (const auto& [what, plist] : cases)
        EXPECT_FALSE(accepted(plist)) << what;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BinaryPlistGuard.h"
#include "BundleInfo.h"
#include "FixtureTree.h"
#include "SafeFile.h"

#include <QDateTime>
#include <QPoint>

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

using namespace Qt::StringLiterals;

namespace {
using Format = PropertyList::Format;

QDateTime utc(const char* iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODateWithMs).toUTC();
}

QVariant roundTrip(const QVariant& value, Format format)
{
    return PropertyList::parse(PropertyList::serialize(value, format)).value_or(QVariant());
}

std::optional<QVariant> parseXml(const QByteArray& body)
{
    return PropertyList::parse(QByteArray(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>"));
}

// clang-format off
const QVariantMap everyType {
    { u"text"_s, u"Grüße & <tags> \"quoted\""_s }, { u"empty text"_s, QString() },
    { u"integer"_s, qlonglong(42) }, { u"smallest"_s, std::numeric_limits<qlonglong>::min() },
    { u"largest signed"_s, std::numeric_limits<qlonglong>::max() },
    { u"huge"_s, std::numeric_limits<qulonglong>::max() }, { u"real"_s, 0.1 }, { u"whole real"_s, 3.0 },
    { u"yes"_s, true }, { u"no"_s, false }, { u"data"_s, QByteArray("\x00\x01\xff binary", 10) },
    { u"list"_s, QVariantList { qlonglong(1), u"two"_s, QVariantList {} } },
    { u"map"_s, QVariantMap { { u"inner"_s, QVariantMap {} } } },
    // Before, at and after the reference date of the binary form.
    { u"dates"_s,
      QVariantList { utc("2023-05-06T07:08:09Z"), utc("1999-12-31T23:59:59Z"), utc("2001-01-01T00:00:00Z") } },
};
// clang-format on
} // namespace

class PropertyListFormats : public ::testing::TestWithParam<Format>
{
};

TEST_P(PropertyListFormats, RoundTripKeepsValuesAndTheirTypes)
{
    const QVariantMap back = roundTrip(everyType, GetParam()).toMap();
    ASSERT_EQ(back.keys(), everyType.keys());
    for (auto it = everyType.cbegin(); it != everyType.cend(); ++it) {
        // The type tells an integer from a real and a large unsigned value from a negative one.
        EXPECT_EQ(back.value(it.key()).metaType(), it.value().metaType()) << qPrintable(it.key());
        EXPECT_EQ(back.value(it.key()), it.value()) << qPrintable(it.key());
    }
    // Binary dates keep their milliseconds, XML ones whole seconds.
    const QVariantList dates { utc("2023-05-06T07:08:09.123Z"), utc("1999-12-31T23:59:59.250Z"),
                               utc("2000-12-31T23:59:58.250Z"), utc("1970-01-01T00:00:00.001Z") };
    EXPECT_EQ(roundTrip(dates, GetParam()).toList().value(0),
              GetParam() == Format::Binary ? dates.value(0) : QVariant(utc("2023-05-06T07:08:09Z")));
    if (GetParam() == Format::Binary) {
        EXPECT_EQ(roundTrip(dates, GetParam()), QVariant(dates));
    }
    // It writes nothing the reader would reject.
    QVariant deep = QVariantList {};
    for (int i = 0; i < 63; ++i)
        deep = QVariantList { deep };
    EXPECT_TRUE(PropertyList::parse(PropertyList::serialize(deep, GetParam())).has_value());
    for (const QVariant& value : { QVariant(), QVariant(QPoint(1, 2)), QVariant(QVariantList { QPoint() }),
                                   QVariant(QDateTime()), QVariant(QString(QChar(0))),
                                   QVariant(utc("2100-01-01T00:00:00Z")), QVariant(QVariantList { deep }) })
        EXPECT_TRUE(PropertyList::serialize(value, GetParam()).isEmpty()) << value.typeName();
}

INSTANTIATE_TEST_SUITE_P(BothForms, PropertyListFormats, ::testing::Values(Format::Xml, Format::Binary));

TEST(PropertyList, XmlScalarsAreReadExactlyOrNotAtAll)
{
    const std::pair<const char*, std::optional<QVariant>> cases[] = {
        { "<integer> +42\n</integer>", qlonglong(42) },
        { "<integer>0012</integer>", qlonglong(12) }, // decimal, not octal
        { "<integer>0x1F</integer>", qlonglong(31) },
        { "<integer>-9223372036854775808</integer>", std::numeric_limits<qlonglong>::min() },
        { "<integer>18446744073709551615</integer>", std::numeric_limits<qulonglong>::max() },
        // Values the guard rewrites among values it passes on unchanged.
        { "<array><integer>7</integer><integer> 0x10</integer><integer>-0</integer>"
          "<date>2001-01-01T00:00:00Z</date><integer>8</integer></array>",
          QVariantList { qlonglong(7), qlonglong(16), qlonglong(0), utc("2001-01-01T00:00:00Z"),
                         qlonglong(8) } },
        { "<real> 2.5 </real>", 2.5 },
        { "<real>3</real>", 3.0 },
        { "<real>two</real>", {} },
        { "<date>2020-01-01</date>", {} },
    };
    for (const char* text : { "12a", "", "18446744073709551616", "-9223372036854775809", "1.5" })
        EXPECT_FALSE(parseXml("<integer>" + QByteArray(text) + "</integer>")) << text;
    for (const auto& [body, expected] : cases) {
        const auto read = parseXml(body);
        EXPECT_EQ(read, expected) << body;
        EXPECT_TRUE(!read || read->metaType() == expected->metaType()) << body;
    }
}

// Dates already in the one form the parser reads exactly take a shortcut past the full date
// parser; both must agree on every calendar and range edge.
TEST(PropertyList, XmlDatesInCanonicalFormReadAsTheFullParserReadsThem)
{
    QList<QByteArray> texts { "2021-02-29T12:00:00Z", "2000-02-29T00:00:00Z", "1900-02-29T00:00:00Z",
                              "2023-12-31T23:59:59Z", "2023-12-31T24:00:00Z", "2023-06-30T23:59:60Z",
                              "2023-01-01T00:60:00Z", "2023-00-10T00:00:00Z", "2023-01-00T00:00:00Z",
                              // The ends of the getter's 32-bit range around 2001, and past them.
                              "1932-12-13T20:45:52Z", "1932-12-13T20:45:53Z", "2069-01-19T03:14:06Z",
                              "2069-01-19T03:14:07Z", "1970-01-01T00:00:01Z", "2200-01-01T00:00:00Z",
                              "0001-01-01T00:00:00Z", "9999-12-31T23:59:59Z", "garbage",
                              "2020-13-01T00:00:00Z" };
    for (int day = 28 * 12; day < 33 * 12; ++day)
        texts.append(QString::asprintf("2024-%02d-%02dT01:02:03Z", day % 12 + 1, day / 12).toLatin1());
    for (const QByteArray& text : texts) {
        const QDateTime expected = utc(text.constData());
        EXPECT_EQ(parseXml("<date>" + text + "</date>"),
                  expected.isValid() ? std::optional(QVariant(expected)) : std::nullopt)
            << text.constData();
    }
}

TEST(PropertyList, RejectsInputThatCouldHurtTheReader)
{
    const auto nesting = [](int depth) -> QByteArray {
        return QByteArray("<array>").repeated(depth) + QByteArray("</array>").repeated(depth);
    };
    EXPECT_TRUE(parseXml(nesting(64)).has_value());
    EXPECT_FALSE(parseXml(nesting(200)).has_value());
    // Closing tags inside a comment must not make room for deeper nesting.
    EXPECT_FALSE(
        parseXml("<!-- " + QByteArray("</array>").repeated(200) + " -->" + nesting(100)).has_value());
    EXPECT_FALSE(parseXml(QByteArray("<string>a\0b</string>", 20)).has_value());
    for (const QByteArray& bytes :
         { QByteArray(), QByteArray("bplist00"), QByteArray("<plist><dict><key>a</key></plist>"),
           QByteArray(64, '\xff') })
        EXPECT_FALSE(PropertyList::parse(bytes).has_value()) << bytes.toHex().constData();
    const QByteArray whole = PropertyList::serialize(everyType, Format::Binary);
    for (qsizetype length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(PropertyList::parse(whole.first(length)).has_value()) << length;
}

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
// Seconds since 2001 as the binary form keeps them: a big-endian double.
QByteArray date(double seconds)
{
    quint64 bits = 0;
    std::memcpy(&bits, &seconds, sizeof bits);
    QByteArray bytes(1, '\x33');
    for (int shift = 56; shift >= 0; shift -= 8)
        bytes.append(char((bits >> shift) & 0xff));
    return bytes;
}

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
        // Dates past the 32 bits of seconds the parser's getter returns are read exactly, and one
        // no calendar holds is left out like a reference, keeping its neighbours: {"a": date, "b": 2}.
        { { { "\xD2\x01\x02\x03\x04", ascii("a"), ascii("b"), date(-3187296000.0), integer(2) } },
          QVariantMap { { u"a"_s, utc("1900-01-01T00:00:00Z") }, { u"b"_s, qlonglong(2) } } },
        { { { array({ 1, 2 }), date(3155673600.5), date(-2147483648.0) } },
          QVariantList { utc("2101-01-01T00:00:00.500Z"), utc("1932-12-13T20:45:52Z") } },
        { { { "\xD2\x01\x02\x03\x04", ascii("a"), ascii("b"), date(1e300), integer(2) } },
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

// The shortcuts that the scanner takes when reading: each must give exactly what the plain read
// gives, and never a stale result once the file on disk has changed.
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

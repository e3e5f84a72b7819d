#include "FixtureTree.h"
#include "PropertyList.h"
#include "SafeFile.h"

#include <QDateTime>
#include <QPoint>
#include <QStringList>

#include <gtest/gtest.h>

#include <limits>

using namespace Qt::StringLiterals;

namespace {
QVariantMap everyType()
{
    return {
        { QStringLiteral("text"), QStringLiteral("Grüße & <tags> \"quoted\"") },
        { QStringLiteral("empty text"), QString() },
        { QStringLiteral("integer"), qlonglong(42) },
        { QStringLiteral("negative"), qlonglong(-5) },
        { QStringLiteral("smallest"), std::numeric_limits<qlonglong>::min() },
        { QStringLiteral("largest signed"), std::numeric_limits<qlonglong>::max() },
        { QStringLiteral("huge"), std::numeric_limits<qulonglong>::max() },
        { QStringLiteral("real"), 0.1 },
        { QStringLiteral("whole real"), 3.0 },
        { QStringLiteral("yes"), true },
        { QStringLiteral("no"), false },
        { QStringLiteral("data"), QByteArray("\x00\x01\xff binary", 10) },
        { QStringLiteral("list"), QVariantList { qlonglong(1), QStringLiteral("two"), QVariantList {} } },
        { QStringLiteral("map"), QVariantMap { { QStringLiteral("inner"), QVariantMap {} } } },
    };
}

QVariant roundTrip(const QVariant& value, PropertyList::Format format)
{
    const QByteArray bytes = PropertyList::serialize(value, format);
    EXPECT_FALSE(bytes.isEmpty());
    return PropertyList::parse(bytes).value_or(QVariant());
}

QByteArray xmlPlist(const QByteArray& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>";
}

QDateTime utc(const QString& iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs).toUTC();
}
} // namespace

class PropertyListFormats : public ::testing::TestWithParam<PropertyList::Format>
{
};

TEST_P(PropertyListFormats, RoundTripKeepsValuesAndTheirTypes)
{
    const QVariantMap original = everyType();
    const QVariantMap back = roundTrip(original, GetParam()).toMap();
    ASSERT_EQ(back.keys(), original.keys());
    for (auto it = original.cbegin(); it != original.cend(); ++it) {
        SCOPED_TRACE(it.key().toStdString());
        const QVariant value = back.value(it.key());
        // The type tells an integer from a real and a large unsigned value from a negative one.
        EXPECT_EQ(value.metaType(), it.value().metaType());
        EXPECT_EQ(value, it.value());
    }
}

TEST_P(PropertyListFormats, TextListsReadBackAsListsOfText)
{
    const QVariant back =
        roundTrip(QVariantMap { { QStringLiteral("ids"), QStringList { u"a"_s, u"b"_s } } }, GetParam());
    const QVariant ids = back.toMap().value(QStringLiteral("ids"));
    EXPECT_EQ(ids.typeId(), QMetaType::QVariantList);
    EXPECT_EQ(ids.toStringList(), (QStringList { u"a"_s, u"b"_s }));
}

TEST_P(PropertyListFormats, DatesBeforeAndAfterTheReferenceDateRoundTrip)
{
    const QVariantList dates { utc(u"2023-05-06T07:08:09.000Z"_s), utc(u"1999-12-31T23:59:59.000Z"_s),
                               utc(u"2001-01-01T00:00:00.000Z"_s) };
    EXPECT_EQ(roundTrip(dates, GetParam()).toList(), dates);
}

INSTANTIATE_TEST_SUITE_P(BothForms, PropertyListFormats,
                         ::testing::Values(PropertyList::Format::Xml, PropertyList::Format::Binary));

TEST(PropertyList, BinaryDatesKeepMilliseconds)
{
    const QVariantList dates { utc(u"2023-05-06T07:08:09.123Z"_s), utc(u"1999-12-31T23:59:59.250Z"_s),
                               utc(u"2000-12-31T23:59:58.250Z"_s), utc(u"1970-01-01T00:00:00.001Z"_s) };
    EXPECT_EQ(roundTrip(dates, PropertyList::Format::Binary).toList(), dates);
}

TEST(PropertyList, XmlDatesKeepWholeSeconds)
{
    const QVariant back =
        roundTrip(QVariantList { utc(u"2023-05-06T07:08:09.750Z"_s) }, PropertyList::Format::Xml);
    EXPECT_EQ(back.toList().value(0).toDateTime(), utc(u"2023-05-06T07:08:09.000Z"_s));
}

TEST(PropertyList, ValuesWithoutPropertyListFormSerializeToNothing)
{
    for (const QVariant& value :
         { QVariant(), QVariant(QPoint(1, 2)), QVariant(QVariantList { QVariant(QPoint()) }),
           QVariant(QDateTime()), QVariant(QString(QChar(0))), QVariant(utc(u"2100-01-01T00:00:00Z"_s)) }) {
        EXPECT_TRUE(PropertyList::serialize(value).isEmpty()) << value.typeName();
        EXPECT_TRUE(PropertyList::serialize(value, PropertyList::Format::Binary).isEmpty())
            << value.typeName();
    }
}

TEST(PropertyList, SerializingRefusesNestingTheReaderWouldReject)
{
    QVariant deep = QVariantList {};
    for (int i = 0; i < 63; ++i)
        deep = QVariantList { deep };
    EXPECT_TRUE(PropertyList::parse(PropertyList::serialize(deep, PropertyList::Format::Binary)).has_value());
    EXPECT_TRUE(PropertyList::parse(PropertyList::serialize(deep)).has_value());
    EXPECT_TRUE(PropertyList::serialize(QVariantList { deep }).isEmpty());
}

TEST(PropertyList, XmlIntegersAreReadExactlyOrNotAtAll)
{
    const auto integer = [](const char* text) {
        return PropertyList::parse(xmlPlist("<integer>" + QByteArray(text) + "</integer>"));
    };
    EXPECT_EQ(integer("-5"), QVariant(qlonglong(-5)));
    EXPECT_EQ(integer(" +42\n"), QVariant(qlonglong(42)));
    EXPECT_EQ(integer("0012"), QVariant(qlonglong(12))); // decimal, not octal
    EXPECT_EQ(integer("0x1F"), QVariant(qlonglong(31)));
    EXPECT_EQ(integer("-9223372036854775808"), QVariant(std::numeric_limits<qlonglong>::min()));
    EXPECT_EQ(integer("18446744073709551615"), QVariant(std::numeric_limits<qulonglong>::max()));
    for (const char* text :
         { "abc", "12a", "", "1 2", "18446744073709551616", "-9223372036854775809", "1.5" })
        EXPECT_FALSE(integer(text).has_value()) << text;
}

TEST(PropertyList, XmlRealsAndDatesMustBeWellFormed)
{
    EXPECT_EQ(PropertyList::parse(xmlPlist("<real> 2.5 </real>")), QVariant(2.5));
    EXPECT_EQ(PropertyList::parse(xmlPlist("<real>3</real>"))->typeId(), QMetaType::Double);
    EXPECT_FALSE(PropertyList::parse(xmlPlist("<real>two</real>")).has_value());
    EXPECT_EQ(PropertyList::parse(xmlPlist("<date>1970-01-01T00:00:01Z</date>")),
              QVariant(QDateTime::fromSecsSinceEpoch(1, Qt::UTC)));
    for (const char* text : { "garbage", "2020-13-01T00:00:00Z", "2020-01-01", "2200-01-01T00:00:00Z" })
        EXPECT_FALSE(PropertyList::parse(xmlPlist("<date>" + QByteArray(text) + "</date>")).has_value())
            << text;
}

TEST(PropertyList, XmlInputThatCouldHurtTheParserIsRejected)
{
    QByteArray deep = xmlPlist(QByteArray("<array>").repeated(200) + QByteArray("</array>").repeated(200));
    EXPECT_FALSE(PropertyList::parse(deep).has_value());
    // Closing tags inside a comment must not make room for deeper nesting.
    QByteArray hidden =
        xmlPlist("<!-- " + QByteArray("</array>").repeated(200) + " -->" + QByteArray("<array>").repeated(100)
                 + QByteArray("</array>").repeated(100));
    EXPECT_FALSE(PropertyList::parse(hidden).has_value());
    EXPECT_FALSE(PropertyList::parse(xmlPlist(QByteArray("<string>a\0b</string>", 20))).has_value());

    QByteArray allowed = xmlPlist(QByteArray("<array>").repeated(64) + QByteArray("</array>").repeated(64));
    EXPECT_TRUE(PropertyList::parse(allowed).has_value());
}

TEST(PropertyList, GarbageIsNotAPropertyList)
{
    for (const QByteArray& bytes :
         { QByteArray(), QByteArray("hello"), QByteArray("bplist00"),
           QByteArray("bplist99 then some more bytes to fill a trailer ......"),
           QByteArray("<plist><dict><key>a</key></plist>"), QByteArray(64, '\xff') }) {
        EXPECT_FALSE(PropertyList::parse(bytes).has_value()) << bytes.toHex().constData();
    }
}

TEST(PropertyList, EveryTruncationOfABinaryListIsRejected)
{
    const QByteArray whole = PropertyList::serialize(everyType(), PropertyList::Format::Binary);
    for (qsizetype length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(PropertyList::parse(whole.first(length)).has_value()) << length;
    EXPECT_TRUE(PropertyList::parse(whole).has_value());
}

TEST(PropertyList, DamagedBinaryListsNeverCrashTheReader)
{
    const QByteArray whole = PropertyList::serialize(everyType(), PropertyList::Format::Binary);
    quint32 state = 12345;
    const auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return state >> 8;
    };
    for (int round = 0; round < 3000; ++round) {
        QByteArray damaged = whole;
        for (int flips = 1 + int(next() % 4); flips > 0; --flips)
            damaged[qsizetype(next() % quint32(damaged.size()))] = char(next());
        // Whatever comes back, a dictionary or nothing, the process survives to check it.
        const auto value = PropertyList::parse(damaged);
        if (value) {
            EXPECT_TRUE(value->isValid());
        }
    }
}

TEST(PropertyList, DictionaryRootIsRequiredWhereADictionaryIsAsked)
{
    const QByteArray list = PropertyList::serialize(QVariantList { qlonglong(1) });
    EXPECT_TRUE(PropertyList::parse(list).has_value());
    EXPECT_FALSE(PropertyList::parseDictionary(list).has_value());

    FixtureTree tree;
    const QString listFile = tree.writeFile(u"list.plist"_s, list);
    EXPECT_FALSE(PropertyList::readDictionary(listFile).has_value());
    const QString dictFile =
        tree.writePlist(u"dict.plist"_s, { { u"k"_s, u"v"_s } }, PropertyList::Format::Binary);
    EXPECT_EQ(PropertyList::readDictionary(dictFile), (QVariantMap { { u"k"_s, u"v"_s } }));
    EXPECT_FALSE(PropertyList::readDictionary(tree.pathOf(u"missing.plist"_s)).has_value());
}

TEST(PropertyList, FilesOverTheSizeLimitAreNotRead)
{
    FixtureTree tree;
    // A valid list, padded with blanks past the limit.
    const QByteArray padding(SafeFile::DefaultLimit, ' ');
    const QString path = tree.writeFile(u"big.plist"_s, padding + xmlPlist("<dict/>"));
    EXPECT_FALSE(PropertyList::readDictionary(path).has_value());
    EXPECT_TRUE(PropertyList::parseDictionary(QByteArray(padding + xmlPlist("<dict/>"))).has_value());
}

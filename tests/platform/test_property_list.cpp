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
QDateTime utc(const QString& iso)
{
    return QDateTime::fromString(iso, Qt::ISODateWithMs).toUTC();
}

QVariantMap everyType()
{
    return {
        { u"text"_s, u"Grüße & <tags> \"quoted\""_s },
        { u"empty text"_s, QString() },
        { u"integer"_s, qlonglong(42) },
        { u"negative"_s, qlonglong(-5) },
        { u"smallest"_s, std::numeric_limits<qlonglong>::min() },
        { u"largest signed"_s, std::numeric_limits<qlonglong>::max() },
        { u"huge"_s, std::numeric_limits<qulonglong>::max() },
        { u"real"_s, 0.1 },
        { u"whole real"_s, 3.0 },
        { u"yes"_s, true },
        { u"no"_s, false },
        { u"data"_s, QByteArray("\x00\x01\xff binary", 10) },
        { u"list"_s, QVariantList { qlonglong(1), u"two"_s, QVariantList {} } },
        { u"map"_s, QVariantMap { { u"inner"_s, QVariantMap {} } } },
        // Before, at and after the reference date of the binary form.
        { u"dates"_s,
          QVariantList { utc(u"2023-05-06T07:08:09Z"_s), utc(u"1999-12-31T23:59:59Z"_s),
                         utc(u"2001-01-01T00:00:00Z"_s) } },
    };
}

QVariant roundTrip(const QVariant& value, PropertyList::Format format)
{
    const QByteArray bytes = PropertyList::serialize(value, format);
    EXPECT_FALSE(bytes.isEmpty());
    return PropertyList::parse(bytes).value_or(QVariant());
}

std::optional<QVariant> parseXml(const QByteArray& body)
{
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">" + body + "</plist>";
    return PropertyList::parse(xml);
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
        // The type tells an integer from a real and a large unsigned value from a negative one.
        EXPECT_EQ(back.value(it.key()).metaType(), it.value().metaType());
        EXPECT_EQ(back.value(it.key()), it.value());
    }
    const QVariant ids = roundTrip(QStringList { u"a"_s, u"b"_s }, GetParam());
    EXPECT_EQ(ids.typeId(), QMetaType::QVariantList);
    EXPECT_EQ(ids.toStringList(), (QStringList { u"a"_s, u"b"_s }));
}

INSTANTIATE_TEST_SUITE_P(BothForms, PropertyListFormats,
                         ::testing::Values(PropertyList::Format::Xml, PropertyList::Format::Binary));

TEST(PropertyList, BinaryDatesKeepMillisecondsXmlWholeSeconds)
{
    const QVariantList dates { utc(u"2023-05-06T07:08:09.123Z"_s), utc(u"1999-12-31T23:59:59.250Z"_s),
                               utc(u"2000-12-31T23:59:58.250Z"_s), utc(u"1970-01-01T00:00:00.001Z"_s) };
    EXPECT_EQ(roundTrip(dates, PropertyList::Format::Binary).toList(), dates);
    EXPECT_EQ(roundTrip(dates, PropertyList::Format::Xml).toList().value(0),
              QVariant(utc(u"2023-05-06T07:08:09Z"_s)));
}

TEST(PropertyList, WritesNothingTheReaderWouldReject)
{
    QVariant deep = QVariantList {};
    for (int i = 0; i < 63; ++i)
        deep = QVariantList { deep };
    for (const auto format : { PropertyList::Format::Xml, PropertyList::Format::Binary }) {
        EXPECT_TRUE(PropertyList::parse(PropertyList::serialize(deep, format)).has_value());
        for (const QVariant& value :
             { QVariant(), QVariant(QPoint(1, 2)), QVariant(QVariantList { QPoint() }), QVariant(QDateTime()),
               QVariant(QString(QChar(0))), QVariant(utc(u"2100-01-01T00:00:00Z"_s)),
               QVariant(QVariantList { deep }) })
            EXPECT_TRUE(PropertyList::serialize(value, format).isEmpty()) << value.typeName();
    }
}

TEST(PropertyList, XmlScalarsAreReadExactlyOrNotAtAll)
{
    const auto integer = [](const char* text) {
        return parseXml("<integer>" + QByteArray(text) + "</integer>");
    };
    EXPECT_EQ(integer(" +42\n"), QVariant(qlonglong(42)));
    EXPECT_EQ(integer("0012"), QVariant(qlonglong(12))); // decimal, not octal
    EXPECT_EQ(integer("0x1F"), QVariant(qlonglong(31)));
    EXPECT_EQ(integer("-9223372036854775808"), QVariant(std::numeric_limits<qlonglong>::min()));
    EXPECT_EQ(integer("18446744073709551615"), QVariant(std::numeric_limits<qulonglong>::max()));
    for (const char* text : { "12a", "", "18446744073709551616", "-9223372036854775809", "1.5" })
        EXPECT_FALSE(integer(text).has_value()) << text;

    // Values the guard rewrites among values it passes on unchanged.
    EXPECT_EQ(parseXml("<array><integer>7</integer><integer> 0x10</integer><integer>-0</integer>"
                       "<date>2001-01-01T00:00:00Z</date><integer>8</integer></array>"),
              QVariant(QVariantList { qlonglong(7), qlonglong(16), qlonglong(0),
                                      utc(u"2001-01-01T00:00:00Z"_s), qlonglong(8) }));
    EXPECT_EQ(parseXml("<real> 2.5 </real>"), QVariant(2.5));
    EXPECT_EQ(parseXml("<real>3</real>")->typeId(), QMetaType::Double);
    EXPECT_FALSE(parseXml("<real>two</real>").has_value());
    EXPECT_EQ(parseXml("<date>1970-01-01T00:00:01Z</date>"),
              QVariant(QDateTime::fromSecsSinceEpoch(1, Qt::UTC)));
    for (const char* text : { "garbage", "2020-13-01T00:00:00Z", "2020-01-01", "2200-01-01T00:00:00Z" })
        EXPECT_FALSE(parseXml("<date>" + QByteArray(text) + "</date>").has_value()) << text;
}

// Dates already in the one form the parser reads exactly take a shortcut past the full date
// parser; both must agree on every calendar and range edge.
TEST(PropertyList, XmlDatesInCanonicalFormReadAsTheFullParserReadsThem)
{
    QList<QByteArray> texts { "2020-02-29T12:00:00Z", "2021-02-29T12:00:00Z", "2000-02-29T00:00:00Z",
                              "1900-02-29T00:00:00Z", "2023-04-31T00:00:00Z", "2023-12-31T23:59:59Z",
                              "2023-12-31T24:00:00Z", "2023-06-30T23:59:60Z", "2023-01-01T00:60:00Z",
                              "2023-00-10T00:00:00Z", "2023-01-00T00:00:00Z",
                              // The parser's 32-bit range around 2001 ends here.
                              "1932-12-13T20:45:52Z", "1932-12-13T20:45:53Z", "2069-01-19T03:14:06Z",
                              "2069-01-19T03:14:07Z" };
    for (int month = 1; month <= 12; ++month) {
        for (const int day : { 28, 29, 30, 31, 32 })
            texts.append(QString::asprintf("2024-%02d-%02dT01:02:03Z", month, day).toLatin1());
    }
    for (const QByteArray& text : texts) {
        const QDateTime expected = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODateWithMs);
        const qint64 sinceReference = expected.toSecsSinceEpoch() - 978307200;
        const bool readable = expected.isValid() && sinceReference > std::numeric_limits<qint32>::min()
            && sinceReference < std::numeric_limits<qint32>::max();
        const auto read = parseXml("<date>" + text + "</date>");
        ASSERT_EQ(read.has_value(), readable) << text.constData();
        if (readable) {
            EXPECT_EQ(read, QVariant(expected.toUTC())) << text.constData();
        }
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

    const QByteArray whole = PropertyList::serialize(everyType(), PropertyList::Format::Binary);
    for (qsizetype length = 0; length < whole.size(); ++length)
        EXPECT_FALSE(PropertyList::parse(whole.first(length)).has_value()) << length;
}

TEST(PropertyList, ReadsDictionariesOnlyFromSmallEnoughFilesWithADictionaryRoot)
{
    FixtureTree tree;
    const QByteArray list = PropertyList::serialize(QVariantList { qlonglong(1) });
    EXPECT_FALSE(PropertyList::parseDictionary(list).has_value());
    EXPECT_FALSE(PropertyList::readDictionary(tree.writeFile(u"list.plist"_s, list)).has_value());
    const QString dict =
        tree.writePlist(u"dict.plist"_s, { { u"k"_s, u"v"_s } }, PropertyList::Format::Binary);
    EXPECT_EQ(PropertyList::readDictionary(dict), (QVariantMap { { u"k"_s, u"v"_s } }));
    EXPECT_FALSE(PropertyList::readDictionary(tree.pathOf(u"missing.plist"_s)).has_value());
    // A valid list, padded with blanks past the limit.
    const QByteArray padded =
        QByteArray(SafeFile::DefaultLimit, ' ') + PropertyList::serialize(QVariantMap {});
    EXPECT_TRUE(PropertyList::parseDictionary(padded).has_value());
    EXPECT_FALSE(PropertyList::readDictionary(tree.writeFile(u"big.plist"_s, padded)).has_value());
}

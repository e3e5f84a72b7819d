// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PropertyList.h"

#include <QDateTime>
#include <QPoint>

#include <gtest/gtest.h>

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
                              // The parser's 32-bit range around 2001 ends here.
                              "1932-12-13T20:45:52Z", "1932-12-13T20:45:53Z", "2069-01-19T03:14:06Z",
                              "2069-01-19T03:14:07Z", "1970-01-01T00:00:01Z", "2200-01-01T00:00:00Z",
                              "garbage", "2020-13-01T00:00:00Z" };
    for (int day = 28 * 12; day < 33 * 12; ++day)
        texts.append(QString::asprintf("2024-%02d-%02dT01:02:03Z", day % 12 + 1, day / 12).toLatin1());
    for (const QByteArray& text : texts) {
        const QDateTime expected = utc(text.constData());
        const qint64 sinceReference = expected.toSecsSinceEpoch() - 978307200;
        const bool readable = expected.isValid() && sinceReference > std::numeric_limits<qint32>::min()
            && sinceReference < std::numeric_limits<qint32>::max();
        EXPECT_EQ(parseXml("<date>" + text + "</date>"),
                  readable ? std::optional(QVariant(expected)) : std::nullopt)
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

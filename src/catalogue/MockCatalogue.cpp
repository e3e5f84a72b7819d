// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MockCatalogue.h"

#include <QDate>
#include <QTime>

#include <iterator>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct SampleApp
{
    const char16_t* id;
    const char16_t* name;
    const char16_t* adamID;
    const char16_t* lastAccessed;
    std::optional<qint64> reviewOffsetSeconds;
};

const SampleApp NamedSamples[] = {
    { u"com.quillworks.Drafts", u"Drafts", u"1236254471", u"2026-04-21T00:00:00Z", -480 },
    { u"net.meshline.Tailscale", u"Tailscale", u"1475387142", u"2026-04-21T00:00:00Z", std::nullopt },
    { u"com.windowcraft.SwitchGlass", u"SwitchGlass", u"1604246676", u"2026-04-20T00:00:00Z", std::nullopt },
    { u"com.colorloom.Pastel", u"Pastel", u"413897608", u"2026-04-20T00:00:00Z", -61200 },
    { u"com.glyphbench.Codepoint", u"Codepoint", u"1568651989", u"2026-04-20T00:00:00Z", -46800 },
    { u"org.ublockorigin.Lite", u"uBlock Origin Lite", u"1640129806", u"2026-04-19T00:00:00Z", std::nullopt },
    { u"com.framegrade.DaVinciResolve", u"DaVinci Resolve", u"571213070", u"2026-04-19T00:00:00Z",
      std::nullopt },
    { u"com.muffinlabs.MuffinTerm", u"MuffinTerm", u"1659408922", u"2026-04-19T00:00:00Z", std::nullopt },
    { u"com.checkmark.Things3", u"Things3", u"904280696", u"2026-04-19T00:00:00Z", std::nullopt },
    { u"com.betadesk.TestFlight", u"TestFlight", u"899247664", u"2026-04-19T00:00:00Z", std::nullopt },
    { u"com.shelfware.Sofa", u"Sofa", u"1276554886", u"2026-04-16T00:00:00Z", -2419200 },
    { u"com.webharvest.SiteSucker", u"SiteSucker", u"442168834", u"2026-04-16T00:00:00Z", std::nullopt },
};

constexpr int PlaceholderCount = 29;

// Digits at fixed places only; the caller has checked the length.
std::optional<int> number(QStringView text, qsizetype from, qsizetype length)
{
    int value = 0;
    for (qsizetype i = from; i < from + length; ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    return value;
}

bool separatorAt(QStringView text, qsizetype index, char16_t separator)
{
    return text.at(index) == QChar(separator);
}

// The internet date-time form and nothing looser: "YYYY-MM-DDTHH:MM:SS" then "Z" or "+HH:MM" /
// "-HH:MM". Qt's own ISO parsing accepts more (missing seconds, fractions, blanks).
std::optional<QDateTime> parseInternetDateTime(QStringView text)
{
    if (text.size() != 20 && text.size() != 25)
        return std::nullopt;
    if (!separatorAt(text, 4, u'-') || !separatorAt(text, 7, u'-') || !separatorAt(text, 10, u'T')
        || !separatorAt(text, 13, u':') || !separatorAt(text, 16, u':'))
        return std::nullopt;
    const std::optional<int> year = number(text, 0, 4);
    const std::optional<int> month = number(text, 5, 2);
    const std::optional<int> day = number(text, 8, 2);
    const std::optional<int> hour = number(text, 11, 2);
    const std::optional<int> minute = number(text, 14, 2);
    const std::optional<int> second = number(text, 17, 2);
    if (!year || !month || !day || !hour || !minute || !second)
        return std::nullopt;
    const QDate date(*year, *month, *day);
    const QTime time(*hour, *minute, *second);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;

    int offsetSeconds = 0;
    if (text.size() == 20) {
        if (!separatorAt(text, 19, u'Z'))
            return std::nullopt;
    } else {
        const QChar sign = text.at(19);
        if ((sign != u'+' && sign != u'-') || !separatorAt(text, 22, u':'))
            return std::nullopt;
        const std::optional<int> offsetHours = number(text, 20, 2);
        const std::optional<int> offsetMinutes = number(text, 23, 2);
        if (!offsetHours || !offsetMinutes || *offsetHours > 23 || *offsetMinutes > 59)
            return std::nullopt;
        offsetSeconds = (*offsetHours * 60 + *offsetMinutes) * 60 * (sign == u'-' ? -1 : 1);
    }
    const QDateTime result = QDateTime(date, time, Qt::OffsetFromUTC, offsetSeconds).toUTC();
    if (!result.isValid())
        return std::nullopt;
    return result;
}

} // namespace

QList<AppInfo> MockCatalogue::makeSampleApps()
{
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QList<AppInfo> apps;
    apps.reserve(std::size(NamedSamples) + PlaceholderCount);
    for (const SampleApp& sample : NamedSamples) {
        const QString name = QString::fromUtf16(sample.name);
        OptionalDate reviewed;
        if (sample.reviewOffsetSeconds)
            reviewed = now.addSecs(*sample.reviewOffsetSeconds);
        apps.append(AppInfo(AppId(QString::fromUtf16(sample.id)), name,
                            u"/Applications/"_s + name + u".app"_s, QString::fromUtf16(sample.adamID),
                            parseISODate(QString::fromUtf16(sample.lastAccessed)), std::nullopt, reviewed));
    }
    const QDateTime placeholderAccessed = parseISODate(u"2026-04-12T00:00:00Z"_s);
    for (int number = 1; number <= PlaceholderCount; ++number) {
        apps.append(AppInfo(AppId(u"dummy.%1"_s.arg(number, 2, 10, QChar(u'0'))), QString(),
                            u"/Applications/.app"_s, u"0"_s, placeholderAccessed, std::nullopt,
                            std::nullopt));
    }
    return apps;
}

QDateTime MockCatalogue::parseISODate(const QString& text)
{
    return parseInternetDateTime(text).value_or(QDateTime::currentDateTimeUtc());
}

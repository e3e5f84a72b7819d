// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DateTexts.h"

#include <QByteArrayView>
#include <QCoreApplication>
#include <QLocale>

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>
#include <utility>

namespace {

QString toQString(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

UDate toUDate(const QDateTime& date)
{
    return static_cast<UDate>(date.toMSecsSinceEpoch());
}

// What the user set for dates, in the C library's order: the first of LC_ALL, LC_TIME and LANG
// that is set wins.
QByteArray dateLocaleSetting()
{
    for (const char* variable : { "LC_ALL", "LC_TIME", "LANG" }) {
        QByteArray value = qgetenv(variable);
        if (!value.isEmpty())
            return value;
    }
    return {};
}

// The ICU locale id of a locale setting, or empty when the setting names no language ("C",
// "POSIX", or no locale name at all), in which case dates follow the user's locale like every other
// text. A POSIX name ("sr_RS.UTF-8@latin") turns into its ICU form ("sr_Latn_RS"); an ICU name
// ("sr_Latn_RS") stays as it is.
QByteArray icuLocaleID(const QByteArray& setting)
{
    QByteArrayView name(setting);
    QByteArrayView modifier;
    if (const qsizetype at = name.indexOf('@'); at >= 0) {
        modifier = name.sliced(at + 1);
        name = name.first(at);
    }
    if (const qsizetype dot = name.indexOf('.'); dot >= 0)
        name = name.first(dot);
    if (name.isEmpty() || name == "C" || name == "POSIX")
        return {};
    const icu::Locale locale(name.toByteArray().constData());
    if (locale.isBogus())
        return {};
    QByteArray id = locale.getName();
    // The C library names a script by a modifier; ICU by a part of its own after the language.
    constexpr std::pair<QByteArrayView, const char*> ScriptModifiers[] = { { "latin", "Latn" },
                                                                           { "cyrillic", "Cyrl" },
                                                                           { "devanagari", "Deva" } };
    for (const auto& [scriptModifier, script] : ScriptModifiers) {
        if (modifier == scriptModifier && *locale.getScript() == '\0') {
            id = QByteArray(locale.getLanguage()) + '_' + script;
            if (*locale.getCountry() != '\0')
                id += QByteArray("_") + locale.getCountry();
        }
    }
    return id;
}

// Building an ICU formatter costs far more than using one, and every visible row asks for its
// texts on each paint. ICU formatters must not be shared between threads, so each thread keeps
// its own set, rebuilt when the user's locale, the locale for dates or the default zone has changed.
class Formatters
{
public:
    static Formatters& current()
    {
        thread_local Formatters cache;
        cache.follow(QLocale().name().toUtf8(), dateLocaleSetting(), wordsLanguage());
        return cache;
    }

    icu::DateFormat* mediumDate()
    {
        if (!m_mediumDate) {
            m_mediumDate.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, m_dateLocale));
            if (m_mediumDate)
                m_mediumDate->adoptTimeZone(m_zone->clone());
        }
        return m_mediumDate.get();
    }

    // The words of a relative date are language, not date settings: they are in the language of
    // the program's other words, so that a window never mixes two.
    icu::RelativeDateTimeFormatter* relative()
    {
        if (!m_relative) {
            UErrorCode status = U_ZERO_ERROR;
            auto formatter = std::make_unique<icu::RelativeDateTimeFormatter>(
                m_wordsLocale, nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE, status);
            if (U_SUCCESS(status))
                m_relative = std::move(formatter);
        }
        return m_relative.get();
    }

    icu::Calendar* calendar()
    {
        if (!m_calendar) {
            UErrorCode status = U_ZERO_ERROR;
            std::unique_ptr<icu::Calendar> calendar(
                icu::Calendar::createInstance(m_zone->clone(), m_locale, status));
            if (U_SUCCESS(status))
                m_calendar = std::move(calendar);
        }
        return m_calendar.get();
    }

private:
    // The language of the catalogue the program's words come from, as an ICU locale id: each
    // catalogue says its own, and without one the words are the source's, English.
    static QByteArray wordsLanguage()
    {
        return QCoreApplication::translate("DateTexts", "en",
                                           "The ICU locale id of this catalogue's language, in which "
                                           "relative dates are written (\"de\" for German).")
            .toLatin1();
    }

    void follow(const QByteArray& localeName, const QByteArray& dateLocaleSetting,
                const QByteArray& wordsLanguage)
    {
        std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
        icu::UnicodeString zoneID;
        zone->getID(zoneID);
        if (m_zone && localeName == m_localeName && dateLocaleSetting == m_dateLocaleSetting
            && wordsLanguage == m_wordsLanguage && zoneID == m_zoneID)
            return;
        m_wordsLanguage = wordsLanguage;
        m_wordsLocale = icu::Locale(wordsLanguage.constData());
        m_localeName = localeName;
        m_locale = icu::Locale(localeName.constData());
        m_dateLocaleSetting = dateLocaleSetting;
        const QByteArray dateLocaleID = icuLocaleID(dateLocaleSetting);
        m_dateLocale = dateLocaleID.isEmpty() ? m_locale : icu::Locale(dateLocaleID.constData());
        m_zoneID = zoneID;
        m_zone = std::move(zone);
        m_mediumDate.reset();
        m_relative.reset();
        m_calendar.reset();
    }

    QByteArray m_localeName;
    icu::Locale m_locale;
    QByteArray m_dateLocaleSetting;
    icu::Locale m_dateLocale;
    QByteArray m_wordsLanguage;
    icu::Locale m_wordsLocale;
    icu::UnicodeString m_zoneID;
    std::unique_ptr<icu::TimeZone> m_zone;
    std::unique_ptr<icu::DateFormat> m_mediumDate;
    std::unique_ptr<icu::RelativeDateTimeFormatter> m_relative;
    std::unique_ptr<icu::Calendar> m_calendar;
};

struct RelativeUnit
{
    UCalendarDateFields field;
    URelativeDateTimeUnit unit;
};

// Largest first: the text names the largest unit in which the dates differ.
constexpr RelativeUnit RelativeUnits[] = {
    { UCAL_YEAR, UDAT_REL_UNIT_YEAR },         { UCAL_MONTH, UDAT_REL_UNIT_MONTH },
    { UCAL_WEEK_OF_YEAR, UDAT_REL_UNIT_WEEK }, { UCAL_DATE, UDAT_REL_UNIT_DAY },
    { UCAL_HOUR_OF_DAY, UDAT_REL_UNIT_HOUR },  { UCAL_MINUTE, UDAT_REL_UNIT_MINUTE },
    { UCAL_SECOND, UDAT_REL_UNIT_SECOND },
};

} // namespace

QString DateTexts::mediumDate(const QDateTime& date)
{
    icu::DateFormat* format = Formatters::current().mediumDate();
    if (!format)
        return QLocale().toString(date.toLocalTime().date(), QLocale::ShortFormat);
    icu::UnicodeString text;
    format->format(toUDate(date), text);
    return toQString(text);
}

QString DateTexts::relative(const QDateTime& date, const QDateTime& now)
{
    Formatters& formatters = Formatters::current();
    icu::RelativeDateTimeFormatter* formatter = formatters.relative();
    icu::Calendar* calendar = formatters.calendar();
    if (!formatter || !calendar)
        return mediumDate(date);

    UErrorCode status = U_ZERO_ERROR;
    calendar->setTime(toUDate(now), status);
    const UDate target = toUDate(date);
    double offset = 0;
    URelativeDateTimeUnit unit = UDAT_REL_UNIT_SECOND;
    // Each difference moves the calendar on by the whole units counted, so the next, smaller unit
    // sees only the remainder; the counts are truncated, never rounded.
    for (const RelativeUnit& candidate : RelativeUnits) {
        const int32_t difference = calendar->fieldDifference(target, candidate.field, status);
        if (U_FAILURE(status))
            return mediumDate(date);
        if (difference != 0) {
            offset = difference;
            unit = candidate.unit;
            break;
        }
    }

    icu::UnicodeString text;
    formatter->format(offset, unit, text, status);
    if (U_FAILURE(status))
        return mediumDate(date);
    return toQString(text);
}

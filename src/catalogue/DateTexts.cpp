#include "DateTexts.h"

#include <QLocale>

#include <unicode/calendar.h>
#include <unicode/datefmt.h>
#include <unicode/locid.h>
#include <unicode/reldatefmt.h>
#include <unicode/timezone.h>
#include <unicode/unistr.h>

#include <memory>

namespace {

QString toQString(const icu::UnicodeString& text)
{
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

UDate toUDate(const QDateTime& date)
{
    return static_cast<UDate>(date.toMSecsSinceEpoch());
}

// Building an ICU formatter costs far more than using one, and every visible row asks for its
// texts on each paint. ICU formatters must not be shared between threads, so each thread keeps
// its own set, rebuilt when the user's locale or the default zone has changed.
class Formatters
{
public:
    static Formatters& current()
    {
        thread_local Formatters cache;
        cache.follow(QLocale().name().toUtf8());
        return cache;
    }

    icu::DateFormat* mediumDate()
    {
        if (!m_mediumDate) {
            m_mediumDate.reset(icu::DateFormat::createDateInstance(icu::DateFormat::kMedium, m_locale));
            if (m_mediumDate)
                m_mediumDate->adoptTimeZone(m_zone->clone());
        }
        return m_mediumDate.get();
    }

    icu::RelativeDateTimeFormatter* relative()
    {
        if (!m_relative) {
            UErrorCode status = U_ZERO_ERROR;
            auto formatter = std::make_unique<icu::RelativeDateTimeFormatter>(
                m_locale, nullptr, UDAT_STYLE_LONG, UDISPCTX_CAPITALIZATION_NONE, status);
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
    void follow(const QByteArray& localeName)
    {
        std::unique_ptr<icu::TimeZone> zone(icu::TimeZone::createDefault());
        icu::UnicodeString zoneID;
        zone->getID(zoneID);
        if (m_zone && localeName == m_localeName && zoneID == m_zoneID)
            return;
        m_localeName = localeName;
        m_locale = icu::Locale(localeName.constData());
        m_zoneID = zoneID;
        m_zone = std::move(zone);
        m_mediumDate.reset();
        m_relative.reset();
        m_calendar.reset();
    }

    QByteArray m_localeName;
    icu::Locale m_locale;
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

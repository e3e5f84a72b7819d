#include "DefaultsDomain.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"

#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QDateTime OldDate(QDate(2025, 2, 3), QTime(4, 5), Qt::UTC);
const QDateTime NewerDate(QDate(2025, 3, 3), QTime(4, 5), Qt::UTC);
const QString Composed = u"caf\u00e9"_s;
const QString Decomposed = u"cafe\u0301"_s;

// Passes everything to a domain in memory and counts the writes that reach it.
class CountingDomain : public DefaultsDomain
{
public:
    QVariant value(const QString& key) const override { return m_inner.value(key); }
    void modify(const QString& key, const Modifier& modifier) override
    {
        m_inner.modify(key, [&](const QVariant& current) {
            Change change = modifier(current);
            m_writes += change.kind != Change::Kind::Keep;
            return change;
        });
    }
    QString location() const override { return m_inner.location(); }

    MemoryDefaultsDomain m_inner;
    int m_writes = 0;
};

// A stored or loaded value as short text: lists sorted, dates as "old", "newer" or "now".
QString describe(const QVariant& value)
{
    QStringList entries;
    const auto label = [](const QVariant& v) {
        const QDateTime date = v.toDateTime();
        if (v.typeId() != QMetaType::QDateTime)
            return v.typeId() == QMetaType::QString
                ? v.toString()
                : u"%1:%2"_s.arg(QLatin1StringView(v.typeName()), v.toString());
        return date == OldDate                                        ? u"old"_s
            : date == NewerDate                                       ? u"newer"_s
            : qAbs(date.secsTo(QDateTime::currentDateTimeUtc())) < 60 ? u"now"_s
                                                                      : date.toString(Qt::ISODate);
    };
    if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant& entry : value.toList())
            entries.append(label(entry));
        entries.sort();
        return u'[' + entries.join(u',') + u']';
    }
    if (value.typeId() == QMetaType::QVariantMap) {
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it)
            entries.append(it.key() + u'=' + label(it.value()));
        return u'{' + entries.join(u',') + u'}';
    }
    return value.isValid() ? label(value) : u"none"_s;
}

// Runs steps such as "ignore a, unignore b, prune-reviews a b" on the service.
void run(PreferencesService& service, const QString& steps)
{
    for (const QString& step : steps.split(u", "_s, Qt::SkipEmptyParts)) {
        QStringList words = step.split(u' ');
        const QString verb = words.takeFirst();
        const QString id = words.value(0);
        const QSet<QString> ids(words.cbegin(), words.cend());
        if (verb == u"ignore"_s)
            service.addIgnoredID(id);
        else if (verb == u"unignore"_s)
            service.removeIgnoredID(id);
        else if (verb == u"clear"_s)
            service.clearIgnoredIDs();
        else if (verb == u"prune-ignored"_s)
            service.pruneIgnoredIDs(ids);
        else if (verb == u"review"_s)
            service.recordReviewDate(id);
        else if (verb == u"unreview"_s)
            service.removeReviewDate(id);
        else if (verb == u"prune-reviews"_s)
            service.pruneReviewDates(ids);
        else
            ADD_FAILURE() << qPrintable(step);
    }
}

TEST(Preferences, IgnoreListAndReviewDatesKeepWhatTheUserChoseAndWriteOnlyChanges)
{
    const QVariantList dateList { OldDate };
    const QVariantMap texted { { u"texted"_s, u"2025-01-01"_s }, { u"old"_s, OldDate } };
    const QVariantMap oldA { { u"a"_s, OldDate } };
    const QString c = Composed;
    const QString d = Decomposed;
    struct Case
    {
        QVariant ignored; // stored before
        QVariant reviews;
        QString steps;
        int writes;
        QString stored; // both keys after
        QString loaded; // what the service reads of them
    };
    // clang-format off
    const QList<Case> cases {
        // First launch: nothing stored, and pruning nothing writes nothing.
        { {}, {}, u"prune-ignored, prune-reviews"_s, 0, u"none none"_s, u"[] {}"_s },
        { {}, {}, u"ignore a, ignore a, ignore b"_s, 3, u"[a,b] none"_s, u"[a,b] {}"_s },
        { QVariantList { u"a"_s }, {}, u"unignore absent"_s, 1, u"[a] none"_s, u"[a] {}"_s },
        // An emptied list keeps its key until cleared.
        { QVariantList { u"a"_s }, {}, u"unignore a"_s, 1, u"[] none"_s, u"[] {}"_s },
        { QVariantList { u"a"_s }, {}, u"clear"_s, 1, u"none none"_s, u"[] {}"_s },
        // Mistyped values read as empty and stay until replaced.
        { QVariantList { u"a"_s, 5 }, {}, u"prune-ignored b"_s, 0, u"[a,qlonglong:5] none"_s, u"[] {}"_s },
        { u"a"_s, {}, u"prune-ignored"_s, 0, u"a none"_s, u"[] {}"_s },
        { QVariantList { u"a"_s, 5 }, {}, u"ignore b"_s, 1, u"[b] none"_s, u"[b] {}"_s },
        { {}, dateList, u"prune-reviews"_s, 0, u"none [old]"_s, u"[] {}"_s },
        { {}, dateList, u"review a"_s, 1, u"none {a=now}"_s, u"[] {a=now}"_s },
        { QVariantList { u"a"_s, u"b"_s, u"a"_s }, {}, u"prune-ignored a b c"_s, 0, u"[a,a,b] none"_s, u"[a,b] {}"_s },
        { QVariantList { u"a"_s, u"b"_s, u"a"_s }, {}, u"prune-ignored b"_s, 1, u"[b] none"_s, u"[b] {}"_s },
        { QVariantList { u"a"_s }, {}, u"prune-ignored"_s, 1, u"[] none"_s, u"[] {}"_s },
        { {}, oldA, u"review a"_s, 1, u"none {a=now}"_s, u"[] {a=now}"_s },
        { {}, oldA, u"unreview a, unreview a"_s, 2, u"none {}"_s, u"[] {}"_s },
        // Entries that are no dates are kept but never handed out.
        { {}, texted, u"review new, unreview old"_s, 2, u"none {new=now,texted=2025-01-01}"_s, u"[] {new=now}"_s },
        { {}, texted, u"prune-reviews texted old"_s, 0, u"none {old=old,texted=2025-01-01}"_s, u"[] {old=old}"_s },
        { {}, texted, u"prune-reviews old"_s, 1, u"none {old=old}"_s, u"[] {old=old}"_s },
        // Canonically equivalent ids are one id, whoever wrote which form.
        { {}, {}, u"ignore %1, ignore %2, prune-ignored %1"_s.arg(d, c), 2, u"[%1] none"_s.arg(c), u"[%1] {}"_s.arg(c) },
        { QVariantList { c }, {}, u"unignore "_s + d, 1, u"[] none"_s, u"[] {}"_s },
        { {}, QVariantMap { { d, OldDate } }, u"prune-reviews "_s + c, 0, u"none {%1=old}"_s.arg(d), u"[] {%1=old}"_s.arg(c) },
        { {}, QVariantMap { { d, NewerDate }, { c, OldDate } }, {}, 0, u"none {%1=newer,%2=old}"_s.arg(d, c), u"[] {%1=newer}"_s.arg(c) },
        { {}, QVariantMap { { d, OldDate } }, u"review "_s + c, 1, u"none {%1=now}"_s.arg(c), u"[] {%1=now}"_s.arg(c) },
        { {}, QVariantMap { { c, OldDate } }, u"unreview "_s + d, 1, u"none {}"_s, u"[] {}"_s },
    };
    // clang-format on
    const auto both = [](const QVariant& a, const QVariant& b) {
        return QString(describe(a) + u' ' + describe(b)).toStdString();
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(qPrintable(c.steps));
        const auto domain = std::make_shared<CountingDomain>();
        domain->m_inner.setValue(PreferencesService::IgnoredIDsKey, c.ignored);
        domain->m_inner.setValue(PreferencesService::ReviewDatesKey, c.reviews);
        PreferencesService service(domain);
        run(service, c.steps);
        EXPECT_EQ(domain->m_writes, c.writes);
        const QVariant stored = domain->value(PreferencesService::ReviewDatesKey);
        EXPECT_EQ(both(domain->value(PreferencesService::IgnoredIDsKey), stored), c.stored.toStdString());
        const ReviewDateMap dates = service.loadReviewDates();
        const QSet<QString> ignored = service.loadIgnoredIDs();
        QVariantMap loaded;
        for (auto it = dates.cbegin(); it != dates.cend(); ++it)
            loaded.insert(it.key(), it.value());
        EXPECT_EQ(both(QVariantList(ignored.cbegin(), ignored.cend()), loaded), c.loaded.toStdString());
        // One id's date is found under either form, and only when it is a date.
        for (const QString& key : stored.toMap().keys()) {
            const QString id = AppInfo::idKey(key);
            EXPECT_EQ(service.reviewDate(key),
                      dates.contains(id) ? std::optional(dates.value(id)) : std::nullopt);
        }
    }
}

} // namespace

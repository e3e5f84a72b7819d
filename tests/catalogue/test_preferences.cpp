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

// A stored or loaded value as short text: lists sorted, dates as "old", "now" or themselves.
QString describe(const QVariant& value)
{
    QStringList entries;
    const auto label = [](const QVariant& v) {
        const QDateTime date = v.toDateTime();
        if (v.typeId() == QMetaType::QDateTime)
            return date == OldDate                                        ? u"old"_s
                : qAbs(date.secsTo(QDateTime::currentDateTimeUtc())) < 60 ? u"now"_s
                                                                          : date.toString(Qt::ISODate);
        return v.typeId() == QMetaType::QString
            ? v.toString()
            : u"%1:%2"_s.arg(QLatin1StringView(v.typeName()), v.toString());
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
    using Ids = QSet<QString>;
    const QHash<QString, std::function<void(const QString&, const Ids&)>> verbs {
        { u"ignore"_s, [&](const QString& id, const Ids&) { service.addIgnoredID(id); } },
        { u"unignore"_s, [&](const QString& id, const Ids&) { service.removeIgnoredID(id); } },
        { u"clear"_s, [&](const QString&, const Ids&) { service.clearIgnoredIDs(); } },
        { u"prune-ignored"_s, [&](const QString&, const Ids& ids) { service.pruneIgnoredIDs(ids); } },
        { u"review"_s, [&](const QString& id, const Ids&) { service.recordReviewDate(id); } },
        { u"unreview"_s, [&](const QString& id, const Ids&) { service.removeReviewDate(id); } },
        { u"prune-reviews"_s, [&](const QString&, const Ids& ids) { service.pruneReviewDates(ids); } },
    };
    for (const QString& step : steps.split(u", "_s, Qt::SkipEmptyParts)) {
        QStringList words = step.split(u' ');
        verbs.value(words.takeFirst())(words.value(0), Ids(words.cbegin(), words.cend()));
    }
}

TEST(Preferences, IgnoreListAndReviewDatesKeepWhatTheUserChoseAndWriteOnlyChanges)
{
    const QVariantList dateList { OldDate };
    const QVariantMap texted { { u"texted"_s, u"2025-01-01"_s }, { u"old"_s, OldDate } };
    const QVariantMap oldA { { u"a"_s, OldDate } };
    const QString c = Composed;
    const QString d = Decomposed;
    // Ignored and reviewed as stored before; the steps; the writes they make; both as stored after,
    // and as the service reads them.
    // clang-format off
    const QList<std::tuple<QVariant, QVariant, QString, int, QString, QString>> cases {
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
        { {}, QVariantMap { { d, NewerDate }, { c, OldDate } }, {}, 0, u"none {%1=2025-03-03T04:05:00Z,%2=old}"_s.arg(d, c), u"[] {%1=2025-03-03T04:05:00Z}"_s.arg(c) },
        { {}, QVariantMap { { d, OldDate } }, u"review "_s + c, 1, u"none {%1=now}"_s.arg(c), u"[] {%1=now}"_s.arg(c) },
        { {}, QVariantMap { { c, OldDate } }, u"unreview "_s + d, 1, u"none {}"_s, u"[] {}"_s },
    };
    // clang-format on
    const auto both = [](const QVariant& a, const QVariant& b) {
        return QString(describe(a) + u' ' + describe(b)).toStdString();
    };
    for (const auto& [ignoredBefore, reviewsBefore, steps, writes, storedAfter, loadedAfter] : cases) {
        SCOPED_TRACE(qPrintable(steps));
        const auto domain = std::make_shared<CountingDomain>();
        domain->m_inner.setValue(PreferencesService::IgnoredIDsKey, ignoredBefore);
        domain->m_inner.setValue(PreferencesService::ReviewDatesKey, reviewsBefore);
        PreferencesService service(domain);
        run(service, steps);
        EXPECT_EQ(domain->m_writes, writes);
        const QVariant stored = domain->value(PreferencesService::ReviewDatesKey);
        EXPECT_EQ(both(domain->value(PreferencesService::IgnoredIDsKey), stored), storedAfter.toStdString());
        const ReviewDateMap dates = service.loadReviewDates();
        const QSet<QString> ignored = service.loadIgnoredIDs();
        QVariantMap loaded;
        for (auto it = dates.cbegin(); it != dates.cend(); ++it)
            loaded.insert(it.key(), it.value());
        EXPECT_EQ(both(QVariantList(ignored.cbegin(), ignored.cend()), loaded), loadedAfter.toStdString());
        // One id's date is found under either form, and only when it is a date.
        for (const QString& key : stored.toMap().keys()) {
            const QString id = AppInfo::idKey(key);
            EXPECT_EQ(service.reviewDate(key),
                      dates.contains(id) ? std::optional(dates.value(id)) : std::nullopt);
        }
    }
}

} // namespace

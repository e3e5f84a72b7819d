#include "PreferencesService.h"

#include "DefaultsDomain.h"

#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <utility>

namespace {

using Change = DefaultsDomain::Change;

// The stored list as a set of id keys; a value that is not a list of texts only reads as empty.
QSet<QString> readIgnoredIDs(const QVariant& value)
{
    QSet<QString> ids;
    if (value.typeId() == QMetaType::QStringList) {
        for (const QString& id : value.toStringList())
            ids.insert(AppInfo::idKey(id));
        return ids;
    }
    if (value.typeId() != QMetaType::QVariantList)
        return {};
    const QVariantList list = value.toList();
    for (const QVariant& entry : list) {
        if (entry.typeId() != QMetaType::QString)
            return {};
        ids.insert(AppInfo::idKey(entry.toString()));
    }
    return ids;
}

// In the set's own order: the list is a set, and sorting it at every write would cost more than
// the rest of a bulk ignore.
QVariant ignoredIDsValue(const QSet<QString>& ids)
{
    QVariantList list;
    list.reserve(ids.size());
    for (const QString& id : ids)
        list.append(id);
    return list;
}

QVariantMap readReviewDates(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

// Entries that are dates, by id key. Keys written by someone else may be canonically equivalent
// without being equal; of such entries the latest date stands.
ReviewDateMap datesOf(const QVariantMap& dictionary)
{
    ReviewDateMap dates;
    for (auto it = dictionary.cbegin(); it != dictionary.cend(); ++it) {
        if (it.value().typeId() != QMetaType::QDateTime)
            continue;
        const QDateTime date = it.value().toDateTime();
        if (!date.isValid())
            continue;
        QDateTime& stored = dates[AppInfo::idKey(it.key())];
        if (!stored.isValid() || stored < date)
            stored = date;
    }
    return dates;
}

// Removes every entry whose key is canonically equivalent to key; true when one was there.
bool removeEntries(QVariantMap& dictionary, const QString& key)
{
    bool removed = false;
    for (auto it = dictionary.begin(); it != dictionary.end();) {
        if (AppInfo::idKey(it.key()) == key) {
            it = dictionary.erase(it);
            removed = true;
        } else {
            ++it;
        }
    }
    return removed;
}

} // namespace

PreferencesService::PreferencesService(std::shared_ptr<DefaultsDomain> domain)
    : m_domain(std::move(domain))
{ }

QSet<QString> PreferencesService::loadIgnoredIDs() const
{
    return readIgnoredIDs(m_domain->value(IgnoredIDsKey));
}

void PreferencesService::addIgnoredID(const QString& id)
{
    addIgnoredIDs({ id });
}

void PreferencesService::removeIgnoredID(const QString& id)
{
    removeIgnoredIDs({ id });
}

void PreferencesService::addIgnoredIDs(const QStringList& ids)
{
    m_domain->modify(IgnoredIDsKey, [&ids](const QVariant& current) {
        QSet<QString> stored = readIgnoredIDs(current);
        for (const QString& id : ids)
            stored.insert(AppInfo::idKey(id));
        return Change::set(ignoredIDsValue(stored));
    });
}

void PreferencesService::removeIgnoredIDs(const QStringList& ids)
{
    m_domain->modify(IgnoredIDsKey, [&ids](const QVariant& current) {
        QSet<QString> stored = readIgnoredIDs(current);
        for (const QString& id : ids)
            stored.remove(AppInfo::idKey(id));
        return Change::set(ignoredIDsValue(stored));
    });
}

void PreferencesService::clearIgnoredIDs()
{
    m_domain->modify(IgnoredIDsKey, [](const QVariant&) { return Change::remove(); });
}

void PreferencesService::pruneIgnoredIDs(const QSet<QString>& installedIDs)
{
    const QSet<QString> installed = AppInfo::idKeys(installedIDs);
    m_domain->modify(IgnoredIDsKey, [&installed](const QVariant& current) {
        const QSet<QString> ids = readIgnoredIDs(current);
        const QSet<QString> kept = QSet<QString>(ids).intersect(installed);
        if (kept == ids)
            return Change::keep();
        return Change::set(ignoredIDsValue(kept));
    });
}

ReviewDateMap PreferencesService::loadReviewDates() const
{
    return datesOf(readReviewDates(m_domain->value(ReviewDatesKey)));
}

void PreferencesService::recordReviewDate(const QString& id)
{
    const QString key = AppInfo::idKey(id);
    m_domain->modify(ReviewDatesKey, [&key](const QVariant& current) {
        QVariantMap dictionary = readReviewDates(current);
        removeEntries(dictionary, key);
        dictionary.insert(key, QDateTime::currentDateTimeUtc());
        return Change::set(dictionary);
    });
}

std::optional<QDateTime> PreferencesService::reviewDate(const QString& id) const
{
    const ReviewDateMap dates = loadReviewDates();
    const auto it = dates.constFind(AppInfo::idKey(id));
    if (it == dates.cend())
        return std::nullopt;
    return *it;
}

void PreferencesService::removeReviewDate(const QString& id)
{
    const QString key = AppInfo::idKey(id);
    m_domain->modify(ReviewDatesKey, [&key](const QVariant& current) {
        QVariantMap dictionary = readReviewDates(current);
        removeEntries(dictionary, key);
        return Change::set(dictionary);
    });
}

void PreferencesService::pruneReviewDates(const QSet<QString>& installedIDs)
{
    const QSet<QString> installed = AppInfo::idKeys(installedIDs);
    m_domain->modify(ReviewDatesKey, [&installed](const QVariant& current) {
        QVariantMap dictionary = readReviewDates(current);
        bool removed = false;
        for (auto it = dictionary.begin(); it != dictionary.end();) {
            if (installed.contains(AppInfo::idKey(it.key()))) {
                ++it;
            } else {
                it = dictionary.erase(it);
                removed = true;
            }
        }
        return removed ? Change::set(dictionary) : Change::keep();
    });
}

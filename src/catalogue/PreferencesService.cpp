// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PreferencesService.h"

#include "DefaultsDomain.h"

#include <QVariantList>
#include <QVariantMap>

#include <utility>

namespace {

using Change = DefaultsDomain::Change;

// The stored list as a set of ids; a value that is not a list of texts only reads as empty.
QSet<AppId> readIgnoredIDs(const QVariant& value)
{
    QSet<AppId> ids;
    if (value.typeId() == QMetaType::QStringList) {
        for (const QString& id : value.toStringList())
            ids.insert(AppId(id));
        return ids;
    }
    if (value.typeId() != QMetaType::QVariantList)
        return {};
    const QVariantList list = value.toList();
    for (const QVariant& entry : list) {
        if (entry.typeId() != QMetaType::QString)
            return {};
        ids.insert(AppId(entry.toString()));
    }
    return ids;
}

// In the set's own order: the list is a set, and sorting it at every write would cost more than
// the rest of a bulk ignore.
QVariant ignoredIDsValue(const QSet<AppId>& ids)
{
    QVariantList list;
    list.reserve(ids.size());
    for (const AppId& id : ids)
        list.append(id.text());
    return list;
}

QVariantMap readReviewDates(const QVariant& value)
{
    return value.typeId() == QMetaType::QVariantMap ? value.toMap() : QVariantMap();
}

// Entries that are dates, by id. Keys written by someone else may be canonically equivalent
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
        QDateTime& stored = dates[AppId(it.key())];
        if (!stored.isValid() || stored < date)
            stored = date;
    }
    return dates;
}

// Removes every entry whose key is the text of id in some canonically equivalent form.
void removeEntries(QVariantMap& dictionary, const AppId& id)
{
    for (auto it = dictionary.begin(); it != dictionary.end();) {
        if (AppId(it.key()) == id)
            it = dictionary.erase(it);
        else
            ++it;
    }
}

} // namespace

PreferencesService::PreferencesService(std::shared_ptr<DefaultsDomain> domain, QObject* parent)
    : QObject(parent)
    , m_domain(std::move(domain))
    , m_trouble(m_domain->trouble())
{ }

// Every read and write goes through these two, so that whatever they meet is told.
QVariant PreferencesService::value(const QString& key) const
{
    QVariant value = m_domain->value(key);
    noticeTrouble();
    return value;
}

void PreferencesService::modify(const QString& key, const DefaultsDomain::Modifier& modifier)
{
    m_domain->modify(key, modifier);
    noticeTrouble();
}

void PreferencesService::noticeTrouble() const
{
    DefaultsDomain::Trouble trouble = m_domain->trouble();
    if (trouble == m_trouble)
        return;
    m_trouble = std::move(trouble);
    emit const_cast<PreferencesService*>(this)->troubleChanged();
}

void PreferencesService::removeReviewDates(const QList<AppId>& ids)
{
    {
        const DefaultsDomain::Batch batch(*m_domain);
        for (const AppId& id : ids)
            removeReviewDate(id);
    }
    // The batch writes as it ends, and that write may be what fails.
    noticeTrouble();
}

QSet<AppId> PreferencesService::loadIgnoredIDs() const
{
    return readIgnoredIDs(value(IgnoredIDsKey));
}

void PreferencesService::addIgnoredID(const AppId& id)
{
    addIgnoredIDs({ id });
}

void PreferencesService::removeIgnoredID(const AppId& id)
{
    removeIgnoredIDs({ id });
}

void PreferencesService::addIgnoredIDs(const QList<AppId>& ids)
{
    modify(IgnoredIDsKey, [&ids](const QVariant& current) {
        QSet<AppId> stored = readIgnoredIDs(current);
        for (const AppId& id : ids)
            stored.insert(id);
        return Change::set(ignoredIDsValue(stored));
    });
}

void PreferencesService::removeIgnoredIDs(const QList<AppId>& ids)
{
    modify(IgnoredIDsKey, [&ids](const QVariant& current) {
        QSet<AppId> stored = readIgnoredIDs(current);
        for (const AppId& id : ids)
            stored.remove(id);
        return Change::set(ignoredIDsValue(stored));
    });
}

void PreferencesService::clearIgnoredIDs()
{
    modify(IgnoredIDsKey, [](const QVariant&) { return Change::remove(); });
}

void PreferencesService::pruneIgnoredIDs(const QSet<AppId>& installedIDs)
{
    modify(IgnoredIDsKey, [&installedIDs](const QVariant& current) {
        const QSet<AppId> ids = readIgnoredIDs(current);
        const QSet<AppId> kept = QSet<AppId>(ids).intersect(installedIDs);
        if (kept == ids)
            return Change::keep();
        return Change::set(ignoredIDsValue(kept));
    });
}

ReviewDateMap PreferencesService::loadReviewDates() const
{
    return datesOf(readReviewDates(value(ReviewDatesKey)));
}

void PreferencesService::recordReviewDate(const AppId& id)
{
    setReviewDate(id, QDateTime::currentDateTimeUtc());
}

void PreferencesService::setReviewDate(const AppId& id, const std::optional<QDateTime>& date)
{
    modify(ReviewDatesKey, [&id, &date](const QVariant& current) {
        QVariantMap dictionary = readReviewDates(current);
        removeEntries(dictionary, id);
        if (date)
            dictionary.insert(id.text(), *date);
        return Change::set(dictionary);
    });
}

void PreferencesService::setReviewDates(const QHash<AppId, std::optional<QDateTime>>& dates)
{
    {
        const DefaultsDomain::Batch batch(*m_domain);
        for (auto it = dates.cbegin(); it != dates.cend(); ++it)
            setReviewDate(it.key(), it.value());
    }
    noticeTrouble();
}

std::optional<QDateTime> PreferencesService::reviewDate(const AppId& id) const
{
    const ReviewDateMap dates = loadReviewDates();
    const auto it = dates.constFind(id);
    if (it == dates.cend())
        return std::nullopt;
    return *it;
}

void PreferencesService::removeReviewDate(const AppId& id)
{
    setReviewDate(id, std::nullopt);
}

void PreferencesService::pruneReviewDates(const QSet<AppId>& installedIDs)
{
    modify(ReviewDatesKey, [&installedIDs](const QVariant& current) {
        QVariantMap dictionary = readReviewDates(current);
        bool removed = false;
        for (auto it = dictionary.begin(); it != dictionary.end();) {
            if (installedIDs.contains(AppId(it.key()))) {
                ++it;
            } else {
                it = dictionary.erase(it);
                removed = true;
            }
        }
        return removed ? Change::set(dictionary) : Change::keep();
    });
}

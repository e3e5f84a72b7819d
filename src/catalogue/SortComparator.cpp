// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SortComparator.h"

#include "AppInfo.h"

#include <QLocale>

#include <unicode/ucol.h>

#include <limits>
#include <memory>

namespace {

struct CollatorCloser
{
    void operator()(UCollator* collator) const { ucol_close(collator); }
};

// The collation of the user's locale (QLocale()): case is ignored, accents count, and runs of
// digits compare by value ("Item 9" before "Item 10"). A collator is costly to open, so each
// thread keeps one and opens a new one only when the locale has changed.
const UCollator* nameCollator()
{
    thread_local std::unique_ptr<UCollator, CollatorCloser> collator;
    thread_local QString localeName;
    thread_local bool opened = false;
    const QString current = QLocale().name();
    if (opened && current == localeName)
        return collator.get();
    opened = true;
    localeName = current;
    UErrorCode status = U_ZERO_ERROR;
    collator.reset(ucol_open(current.toUtf8().constData(), &status));
    if (U_FAILURE(status)) {
        collator.reset();
        return nullptr;
    }
    ucol_setAttribute(collator.get(), UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
    if (U_FAILURE(status))
        collator.reset();
    return collator.get();
}

int compareKeys(qint64 a, qint64 b)
{
    return (a > b) - (a < b);
}

} // namespace

SortComparator::Keys SortComparator::keysOf(const AppInfo& app)
{
    return { nameSortKey(app.name()), dateSortKey(app.lastAccessedSortDate()),
             dateSortKey(app.lastReviewedSortDate()) };
}

int SortComparator::compare(const Keys& a, const Keys& b) const
{
    int result = 0;
    switch (m_key) {
    case Key::Name:
        result = a.name.compare(b.name);
        result = (result > 0) - (result < 0);
        break;
    case Key::LastAccessedSortDate:
        result = compareKeys(a.lastAccessed, b.lastAccessed);
        break;
    case Key::LastReviewedSortDate:
        result = compareKeys(a.lastReviewed, b.lastReviewed);
        break;
    }
    return m_order == Qt::DescendingOrder ? -result : result;
}

int SortComparator::compare(const AppInfo& a, const AppInfo& b) const
{
    return compare(keysOf(a), keysOf(b));
}

int SortComparator::compare(const QList<SortComparator>& order, const Keys& a, const Keys& b)
{
    for (const SortComparator& comparator : order) {
        if (const int result = comparator.compare(a, b))
            return result;
    }
    return 0;
}

QByteArray SortComparator::nameSortKey(QStringView name)
{
    const UCollator* collator = nameCollator();
    if (!collator)
        return name.toString().toCaseFolded().toUtf8();
    const auto* source = name.utf16();
    const auto length = static_cast<int32_t>(name.size());
    QByteArray key(qMax<qsizetype>(name.size() * 4, 32), Qt::Uninitialized);
    int32_t needed = ucol_getSortKey(collator, source, length, reinterpret_cast<uint8_t*>(key.data()),
                                     static_cast<int32_t>(key.size()));
    if (needed > key.size()) {
        key.resize(needed);
        needed = ucol_getSortKey(collator, source, length, reinterpret_cast<uint8_t*>(key.data()),
                                 static_cast<int32_t>(key.size()));
    }
    // The key ends with a zero byte that no key holds elsewhere; byte order is unaffected by it.
    key.truncate(qMax(needed - 1, 0));
    return key;
}

qint64 SortComparator::dateSortKey(const QDateTime& date)
{
    // An invalid date cannot come from a record; should one appear, it sorts before every date.
    return date.isValid() ? date.toMSecsSinceEpoch() : std::numeric_limits<qint64>::min();
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MemoryDefaultsDomain.h"

#include "PropertyList.h"

#include <QMutexLocker>

QVariant MemoryDefaultsDomain::value(const QString& key) const
{
    const QMutexLocker locker(&m_mutex);
    return m_values.value(key);
}

void MemoryDefaultsDomain::modify(const QString& key, const Modifier& modifier)
{
    const QMutexLocker locker(&m_mutex);
    const Change change = modifier(m_values.value(key));
    switch (change.kind) {
    case Change::Kind::Keep:
        break;
    case Change::Kind::Set: {
        // Stored as a file domain would give it back (a QStringList reads as a list of QString, an
        // unsupported type is not stored, a date keeps milliseconds), so that callers see the same
        // types whichever domain they got.
        const auto stored =
            PropertyList::parse(PropertyList::serialize(change.value, PropertyList::Format::Binary));
        if (stored)
            m_values.insert(key, *stored);
        break;
    }
    case Change::Kind::Remove:
        m_values.remove(key);
        break;
    }
}

QString MemoryDefaultsDomain::location() const
{
    return {};
}

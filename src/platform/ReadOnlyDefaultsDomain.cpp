// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReadOnlyDefaultsDomain.h"

#include "PropertyList.h"

ReadOnlyDefaultsDomain::ReadOnlyDefaultsDomain(QString filePath)
    : m_filePath(std::move(filePath))
{
    if (m_filePath.isEmpty())
        return;
    const ReadResult<QVariantMap> stored = PropertyList::readDictionary(m_filePath);
    m_values = stored.value_or(QVariantMap());
    if (stored.outcome() == ReadOutcome::Failed)
        m_trouble.unreadableFile = m_filePath;
}

QVariant ReadOnlyDefaultsDomain::value(const QString& key) const
{
    return m_values.value(key);
}

void ReadOnlyDefaultsDomain::modify(const QString&, const Modifier&) { }

QString ReadOnlyDefaultsDomain::location() const
{
    return m_filePath;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MetadataItem.h"

MetadataItem::MetadataItem(QVariantMap attributes)
    : m_attributes(std::move(attributes))
{ }

MetadataItem::MetadataItem(Reader reader)
    : m_reader(std::move(reader))
{ }

QVariant MetadataItem::attribute(QStringView name) const
{
    if (!m_attributes.isEmpty()) {
        const auto it = m_attributes.constFind(name.toString());
        if (it != m_attributes.cend())
            return *it;
    }
    return m_reader ? m_reader(name) : QVariant();
}

void MetadataItem::setAttribute(const QString& name, const QVariant& value)
{
    m_attributes.insert(name, value);
}

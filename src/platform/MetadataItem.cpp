#include "MetadataItem.h"

MetadataItem::MetadataItem(QVariantMap attributes)
    : m_attributes(std::move(attributes))
{ }

QVariant MetadataItem::attribute(QStringView name) const
{
    return m_attributes.value(name.toString());
}

void MetadataItem::setAttribute(const QString& name, const QVariant& value)
{
    m_attributes.insert(name, value);
}

QVariantMap MetadataItem::attributes() const
{
    return m_attributes;
}

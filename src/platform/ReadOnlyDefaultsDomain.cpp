#include "ReadOnlyDefaultsDomain.h"

#include "PropertyList.h"

ReadOnlyDefaultsDomain::ReadOnlyDefaultsDomain(QString filePath)
    : m_filePath(std::move(filePath))
    , m_values(m_filePath.isEmpty() ? QVariantMap()
                                    : PropertyList::readDictionary(m_filePath).value_or(QVariantMap()))
{ }

QVariant ReadOnlyDefaultsDomain::value(const QString& key) const
{
    return m_values.value(key);
}

void ReadOnlyDefaultsDomain::modify(const QString&, const Modifier&) { }

QString ReadOnlyDefaultsDomain::location() const
{
    return m_filePath;
}

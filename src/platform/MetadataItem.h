#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantMap>

inline constexpr QStringView kMDItemDisplayName = u"kMDItemDisplayName";
inline constexpr QStringView kMDItemLastUsedDate = u"kMDItemLastUsedDate";
inline constexpr QStringView kMDItemFSContentChangeDate = u"kMDItemFSContentChangeDate";

// The file-metadata attributes of one file-system item. An attribute may hold a value of any kind
// (number, text, date or anything else); an absent attribute reads as an invalid QVariant.
class MetadataItem
{
public:
    MetadataItem() = default;
    explicit MetadataItem(QVariantMap attributes);

    QVariant attribute(QStringView name) const;
    void setAttribute(const QString& name, const QVariant& value);
    QVariantMap attributes() const;

private:
    QVariantMap m_attributes;
};

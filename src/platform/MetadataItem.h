// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>
#include <QVariant>
#include <QVariantMap>

#include <functional>

inline constexpr QStringView kMDItemDisplayName = u"kMDItemDisplayName";
inline constexpr QStringView kMDItemLastUsedDate = u"kMDItemLastUsedDate";
inline constexpr QStringView kMDItemFSContentChangeDate = u"kMDItemFSContentChangeDate";

// The file-metadata attributes of one file-system item. An attribute may hold a value of any kind
// (number, text, date or anything else); an absent attribute reads as an invalid QVariant.
class MetadataItem
{
public:
    // Reads one attribute when it is asked for; an invalid QVariant for an absent one.
    using Reader = std::function<QVariant(QStringView name)>;

    MetadataItem() = default;
    explicit MetadataItem(QVariantMap attributes);
    // An item whose attributes are read only when asked for, so that a caller that needs a few of
    // them pays for no more. Attributes set on the item take precedence.
    explicit MetadataItem(Reader reader);

    QVariant attribute(QStringView name) const;
    void setAttribute(const QString& name, const QVariant& value);

private:
    QVariantMap m_attributes;
    Reader m_reader;
};

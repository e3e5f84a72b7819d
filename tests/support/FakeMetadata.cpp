#include "FakeMetadata.h"

void FakeMetadata::set(const QString& path, const QVariantMap& attributes)
{
    m_items.insert(path, MetadataItem(attributes));
}

void FakeMetadata::add(const QString& path, const QString& displayName, const QDateTime& lastUsed)
{
    set(path,
        { { kMDItemDisplayName.toString(), displayName }, { kMDItemLastUsedDate.toString(), lastUsed } });
}

std::optional<MetadataItem> FakeMetadata::itemForPath(const QString& path) const
{
    ++m_lookups;
    if (m_gated) {
        m_gate.acquire();
        m_gate.release();
    }
    const auto found = m_items.constFind(path);
    if (found == m_items.cend())
        return std::nullopt;
    return *found;
}

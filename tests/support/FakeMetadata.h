// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MetadataItem.h"
#include "MetadataSource.h"

#include <QHash>
#include <QSemaphore>

#include <atomic>

// Metadata served from a table. With a closed gate every lookup waits until the test opens it,
// which keeps a scan running for as long as a test needs.
class FakeMetadata : public MetadataSource
{
public:
    ~FakeMetadata() override { openGate(); }

    void set(const QString& path, const QVariantMap& values) { m_items.insert(path, MetadataItem(values)); }
    // The name and last use of the application at path.
    void add(const QString& path, const QString& displayName, const QDateTime& lastUsed)
    {
        set(path,
            { { kMDItemDisplayName.toString(), displayName }, { kMDItemLastUsedDate.toString(), lastUsed } });
    }

    // Only while no lookup runs.
    void closeGate()
    {
        m_gate.tryAcquire(m_gate.available());
        m_gated = true;
    }
    void openGate() { m_gate.release(1'000'000); }
    int lookups() const { return m_lookups.load(); }

    std::optional<MetadataItem> itemForPath(const QString& path) const override
    {
        ++m_lookups;
        if (m_gated) {
            m_gate.acquire();
            m_gate.release();
        }
        const auto found = m_items.constFind(path);
        return found == m_items.cend() ? std::nullopt : std::optional(*found);
    }

private:
    QHash<QString, MetadataItem> m_items;
    std::atomic<bool> m_gated = false;
    mutable QSemaphore m_gate;
    mutable std::atomic<int> m_lookups = 0;
};

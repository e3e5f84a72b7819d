// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MetadataItem.h"

#include <QString>

#include <optional>

// Where metadata items come from. Implementations are used from the scanner's worker threads, by
// several at once, and must be safe to call from any thread.
class MetadataSource
{
public:
    virtual ~MetadataSource() = default;

    // The item for path, or nothing when there is none.
    virtual std::optional<MetadataItem> itemForPath(const QString& path) const = 0;
};

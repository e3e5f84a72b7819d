// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "MetadataSource.h"

// Metadata taken from what the file system and the bundle itself record:
// kMDItemDisplayName from CFBundleDisplayName, else CFBundleName (texts);
// kMDItemFSContentChangeDate from the path's modification time;
// kMDItemLastUsedDate from the extended attribute "user.com.apple.lastuseddate#PS"
// (16 bytes: little-endian seconds, then nanoseconds since 1970), when present.
// An item exists exactly when something exists at the path. The modification time is taken when
// the item is made; the other attributes are read when asked for.
class FileSystemMetadataSource : public MetadataSource
{
public:
    std::optional<MetadataItem> itemForPath(const QString& path) const override;
};

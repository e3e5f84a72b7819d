// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileSystem.h"

#include <QByteArray>
#include <QString>

#include <optional>

// Reads files that anyone may have put on disk. Only regular files are read (a FIFO, socket or
// device never blocks or floods the caller), and anything over the limit counts as unreadable.
class SafeFile
{
public:
    static constexpr qint64 DefaultLimit = 8 * 1024 * 1024;

    // The whole content of the regular file at path (symbolic links followed), or nothing when the
    // path is missing, not a regular file, unreadable or larger than limit; the outcome says which.
    static ReadResult<QByteArray> readRegularFile(const QString& path, qint64 limit = DefaultLimit);

    // The same read into content, whose allocation is reused, so that a caller reading many small
    // files one after another need not allocate for each. Content is unspecified unless Read.
    static ReadOutcome readRegularFile(const QString& path, QByteArray& content, qint64 limit = DefaultLimit);
};

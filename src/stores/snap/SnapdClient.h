// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReadResult.h"

#include <QByteArray>
#include <QJsonValue>
#include <QString>

#include <chrono>

// Asks snapd, the daemon that owns the snaps, over its Unix socket. One blocking request per call,
// for a worker thread: HTTP/1.0, so that snapd answers with a Content-Length or ends the body by
// closing the connection, never in chunks; the whole exchange is bounded in time and size.
class SnapdClient
{
public:
    static constexpr qint64 ReplyLimit = 16 * 1024 * 1024;
    static constexpr qint64 HeadLimit = 64 * 1024;

    // The "result" of GET path (with its query) from the snapd at socketPath, within timeLimit.
    // Absent when nothing is at the socket's path (snapd is not installed); Failed when the socket
    // refused, the answer timed out, was cut short, too large, an error or no JSON document of the
    // expected shape.
    static ReadResult<QJsonValue> get(const QString& socketPath, const QByteArray& path,
                                      std::chrono::milliseconds timeLimit);
};

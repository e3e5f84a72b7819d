// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SnapdClient.h"

#include "FileSystem.h"
#include "Posix.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <optional>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

namespace {

struct Head
{
    int status = 0;
    // Absent when the body ends with the connection.
    std::optional<qint64> contentLength;
};

std::optional<qint64> decimal(QByteArrayView digits)
{
    if (digits.isEmpty() || digits.size() > 18)
        return std::nullopt;
    qint64 value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

// The status line and the headers that decide how the body ends. A body in any transfer coding
// (chunks, which no HTTP/1.0 answer may use) cannot be read and fails.
std::optional<Head> parseHead(const QByteArray& head)
{
    const QList<QByteArray> lines = head.split('\n');
    const QByteArray statusLine = lines.first().trimmed();
    if (!statusLine.startsWith("HTTP/1.") || statusLine.size() < 12 || statusLine.at(8) != ' ')
        return std::nullopt;
    const std::optional<qint64> status = decimal(statusLine.mid(9, 3));
    if (!status)
        return std::nullopt;
    Head parsed;
    parsed.status = int(*status);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines.at(i);
        const qsizetype colon = line.indexOf(':');
        if (colon < 0)
            continue;
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "transfer-encoding" && value.toLower() != "identity")
            return std::nullopt;
        if (name == "content-length") {
            const std::optional<qint64> length = decimal(value);
            if (!length || (parsed.contentLength && parsed.contentLength != length))
                return std::nullopt;
            parsed.contentLength = length;
        }
    }
    return parsed;
}

// Milliseconds left for poll(), never negative.
int remaining(const QDeadlineTimer& deadline)
{
    return int(std::clamp<qint64>(deadline.remainingTime(), 0, std::numeric_limits<int>::max()));
}

// Waits until fd is ready for events; false when time ran out or the wait failed.
bool waitFor(int fd, short events, const QDeadlineTimer& deadline)
{
    pollfd entry { fd, events, 0 };
    return Posix::retryOnInterrupt([&] { return ::poll(&entry, 1, remaining(deadline)); }) > 0;
}

// Connects fd to the socket at path before the deadline. A listener whose queue is full refuses at
// once (EAGAIN) rather than making the caller wait, so that case is tried again until time runs out.
bool connectTo(int fd, const QByteArray& path, const QDeadlineTimer& deadline)
{
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    if (path.isEmpty() || path.contains('\0') || size_t(path.size()) >= sizeof(address.sun_path))
        return false;
    std::memcpy(address.sun_path, path.constData(), size_t(path.size()));
    for (;;) {
        if (Posix::retryOnInterrupt(
                [&] { return ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)); })
            == 0)
            return true;
        if (errno == EINPROGRESS) {
            int error = 0;
            socklen_t size = sizeof(error);
            return waitFor(fd, POLLOUT, deadline)
                && ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &size) == 0 && error == 0;
        }
        if (errno != EAGAIN || deadline.hasExpired())
            return false;
        ::poll(nullptr, 0, std::min(10, remaining(deadline)));
    }
}

bool sendAll(int fd, const QByteArray& bytes, const QDeadlineTimer& deadline)
{
    qsizetype sent = 0;
    while (sent < bytes.size()) {
        const ssize_t count = Posix::retryOnInterrupt(
            [&] { return ::send(fd, bytes.constData() + sent, size_t(bytes.size() - sent), MSG_NOSIGNAL); });
        if (count >= 0)
            sent += count;
        else if (errno != EAGAIN || !waitFor(fd, POLLOUT, deadline))
            return false;
    }
    return true;
}

// The whole body of a 200 answer, or nothing.
std::optional<QByteArray> exchange(int fd, const QByteArray& socketPath, const QByteArray& path,
                                   const QDeadlineTimer& deadline)
{
    if (!connectTo(fd, socketPath, deadline)
        || !sendAll(fd, "GET " + path + " HTTP/1.0\r\nHost: localhost\r\nAccept: application/json\r\n\r\n",
                    deadline))
        return std::nullopt;
    QByteArray received;
    std::optional<Head> head;
    qsizetype bodyStart = 0;
    char buffer[64 * 1024];
    for (;;) {
        if (!waitFor(fd, POLLIN, deadline))
            return std::nullopt;
        const ssize_t count = Posix::retryOnInterrupt([&] { return ::recv(fd, buffer, sizeof(buffer), 0); });
        if (count < 0) {
            if (errno == EAGAIN)
                continue;
            // The connection broke rather than ended.
            return std::nullopt;
        }
        const bool closed = count == 0;
        received.append(buffer, qsizetype(count));
        if (!head) {
            const qsizetype end = received.indexOf("\r\n\r\n");
            if (end < 0 && received.size() > SnapdClient::HeadLimit)
                return std::nullopt;
            if (end >= 0) {
                head = parseHead(received.left(end));
                if (!head || head->status != 200 || head->contentLength > SnapdClient::ReplyLimit)
                    return std::nullopt;
                bodyStart = end + 4;
            }
        }
        if (head) {
            const qsizetype body = received.size() - bodyStart;
            if (head->contentLength && body >= *head->contentLength)
                return received.mid(bodyStart, *head->contentLength);
            if (body > SnapdClient::ReplyLimit)
                return std::nullopt;
            // Without a length, the end of the connection ends the body.
            if (closed && !head->contentLength)
                return received.mid(bodyStart);
        }
        if (closed)
            return std::nullopt;
    }
}

} // namespace

ReadResult<QJsonValue> SnapdClient::get(const QString& socketPath, const QByteArray& path,
                                        std::chrono::milliseconds timeLimit)
{
    // Only nothing at the path means no snapd; a socket that is there but does not answer may be a
    // snapd that is starting or stuck, with all its snaps still installed.
    if (const ReadOutcome present = FileSystem::status(socketPath).outcome; present != ReadOutcome::Read)
        return present;
    constexpr ReadOutcome Failed = ReadOutcome::Failed;
    const QDeadlineTimer deadline(timeLimit);
    const UniqueFd socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
    if (!socket.isValid())
        return Failed;
    const std::optional<QByteArray> body =
        exchange(socket.get(), QFile::encodeName(socketPath), path, deadline);
    if (!body)
        return Failed;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*body, &error);
    const QJsonObject envelope = document.object();
    if (error.error != QJsonParseError::NoError || envelope.value(u"type").toString() != u"sync"
        || envelope.value(u"status-code").toInt() != 200 || !envelope.contains(u"result"))
        return Failed;
    return envelope.value(u"result");
}

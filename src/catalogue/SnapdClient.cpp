#include "SnapdClient.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include <optional>
#include <sys/stat.h>

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

int remaining(const QDeadlineTimer& deadline)
{
    return int(std::max<qint64>(0, deadline.remainingTime()));
}

// The whole body of a 200 answer, or nothing.
std::optional<QByteArray> exchange(QLocalSocket& socket, const QByteArray& path,
                                   const QDeadlineTimer& deadline)
{
    if (!socket.waitForConnected(remaining(deadline)))
        return std::nullopt;
    socket.write("GET " + path + " HTTP/1.0\r\nHost: localhost\r\nAccept: application/json\r\n\r\n");
    QByteArray received;
    std::optional<Head> head;
    qsizetype bodyStart = 0;
    bool closed = false;
    for (;;) {
        received.append(socket.readAll());
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
        if (!socket.waitForReadyRead(remaining(deadline))) {
            // Out of time, or the connection broke rather than ended.
            if (socket.state() == QLocalSocket::ConnectedState
                || socket.error() != QLocalSocket::PeerClosedError)
                return std::nullopt;
            // What arrived with the end is read on the next turn.
            closed = true;
        }
    }
}

} // namespace

SnapdClient::Reply SnapdClient::get(const QString& socketPath, const QByteArray& path,
                                    std::chrono::milliseconds timeLimit)
{
    Reply reply;
    // Only nothing at the path means no snapd; a socket that is there but does not answer may be a
    // snapd that is starting or stuck, with all its snaps still installed.
    struct stat info;
    const QByteArray nativePath = QFile::encodeName(socketPath);
    if (::lstat(nativePath.constData(), &info) != 0) {
        if (errno == ENOENT)
            reply.outcome = Reply::Outcome::NoDaemon;
        return reply;
    }
    const QDeadlineTimer deadline(timeLimit);
    QLocalSocket socket;
    socket.connectToServer(socketPath);
    const std::optional<QByteArray> body = exchange(socket, path, deadline);
    socket.abort();
    if (!body)
        return reply;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(*body, &error);
    const QJsonObject envelope = document.object();
    if (error.error != QJsonParseError::NoError || envelope.value(u"type").toString() != u"sync"
        || envelope.value(u"status-code").toInt() != 200 || !envelope.contains(u"result"))
        return reply;
    reply.outcome = Reply::Outcome::Answered;
    reply.result = envelope.value(u"result");
    return reply;
}

#include "SnapdDouble.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutexLocker>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

class SnapdDouble::Server : public QObject
{
public:
    Server()
    {
        QObject::connect(&m_server, &QLocalServer::newConnection, this, [this] {
            while (QLocalSocket* socket = m_server.nextPendingConnection())
                QObject::connect(socket, &QLocalSocket::readyRead, this, [this, socket] { answer(socket); });
        });
    }

    QLocalServer m_server { this };
    mutable QMutex m_mutex;
    Reply m_reply;
    QList<QByteArray> m_requests;

private:
    void answer(QLocalSocket* socket)
    {
        const QByteArray received = socket->peek(socket->bytesAvailable());
        const qsizetype end = received.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        socket->read(end + 4);
        Reply reply;
        {
            const QMutexLocker locker(&m_mutex);
            m_requests.append(received.left(end));
            reply = m_reply;
        }
        if (reply.hang)
            return;
        const QByteArray body = reply.cutAfter < 0 ? reply.body : reply.body.left(reply.cutAfter);
        QByteArray head = "HTTP/1.0 " + reply.status + "\r\nContent-Type: application/json\r\n";
        QByteArray payload = body;
        switch (reply.framing) {
        case Framing::ContentLength:
            head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
            break;
        case Framing::Chunked:
            // As to an HTTP/1.1 client, in chunks of a kilobyte.
            head.replace("HTTP/1.0", "HTTP/1.1");
            head += "Transfer-Encoding: chunked\r\n";
            payload.clear();
            for (qsizetype at = 0; at < body.size(); at += 1024) {
                const QByteArray chunk = body.mid(at, 1024);
                payload += QByteArray::number(chunk.size(), 16) + "\r\n" + chunk + "\r\n";
            }
            if (reply.cutAfter < 0)
                payload += "0\r\n\r\n";
            break;
        case Framing::CloseDelimited:
            break;
        }
        socket->write(head + "\r\n" + payload);
        socket->disconnectFromServer();
    }
};

SnapdDouble::SnapdDouble()
{
    m_server = new Server;
    m_server->moveToThread(&m_thread);
    m_thread.start();
    setReply({ syncBody({}) });
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->m_server.listen(socketPath()); }, Qt::BlockingQueuedConnection);
}

SnapdDouble::~SnapdDouble()
{
    QMetaObject::invokeMethod(
        m_server, [this] { delete m_server; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void SnapdDouble::setReply(Reply reply)
{
    const QMutexLocker locker(&m_server->m_mutex);
    m_server->m_reply = std::move(reply);
}

void SnapdDouble::serveSnaps(const QJsonArray& snaps, Framing framing)
{
    setReply({ syncBody(snaps), "200 OK", framing });
}

QList<QByteArray> SnapdDouble::requests() const
{
    const QMutexLocker locker(&m_server->m_mutex);
    return m_server->m_requests;
}

void SnapdDouble::refuse()
{
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->m_server.close(); }, Qt::BlockingQueuedConnection);
    // Bound, never listened on.
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray path = QFile::encodeName(socketPath());
    qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
    ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::close(fd);
}

QJsonObject SnapdDouble::storeSnap(const QString& name, const QString& title, const QStringList& desktopFiles,
                                   const QDateTime& installDate)
{
    QJsonArray apps;
    for (const QString& file : desktopFiles) {
        QJsonObject app { { u"snap"_s, name }, { u"name"_s, QFileInfo(file).baseName() } };
        app.insert(u"desktop-file"_s, file);
        apps.append(app);
    }
    // A command-line app has no desktop entry.
    apps.append(QJsonObject { { u"snap"_s, name }, { u"name"_s, u"cli"_s } });
    return QJsonObject {
        { u"id"_s, QString(u"store-id-"_s + name) },
        { u"name"_s, name },
        { u"title"_s, title },
        { u"summary"_s, u"A snap"_s },
        { u"type"_s, u"app"_s },
        { u"status"_s, u"active"_s },
        { u"version"_s, u"1.0"_s },
        { u"channel"_s, u"stable"_s },
        { u"revision"_s, u"42"_s },
        { u"confinement"_s, u"strict"_s },
        { u"install-date"_s, installDate.toString(Qt::ISODateWithMs) },
        { u"store-url"_s, QString(u"https://snapcraft.io/"_s + name) },
        { u"apps"_s, apps },
    };
}

QByteArray SnapdDouble::syncBody(const QJsonArray& result)
{
    return QJsonDocument(QJsonObject { { u"type"_s, u"sync"_s },
                                       { u"status-code"_s, 200 },
                                       { u"status"_s, u"OK"_s },
                                       { u"result"_s, result },
                                       { u"sources"_s, QJsonArray { u"local"_s } } })
        .toJson(QJsonDocument::Compact);
}

QByteArray SnapdDouble::errorBody(int status, const QByteArray& statusText, const QByteArray& kind)
{
    return "{\"type\":\"error\",\"status-code\":" + QByteArray::number(status) + ",\"status\":\"" + statusText
        + "\",\"result\":{\"message\":\"cannot do that\",\"kind\":\"" + kind + "\"}}";
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SnapdDouble.h"

#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>

using namespace Qt::StringLiterals;

SnapdDouble::SnapdDouble()
    : m_server(new QLocalServer)
    , m_reply { syncBody({}) }
{
    m_server->moveToThread(&m_thread);
    QObject::connect(m_server, &QLocalServer::newConnection, m_server, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection())
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [this, socket] { answer(*socket); });
    });
    m_thread.start();
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->listen(socketPath()); }, Qt::BlockingQueuedConnection);
}

SnapdDouble::~SnapdDouble()
{
    // Deleted on its own thread as it finishes.
    m_server->deleteLater();
    m_thread.quit();
    m_thread.wait();
}

void SnapdDouble::answer(QLocalSocket& socket)
{
    const qsizetype end = socket.peek(socket.bytesAvailable()).indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QByteArray request = socket.read(end + 4);
    m_mutex.lock();
    Reply reply = m_reply;
    m_mutex.unlock();
    if (!request.startsWith("GET /v2/snaps HTTP/1.0\r\n"))
        reply = { R"({"type":"error","status-code":404,"status":"Not Found","result":{}})", "404 Not Found" };
    if (reply.hang)
        return;
    QByteArray payload = reply.body.left(reply.cutAfter < 0 ? reply.body.size() : reply.cutAfter);
    QByteArray head = "HTTP/1.0 " + reply.status + "\r\nContent-Type: application/json\r\n";
    if (reply.framing == Framing::ContentLength) {
        head += "Content-Length: " + QByteArray::number(reply.body.size()) + "\r\n";
    } else if (reply.framing == Framing::Chunked) {
        // As to an HTTP/1.1 client, in chunks of a kilobyte.
        head = "HTTP/1.1 " + head.mid(9) + "Transfer-Encoding: chunked\r\n";
        QByteArray chunks;
        for (qsizetype at = 0; at < payload.size(); at += 1024)
            chunks += QByteArray::number(payload.mid(at, 1024).size(), 16) + "\r\n" + payload.mid(at, 1024)
                + "\r\n";
        payload = reply.cutAfter < 0 ? chunks + "0\r\n\r\n" : chunks;
    }
    socket.write(head + "\r\n" + payload);
    socket.disconnectFromServer();
}

void SnapdDouble::setReply(Reply reply)
{
    const QMutexLocker locker(&m_mutex);
    m_reply = std::move(reply);
}

void SnapdDouble::refuse()
{
    QMetaObject::invokeMethod(
        m_server, [this] { m_server->close(); }, Qt::BlockingQueuedConnection);
    // Connecting to a file that is no listening socket is refused.
    QFile(socketPath()).open(QIODevice::WriteOnly);
}

QJsonObject SnapdDouble::storeSnap(const QString& name, const QString& title, const QStringList& desktopFiles,
                                   const QDateTime& installDate, const QJsonObject& changes)
{
    QJsonArray apps { QJsonObject { { u"snap"_s, name }, { u"name"_s, u"cli"_s } } };
    for (const QString& file : desktopFiles)
        apps.append(QJsonObject { { u"snap"_s, name }, { u"name"_s, name }, { u"desktop-file"_s, file } });
    QJsonObject snap = QJsonDocument::fromJson(R"({"type": "app", "status": "active", "revision": "42",
        "version": "1.0", "channel": "stable", "confinement": "strict", "summary": "A snap"})")
                           .object();
    snap.insert(u"id"_s, QString(u"store-id-"_s + name));
    snap.insert(u"name"_s, name);
    snap.insert(u"title"_s, title);
    snap.insert(u"install-date"_s, installDate.toString(Qt::ISODateWithMs));
    snap.insert(u"store-url"_s, QString(u"https://snapcraft.io/"_s + name));
    snap.insert(u"apps"_s, apps);
    for (auto it = changes.begin(); it != changes.end(); ++it)
        snap.insert(it.key(), it.value());
    return snap;
}

QByteArray SnapdDouble::syncBody(const QJsonArray& snaps)
{
    return R"({"type":"sync","status-code":200,"status":"OK","result":)"
        + QJsonDocument(snaps).toJson(QJsonDocument::Compact) + R"(,"sources":["local"]})";
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMutex>
#include <QTemporaryDir>
#include <QThread>

// A stand-in for snapd: a local server on a socket in a folder of its own, answering on a thread of
// its own (the snap source blocks while it asks). Each connection gets the reply set last, in the
// framing asked for, as snapd sends them; any request but the snap source's own, over HTTP/1.0, gets
// snapd's "not found". It needs no test framework, so that the screenshot tool and the benchmarks
// can use it too.
class SnapdDouble
{
public:
    enum class Framing { ContentLength, Chunked, CloseDelimited };

    struct Reply
    {
        QByteArray body;
        QByteArray status = "200 OK";
        Framing framing = Framing::ContentLength;
        // Sends this many bytes of the body, then closes; -1: all of it.
        qsizetype cutAfter = -1;
        // Reads the request and never answers.
        bool hang = false;
    };

    // Answers with an empty list until told otherwise.
    SnapdDouble()
        : m_server(new QLocalServer)
        , m_reply { syncBody({}) }
    {
        m_server->moveToThread(&m_thread);
        QObject::connect(m_server, &QLocalServer::newConnection, m_server, [this] {
            while (QLocalSocket* socket = m_server->nextPendingConnection())
                QObject::connect(socket, &QLocalSocket::readyRead, socket,
                                 [this, socket] { answer(*socket); });
        });
        m_thread.start();
        QMetaObject::invokeMethod(
            m_server, [this] { m_server->listen(socketPath()); }, Qt::BlockingQueuedConnection);
    }
    ~SnapdDouble()
    {
        // Deleted on its own thread as it finishes.
        m_server->deleteLater();
        m_thread.quit();
        m_thread.wait();
    }

    QString socketPath() const { return m_folder.filePath(QStringLiteral("snapd.socket")); }
    void setReply(Reply reply)
    {
        const QMutexLocker locker(&m_mutex);
        m_reply = std::move(reply);
    }
    // Stops listening and leaves something at the socket's path that refuses connections.
    void refuse()
    {
        QMetaObject::invokeMethod(
            m_server, [this] { m_server->close(); }, Qt::BlockingQueuedConnection);
        // Connecting to a file that is no listening socket is refused.
        QFile(socketPath()).open(QIODevice::WriteOnly);
    }

    // A store application as snapd lists it (revision "42", installed at installDate), with an app
    // per desktop entry and one without, then the changes; and snapd's answer that lists snaps.
    static QJsonObject storeSnap(const QString& name, const QString& title, const QStringList& desktopFiles,
                                 const QDateTime& installDate, const QJsonObject& changes = {})
    {
        using namespace Qt::StringLiterals;
        QJsonArray apps { QJsonObject { { u"snap"_s, name }, { u"name"_s, u"cli"_s } } };
        for (const QString& file : desktopFiles)
            apps.append(
                QJsonObject { { u"snap"_s, name }, { u"name"_s, name }, { u"desktop-file"_s, file } });
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
    static QByteArray syncBody(const QJsonArray& snaps)
    {
        return R"({"type":"sync","status-code":200,"status":"OK","result":)"
            + QJsonDocument(snaps).toJson(QJsonDocument::Compact) + R"(,"sources":["local"]})";
    }

private:
    void answer(QLocalSocket& socket)
    {
        const qsizetype end = socket.peek(socket.bytesAvailable()).indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray request = socket.read(end + 4);
        m_mutex.lock();
        Reply reply = m_reply;
        m_mutex.unlock();
        if (!request.startsWith("GET /v2/snaps HTTP/1.0\r\n"))
            reply = { R"({"type":"error","status-code":404,"status":"Not Found","result":{}})",
                      "404 Not Found" };
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
                chunks += QByteArray::number(payload.mid(at, 1024).size(), 16) + "\r\n"
                    + payload.mid(at, 1024) + "\r\n";
            payload = reply.cutAfter < 0 ? chunks + "0\r\n\r\n" : chunks;
        }
        socket.write(head + "\r\n" + payload);
        socket.disconnectFromServer();
    }

    QTemporaryDir m_folder;
    QThread m_thread;
    QLocalServer* m_server;
    QMutex m_mutex;
    Reply m_reply;
};

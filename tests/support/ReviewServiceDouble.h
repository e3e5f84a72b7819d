// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMutex>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <memory>

// A stand-in for the Open Desktop Ratings Service on 127.0.0.1, answering on a thread of its own
// as the server's GET <base>/app/<id> does: each id's answer as set, "[]" for one never set, and
// the server's HTML "not found" page for every other request. It records each request's head and
// how many it was answering at once. It needs no test framework, so that the benchmarks can use
// it too.
class ReviewServiceDouble
{
public:
    struct Answer
    {
        QByteArray body;
        QByteArray status = "200 OK";
        QByteArray contentType = "application/json";
        // Without a Content-Length the end of the body is the end of the connection.
        bool sendLength = true;
        // Waits this long before answering at all.
        int delayMs = 0;
        // Sends the body a byte at a time, this far apart.
        int trickleMs = 0;
        QByteArray headers = {};
    };

    ReviewServiceDouble()
        : m_server(new QTcpServer)
    {
        m_server->moveToThread(&m_thread);
        QObject::connect(m_server, &QTcpServer::newConnection, m_server, [this] {
            while (QTcpSocket* socket = m_server->nextPendingConnection()) {
                QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] { read(*socket); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, [this, socket] {
                    if (socket->property("answering").toBool()) {
                        const QMutexLocker locker(&m_mutex);
                        --m_answering;
                    }
                    socket->deleteLater();
                });
            }
        });
        m_thread.start();
        QMetaObject::invokeMethod(
            m_server, [this] { m_server->listen(QHostAddress::LocalHost); }, Qt::BlockingQueuedConnection);
        m_port = m_server->serverPort();
    }
    ~ReviewServiceDouble()
    {
        // Deleted on its own thread with its connections as it finishes.
        m_server->deleteLater();
        m_thread.quit();
        m_thread.wait();
    }

    // The service's address, as the software centres are given it.
    QUrl server() const { return QUrl(QStringLiteral("http://127.0.0.1:%1/1.0/reviews/api").arg(m_port)); }
    void serve(const QString& appID, Answer answer)
    {
        const QMutexLocker locker(&m_mutex);
        m_answers.insert("/1.0/reviews/api/app/" + appID.toUtf8(), std::move(answer));
    }
    // Stops listening: connecting is refused from now on.
    void refuse()
    {
        QMetaObject::invokeMethod(
            m_server, [this] { m_server->close(); }, Qt::BlockingQueuedConnection);
    }

    // The head of every request, in the order they came.
    QList<QByteArray> requests() const
    {
        const QMutexLocker locker(&m_mutex);
        return m_requests;
    }
    qsizetype requestCount() const { return requests().size(); }
    // The most requests it was answering at one moment.
    int mostAtOnce() const
    {
        const QMutexLocker locker(&m_mutex);
        return m_mostAtOnce;
    }

    // A review as the service lists it, by the author userHash, written at date (Unix seconds).
    static QJsonObject review(const QString& userHash, const QJsonValue& date, const QJsonValue& rating,
                              const QJsonValue& summary)
    {
        using namespace Qt::StringLiterals;
        QJsonObject item = QJsonDocument::fromJson(R"({"app_id": "org.example.App", "description":
            "Does what it says.", "distro": "Debian GNU/Linux", "karma_down": 0, "karma_up": 3,
            "locale": "en_GB.UTF-8", "reported": 0, "review_id": 12345, "user_display": "Jane Doe",
            "version": "1.2.3"})")
                               .object();
        item.insert(u"user_hash"_s, userHash);
        item.insert(u"date_created"_s, date);
        item.insert(u"rating"_s, rating);
        item.insert(u"summary"_s, summary);
        return item;
    }
    static QByteArray listing(const QList<QJsonObject>& reviews)
    {
        QJsonArray items;
        for (const QJsonObject& item : reviews)
            items.append(item);
        return QJsonDocument(items).toJson(QJsonDocument::Compact);
    }
    // The server's answer to a request it refuses, and its own and a CDN's error pages.
    static Answer jsonError(const QByteArray& message)
    {
        return { R"({"success": false, "msg": ")" + message + "\"}", "400 BAD REQUEST" };
    }
    static Answer htmlPage(const QByteArray& status)
    {
        return { "<!DOCTYPE html><html><head><title>" + status + "</title></head><body><h1>" + status
                     + "</h1></body></html>",
                 status, "text/html; charset=utf-8" };
    }

private:
    void read(QTcpSocket& socket)
    {
        const qsizetype end = socket.peek(socket.bytesAvailable()).indexOf("\r\n\r\n");
        if (end < 0 || socket.property("answering").toBool())
            return;
        const QByteArray head = socket.read(end + 4);
        const QList<QByteArray> words = head.left(head.indexOf("\r\n")).split(' ');
        Answer answer = htmlPage("404 NOT FOUND");
        {
            const QMutexLocker locker(&m_mutex);
            m_requests.append(head);
            m_mostAtOnce = std::max(m_mostAtOnce, ++m_answering);
            const QByteArray path = words.value(1);
            if (words.value(0) == "GET" && path.startsWith("/1.0/reviews/api/app/"))
                answer = m_answers.value(path, Answer { "[]" });
        }
        socket.setProperty("answering", true);
        QByteArray response = "HTTP/1.1 " + answer.status
            + "\r\nConnection: close\r\nContent-Type: " + answer.contentType + "\r\n" + answer.headers;
        if (answer.sendLength)
            response += "Content-Length: " + QByteArray::number(answer.body.size()) + "\r\n";
        response += "\r\n";
        QTimer::singleShot(answer.delayMs, &socket, [&socket, answer, response] {
            if (answer.trickleMs <= 0) {
                socket.write(response + answer.body);
                socket.disconnectFromHost();
                return;
            }
            socket.write(response);
            auto* trickle = new QTimer(&socket);
            auto sent = std::make_shared<qsizetype>(0);
            QObject::connect(trickle, &QTimer::timeout, &socket, [&socket, answer, sent] {
                if (*sent == answer.body.size()) {
                    socket.disconnectFromHost();
                    return;
                }
                socket.write(answer.body.mid((*sent)++, 1));
            });
            trickle->start(answer.trickleMs);
        });
    }

    QThread m_thread;
    QTcpServer* m_server;
    quint16 m_port = 0;
    mutable QMutex m_mutex;
    QHash<QByteArray, Answer> m_answers;
    QList<QByteArray> m_requests;
    int m_answering = 0;
    int m_mostAtOnce = 0;
};

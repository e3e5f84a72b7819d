// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>

// A minimal HTTP/1.1 server on 127.0.0.1 for feed fetches: each path answers with a fixed body, a
// redirect, or never at all. Every requested path is recorded.
class LoopbackHttpServer : public QObject
{
public:
    LoopbackHttpServer()
    {
        m_server.listen(QHostAddress::LocalHost, 0);
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
                    const QByteArray head = socket->peek(socket->bytesAvailable());
                    if (!head.contains("\r\n\r\n"))
                        return; // answered once the whole request has come
                    socket->readAll();
                    requests.append(QString::fromLatin1(head.split(' ').value(1)));
                    const QByteArray answer = m_routes.value(requests.last(), "HTTP/1.1 404 Answer\r\n\r\n");
                    if (!answer.isEmpty()) {
                        socket->write(answer);
                        socket->disconnectFromHost();
                    }
                });
            }
        });
    }

    QUrl url(const QString& path) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    void serve(const QString& path, const QByteArray& body, int status = 200, bool sendLength = true,
               const QByteArray& headers = {})
    {
        QByteArray head =
            "HTTP/1.1 " + QByteArray::number(status) + " Answer\r\nConnection: close\r\n" + headers;
        if (sendLength)
            head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
        m_routes.insert(path, head + "\r\n" + body);
    }
    void redirect(const QString& path, const QUrl& target)
    {
        serve(path, {}, 302, true, "Location: " + target.toEncoded() + "\r\n");
    }
    void hang(const QString& path) { m_routes.insert(path, {}); } // accepts, and never answers

    QStringList requests;

private:
    QTcpServer m_server;
    QHash<QString, QByteArray> m_routes; // the whole answer for each path
};

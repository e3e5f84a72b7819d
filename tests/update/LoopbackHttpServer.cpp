// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackHttpServer.h"

#include <QTcpSocket>

LoopbackHttpServer::LoopbackHttpServer()
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

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void LoopbackHttpServer::serve(const QString& path, const QByteArray& body, int status, bool sendLength,
                               const QByteArray& headers)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(status) + " Answer\r\nConnection: close\r\n" + headers;
    if (sendLength)
        head += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    m_routes.insert(path, head + "\r\n" + body);
}

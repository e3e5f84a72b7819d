#include "LoopbackHttpServer.h"

#include <QTcpSocket>

using namespace Qt::StringLiterals;

LoopbackHttpServer::LoopbackHttpServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_buffers.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    QUrl url;
    url.setScheme(u"http"_s);
    url.setHost(u"127.0.0.1"_s);
    url.setPort(m_server.serverPort());
    url.setPath(path);
    return url;
}

void LoopbackHttpServer::serve(const QString& path, const QByteArray& body, int status, bool sendLength)
{
    Route route;
    route.body = body;
    route.status = status;
    route.sendLength = sendLength;
    m_routes.insert(path, route);
}

void LoopbackHttpServer::redirect(const QString& path, const QUrl& target)
{
    Route route;
    route.kind = Route::Kind::Redirect;
    route.status = 302;
    route.target = target;
    m_routes.insert(path, route);
}

void LoopbackHttpServer::hang(const QString& path)
{
    Route route;
    route.kind = Route::Kind::Hang;
    m_routes.insert(path, route);
}

void LoopbackHttpServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray& buffer = m_buffers[socket];
    buffer += socket->readAll();
    if (!buffer.contains("\r\n\r\n"))
        return;
    const QList<QByteArray> requestLine = buffer.left(buffer.indexOf("\r\n")).split(' ');
    buffer.clear();
    const QString path = QString::fromLatin1(requestLine.value(1));
    m_requests.append(path);

    Route route;
    route.status = 404;
    route = m_routes.value(path, route);
    if (route.kind == Route::Kind::Hang)
        return;

    QByteArray response = "HTTP/1.1 " + QByteArray::number(route.status) + " Answer\r\nConnection: close\r\n";
    if (route.kind == Route::Kind::Redirect)
        response += "Location: " + route.target.toEncoded() + "\r\nContent-Length: 0\r\n";
    else if (route.sendLength)
        response += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    response += "Content-Type: application/rss+xml\r\n\r\n";
    if (route.kind == Route::Kind::Body)
        response += route.body;
    socket->write(response);
    socket->disconnectFromHost();
}

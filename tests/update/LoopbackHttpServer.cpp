#include "LoopbackHttpServer.h"

#include <QTcpSocket>

#include <memory>

LoopbackHttpServer::LoopbackHttpServer()
{
    m_server.listen(QHostAddress::LocalHost, 0);
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            auto buffer = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
                *buffer += socket->readAll();
                if (buffer->contains("\r\n\r\n"))
                    answer(socket, QString::fromLatin1(buffer->split(' ').value(1)));
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

QUrl LoopbackHttpServer::url(const QString& path) const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void LoopbackHttpServer::serve(const QString& path, const QByteArray& body, int status, bool sendLength)
{
    m_routes.insert(path, { .body = body, .status = status, .sendLength = sendLength });
}

void LoopbackHttpServer::redirect(const QString& path, const QUrl& target)
{
    m_routes.insert(path, { .status = 302, .location = target.toEncoded() });
}

void LoopbackHttpServer::hang(const QString& path)
{
    m_routes.insert(path, { .hang = true });
}

void LoopbackHttpServer::answer(QTcpSocket* socket, const QString& path)
{
    requests.append(path);
    const Route route = m_routes.value(path, { .status = 404 });
    if (route.hang)
        return;
    QByteArray response = "HTTP/1.1 " + QByteArray::number(route.status) + " Answer\r\nConnection: close\r\n";
    if (!route.location.isEmpty())
        response += "Location: " + route.location + "\r\n";
    if (route.sendLength)
        response += "Content-Length: " + QByteArray::number(route.body.size()) + "\r\n";
    socket->write(response + "\r\n" + route.body);
    socket->disconnectFromHost();
}

#pragma once

#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A minimal HTTP/1.1 server on 127.0.0.1 for feed fetches: each path answers with a fixed body, a
// redirect, or never at all. Every requested path is recorded.
class LoopbackHttpServer : public QObject
{
public:
    LoopbackHttpServer();

    QUrl url(const QString& path) const;

    void serve(const QString& path, const QByteArray& body, int status = 200, bool sendLength = true);
    void redirect(const QString& path, const QUrl& target);
    // Accepts the request and keeps the connection open without a byte of answer.
    void hang(const QString& path);

    QStringList requests;

private:
    struct Route
    {
        QByteArray body = {};
        int status = 200;
        bool sendLength = true;
        QByteArray location = {};
        bool hang = false;
    };

    void answer(QTcpSocket* socket, const QString& path);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
};

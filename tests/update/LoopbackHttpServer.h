#pragma once

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A minimal HTTP/1.1 server on 127.0.0.1 for feed fetches: each path answers with a fixed body, a
// redirect, or never at all. Every request is recorded.
class LoopbackHttpServer : public QObject
{
    Q_OBJECT

public:
    LoopbackHttpServer();

    QUrl url(const QString& path) const;

    void serve(const QString& path, const QByteArray& body, int status = 200, bool sendLength = true);
    void redirect(const QString& path, const QUrl& target);
    // Accepts the request and keeps the connection open without a byte of answer.
    void hang(const QString& path);

    int requestCount(const QString& path) const { return m_requests.count(path); }
    const QStringList& requests() const { return m_requests; }

private:
    struct Route
    {
        enum class Kind { Body, Redirect, Hang } kind = Kind::Body;
        QByteArray body;
        int status = 200;
        bool sendLength = true;
        QUrl target;
    };

    void onReadyRead(QTcpSocket* socket);

    QTcpServer m_server;
    QHash<QString, Route> m_routes;
    QHash<QTcpSocket*, QByteArray> m_buffers;
    QStringList m_requests;
};

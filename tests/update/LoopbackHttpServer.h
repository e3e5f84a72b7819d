// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QHash>
#include <QStringList>
#include <QTcpServer>
#include <QUrl>

// A minimal HTTP/1.1 server on 127.0.0.1 for feed fetches: each path answers with a fixed body, a
// redirect, or never at all. Every requested path is recorded.
class LoopbackHttpServer : public QObject
{
public:
    LoopbackHttpServer();

    QUrl url(const QString& path) const;

    void serve(const QString& path, const QByteArray& body, int status = 200, bool sendLength = true,
               const QByteArray& headers = {});
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

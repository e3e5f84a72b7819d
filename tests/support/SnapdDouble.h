// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QLocalServer>
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
    SnapdDouble();
    ~SnapdDouble();

    QString socketPath() const { return m_folder.filePath(QStringLiteral("snapd.socket")); }
    void setReply(Reply reply);
    // Stops listening and leaves something at the socket's path that refuses connections.
    void refuse();

    // A store application as snapd lists it (revision "42", installed at installDate), with an app
    // per desktop entry and one without, then the changes; and snapd's answer that lists snaps.
    static QJsonObject storeSnap(const QString& name, const QString& title, const QStringList& desktopFiles,
                                 const QDateTime& installDate, const QJsonObject& changes = {});
    static QByteArray syncBody(const QJsonArray& snaps);

private:
    void answer(QLocalSocket& socket);

    QTemporaryDir m_folder;
    QThread m_thread;
    QLocalServer* m_server;
    QMutex m_mutex;
    Reply m_reply;
};

#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QMutex>
#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

// A stand-in for snapd: a local server on a socket in a folder of its own, answering on a thread of
// its own (the snap source blocks while it asks). Each connection gets the reply set last, in the
// framing asked for, as snapd sends them; the request heads are kept. Usable from tests, the
// screenshot tool and the benchmarks alike: it needs no test framework.
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

    // Answers an empty list until told otherwise.
    SnapdDouble();
    ~SnapdDouble();

    QString socketPath() const { return m_folder.filePath(QStringLiteral("snapd.socket")); }

    void setReply(Reply reply);
    void serveSnaps(const QJsonArray& snaps, Framing framing = Framing::ContentLength);
    QList<QByteArray> requests() const;
    // Stops listening and leaves a socket nobody listens on, as a snapd that died leaves it:
    // connecting is refused.
    void refuse();

    // A store application as snapd lists it (revision "42", one app per desktop file).
    static QJsonObject storeSnap(const QString& name, const QString& title, const QStringList& desktopFiles,
                                 const QDateTime& installDate);
    // snapd's answer to a successful request, and its error envelope.
    static QByteArray syncBody(const QJsonArray& result);
    static QByteArray errorBody(int status, const QByteArray& statusText, const QByteArray& kind);

private:
    class Server;

    QTemporaryDir m_folder;
    QThread m_thread;
    Server* m_server = nullptr;
};

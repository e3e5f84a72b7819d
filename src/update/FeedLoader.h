// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

class QNetworkAccessManager;

// Fetches the appcast feed. Only https addresses are fetched, redirects are followed only to
// https, the body is limited in size and a transfer that stalls or drags on is given up.
class FeedLoader : public QObject
{
    Q_OBJECT

public:
    enum class Policy {
        HttpsOnly,
        // Also plain http on the loopback interface, so that tests can serve feeds of their own.
        // The program itself never uses it.
        AllowLoopbackHttpForTesting,
    };

    struct Limits
    {
        // Longest wait for the next bytes; the whole transfer may take four times as long.
        int transferTimeoutMs = 30'000;
        qint64 maximumSize = 4 * 1024 * 1024;
    };

    // Why a fetch failed, as far as the person asking can do something about it.
    enum class Failure {
        // The server's name cannot be looked up or no route leads to it: no network, as a rule.
        NoNetwork,
        // The server refused, dropped or never finished the connection, or answered with a 5xx.
        NoAnswer,
        // The server answered, but not with a feed: a 4xx, a body too large, a redirect elsewhere
        // than https, an answer that is not the server's (TLS), or a document that is no appcast.
        Unreadable,
    };
    Q_ENUM(Failure)

    // The failure that a finished reply's error and HTTP status stand for.
    static Failure failureOf(QNetworkReply::NetworkError error, int httpStatus);

    explicit FeedLoader(Policy policy, Limits limits, QObject* parent = nullptr);
    ~FeedLoader() override;

    // Whether policy lets the loader fetch url at all.
    static bool isPermitted(const QUrl& url, Policy policy);

    // Starts fetching url, abandoning a fetch still running. Ends with exactly one loaded() or
    // failed(), never before load() returns.
    void load(const QUrl& url);

signals:
    void loaded(const QByteArray& body);
    void failed(FeedLoader::Failure failure);

private:
    void abandon();
    void failLater();
    void finish(const QByteArray& body);
    void fail(Failure failure);
    void onReplyFinished(QNetworkReply* reply);
    // Aborts the reply for a reason of the loader's own, which the error it then ends with
    // (OperationCanceledError) does not tell.
    void abortReply(QNetworkReply* reply, Failure failure);

    Policy m_policy;
    Limits m_limits;
    // Made at the first fetch: creating one loads the network back-end plugins, work the window
    // should not wait for at start-up when the first check is hours away.
    std::unique_ptr<QNetworkAccessManager> m_network;
    QNetworkReply* m_reply = nullptr;
    QByteArray m_body;
    std::optional<Failure> m_abortFailure;
    QTimer m_deadline;
    quint64 m_generation = 0;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UserHash.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QStringList>
#include <QUrl>

#include <chrono>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class ReviewCache;

// Looks up the user's own reviews on the ratings service, a few applications at a time, and
// keeps each answer in the cache. It sends the service the AppStream ids asked for and nothing
// about the user: no hash, no cookie, no language, a User-Agent of "Kudora/<version>". Only an
// https server is asked, or for tests and private servers a plain http one on this computer.
class OnlineReviews : public QObject
{
    Q_OBJECT

public:
    enum class Outcome {
        Reviewed,
        NotReviewed,
        // The answer did not come, came too late, too large, as an error or as something else
        // than a listing of reviews: the answer cached before stays.
        Failed,
    };
    Q_ENUM(Outcome)

    struct Limits
    {
        // For the whole exchange, from the request to the answer's last byte.
        std::chrono::milliseconds timeLimit { 10'000 };
        qint64 maximumSize = 4 * 1024 * 1024;
    };
    static constexpr int MaximumRequests = 4;
    // After this many requests in a row that got no answer at all (no connection, or no reply
    // within the time limit), the service is taken to be out of reach: the ids still queued are
    // dropped, to be asked at the next lookup, rather than each waiting out its time limit.
    static constexpr int UnansweredInARowLimit = MaximumRequests;

    static QUrl defaultServer() { return QUrl(QStringLiteral("https://odrs.gnome.org/1.0/reviews/api")); }
    static bool isPermitted(const QUrl& server);

    // Keeps its answers in cache, which must outlive it.
    OnlineReviews(ReviewCache& cache, UserHash hash, QUrl server, Limits limits, QObject* parent = nullptr);
    OnlineReviews(ReviewCache& cache, UserHash hash, QUrl server = defaultServer(),
                  QObject* parent = nullptr);
    // Abandons the lookups still running; the answers that came are saved.
    ~OnlineReviews() override;

    // False without a user hash or with a server that may not be asked: nothing is then sent.
    bool canLookUp() const;

    // Asks for each id (as AppStreamId gives them) not already being asked for, MaximumRequests
    // at a time, each ending in one answered(), never before this returns; finished() follows
    // the last, or comes at once when there was nothing to ask. False, asking nothing and
    // signalling nothing, when canLookUp() is false.
    bool lookUp(const QStringList& ids);
    // The same, before every id already queued: for ids the user has just reviewed. One being
    // asked for now is asked again once its answer has come, since the user's review may have
    // come after the request.
    bool lookUpFirst(const QStringList& ids);
    // The same for those of ids whose cached answer is missing or stale.
    bool lookUpStale(const QStringList& ids);
    // Busy until the last answer is saved.
    bool isBusy() const { return m_running > 0 || !m_queue.isEmpty() || m_saving; }

signals:
    // The answer for id has come and is in the cache (for Failed, the answer there before).
    void answered(const QString& id, OnlineReviews::Outcome outcome);
    // Nothing is left to ask; the cache is saved.
    void finished();

private:
    bool enqueue(const QStringList& ids, bool first);
    void startMore();
    // Once nothing is left to ask, saves the answers off this thread, then tells finished().
    void saveWhenDone();
    void start(const QString& id);
    void onFinished(QNetworkReply* reply, const QString& id);
    Outcome outcomeOf(QNetworkReply* reply, const QString& id);

    ReviewCache& m_cache;
    UserHash m_hash;
    QUrl m_server;
    Limits m_limits;
    // Made at the first lookup: creating one loads the network back-ends, work a window that
    // asks nothing should not wait for.
    std::unique_ptr<QNetworkAccessManager> m_network;
    QStringList m_queue;
    // Queued or being asked for.
    QSet<QString> m_pending;
    QSet<QNetworkReply*> m_replies;
    // Being asked for, and to be asked again once answered.
    QSet<QString> m_askAgain;
    int m_running = 0;
    int m_unansweredInARow = 0;
    bool m_saving = false;
    // An answer came while the last ones were being written.
    bool m_resave = false;
};

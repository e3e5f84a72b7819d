// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "OnlineReviews.h"

#include "ReviewCache.h"
#include "ReviewListing.h"

#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <utility>

using namespace Qt::StringLiterals;

namespace {

bool isLoopbackHost(const QString& host)
{
    if (host.compare(u"localhost"_s, Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

// JSON only from application/json: an error page of a CDN in front of the service is HTML.
bool isJson(const QNetworkReply& reply)
{
    const QString type = reply.header(QNetworkRequest::ContentTypeHeader).toString();
    return type.section(u';', 0, 0).trimmed().compare(u"application/json"_s, Qt::CaseInsensitive) == 0;
}

} // namespace

bool OnlineReviews::isPermitted(const QUrl& server)
{
    if (!server.isValid() || server.isRelative() || server.host().isEmpty())
        return false;
    return server.scheme() == u"https" || (server.scheme() == u"http" && isLoopbackHost(server.host()));
}

OnlineReviews::OnlineReviews(ReviewCache& cache, UserHash hash, QUrl server, Limits limits, QObject* parent)
    : QObject(parent)
    , m_cache(cache)
    , m_hash(std::move(hash))
    , m_server(server.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment | QUrl::StripTrailingSlash))
    , m_limits(limits)
{ }

OnlineReviews::OnlineReviews(ReviewCache& cache, UserHash hash, QUrl server, QObject* parent)
    : OnlineReviews(cache, std::move(hash), std::move(server), Limits(), parent)
{ }

OnlineReviews::~OnlineReviews()
{
    for (QNetworkReply* reply : std::as_const(m_replies)) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        delete reply;
    }
    m_cache.save();
}

bool OnlineReviews::canLookUp() const
{
    return m_hash.isValid() && isPermitted(m_server);
}

bool OnlineReviews::lookUp(const QStringList& ids)
{
    return enqueue(ids, false);
}

bool OnlineReviews::lookUpFirst(const QStringList& ids)
{
    return enqueue(ids, true);
}

bool OnlineReviews::enqueue(const QStringList& ids, bool first)
{
    if (!canLookUp())
        return false;
    qsizetype front = 0;
    for (const QString& id : ids) {
        if (!m_pending.contains(id)) {
            m_pending.insert(id);
            m_queue.insert(first ? front++ : m_queue.size(), id);
        } else if (first && m_queue.removeOne(id)) {
            m_queue.insert(front++, id);
        } else if (first) {
            m_askAgain.insert(id);
        }
    }
    startMore();
    // Nothing to ask still ends, so that a caller waiting for the end need not ask first.
    if (!isBusy())
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (!isBusy())
                    emit finished();
            },
            Qt::QueuedConnection);
    return true;
}

bool OnlineReviews::lookUpStale(const QStringList& ids)
{
    QStringList stale;
    for (const QString& id : ids) {
        if (m_cache.isStale(id))
            stale.append(id);
    }
    return lookUp(stale);
}

void OnlineReviews::startMore()
{
    while (m_running < MaximumRequests && !m_queue.isEmpty())
        start(m_queue.takeFirst());
}

void OnlineReviews::start(const QString& id)
{
    QUrl url = m_server;
    url.setPath(m_server.path() + u"/app/"_s + id);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, QByteArray("Kudora/" KUDORA_VERSION));
    request.setRawHeader("Accept", "application/json");
    // Qt would otherwise tell the server the user's language.
    request.setRawHeader("Accept-Language", "*");
    request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setAttribute(QNetworkRequest::CacheSaveControlAttribute, false);
    // The ids go to the server asked, and to no other a redirect names.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::SameOriginRedirectPolicy);

    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    QNetworkReply* reply = m_network->get(request);
    m_replies.insert(reply);
    ++m_running;
    // abort() finishes the reply at once; finished() then reports the abort as its error.
    const auto abortIfTooLarge = [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if ((length.isValid() && length.toLongLong() > m_limits.maximumSize)
            || reply->bytesAvailable() > m_limits.maximumSize)
            reply->abort();
    };
    connect(reply, &QNetworkReply::metaDataChanged, this, abortIfTooLarge);
    connect(reply, &QNetworkReply::readyRead, this, abortIfTooLarge);
    connect(reply, &QNetworkReply::finished, this, [this, reply, id] { onFinished(reply, id); });
    // For the whole exchange: a server that trickles its answer a byte at a time is given up too.
    auto* deadline = new QTimer(reply);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, reply, &QNetworkReply::abort);
    deadline->start(m_limits.timeLimit);
}

OnlineReviews::Outcome OnlineReviews::outcomeOf(QNetworkReply* reply, const QString& id)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    // An answer past the size limit was aborted as its bytes came.
    if (reply->error() != QNetworkReply::NoError || status != 200 || !isJson(*reply))
        return Outcome::Failed;
    const ReadResult<OnlineReview> own = ReviewListing::ownReview(reply->readAll(), m_hash.hex());
    if (own.outcome() != ReadOutcome::Read)
        return Outcome::Failed;
    m_cache.record(id, own);
    return own ? Outcome::Reviewed : Outcome::NotReviewed;
}

void OnlineReviews::onFinished(QNetworkReply* reply, const QString& id)
{
    m_replies.remove(reply);
    reply->deleteLater();
    const Outcome outcome = outcomeOf(reply, id);
    --m_running;
    m_pending.remove(id);
    // No status line means no answer at all; an answer of any kind shows the service is there.
    if (!reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).isValid())
        ++m_unansweredInARow;
    else
        m_unansweredInARow = 0;
    if (m_unansweredInARow >= UnansweredInARowLimit) {
        for (const QString& dropped : std::as_const(m_queue))
            m_pending.remove(dropped);
        m_queue.clear();
        m_askAgain.clear();
        m_unansweredInARow = 0;
    } else if (m_askAgain.remove(id)) {
        m_pending.insert(id);
        m_queue.prepend(id);
    }
    startMore();
    emit answered(id, outcome);
    m_resave = m_resave || m_saving;
    saveWhenDone();
}

void OnlineReviews::saveWhenDone()
{
    if (isBusy())
        return;
    m_saving = true;
    m_cache.saveInBackground(this, [this](bool) {
        m_saving = false;
        // Answers that came while the file was written are saved before the end is told.
        if (std::exchange(m_resave, false))
            saveWhenDone();
        else if (!isBusy())
            emit finished();
    });
}

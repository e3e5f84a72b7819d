// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FeedLoader.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

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
} // namespace

FeedLoader::Failure FeedLoader::failureOf(QNetworkReply::NetworkError error, int httpStatus)
{
    if (httpStatus >= 500 && httpStatus <= 599)
        return Failure::NoAnswer;
    switch (error) {
    // A network that is down shows as a name that cannot be looked up or as no route (which Qt
    // reports as an unknown network error).
    case QNetworkReply::HostNotFoundError:
    case QNetworkReply::UnknownNetworkError:
    case QNetworkReply::NetworkSessionFailedError:
    case QNetworkReply::TemporaryNetworkFailureError:
    case QNetworkReply::ProxyNotFoundError:
        return Failure::NoNetwork;
    case QNetworkReply::ConnectionRefusedError:
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::TimeoutError:
    // Nothing but the transfer timeout cancels a reply that the loader did not abort itself.
    case QNetworkReply::OperationCanceledError:
    case QNetworkReply::ProxyConnectionRefusedError:
    case QNetworkReply::ProxyConnectionClosedError:
    case QNetworkReply::ProxyTimeoutError:
    case QNetworkReply::InternalServerError:
    case QNetworkReply::ServiceUnavailableError:
    case QNetworkReply::UnknownServerError:
        return Failure::NoAnswer;
    default:
        return Failure::Unreadable;
    }
}

FeedLoader::FeedLoader(Policy policy, Limits limits, QObject* parent)
    : QObject(parent)
    , m_policy(policy)
    , m_limits(limits)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply)
            abortReply(m_reply, Failure::NoAnswer);
    });
}

FeedLoader::~FeedLoader()
{
    abandon();
}

bool FeedLoader::isPermitted(const QUrl& url, Policy policy)
{
    if (!url.isValid() || url.isRelative())
        return false;
    const QString scheme = url.scheme();
    if (scheme == u"https")
        return !url.host().isEmpty();
    return policy == Policy::AllowLoopbackHttpForTesting && scheme == u"http" && isLoopbackHost(url.host());
}

void FeedLoader::load(const QUrl& url)
{
    abandon();
    if (!isPermitted(url, m_policy)) {
        failLater();
        return;
    }

    QNetworkRequest request(url);
    request.setTransferTimeout(m_limits.transferTimeoutMs);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(
        QNetworkRequest::UserAgentHeader,
        QString(QCoreApplication::applicationName() + u'/' + QCoreApplication::applicationVersion()));

    if (!m_network)
        m_network = std::make_unique<QNetworkAccessManager>();
    QNetworkReply* reply = m_network->get(request);
    m_reply = reply;
    m_body.clear();
    m_abortFailure.reset();
    // abort() finishes the reply at once, so each handler checks that it still is the current one.
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (reply != m_reply)
            return;
        if (isPermitted(target, m_policy))
            emit reply->redirectAllowed();
        else
            abortReply(reply, Failure::Unreadable);
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply == m_reply && length.isValid() && length.toLongLong() > m_limits.maximumSize)
            abortReply(reply, Failure::Unreadable);
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply != m_reply)
            return;
        m_body += reply->read(m_limits.maximumSize + 1 - m_body.size());
        if (m_body.size() > m_limits.maximumSize)
            abortReply(reply, Failure::Unreadable);
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { onReplyFinished(reply); });
    m_deadline.start(4 * m_limits.transferTimeoutMs);
}

void FeedLoader::onReplyFinished(QNetworkReply* reply)
{
    reply->deleteLater();
    if (reply != m_reply)
        return;
    m_reply = nullptr;
    m_deadline.stop();
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_abortFailure) {
        fail(*m_abortFailure);
        return;
    }
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        fail(failureOf(reply->error(), status));
        return;
    }
    m_body += reply->read(m_limits.maximumSize + 1 - m_body.size());
    if (m_body.size() > m_limits.maximumSize) {
        fail(Failure::Unreadable);
        return;
    }
    finish(std::exchange(m_body, {}));
}

void FeedLoader::abortReply(QNetworkReply* reply, Failure failure)
{
    m_abortFailure = failure;
    reply->abort();
}

void FeedLoader::abandon()
{
    ++m_generation;
    m_deadline.stop();
    m_body.clear();
    if (QNetworkReply* reply = std::exchange(m_reply, nullptr)) {
        disconnect(reply, nullptr, this, nullptr);
        reply->abort();
        reply->deleteLater();
    }
}

void FeedLoader::failLater()
{
    const quint64 generation = m_generation;
    QMetaObject::invokeMethod(
        this,
        [this, generation] {
            if (generation == m_generation)
                fail(Failure::Unreadable);
        },
        Qt::QueuedConnection);
}

void FeedLoader::finish(const QByteArray& body)
{
    ++m_generation;
    emit loaded(body);
}

void FeedLoader::fail(Failure failure)
{
    ++m_generation;
    emit failed(failure);
}

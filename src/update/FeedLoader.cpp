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

FeedLoader::FeedLoader(Policy policy, Limits limits, QObject* parent)
    : QObject(parent)
    , m_policy(policy)
    , m_limits(limits)
{
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        if (m_reply)
            m_reply->abort();
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
    // abort() finishes the reply at once, so each handler checks that it still is the current one.
    connect(reply, &QNetworkReply::redirected, this, [this, reply](const QUrl& target) {
        if (reply != m_reply)
            return;
        if (isPermitted(target, m_policy))
            emit reply->redirectAllowed();
        else
            reply->abort();
    });
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (reply == m_reply && length.isValid() && length.toLongLong() > m_limits.maximumSize)
            reply->abort();
    });
    connect(reply, &QNetworkReply::readyRead, this, [this, reply] {
        if (reply != m_reply)
            return;
        m_body += reply->read(m_limits.maximumSize + 1 - m_body.size());
        if (m_body.size() > m_limits.maximumSize)
            reply->abort();
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
    if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
        finish(std::nullopt);
        return;
    }
    m_body += reply->read(m_limits.maximumSize + 1 - m_body.size());
    if (m_body.size() > m_limits.maximumSize) {
        finish(std::nullopt);
        return;
    }
    finish(std::exchange(m_body, {}));
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
                finish(std::nullopt);
        },
        Qt::QueuedConnection);
}

void FeedLoader::finish(const std::optional<QByteArray>& body)
{
    ++m_generation;
    if (body)
        emit loaded(*body);
    else
        emit failed();
}

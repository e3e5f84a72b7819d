// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReviewListing.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace {

// Unix seconds, as the service gives them (a float); later than 1970 and before the year 5000.
// Anything but a number gives -1.
std::optional<QDateTime> dateOf(const QJsonValue& value)
{
    const double seconds = value.toDouble(-1);
    if (!std::isfinite(seconds) || seconds <= 0 || seconds > 95'000'000'000.0)
        return std::nullopt;
    return QDateTime::fromMSecsSinceEpoch(qint64(std::llround(seconds * 1000)), Qt::UTC);
}

// The service takes summaries of at most 70 characters; a longer one, from a server that does not
// hold to that, is cut here, so that one answer cannot fill tooltips and the cache.
constexpr qsizetype SummaryLimit = 200;

std::optional<OnlineReview> reviewOf(const QJsonObject& item)
{
    // Zero for anything but a whole number.
    const qint64 rating = item.value(u"rating").toInteger(0);
    const std::optional<QDateTime> date = dateOf(item.value(u"date_created"));
    const QJsonValue summary = item.value(u"summary");
    if (rating < 1 || rating > 100 || !date || !summary.isString())
        return std::nullopt;
    QString text = summary.toString();
    if (text.size() > SummaryLimit) {
        // Not between the two halves of a surrogate pair.
        const qsizetype cut = text.at(SummaryLimit - 1).isHighSurrogate() ? SummaryLimit - 1 : SummaryLimit;
        text = text.left(cut) + u'…';
    }
    return OnlineReview { *date, int(rating), text };
}

} // namespace

ReadResult<OnlineReview> ReviewListing::ownReview(const QByteArray& json, QByteArrayView userHash)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError || !document.isArray())
        return ReadOutcome::Failed;
    const QString hash = QString::fromLatin1(userHash);
    std::optional<OnlineReview> newest;
    for (const QJsonValue& value : document.array()) {
        if (!value.isObject())
            return ReadOutcome::Failed;
        const QJsonObject item = value.toObject();
        if (item.value(u"user_hash").toString() != hash)
            continue;
        const std::optional<OnlineReview> review = reviewOf(item);
        if (!review)
            return ReadOutcome::Failed;
        if (!newest || newest->date < review->date)
            newest = review;
    }
    return { newest, ReadOutcome::Read };
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "OnlineReview.h"
#include "ReadResult.h"

#include <QByteArray>
#include <QByteArrayView>

// The ratings service's answer to GET <server>/app/<id>: a JSON array of every review of the
// application, each with its author's hash.
class ReviewListing
{
public:
    // The review among them whose author is userHash, the newest when there are several. Read
    // without a value when the user wrote none; Failed when the answer is no array of objects or
    // one of the user's reviews lacks a number for its date or rating (1 to 100) or a text for its
    // summary: a server that says that says nothing to rely on.
    static ReadResult<OnlineReview> ownReview(const QByteArray& json, QByteArrayView userHash);
};

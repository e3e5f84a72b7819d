// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppcastItem.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <optional>

// An RSS 2.0 appcast feed with the sparkle namespace.
class Appcast
{
public:
    static inline const QString SparkleNamespace =
        QStringLiteral("http://www.andymatuschak.org/xml-namespaces/sparkle");

    // The items of the feed, in feed order; nothing when data is not well-formed XML, carries a
    // document type declaration, or is not an "rss" document. Items without a version are left out.
    static std::optional<Appcast> parse(const QByteArray& data);

    const QList<AppcastItem>& items() const { return m_items; }

    // The newest item that can be offered on a system of systemVersion: it has an https address to
    // open and its minimum system version is not above systemVersion. An empty or unknown
    // systemVersion (one without digits) satisfies every minimum. Of equal versions the first in
    // the feed wins.
    std::optional<AppcastItem> newestApplicableItem(const QString& systemVersion) const;

private:
    QList<AppcastItem> m_items;
};

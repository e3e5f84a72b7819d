// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppcastItem.h"

namespace {
bool isWebAddress(const QUrl& url)
{
    return url.isValid() && url.scheme() == u"https" && !url.host().isEmpty();
}
} // namespace

QString AppcastItem::displayVersion() const
{
    return shortVersionString.isEmpty() ? version : shortVersionString;
}

QUrl AppcastItem::downloadAddress() const
{
    if (isWebAddress(link))
        return link;
    if (isWebAddress(enclosureUrl))
        return enclosureUrl;
    return {};
}

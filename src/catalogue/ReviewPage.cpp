// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ReviewPage.h"

#include "AppInfo.h"
#include "Workspace.h"

#include <algorithm>

ReviewPage::ReviewPage(const AppInfo& app)
{
    if (const std::optional<QUrl> own = app.reviewURL())
        m_addresses.append(*own);
    if (const std::optional<QUrl> web = app.reviewFallbackURL())
        m_addresses.append(*web);
}

ReviewPage::Place ReviewPage::place(Workspace& workspace) const
{
    return place([&workspace](const QString& scheme) { return workspace.handlesScheme(scheme); });
}

ReviewPage::Place ReviewPage::place(const SchemeTest& handlesScheme) const
{
    if (m_addresses.isEmpty())
        return Place::Nowhere;
    const QString scheme = m_addresses.constFirst().scheme();
    if (scheme != u"https" && handlesScheme(scheme))
        return Place::SoftwareCentre;
    return webAddress() ? Place::WebPage : Place::Nowhere;
}

std::optional<QUrl> ReviewPage::address(const SchemeTest& handlesScheme) const
{
    switch (place(handlesScheme)) {
    case Place::SoftwareCentre:
        return m_addresses.constFirst();
    case Place::WebPage:
        return webAddress();
    case Place::Nowhere:
        break;
    }
    return std::nullopt;
}

std::optional<QUrl> ReviewPage::webAddress() const
{
    const auto web = std::find_if(m_addresses.cbegin(), m_addresses.cend(),
                                  [](const QUrl& address) { return address.scheme() == u"https"; });
    return web == m_addresses.cend() ? std::nullopt : std::optional<QUrl>(*web);
}

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
    if (m_addresses.isEmpty())
        return Place::Nowhere;
    const QString scheme = m_addresses.constFirst().scheme();
    if (scheme != u"https" && workspace.handlesScheme(scheme))
        return Place::SoftwareCentre;
    const bool web = std::any_of(m_addresses.cbegin(), m_addresses.cend(),
                                 [](const QUrl& address) { return address.scheme() == u"https"; });
    return web ? Place::WebPage : Place::Nowhere;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QUrl>

#include <functional>
#include <optional>

class AppInfo;
class Workspace;

// Where an application's "Open ↗" goes: its page in the desktop's software centre, the store's web
// page, or nowhere. What the link promises and what opening it tries are both read from here, so
// that they cannot disagree.
class ReviewPage
{
public:
    enum class Place { SoftwareCentre, WebPage, Nowhere };

    explicit ReviewPage(const AppInfo& app);

    // The addresses to hand to the desktop in turn until one opens: the application's own page
    // (a software centre's address, or the App Store's web page), then the store's web page for a
    // desktop that cannot open the first. Empty when the record gives no usable address.
    const QList<QUrl>& addresses() const { return m_addresses; }

    // Whether the desktop has a program for addresses of a scheme; web pages it always has.
    using SchemeTest = std::function<bool(const QString& scheme)>;

    // Where the page opens on the desktop of workspace, as far as it can tell before trying.
    Place place(Workspace& workspace) const;
    Place place(const SchemeTest& handlesScheme) const;
    // The address that opens there; none for Nowhere.
    std::optional<QUrl> address(const SchemeTest& handlesScheme) const;
    // The page on the web, for any desktop; none when the store has none for the application.
    std::optional<QUrl> webAddress() const;

private:
    QList<QUrl> m_addresses;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QUrl>

// One release announced by the appcast feed.
struct AppcastItem
{
    QString title;
    // The build number, compared with the running CFBundleVersion.
    QString version;
    // The version shown to people; may be empty.
    QString shortVersionString;
    // The oldest system release the item runs on; empty when it runs on any.
    QString minimumSystemVersion;
    // The item's web page (<link>) and its download (<enclosure url>).
    QUrl link;
    QUrl enclosureUrl;

    // shortVersionString, or version when the feed gives no short form.
    QString displayVersion() const;

    // The address that "Download" opens: the web page when it is https, else the download when
    // it is https, else nothing. Other schemes are never offered, whatever the feed says.
    QUrl downloadAddress() const;

    bool operator==(const AppcastItem&) const = default;
};

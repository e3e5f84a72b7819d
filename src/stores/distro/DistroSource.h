// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppSource.h"

#include <QString>
#include <QStringList>

#include <functional>

// The desktop applications the distribution's packages installed, as a software centre lists them:
// each AppStream component of kind desktop-application in a metainfo (or older appdata) folder of
// the system's data folders whose desktop entry is there and meant to be shown, with its last use
// from the desktop's usage records. libappstream parses the files; without it nothing is listed,
// and the result is complete only when there is no metainfo either.
class DistroSource : public AppSource
{
public:
    // The id Kudora's own metainfo gives it: Kudora is no application to review with itself.
    static constexpr QStringView OwnID = u"org.kudora.Kudora";
    static constexpr qint64 MetainfoLimit = 4 * 1024 * 1024;

    // dataDirs are the system's data folders, in the order they take precedence (those of
    // $XDG_DATA_DIRS when empty; see systemDataDirs()); dataHome holds the usage records (the XDG
    // data home when empty); libraryFile is the libappstream to load. beforeLoading, when given, is
    // called on the scanning thread before each scan that would load the library, and may hold it
    // back: loading libappstream and its fifty-odd libraries holds the dynamic loader's lock, as
    // loading libflatpak does (see FlatpakSource).
    explicit DistroSource(QStringList dataDirs = {}, QString dataHome = {},
                          QString libraryFile = QStringLiteral("libappstream.so.4"),
                          std::function<void()> beforeLoading = {});

    Result scan(const ReviewDateMap& reviewDates) const override;
    std::optional<AppInfo::Store> store() const override { return AppInfo::Store::Distribution; }
    // The applications and metainfo folders of each data folder.
    QStringList watchedFolders() const override;

    // The folders of $XDG_DATA_DIRS (/usr/local/share and /usr/share when it is unset or empty),
    // without the ones Flatpak and snapd export their applications to: those are their own sources'.
    static QStringList systemDataDirs();

private:
    QStringList m_dataDirs;
    QString m_dataHome;
    QString m_libraryFile;
    std::function<void()> m_beforeLoading;
};

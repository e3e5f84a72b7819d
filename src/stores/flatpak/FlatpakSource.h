// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppSource.h"
#include "DesktopEntry.h"

#include <QByteArray>
#include <QLocale>
#include <QString>

#include <functional>

// The applications installed from a Flatpak remote into the user's or a system installation,
// with their last use from the desktop's usage records. Without libflatpak there are none, and the
// result is complete only when no installation is on disk either. Applications installed from a
// remote since removed are not listed, but stay installed for the catalogue.
class FlatpakSource : public AppSource
{
public:
    // dataHome holds the usage records (the XDG data home when empty); libraryFile is the
    // libflatpak to load. beforeLoading, when given, is called on the scanning thread before each
    // scan loads the library, and may hold the scan back: loading libflatpak and its sixty-odd
    // libraries holds the dynamic loader's lock for tens of milliseconds, and while it is held no
    // thread of the process can load a library or start a thread.
    explicit FlatpakSource(QString dataHome = {}, QString libraryFile = QStringLiteral("libflatpak.so.0"),
                           std::function<void()> beforeLoading = {});

    Result scan(const ReviewDateMap& reviewDates) const override;
    std::optional<AppInfo::Store> store() const override { return AppInfo::Store::Flatpak; }
    // The folder of each installation that its applications export their desktop entries to.
    QStringList watchedFolders() const override;

    // The Name of a desktop entry for locale, as the desktop entry rules pick it (lang_COUNTRY,
    // then lang, then the plain key); empty when the entry has none.
    static QString desktopEntryName(const QByteArray& entry, const QLocale& locale);

    static constexpr qint64 DesktopEntryLimit = DesktopEntry::FileLimit;

private:
    QString m_dataHome;
    QString m_libraryFile;
    std::function<void()> m_beforeLoading;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QLocale>
#include <QString>

// Keys of a freedesktop desktop entry (an application's .desktop file), read from its
// [Desktop Entry] group only. The bytes are untrusted; the caller limits how many it reads.
class DesktopEntry
{
public:
    // The value of key for locale, as the desktop entry rules pick it (key[lang_COUNTRY], then
    // key[lang], then the plain key), with its escapes undone and on one line; empty when the
    // entry has none of them.
    static QString value(const QByteArray& entry, QStringView key, const QLocale& locale = QLocale::c());

    // Desktop entries are small; anything larger is not one.
    static constexpr qint64 FileLimit = 256 * 1024;
};

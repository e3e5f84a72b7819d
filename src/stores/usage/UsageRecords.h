// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QHash>
#include <QString>

#include <optional>

// When the user last used each application, from the desktop's own records: GNOME Shell's
// application state and KDE Plasma's activity manager database. Both are read as untrusted files,
// never locked or changed.
class UsageRecords
{
public:
    // Application id to last use.
    using LastUse = QHash<QString, QDateTime>;

    struct Result
    {
        // The newest use either desktop recorded. A record that cannot be read lends no dates.
        LastUse lastUse;
    };

    static constexpr qint64 StateFileLimit = 4 * 1024 * 1024;
    static constexpr qint64 DatabaseLimit = 64 * 1024 * 1024;
    // How much work, in SQLite's virtual machine instructions, reading the database may take:
    // several times what the largest database within the limit needs, a few seconds at most.
    static constexpr int DatabaseWorkBudget = 100'000'000;

    // The records under dataHome (the XDG data home): gnome-shell/application_state and
    // kactivitymanagerd/resources/database. The database is read through a copy in a folder of its
    // own under $XDG_RUNTIME_DIR (else the temporary folder); copies that a process killed mid-read
    // left behind are removed first.
    static Result read(const QString& dataHome);

    // GNOME Shell's application_state document; nothing when it is not one.
    static std::optional<LastUse> parseGnomeShellState(const QByteArray& document);
    // The activity manager database at path (with its write-ahead log beside it, when there is
    // one); nothing when it cannot be read, when its ResourceScoreCache is anything but a table,
    // or when reading it would take more than workBudget.
    static std::optional<LastUse> readActivityDatabase(const QString& path,
                                                       int workBudget = DatabaseWorkBudget);

    // The application id a desktop names by its desktop file id ("org.gnome.Calculator.desktop").
    static QString applicationID(QString desktopID);
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppId.h"
#include "AppSource.h"

#include <QDateTime>
#include <QList>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

class DefaultsDomain;

// The program's only persistent state: the ignore list ("ignoredIDs", a list of texts) and the
// review dates ("reviewDates", a dictionary of id to date), ids stored as their texts. No copy is
// kept: every operation reads the stored value, and every change writes the whole value back
// before it returns.
class PreferencesService
{
public:
    static inline const QString IgnoredIDsKey = QStringLiteral("ignoredIDs");
    static inline const QString ReviewDatesKey = QStringLiteral("reviewDates");

    explicit PreferencesService(std::shared_ptr<DefaultsDomain> domain);

    QSet<AppId> loadIgnoredIDs() const;
    void addIgnoredID(const AppId& id);
    void removeIgnoredID(const AppId& id);
    // Many ids in one change of the stored list: one read and one write, however many there are.
    void addIgnoredIDs(const QList<AppId>& ids);
    void removeIgnoredIDs(const QList<AppId>& ids);
    void clearIgnoredIDs();
    void pruneIgnoredIDs(const QSet<AppId>& installedIDs);

    ReviewDateMap loadReviewDates() const;
    void recordReviewDate(const AppId& id);
    std::optional<QDateTime> reviewDate(const AppId& id) const;
    void removeReviewDate(const AppId& id);
    void pruneReviewDates(const QSet<AppId>& installedIDs);

    DefaultsDomain& domain() const { return *m_domain; }

private:
    std::shared_ptr<DefaultsDomain> m_domain;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppId.h"
#include "AppSource.h"
#include "DefaultsDomain.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

#include <memory>
#include <optional>

// The program's only persistent state: the ignore list ("ignoredIDs", a list of texts) and the
// review dates ("reviewDates", a dictionary of id to date), ids stored as their texts. No copy is
// kept: every operation reads the stored value, and every change writes the whole value back
// before it returns.
class PreferencesService : public QObject
{
    Q_OBJECT

public:
    static inline const QString IgnoredIDsKey = QStringLiteral("ignoredIDs");
    static inline const QString ReviewDatesKey = QStringLiteral("reviewDates");

    explicit PreferencesService(std::shared_ptr<DefaultsDomain> domain, QObject* parent = nullptr);

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
    // Stores date as id's review date, or forgets it for none: what an undo puts back.
    void setReviewDate(const AppId& id, const std::optional<QDateTime>& date);
    // In one write of the stored state.
    void setReviewDates(const QHash<AppId, std::optional<QDateTime>>& dates);
    // In one write of the stored state.
    void removeReviewDates(const QList<AppId>& ids);
    void pruneReviewDates(const QSet<AppId>& installedIDs);

    DefaultsDomain& domain() const { return *m_domain; }

    // What the last read or write met with the domain's file (see DefaultsDomain::trouble).
    const DefaultsDomain::Trouble& trouble() const { return m_trouble; }

signals:
    // Right after the read or write that met a new trouble returned.
    void troubleChanged();

private:
    QVariant value(const QString& key) const;
    void modify(const QString& key, const DefaultsDomain::Modifier& modifier);
    void noticeTrouble() const;

    std::shared_ptr<DefaultsDomain> m_domain;
    // The domain's trouble as last told, so that each is told once.
    mutable DefaultsDomain::Trouble m_trouble;
};

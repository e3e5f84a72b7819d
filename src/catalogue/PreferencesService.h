#pragma once

#include "AppScanner.h"

#include <QDateTime>
#include <QSet>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class DefaultsDomain;

// The program's only persistent state: the ignore list ("ignoredIDs", a list of texts) and the
// review dates ("reviewDates", a dictionary of id to date). No copy is kept: every operation reads
// the stored value, and every change writes the whole value back before it returns.
class PreferencesService
{
public:
    static inline const QString IgnoredIDsKey = QStringLiteral("ignoredIDs");
    static inline const QString ReviewDatesKey = QStringLiteral("reviewDates");

    explicit PreferencesService(std::shared_ptr<DefaultsDomain> domain);

    QSet<QString> loadIgnoredIDs() const;
    void addIgnoredID(const QString& id);
    void removeIgnoredID(const QString& id);
    // Many ids in one change of the stored list: one read and one write, however many there are.
    void addIgnoredIDs(const QStringList& ids);
    void removeIgnoredIDs(const QStringList& ids);
    void clearIgnoredIDs();
    void pruneIgnoredIDs(const QSet<QString>& installedIDs);

    ReviewDateMap loadReviewDates() const;
    void recordReviewDate(const QString& id);
    std::optional<QDateTime> reviewDate(const QString& id) const;
    void removeReviewDate(const QString& id);
    void pruneReviewDates(const QSet<QString>& installedIDs);

    DefaultsDomain& domain() const { return *m_domain; }

private:
    std::shared_ptr<DefaultsDomain> m_domain;
};

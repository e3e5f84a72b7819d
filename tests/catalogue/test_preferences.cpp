#include "DefaultsDomain.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"

#include <QThread>
#include <QVariantList>
#include <QVariantMap>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString IgnoredKey = u"ignoredIDs"_s;
const QString ReviewKey = u"reviewDates"_s;
const QDateTime OldDate(QDate(2025, 2, 3), QTime(4, 5), Qt::UTC);

// Passes everything to a domain in memory and counts the writes that reach it.
class CountingDomain : public DefaultsDomain
{
public:
    QVariant value(const QString& key) const override { return m_inner.value(key); }
    void modify(const QString& key, const Modifier& modifier) override
    {
        m_inner.modify(key, [&](const QVariant& current) {
            Change change = modifier(current);
            if (change.kind != Change::Kind::Keep)
                ++m_writes;
            return change;
        });
    }
    QString location() const override { return m_inner.location(); }

    int writes() const { return m_writes; }

private:
    MemoryDefaultsDomain m_inner;
    int m_writes = 0;
};

class PreferencesTest : public ::testing::Test
{
protected:
    // Seeds a stored value without counting it as a write of the service.
    void store(const QString& key, const QVariant& value)
    {
        m_domain->setValue(key, value);
        m_seedWrites = m_domain->writes();
    }
    int writes() const { return m_domain->writes() - m_seedWrites; }

    std::shared_ptr<CountingDomain> m_domain = std::make_shared<CountingDomain>();
    PreferencesService m_service { m_domain };
    int m_seedWrites = 0;
};

TEST_F(PreferencesTest, IgnoreListIsASetThatKeepsItsKeyUntilCleared)
{
    m_service.addIgnoredID(u"a"_s);
    m_service.addIgnoredID(u"a"_s);
    m_service.addIgnoredID(u"b"_s);
    EXPECT_EQ(writes(), 3);
    EXPECT_EQ(m_service.loadIgnoredIDs(), (QSet<QString> { u"a"_s, u"b"_s }));
    EXPECT_EQ(m_domain->value(IgnoredKey).toList().size(), 2);

    m_service.removeIgnoredID(u"absent"_s);
    EXPECT_EQ(writes(), 4);
    m_service.removeIgnoredID(u"a"_s);
    m_service.removeIgnoredID(u"b"_s);
    const QVariant emptied = m_domain->value(IgnoredKey);
    EXPECT_EQ(emptied.typeId(), QMetaType::QVariantList);
    EXPECT_TRUE(emptied.toList().isEmpty());

    m_service.addIgnoredID(u"c"_s);
    m_service.clearIgnoredIDs();
    EXPECT_FALSE(m_domain->value(IgnoredKey).isValid());
    EXPECT_TRUE(m_service.loadIgnoredIDs().isEmpty());
}

TEST_F(PreferencesTest, MissingAndMistypedValuesReadEmptyAndStayUntilReplaced)
{
    // First launch: nothing is stored, and pruning nothing writes nothing.
    EXPECT_TRUE(m_service.loadReviewDates().isEmpty());
    EXPECT_EQ(m_service.reviewDate(u"a"_s), std::nullopt);
    m_service.pruneIgnoredIDs({});
    m_service.pruneReviewDates({});
    EXPECT_EQ(writes(), 0);
    EXPECT_FALSE(m_domain->value(IgnoredKey).isValid());
    EXPECT_FALSE(m_domain->value(ReviewKey).isValid());

    store(IgnoredKey, QVariantList { u"a"_s, 5 });
    EXPECT_TRUE(m_service.loadIgnoredIDs().isEmpty());
    store(IgnoredKey, u"a"_s);
    EXPECT_TRUE(m_service.loadIgnoredIDs().isEmpty());
    store(ReviewKey, QVariantList { OldDate });
    EXPECT_TRUE(m_service.loadReviewDates().isEmpty());
    // Nothing to drop from what reads as empty: the mistyped values stay untouched.
    m_service.pruneIgnoredIDs({ u"b"_s });
    m_service.pruneReviewDates({});
    EXPECT_EQ(writes(), 0);

    m_service.addIgnoredID(u"b"_s);
    EXPECT_EQ(m_domain->value(IgnoredKey), QVariant(QVariantList { u"b"_s }));
    m_service.recordReviewDate(u"a"_s);
    EXPECT_EQ(m_domain->value(ReviewKey).typeId(), QMetaType::QVariantMap);
    EXPECT_TRUE(m_service.reviewDate(u"a"_s).has_value());
}

TEST_F(PreferencesTest, PruningIgnoredIDsWritesOnlyWhenOneIsDropped)
{
    store(IgnoredKey, QVariantList { u"a"_s, u"b"_s, u"a"_s });
    m_service.pruneIgnoredIDs({ u"a"_s, u"b"_s, u"c"_s });
    EXPECT_EQ(writes(), 0);

    m_service.pruneIgnoredIDs({ u"b"_s });
    EXPECT_EQ(writes(), 1);
    EXPECT_EQ(m_service.loadIgnoredIDs(), QSet<QString> { u"b"_s });

    m_service.pruneIgnoredIDs({});
    EXPECT_EQ(writes(), 2);
    EXPECT_EQ(m_domain->value(IgnoredKey), QVariant(QVariantList()));
}

TEST_F(PreferencesTest, ReviewDatesKeepOnlyTheLatestDatePerId)
{
    m_service.recordReviewDate(u"a"_s);
    const std::optional<QDateTime> first = m_service.reviewDate(u"a"_s);
    ASSERT_TRUE(first.has_value());
    QThread::msleep(20);
    m_service.recordReviewDate(u"a"_s);
    const std::optional<QDateTime> second = m_service.reviewDate(u"a"_s);
    ASSERT_TRUE(second.has_value());
    EXPECT_GT(*second, *first);
    EXPECT_EQ(m_service.loadReviewDates(), (ReviewDateMap { { u"a"_s, *second } }));

    m_service.removeReviewDate(u"a"_s);
    m_service.removeReviewDate(u"a"_s);
    EXPECT_EQ(m_service.reviewDate(u"a"_s), std::nullopt);
    EXPECT_EQ(writes(), 4);
    EXPECT_EQ(m_domain->value(ReviewKey), QVariant(QVariantMap()));
}

TEST_F(PreferencesTest, ReviewEntriesThatAreNoDatesAreKeptButNeverHandedOut)
{
    store(ReviewKey, QVariantMap { { u"texted"_s, u"2025-01-01"_s }, { u"old"_s, OldDate } });
    EXPECT_EQ(m_service.loadReviewDates(), (ReviewDateMap { { u"old"_s, OldDate } }));
    EXPECT_EQ(m_service.reviewDate(u"texted"_s), std::nullopt);

    m_service.recordReviewDate(u"new"_s);
    m_service.removeReviewDate(u"old"_s);
    EXPECT_EQ(m_domain->value(ReviewKey).toMap().value(u"texted"_s), QVariant(u"2025-01-01"_s));
    EXPECT_EQ(m_service.loadReviewDates().keys(), QList<QString> { u"new"_s });

    // Installed entries stay whatever their type; nothing to remove means no write.
    const int before = writes();
    m_service.pruneReviewDates({ u"texted"_s, u"new"_s });
    EXPECT_EQ(writes(), before);
    m_service.pruneReviewDates({ u"new"_s });
    EXPECT_EQ(writes(), before + 1);
    EXPECT_EQ(m_domain->value(ReviewKey).toMap().keys(), QList<QString> { u"new"_s });
}

TEST_F(PreferencesTest, CanonicallyEquivalentIdsAreOneId)
{
    const QString composed = u"com.example.caf\u00e9"_s;
    const QString decomposed = u"com.example.cafe\u0301"_s;

    m_service.addIgnoredID(decomposed);
    m_service.addIgnoredID(composed);
    EXPECT_EQ(m_service.loadIgnoredIDs(), QSet<QString> { composed });
    m_service.pruneIgnoredIDs({ decomposed });
    EXPECT_EQ(m_service.loadIgnoredIDs(), QSet<QString> { composed });
    m_service.removeIgnoredID(decomposed);
    EXPECT_TRUE(m_service.loadIgnoredIDs().isEmpty());

    // A key written in the other form by someone else is the same entry.
    store(ReviewKey, QVariantMap { { decomposed, OldDate } });
    EXPECT_EQ(m_service.reviewDate(composed), OldDate);
    EXPECT_EQ(m_service.loadReviewDates(), (ReviewDateMap { { composed, OldDate } }));
    m_service.pruneReviewDates({ composed });
    EXPECT_EQ(m_service.reviewDate(composed), OldDate);
    m_service.recordReviewDate(composed);
    EXPECT_EQ(m_domain->value(ReviewKey).toMap().size(), 1);
    EXPECT_GT(*m_service.reviewDate(decomposed), OldDate);
    m_service.removeReviewDate(decomposed);
    EXPECT_TRUE(m_service.loadReviewDates().isEmpty());
}

} // namespace

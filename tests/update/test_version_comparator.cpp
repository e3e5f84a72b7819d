#include "VersionComparator.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Case
{
    const char16_t* older;
    const char16_t* newer;
};

// Each pair is strictly ordered: the first is older than the second, and the comparison must say
// so from both sides.
const Case orderedPairs[] = {
    { u"1.0", u"1.1" },
    { u"1.9", u"1.10" },
    { u"2.0", u"10.0" },
    { u"1.0", u"1.0.1" },
    { u"0.1.2", u"0.2" },
    { u"0.0.1", u"0.1" },
    { u"1.0a", u"1.0" },
    { u"1.0b1", u"1.0" },
    { u"1.0a1", u"1.0b1" },
    { u"1.0b2", u"1.0b10" },
    { u"1.0b1", u"1.0.1" },
    { u"1.5.5", u"1.5.6a1" },
    { u"1.1.0b1", u"1.1.1b2" },
    { u"1.0 beta", u"1.0" },
    { u"1.0", u"1.0.0" },
    { u"99999999999999999999", u"100000000000000000000" },
    { u"1", u"2" },
    { u"", u"1" },
    { u"12", u"13" },
    { u"1.0-rc1", u"1.0.1" },
};

TEST(VersionComparatorTest, ordersEachPairFromBothSides)
{
    for (const Case& c : orderedPairs) {
        const QString older = QString::fromUtf16(c.older);
        const QString newer = QString::fromUtf16(c.newer);
        EXPECT_EQ(VersionComparator::compare(older, newer), std::weak_ordering::less)
            << older.toStdString() << " vs " << newer.toStdString();
        EXPECT_EQ(VersionComparator::compare(newer, older), std::weak_ordering::greater)
            << newer.toStdString() << " vs " << older.toStdString();
        EXPECT_TRUE(VersionComparator::isNewer(newer, older));
        EXPECT_FALSE(VersionComparator::isNewer(older, newer));
    }
}

TEST(VersionComparatorTest, treatsSpellingsOfTheSameVersionAsEqual)
{
    const std::pair<QString, QString> equal[] = {
        { u"1.0"_s, u"1.0"_s },     { u"1.01"_s, u"1.1"_s }, { u"007"_s, u"7"_s }, { u"1-0"_s, u"1.0"_s },
        { u"1.0b1"_s, u"1.0b1"_s }, { u"١٢"_s, u"12"_s }, // Arabic-Indic digits count by value
        { u""_s, u""_s },
    };
    for (const auto& [a, b] : equal) {
        EXPECT_EQ(VersionComparator::compare(a, b), std::weak_ordering::equivalent)
            << a.toStdString() << " vs " << b.toStdString();
        EXPECT_FALSE(VersionComparator::isNewer(a, b));
    }
}

TEST(VersionComparatorTest, comparesTextRunsByCharacters)
{
    EXPECT_EQ(VersionComparator::compare(u"1.0alpha"_s, u"1.0beta"_s), std::weak_ordering::less);
    EXPECT_EQ(VersionComparator::compare(u"1.0rc"_s, u"1.0beta"_s), std::weak_ordering::greater);
}

} // namespace

#include "VersionComparator.h"

#include <gtest/gtest.h>

#include <tuple>

namespace {

TEST(VersionComparator, OrdersVersionsTheSameFromBothSides)
{
    using std::weak_ordering;
    const std::tuple<const char16_t*, const char16_t*, weak_ordering> cases[] = {
        { u"1.0", u"1.1", weak_ordering::less },
        { u"1.9", u"1.10", weak_ordering::less }, // numbers, not text
        { u"0.1.2", u"0.2", weak_ordering::less },
        { u"1.0", u"1.0.1", weak_ordering::less },
        { u"1.0", u"1.0.0", weak_ordering::less },
        { u"1.0b1", u"1.0", weak_ordering::less }, // a pre-release comes before its release
        { u"1.0a1", u"1.0b1", weak_ordering::less },
        { u"1.0b2", u"1.0b10", weak_ordering::less },
        { u"1.5.5", u"1.5.6a1", weak_ordering::less },
        { u"1.0-rc1", u"1.0.1", weak_ordering::less },
        { u"1.0alpha", u"1.0beta", weak_ordering::less },
        { u"1.0rc", u"1.0beta", weak_ordering::greater },
        { u"99999999999999999999", u"100000000000000000000", weak_ordering::less },
        { u"", u"1", weak_ordering::less },
        { u"1.01", u"1.1", weak_ordering::equivalent },
        { u"007", u"7", weak_ordering::equivalent },
        { u"1-0", u"1.0", weak_ordering::equivalent },
        { u"١٢", u"12", weak_ordering::equivalent }, // Arabic-Indic digits count by value
        { u"", u"", weak_ordering::equivalent },
    };
    for (const auto& [first, second, order] : cases) {
        const QString a = QString::fromUtf16(first);
        const QString b = QString::fromUtf16(second);
        EXPECT_EQ(VersionComparator::compare(a, b), order) << a.toStdString() << " vs " << b.toStdString();
        EXPECT_EQ(VersionComparator::compare(b, a), 0 <=> order)
            << b.toStdString() << " vs " << a.toStdString();
        EXPECT_EQ(VersionComparator::isNewer(a, b), order == weak_ordering::greater) << a.toStdString();
        EXPECT_EQ(VersionComparator::isNewer(b, a), order == weak_ordering::less) << b.toStdString();
    }
}

} // namespace

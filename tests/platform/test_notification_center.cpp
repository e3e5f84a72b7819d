#include "NotificationCenter.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

TEST(NotificationCenter, DeliversToMatchingObserversInRegistrationOrder)
{
    NotificationCenter center;
    QObject first;
    QObject second;
    QStringList calls;
    center.observe(u"Kudora.aRequested"_s, &second, [&] { calls << u"second"_s; });
    center.observe(u"Kudora.aRequested"_s, &first, [&] { calls << u"first"_s; });
    center.observe(u"Kudora.bRequested"_s, &first, [&] { calls << u"other"_s; });
    center.post(u"Kudora.aRequested"_s);
    EXPECT_EQ(calls, (QStringList { u"second"_s, u"first"_s }));
    center.post(u"Kudora.unknown"_s);
    EXPECT_EQ(calls.size(), 2);
}

TEST(NotificationCenter, ObservationEndsWithTheObserver)
{
    NotificationCenter center;
    int calls = 0;
    auto observer = std::make_unique<QObject>();
    center.observe(u"Kudora.aRequested"_s, observer.get(), [&] { ++calls; });
    center.post(u"Kudora.aRequested"_s);
    observer.reset();
    center.post(u"Kudora.aRequested"_s);
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, DefaultCenterIsOneInstance)
{
    EXPECT_EQ(&NotificationCenter::defaultCenter(), &NotificationCenter::defaultCenter());
}

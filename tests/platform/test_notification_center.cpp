#include "NotificationCenter.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

TEST(NotificationCenter, DeliversToMatchingLiveObserversInRegistrationOrder)
{
    NotificationCenter center;
    QObject first;
    auto second = std::make_unique<QObject>();
    QStringList calls;
    center.observe(u"Kudora.aRequested"_s, second.get(), [&] { calls << u"second"_s; });
    center.observe(u"Kudora.aRequested"_s, &first, [&] { calls << u"first"_s; });
    center.observe(u"Kudora.bRequested"_s, &first, [&] { calls << u"other"_s; });
    center.post(u"Kudora.aRequested"_s);
    center.post(u"Kudora.unknown"_s);
    EXPECT_EQ(calls, (QStringList { u"second"_s, u"first"_s }));
    // Observation ends with the observer.
    second.reset();
    center.post(u"Kudora.aRequested"_s);
    EXPECT_EQ(calls, (QStringList { u"second"_s, u"first"_s, u"first"_s }));
}

#include "CheckForUpdatesView.h"
#include "CheckForUpdatesViewModel.h"
#include "LoopbackHttpServer.h"
#include "MainBundle.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingUserDriver.h"
#include "TestFeed.h"
#include "Updater.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString FeedPath = u"/appcast.xml"_s;

// An updater that can tell how many view models observe it.
class ObservedUpdater : public Updater
{
public:
    using Updater::Updater;
    int subscriptions() const { return receivers(SIGNAL(canCheckForUpdatesChanged(bool))); }
};

class CheckForUpdatesViewTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.serve(FeedPath, TestFeed::rss({ { u"12"_s, u"1.2"_s } }));
        MainBundle::setInfoDictionaryForTesting(QVariantMap {
            { u"CFBundleName"_s, u"Kudora"_s },
            { u"CFBundleVersion"_s, u"12"_s },
            { u"CFBundleShortVersionString"_s, u"1.2"_s },
            { u"SUFeedURL"_s, server.url(FeedPath).toString() },
        });
        Updater::Options options;
        options.feedPolicy = FeedLoader::Policy::AllowLoopbackHttpForTesting;
        auto recording = std::make_unique<RecordingUserDriver>();
        driver = recording.get();
        updater = std::make_unique<ObservedUpdater>(std::move(recording),
                                                    std::make_shared<MemoryDefaultsDomain>(), options);
    }

    bool checkFinishes()
    {
        return QTest::qWaitFor([&] { return updater->canCheckForUpdates(); }, 20000);
    }

    LoopbackHttpServer server;
    RecordingUserDriver* driver = nullptr;
    std::unique_ptr<ObservedUpdater> updater;
};

TEST_F(CheckForUpdatesViewTest, theItemIsEnabledExactlyWhileTheUpdaterCanCheck)
{
    CheckForUpdatesView view(*updater);
    QAction* item = view.action();
    EXPECT_EQ(item->text(), u"Check for Updates…"_s);
    EXPECT_TRUE(item->shortcut().isEmpty());
    EXPECT_FALSE(item->isEnabled()) << "the updater has not started";

    updater->start();
    EXPECT_TRUE(item->isEnabled()) << "enabled without any user action";

    // A check started elsewhere (a background check, say) disables the item until it is done.
    updater->checkForUpdates();
    EXPECT_FALSE(item->isEnabled());
    ASSERT_TRUE(checkFinishes());
    EXPECT_TRUE(item->isEnabled());

    // A view model made now takes the current value during its subscription.
    CheckForUpdatesViewModel model(*updater);
    EXPECT_TRUE(model.canCheckForUpdates());
}

TEST_F(CheckForUpdatesViewTest, choosingTheItemInItsMenuStartsExactlyOneCheck)
{
    updater->start();
    CheckForUpdatesView view(*updater);
    QMenu menu;
    menu.addAction(view.action());
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(view.action()).center());

    EXPECT_FALSE(view.action()->isEnabled());
    view.action()->trigger(); // a disabled item cannot be chosen again meanwhile
    ASSERT_TRUE(checkFinishes());
    EXPECT_EQ(server.requestCount(FeedPath), 1);
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).shown, RecordingUserDriver::Shown::UpToDate);
}

TEST_F(CheckForUpdatesViewTest, rebuildingTheItemEndsTheOldSubscription)
{
    updater->start();
    QMenu menu;
    auto first = std::make_unique<CheckForUpdatesView>(*updater);
    QPointer<CheckForUpdatesViewModel> firstModel = first->viewModel();
    menu.addAction(first->action());
    EXPECT_EQ(updater->subscriptions(), 1);

    auto second = std::make_unique<CheckForUpdatesView>(*updater);
    EXPECT_NE(second->viewModel(), firstModel.data());
    EXPECT_EQ(updater->subscriptions(), 2);

    first.reset();
    menu.addAction(second->action());
    EXPECT_TRUE(firstModel.isNull());
    EXPECT_EQ(updater->subscriptions(), 1);
    EXPECT_EQ(menu.actions(), (QList<QAction*> { second->action() }));

    updater->checkForUpdates();
    EXPECT_FALSE(second->action()->isEnabled());
    ASSERT_TRUE(checkFinishes());
    EXPECT_TRUE(second->action()->isEnabled());

    second.reset();
    EXPECT_EQ(updater->subscriptions(), 0);
    EXPECT_TRUE(menu.actions().isEmpty());
}

} // namespace

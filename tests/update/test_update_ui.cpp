#include "CheckForUpdatesView.h"
#include "CheckForUpdatesViewModel.h"
#include "LoopbackHttpServer.h"
#include "MainBundle.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingUserDriver.h"
#include "RecordingWorkspace.h"
#include "StandardUserDriver.h"
#include "TestFeed.h"
#include "UpdaterController.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;
using TestFeed::finishes;

namespace {

QList<QMessageBox*> openWindows()
{
    QList<QMessageBox*> boxes;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            boxes.append(box);
    }
    return boxes;
}

QAbstractButton* buttonTitled(QMessageBox* box, const QString& title)
{
    const QList<QAbstractButton*> buttons = box->buttons();
    const auto it = std::ranges::find(buttons, title, &QAbstractButton::text);
    return it == buttons.end() ? nullptr : *it;
}

bool isDeleted(const QPointer<QMessageBox>& box)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return box.isNull();
}

// An updater that can tell how many view models observe it.
class ObservedUpdater : public Updater
{
public:
    using Updater::Updater;
    int subscriptions() const { return receivers(SIGNAL(canCheckForUpdatesChanged(bool))); }
};

class UpdateUiTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.serve(
            u"/appcast.xml"_s,
            TestFeed::rss({ { u"13"_s, u"&lt;b&gt;1.3&lt;/b&gt;"_s, {}, u"https://kudora.org/1.3"_s } }));
        MainBundle::setInfoDictionaryForTesting(
            TestFeed::bundleInfo(server.url(u"/appcast.xml"_s).toString()));
    }

    void TearDown() override
    {
        for (QMessageBox* box : openWindows())
            box->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Runs a user-initiated check through the standard windows and returns the window it shows.
    QMessageBox* checkThroughTheWindows()
    {
        controller = std::make_unique<UpdaterController>(true, std::make_unique<StandardUserDriver>(),
                                                         defaults, TestFeed::loopbackOptions());
        controller->updater()->checkForUpdates();
        if (!finishes(*controller->updater()))
            return nullptr;
        const QList<QMessageBox*> boxes = openWindows();
        return boxes.size() == 1 ? boxes.first() : nullptr;
    }

    LoopbackHttpServer server;
    std::shared_ptr<DefaultsDomain> defaults = std::make_shared<MemoryDefaultsDomain>();
    std::unique_ptr<UpdaterController> controller;
    RecordingUserDriver* recording = new RecordingUserDriver;
    ObservedUpdater updater { std::unique_ptr<UserDriver>(recording), defaults, TestFeed::loopbackOptions() };
};

TEST_F(UpdateUiTest, TheItemFollowsTheUpdaterAndRebuildingItEndsTheOldSubscription)
{
    QMenu menu;
    auto first = std::make_unique<CheckForUpdatesView>(updater);
    QPointer<CheckForUpdatesViewModel> firstModel = first->viewModel();
    menu.addAction(first->action());
    EXPECT_EQ(first->action()->text(), u"Check for Updates…"_s);
    EXPECT_FALSE(first->action()->isEnabled()) << "the updater has not started";
    updater.start();
    EXPECT_TRUE(first->action()->isEnabled()) << "enabled without any user action";

    // A view model made now takes the current value during its subscription.
    auto second = std::make_unique<CheckForUpdatesView>(updater);
    EXPECT_TRUE(second->action()->isEnabled());
    EXPECT_NE(second->viewModel(), firstModel.data());
    EXPECT_EQ(updater.subscriptions(), 2);
    first.reset();
    EXPECT_TRUE(firstModel.isNull());
    EXPECT_EQ(updater.subscriptions(), 1);
    EXPECT_TRUE(menu.actions().isEmpty());

    // Chosen in its menu, the item starts one check and stays disabled until the result is shown.
    menu.addAction(second->action());
    menu.popup(QPoint(10, 10));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&menu));
    QTest::mouseClick(&menu, Qt::LeftButton, {}, menu.actionGeometry(second->action()).center());
    EXPECT_FALSE(second->action()->isEnabled());
    second->action()->trigger(); // a disabled item cannot be chosen again meanwhile
    ASSERT_TRUE(finishes(updater));
    EXPECT_TRUE(second->action()->isEnabled());
    EXPECT_EQ(server.requests.size(), 1);
    ASSERT_EQ(recording->events.size(), 1);
    EXPECT_EQ(recording->events.at(0).shown, RecordingUserDriver::Shown::UpdateFound);

    // A check started elsewhere (a background check, say) disables the item too.
    updater.checkForUpdates();
    EXPECT_FALSE(second->action()->isEnabled());
    ASSERT_TRUE(finishes(updater));
    second.reset();
    EXPECT_EQ(updater.subscriptions(), 0);
    EXPECT_TRUE(menu.actions().isEmpty());
}

TEST_F(UpdateUiTest, ResultsAreTopLevelWindowsAndANewResultReplacesTheOld)
{
    StandardUserDriver driver;
    driver.showUpToDate();
    QPointer<QMessageBox> box = driver.currentWindow();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_EQ(box->text(), u"You’re up to date!"_s);
    EXPECT_EQ(box->informativeText(), u"Kudora 1.2 is currently the newest version available."_s);

    driver.showError(u"The feed is unreachable."_s);
    EXPECT_TRUE(isDeleted(box));
    const QList<QMessageBox*> boxes = openWindows();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->text(), u"Update Error!"_s);
    EXPECT_EQ(boxes.first()->informativeText(), u"The feed is unreachable."_s);

    box = boxes.first();
    QTest::mouseClick(box->buttons().value(0), Qt::LeftButton);
    EXPECT_TRUE(isDeleted(box));
}

TEST_F(UpdateUiTest, AnUpdateFoundOffersThreeChoicesAndDownloadsOnlyThroughTheWorkspace)
{
    RecordingWorkspace workspace;
    QPointer<QMessageBox> box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), u"A new version of Kudora is available!"_s);
    // Texts from the feed are shown as they are, never as markup.
    EXPECT_EQ(box->informativeText(),
              u"Kudora <b>1.3</b> is now available—you have 1.2. Would you like to "
              u"download it now?"_s);
    QStringList titles;
    for (QAbstractButton* button : box->buttons())
        titles.append(button->text());
    titles.sort();
    EXPECT_EQ(titles, (QStringList { u"Download"_s, u"Remind Me Later"_s, u"Skip This Version"_s }));
    for (const QLabel* label : box->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();

    // Escape means later: nothing is remembered or opened.
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(isDeleted(box));

    box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    QTest::mouseClick(buttonTitled(box, u"Download"_s), Qt::LeftButton);
    EXPECT_EQ(workspace.openedUrls, (QList<QUrl> { QUrl(u"https://kudora.org/1.3"_s) }));
    EXPECT_FALSE(defaults->value(Updater::SkippedVersionKey).isValid());
    EXPECT_TRUE(isDeleted(box));

    box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    QTest::mouseClick(buttonTitled(box, u"Skip This Version"_s), Qt::LeftButton);
    EXPECT_EQ(defaults->value(Updater::SkippedVersionKey), QVariant(u"13"_s));
    EXPECT_EQ(workspace.openedUrls.size(), 1);
}

} // namespace

#include "LoopbackHttpServer.h"
#include "MainBundle.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingWorkspace.h"
#include "StandardUserDriver.h"
#include "TestFeed.h"
#include "Updater.h"
#include "UpdaterController.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

const QString FeedPath = u"/appcast.xml"_s;

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
    for (QAbstractButton* button : box->buttons()) {
        if (button->text() == title)
            return button;
    }
    return nullptr;
}

QStringList buttonTitles(QMessageBox* box)
{
    QStringList titles;
    for (QAbstractButton* button : box->buttons())
        titles.append(button->text());
    titles.sort();
    return titles;
}

bool isDeleted(const QPointer<QMessageBox>& box)
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return box.isNull();
}

class StandardUserDriverTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        server.serve(FeedPath, TestFeed::rss({ { u"13"_s, u"1.3"_s, {}, u"https://kudora.org/1.3"_s } }));
        MainBundle::setInfoDictionaryForTesting(QVariantMap {
            { u"CFBundleName"_s, u"Kudora"_s },
            { u"CFBundleVersion"_s, u"12"_s },
            { u"CFBundleShortVersionString"_s, u"1.2"_s },
            { u"SUFeedURL"_s, server.url(FeedPath).toString() },
        });
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
        Updater::Options options;
        options.feedPolicy = FeedLoader::Policy::AllowLoopbackHttpForTesting;
        controller = std::make_unique<UpdaterController>(true, std::make_unique<StandardUserDriver>(),
                                                         defaults, options);
        Updater* updater = controller->updater();
        updater->checkForUpdates();
        if (!QTest::qWaitFor([&] { return updater->canCheckForUpdates(); }, 20000))
            return nullptr;
        const QList<QMessageBox*> boxes = openWindows();
        return boxes.size() == 1 ? boxes.first() : nullptr;
    }

    LoopbackHttpServer server;
    std::shared_ptr<DefaultsDomain> defaults = std::make_shared<MemoryDefaultsDomain>();
    std::unique_ptr<UpdaterController> controller;
};

TEST_F(StandardUserDriverTest, upToDateIsATopLevelWindowThatDeletesItselfWhenClosed)
{
    StandardUserDriver driver;
    driver.showUpToDate();
    QPointer<QMessageBox> box = driver.currentWindow();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->isVisible());
    EXPECT_TRUE(box->isWindow());
    EXPECT_EQ(box->parentWidget(), nullptr);
    EXPECT_EQ(box->windowModality(), Qt::NonModal);
    EXPECT_TRUE(box->testAttribute(Qt::WA_DeleteOnClose));
    EXPECT_EQ(box->text(), u"You’re up to date!"_s);
    EXPECT_EQ(box->informativeText(), u"Kudora 1.2 is currently the newest version available."_s);

    QTest::mouseClick(box->buttons().value(0), Qt::LeftButton);
    EXPECT_TRUE(isDeleted(box));
}

TEST_F(StandardUserDriverTest, errorShowsTheReasonAndANewResultReplacesTheOldWindow)
{
    StandardUserDriver driver;
    driver.showUpToDate();
    QPointer<QMessageBox> first = driver.currentWindow();
    driver.showError(u"The feed is unreachable."_s);
    EXPECT_TRUE(isDeleted(first));

    const QList<QMessageBox*> boxes = openWindows();
    ASSERT_EQ(boxes.size(), 1);
    EXPECT_EQ(boxes.first()->text(), u"Update Error!"_s);
    EXPECT_EQ(boxes.first()->informativeText(), u"The feed is unreachable."_s);
}

TEST_F(StandardUserDriverTest, downloadOpensTheReleasePageThroughTheWorkspaceOnly)
{
    RecordingWorkspace workspace;
    QPointer<QMessageBox> box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->text(), u"A new version of Kudora is available!"_s);
    EXPECT_EQ(box->informativeText(),
              u"Kudora 1.3 is now available—you have 1.2. Would you like to download it now?"_s);
    EXPECT_EQ(buttonTitles(box),
              (QStringList { u"Download"_s, u"Remind Me Later"_s, u"Skip This Version"_s }));
    EXPECT_EQ(box->windowModality(), Qt::NonModal);

    QTest::mouseClick(buttonTitled(box, u"Download"_s), Qt::LeftButton);
    EXPECT_EQ(workspace.openedUrls, (QList<QUrl> { QUrl(u"https://kudora.org/1.3"_s) }));
    EXPECT_EQ(workspace.iconRequests, 0);
    EXPECT_FALSE(defaults->value(Updater::SkippedVersionKey).isValid());
    EXPECT_TRUE(isDeleted(box));
}

TEST_F(StandardUserDriverTest, skipRemembersTheVersionAndLaterRemembersNothing)
{
    RecordingWorkspace workspace;
    QPointer<QMessageBox> box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(isDeleted(box));
    EXPECT_FALSE(defaults->value(Updater::SkippedVersionKey).isValid());

    box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    box->close();
    EXPECT_TRUE(isDeleted(box));
    EXPECT_FALSE(defaults->value(Updater::SkippedVersionKey).isValid());

    box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    QTest::mouseClick(buttonTitled(box, u"Skip This Version"_s), Qt::LeftButton);
    EXPECT_EQ(defaults->value(Updater::SkippedVersionKey), QVariant(u"13"_s));
    EXPECT_TRUE(workspace.openedUrls.isEmpty());
}

TEST_F(StandardUserDriverTest, textsFromTheFeedAreShownAsTheyAre)
{
    server.serve(FeedPath, TestFeed::rss({ { u"13"_s, u"&lt;img src=\"file:///x.png\"&gt;1.3"_s } }));
    QMessageBox* box = checkThroughTheWindows();
    ASSERT_TRUE(box);
    EXPECT_TRUE(box->informativeText().contains(u"<img src=\"file:///x.png\">1.3"_s));
    for (const QLabel* label : box->findChildren<QLabel*>())
        EXPECT_EQ(label->textFormat(), Qt::PlainText) << label->text().toStdString();
}

TEST_F(StandardUserDriverTest, anOpenResultKeepsTheApplicationRunningAfterTheMainWindowCloses)
{
    QWidget mainWindow;
    mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&mainWindow));
    StandardUserDriver driver;
    driver.showUpToDate();
    QPointer<QMessageBox> box = driver.currentWindow();

    bool runningAfterMainWindowClosed = false;
    bool timedOut = false;
    QTimer::singleShot(0, &mainWindow, [&] {
        mainWindow.close();
        QTimer::singleShot(100, box, [&] {
            runningAfterMainWindowClosed = true;
            box->close(); // the last window: now the application ends
        });
    });
    QTimer safety;
    safety.setSingleShot(true);
    QObject::connect(&safety, &QTimer::timeout, [&] {
        timedOut = true;
        QCoreApplication::quit();
    });
    safety.start(20000);
    QApplication::exec();

    EXPECT_TRUE(runningAfterMainWindowClosed);
    EXPECT_FALSE(timedOut) << "closing the result window, the last one, ends the application";
}

} // namespace

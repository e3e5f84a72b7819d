#include "AppTableView.h"
#include "ContentView.h"
#include "LoopbackHttpServer.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "RecordingUserDriver.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "StandardUserDriver.h"
#include "TestFeed.h"
#include "Updater.h"
#include "UpdaterController.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
const QString CheckForUpdates = u"Check for Updates"_s + QChar(0x2026);

// The information dictionary of a program whose updater reads, checking only when asked, a feed
// from server whose newest item is the running version.
QVariantMap upToDateInfo(LoopbackHttpServer& server)
{
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"1"_s, u"1.0"_s } }));
    QVariantMap info = ShellHarness::standardInfo();
    info.insert(u"SUFeedURL"_s, server.url(u"/appcast.xml"_s).toString());
    info.insert(u"SUEnableAutomaticChecks"_s, false);
    return info;
}

// Runs the application's event loop until something quits it; -1 when nothing did for a long time
// (the test then fails instead of hanging).
int runEventLoop()
{
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(-1); });
    guard.start(20'000);
    return QApplication::exec();
}
} // namespace

TEST(Startup, OpensOneMainWindowOnTheScanningModel)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    ContentView* content = harness.window().contentView();
    ASSERT_NE(content, nullptr);
    EXPECT_TRUE(harness.window().toolBar()->isAncestorOf(content->searchField()));
    EXPECT_TRUE(content->searchField()->isVisible());
    // The model scanned by itself; the window shows what it found.
    EXPECT_EQ(content->tableView()->model()->rowCount(), 2);
    EXPECT_EQ(QCoreApplication::applicationName(), u"Kudora"_s);
    EXPECT_EQ(QCoreApplication::applicationVersion(), u"1.0"_s);
}

TEST(Startup, WindowTitleComesFromTheBundleNameWhenItIsText)
{
    const std::pair<std::optional<QVariant>, QString> cases[] = {
        { QVariant(u"Kudora Beta"_s), u"Kudora Beta"_s },
        { std::nullopt, u"Kudora"_s },
        { QVariant(qlonglong(42)), u"Kudora"_s },
        { QVariant(QVariantList { u"Kudora Beta"_s }), u"Kudora"_s },
        { QVariant(QString()), QString() },
    };
    for (const auto& [bundleName, title] : cases) {
        QVariantMap info = ShellHarness::standardInfo();
        info.remove(u"CFBundleName"_s);
        if (bundleName)
            info.insert(u"CFBundleName"_s, *bundleName);
        ShellHarness harness(info);
        EXPECT_EQ(harness.window().windowTitle(), title) << title.toStdString();
        // The program itself is always named, whatever the title.
        EXPECT_FALSE(QCoreApplication::applicationName().isEmpty());
    }
}

TEST(Startup, ClosingTheOnlyWindowOrQuittingEndsTheApplication)
{
    // The delegate, not Qt's default, is what makes the program end with its window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    const std::function<void(MainWindow&)> ways[] = {
        [](MainWindow& window) { window.close(); },
        [](MainWindow& window) { QTest::keySequence(&window, QKeySequence(Qt::CTRL | Qt::Key_Q)); },
    };
    for (const auto& end : ways) {
        ShellHarness harness;
        ASSERT_TRUE(harness.openAndActivate());
        QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
        QTimer::singleShot(0, &harness.window(), [&] { end(harness.window()); });
        EXPECT_EQ(runEventLoop(), 0);
        EXPECT_EQ(lastWindowClosed.count(), 1);
    }
}

TEST(Startup, ClosingTheWindowDuringAHeldUpScanEndsTheProcess)
{
    FixtureTree fixture;
    fixture.makeBundle(u"Applications/Held.app"_s, u"com.example.held"_s, 1);
    QProcess program;
    program.start(QCoreApplication::applicationDirPath() + u"/kudora_quit_probe"_s,
                  { fixture.pathOf(u"Applications"_s), fixture.pathOf(u"home"_s) });
    // Generous: a process that waits for its scan never ends by itself.
    const bool ended = program.waitForFinished(30'000);
    if (!ended) {
        program.kill();
        program.waitForFinished();
    }
    EXPECT_TRUE(ended) << "the process stays while its scan is held up";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()), u"scanning\n"_s);
}

TEST(Startup, AnOpenUpdateWindowKeepsTheApplicationRunning)
{
    LoopbackHttpServer server;
    KudoraApp::Parts parts;
    parts.makeUpdaterController = [] {
        return std::make_unique<UpdaterController>(true, std::make_unique<StandardUserDriver>(),
                                                   std::make_shared<MemoryDefaultsDomain>(),
                                                   TestFeed::loopbackOptions());
    };
    ShellHarness harness(upToDateInfo(server), std::move(parts));
    ASSERT_TRUE(harness.openAndActivate());

    QAction* check = harness.item(u"Kudora"_s, CheckForUpdates);
    ASSERT_NE(check, nullptr);
    ASSERT_TRUE(check->isEnabled());
    check->trigger();
    QMessageBox* result = nullptr;
    ASSERT_TRUE(QTest::qWaitFor([&result] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
                result = box;
        }
        return result != nullptr;
    }));

    QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
    int closedWithUpdateWindowOpen = -1;
    QTimer::singleShot(0, &harness.window(), [&] {
        harness.window().close();
        closedWithUpdateWindowOpen = int(lastWindowClosed.count());
        QTimer::singleShot(0, result, [result] { result->close(); });
    });
    EXPECT_EQ(runEventLoop(), 0);
    EXPECT_EQ(closedWithUpdateWindowOpen, 0);
    EXPECT_EQ(lastWindowClosed.count(), 1);
}

TEST(Startup, AnUpdateWindowAnswersTheKeysOfTheGoneMenuBar)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    StandardUserDriver driver;
    // An update window alone: the main window, closed, took its menu bar along.
    const auto updateWindowAlone = [&]() -> QMessageBox* {
        driver.showUpToDate();
        QMessageBox* update = driver.currentWindow();
        harness.window().close();
        update->activateWindow();
        return !harness.window().isVisible() && QTest::qWaitForWindowActive(update) ? update : nullptr;
    };

    QPointer<QMessageBox> update = updateWindowAlone();
    ASSERT_TRUE(update);
    QTest::keySequence(update, QKeySequence(Qt::CTRL | Qt::Key_1));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));

    // Quitting closes every window, and so does closing the last window by its key.
    for (const QKeyCombination key : { Qt::CTRL | Qt::Key_Q, Qt::CTRL | Qt::Key_W }) {
        update = updateWindowAlone();
        ASSERT_TRUE(update);
        QTimer::singleShot(0, update, [&] { QTest::keySequence(update, QKeySequence(key)); });
        EXPECT_EQ(runEventLoop(), 0) << QKeySequence(key).toString().toStdString();
        EXPECT_TRUE(update.isNull() || !update->isVisible());
    }
}

TEST(Startup, UpdateItemFollowsTheUpdater)
{
    {
        // Without a feed to check, the updater never can, and the item stays off.
        ShellHarness harness;
        ASSERT_NE(harness.item(u"Kudora"_s, CheckForUpdates), nullptr);
        EXPECT_FALSE(harness.item(u"Kudora"_s, CheckForUpdates)->isEnabled());
    }
    {
        // Without an updater there is no item at all.
        KudoraApp::Parts parts;
        parts.makeUpdaterController = [] { return std::unique_ptr<UpdaterController>(); };
        ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
        EXPECT_EQ(harness.item(u"Kudora"_s, CheckForUpdates), nullptr);
    }

    LoopbackHttpServer server;
    RecordingUserDriver* driver = nullptr;
    KudoraApp::Parts parts;
    parts.makeUpdaterController = [&driver] {
        auto recording = std::make_unique<RecordingUserDriver>();
        driver = recording.get();
        return std::make_unique<UpdaterController>(true, std::move(recording),
                                                   std::make_shared<MemoryDefaultsDomain>(),
                                                   TestFeed::loopbackOptions());
    };
    ShellHarness harness(upToDateInfo(server), std::move(parts));
    QAction* check = harness.item(u"Kudora"_s, CheckForUpdates);
    ASSERT_NE(check, nullptr);
    // The updater was started with the application: a check may begin at once.
    EXPECT_TRUE(check->isEnabled());
    check->trigger();
    // While the feed is fetched no second check can start.
    EXPECT_FALSE(check->isEnabled());
    check->trigger();
    ASSERT_TRUE(QTest::qWaitFor([check] { return check->isEnabled(); }));
    ASSERT_EQ(driver->events.size(), 1);
    EXPECT_EQ(driver->events.at(0).shown, RecordingUserDriver::Shown::UpToDate);
}

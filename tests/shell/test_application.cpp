#include "AppModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "LoopbackHttpServer.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "NotificationCenter.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "StandardUserDriver.h"
#include "TestFeed.h"
#include "UpdaterController.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <tuple>

using namespace Qt::StringLiterals;
using Names = CommandNames;

namespace {

class Commands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.openAndActivate());
        QObject::connect(&NotificationCenter::defaultCenter(), &NotificationCenter::posted, &harness.window(),
                         [this](const QString& name) { posted.append(name); });
    }

    // Keys go where a user's would: to the focused widget.
    void press(QKeyCombination key) { QTest::keySequence(QApplication::focusWidget(), QKeySequence(key)); }
    static bool focus(QWidget* w)
    {
        w->setFocus();
        return QTest::qWaitFor([w] { return w->hasFocus(); });
    }
    ContentView& content() const { return *harness.window().contentView(); }
    AppModel& model() const { return harness.app().model(); }
    QAction* editItem(const QString& title) const { return harness.item(u"Edit"_s, title); }

    ShellHarness harness;
    QStringList posted;
};
} // namespace

TEST_F(Commands, ItemsAndTheirKeysPostTheirNotificationsWhenTheSelectionAllows)
{
    const std::tuple<QString, QString, QString, QString> commands[] = {
        // menu (the Edit menu's items need a selection), item, key, notification
        { u"Kudora"_s, u"Rescan Applications"_s, u"Ctrl+Shift+R"_s, Names::rescanRequested() },
        { u"Kudora"_s, u"Reset Ignore List"_s, u"Ctrl+Shift+I"_s, Names::resetIgnoreListRequested() },
        { u"Edit"_s, u"Reset Last Reviewed Date"_s, u"Ctrl+R"_s, Names::resetReviewRequested() },
        { u"Edit"_s, u"Ignore"_s, u"Ctrl+I"_s, Names::ignoreRequested() },
    };
    for (const bool selected : { false, true }) {
        if (selected)
            content().setSelection({ ShellHarness::AlphaID });
        for (const auto& [menu, title, key, name] : commands) {
            const bool allowed = selected || menu != u"Edit"_s;
            EXPECT_EQ(harness.item(menu, title)->isEnabled(), allowed) << title.toStdString();
            posted.clear();
            press(QKeySequence(key)[0]);
            EXPECT_EQ(posted, allowed ? QStringList { name } : QStringList()) << title.toStdString();
        }
    }

    // While the user types a query, the keys are the text's: the selected rows stay as they are.
    content().setSelection({ ShellHarness::BetaID });
    posted.clear();
    SearchField* field = content().searchField();
    ASSERT_TRUE(focus(field));
    QTest::keyClicks(field, u"be"_s);
    for (const QKeyCombination key : { Qt::CTRL | Qt::Key_R, Qt::CTRL | Qt::Key_I, Qt::CTRL | Qt::Key_A })
        press(key);
    EXPECT_TRUE(posted.isEmpty());
    EXPECT_EQ(field->selectedText(), u"be"_s);
    EXPECT_EQ(content().selectedApps().size(), 1);
}

TEST_F(Commands, ViewItemsSwitchTheirTitlesAndTheIgnoreItemWithThem)
{
    QAction* showIgnored = harness.item(u"View"_s, u"Show only ignored Apps"_s);
    QAction* toolBar = harness.item(u"View"_s, u"Hide Toolbar"_s);
    ASSERT_TRUE(showIgnored && toolBar);
    const QString ignoredID = model().apps().first().id();
    model().ignoreApps({ model().apps().first() });
    showIgnored->trigger();
    toolBar->trigger();
    EXPECT_TRUE(model().showingIgnored() && harness.window().toolBar()->isHidden());
    EXPECT_EQ(showIgnored->text() + u", "_s + toolBar->text(), u"Hide ignored Apps, Show Toolbar"_s);

    // Showing ignored apps, Ignore becomes Clear Ignore and posts that.
    content().setSelection({ ignoredID });
    ASSERT_TRUE(editItem(u"Clear Ignore"_s) && editItem(u"Clear Ignore"_s)->isEnabled());
    press(Qt::CTRL | Qt::Key_I);
    EXPECT_EQ(posted, QStringList { Names::clearIgnoreRequested() }) << "the view items announce nothing";

    showIgnored->trigger();
    toolBar->trigger();
    EXPECT_FALSE(model().showingIgnored() || harness.window().toolBar()->isHidden());
    EXPECT_EQ(showIgnored->text() + u", "_s + toolBar->text(), u"Show only ignored Apps, Hide Toolbar"_s);
    EXPECT_NE(editItem(u"Ignore"_s), nullptr);
#ifdef KUDORA_DEVELOPER
    posted.clear();
    harness.item(u"Develop"_s, u"Mock Mode"_s)->trigger();
    harness.item(u"Develop"_s, u"Show Ignored Apps"_s)->trigger();
    EXPECT_EQ(posted, (QStringList { Names::toggleMockModeRequested(), Names::showIgnoredAppsToggled() }));
#endif
}

TEST_F(Commands, CloseAndMainWindowHideAndBringBackTheWindowFromAnyWindow)
{
    press(Qt::CTRL | Qt::Key_W);
    EXPECT_FALSE(harness.window().isVisible());
    harness.item(u"File"_s, u"Main Window"_s)->trigger();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));

    QWidget other; // the menu bar's keys work from any window, as a global menu bar's would
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keySequence(&other, QKeySequence(Qt::CTRL | Qt::Key_1));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
}

TEST_F(Commands, EditItemsActOnTheFocusedWidget)
{
    SearchField* field = content().searchField();
    ASSERT_TRUE(focus(field));
    QTest::keyClicks(field, u"Alpha"_s);
    editItem(u"Select All"_s)->trigger();
    editItem(u"Copy"_s)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"Alpha"_s);
    editItem(u"Cut"_s)->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    editItem(u"Paste"_s)->trigger();
    EXPECT_EQ(field->text(), u"Alpha"_s);

    // Programmatic edits do not search; the query is cleared for the table to show every row.
    model().setSearchQuery({});
    ASSERT_TRUE(focus(content().tableView()));
    EXPECT_FALSE(editItem(u"Cut"_s)->isEnabled() || editItem(u"Paste"_s)->isEnabled());
    editItem(u"Select All"_s)->trigger();
    EXPECT_EQ(content().selectedApps().size(), 2);
    EXPECT_FALSE(editItem(u"Undo"_s) || editItem(u"Redo"_s)) << "nothing in the program can be undone";
}

TEST_F(Commands, HelpOpensTheSecureProductPageAndAboutTellsTheVersion)
{
    harness.item(u"Help"_s, u"Kudora Help"_s)->trigger();
    EXPECT_EQ(harness.workspace.openedUrls, QList<QUrl> { QUrl(u"https://kudora.org/help/"_s) });
    harness.item(u"Kudora"_s, u"About Kudora"_s)->trigger();
    auto* box = harness.window().findChild<QMessageBox*>();
    ASSERT_TRUE(box && box->isVisible());
    EXPECT_TRUE(box->windowTitle() == u"About Kudora"_s && box->text().contains(u"Version 1.0"_s));

    // Without a feed to check, the updater never can, and its item stays off.
    EXPECT_FALSE(harness.item(u"Kudora"_s, u"Check for Updates…"_s)->isEnabled());
}

TEST(Startup, TheWindowAndTheProgramAreNamedByTheBundleNameWhenItIsText)
{
    const std::tuple<QVariant, QString, QString> cases[] = {
        // CFBundleName (invalid: none), window title, application name
        { QVariant(u"Kudora Beta"_s), u"Kudora Beta"_s, u"Kudora Beta"_s },
        { QVariant(), u"Kudora"_s, u"Kudora"_s },
        { QVariant(qlonglong(42)), u"Kudora"_s, u"Kudora"_s },
        { QVariant(QString()), QString(), u"Kudora"_s },
    };
    for (const auto& [bundleName, title, name] : cases) {
        QVariantMap info = ShellHarness::standardInfo();
        info.insert(u"CFBundleName"_s, bundleName);
        ShellHarness harness(info);
        EXPECT_EQ(harness.window().windowTitle(), title) << name.toStdString();
        EXPECT_EQ(QCoreApplication::applicationName(), name) << title.toStdString();
        EXPECT_EQ(QCoreApplication::applicationVersion(), u"1.0"_s);
    }
}

TEST(Startup, ClosingTheLastWindowOrQuittingEndsTheApplicationAndAnUpdateWindowCountsAsOne)
{
    // The delegate, not Qt's default, is what makes the program end with its last window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    LoopbackHttpServer server;
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"1"_s, u"1.0"_s } }));
    const std::pair<bool, QKeyCombination> ways[] = {
        // from a check's update window, left alone without the main window; key pressed (none: closed)
        { false, {} },
        { false, Qt::CTRL | Qt::Key_Q },
        { true, {} },
        { true, Qt::CTRL | Qt::Key_Q },
        { true, Qt::CTRL | Qt::Key_W },
    };
    for (const auto& [fromUpdateWindow, key] : ways) {
        StandardUserDriver* windows = nullptr;
        KudoraApp::Parts parts;
        parts.makeUpdaterController = [&windows] {
            auto driver = std::make_unique<StandardUserDriver>();
            windows = driver.get();
            return std::make_unique<UpdaterController>(true, std::move(driver),
                                                       std::make_shared<MemoryDefaultsDomain>(),
                                                       TestFeed::loopbackOptions());
        };
        ShellHarness harness(TestFeed::bundleInfo(server.url(u"/appcast.xml"_s).toString()),
                             std::move(parts));
        ASSERT_TRUE(harness.openAndActivate());
        QWidget* window = &harness.window();
        if (fromUpdateWindow) {
            QAction* check = harness.item(u"Kudora"_s, u"Check for Updates…"_s);
            ASSERT_TRUE(check && check->isEnabled()) << "the updater starts with the application";
            check->trigger();
            EXPECT_FALSE(check->isEnabled()) << "no second check while the feed is fetched";
            ASSERT_TRUE(QTest::qWaitFor([check] { return check->isEnabled(); }));
            window = windows->currentWindow();
            ASSERT_TRUE(window && QTest::qWaitForWindowActive(window));
        }
        QSignalSpy lastWindowClosed(qApp, &QGuiApplication::lastWindowClosed);
        QTimer::singleShot(0, window, [&] {
            if (fromUpdateWindow) {
                harness.window().close();
                EXPECT_EQ(lastWindowClosed.count(), 0) << "the update window keeps the program running";
            }
            key == QKeyCombination() ? void(window->close()) : QTest::keySequence(window, QKeySequence(key));
        });
        const std::string label =
            QKeySequence(key).toString().toStdString() + (fromUpdateWindow ? " in update" : "");
        QObject guard; // nothing quitting ends the loop with -1 instead of hanging
        QTimer::singleShot(20'000, &guard, [] { QCoreApplication::exit(-1); });
        EXPECT_EQ(QApplication::exec(), 0) << label;
        EXPECT_EQ(lastWindowClosed.count(), 1) << label;
    }
}

TEST(Startup, ClosingTheWindowDuringAHeldUpScanEndsTheProcess)
{
    FixtureTree fixture;
    fixture.makeBundle(u"Applications/Held.app"_s, u"com.example.held"_s, 1);
    QProcess program; // killed on the way out if it is still running
    program.start(QCoreApplication::applicationDirPath() + u"/kudora_quit_probe"_s,
                  { fixture.pathOf(u"Applications"_s), fixture.pathOf(u"home"_s) });
    // Generous: a process that waits for its scan never ends by itself.
    ASSERT_TRUE(program.waitForFinished(30'000)) << "the process stays while its scan is held up";
    EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
    EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()), u"scanning\n"_s);
}

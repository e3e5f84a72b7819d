#include "AppCommands.h"
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "EmptyStateView.h"
#include "LinkButton.h"
#include "LoopbackHttpServer.h"
#include "MainWindow.h"
#include "MemoryDefaultsDomain.h"
#include "NotificationCenter.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "StandardUserDriver.h"
#include "TestFeed.h"
#include "UpdaterController.h"
#include "VisibleAppsModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
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

QString title(const QAction* action)
{
    return action ? QString(action->text()).remove(u'&') : QString();
}

class Commands : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(harness.openAndActivate());
        QObject::connect(&harness.app().notificationCenter(), &NotificationCenter::posted, &harness.window(),
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
    AppTableView& table() const { return *content().tableView(); }
    AppModel& model() const { return harness.app().model(); }
    QAction* action(QLatin1StringView name) const { return harness.action(name); }
    QMenu* menuOf(QLatin1StringView name) const
    {
        for (QAction* menu : harness.window().menuBar()->actions())
            if (menu->menu() && menu->menu()->actions().contains(action(name)))
                return menu->menu();
        return nullptr;
    }
    // The menu a right click on row's name shows, or nullptr.
    QMenu* contextMenuAt(const QPoint& pos)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, table().viewport()->mapToGlobal(pos));
        QApplication::sendEvent(table().viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    // The offscreen platform leaves no window active once a popup has gone; a desktop gives the
    // activation back to the window the popup was opened from.
    void close(QMenu* menu)
    {
        ASSERT_NE(menu, nullptr);
        menu->close();
        harness.window().activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
    }
    QPoint rowCentre(int row) const
    {
        return table().visualRect(content().rows()->index(row, AppTableModel::NameColumn)).center();
    }

    ShellHarness harness;
    QStringList posted;
};
} // namespace

TEST_F(Commands, ActionsAreNamedAndPostTheirNamesWhenTheSelectionAllowsWithTitlesThatFollowTheModel)
{
    const std::tuple<QLatin1StringView, QKeyCombination, bool> commands[] = {
        // the action, its key, whether it needs selected rows
        { Names::RescanRequested, Qt::CTRL | Qt::SHIFT | Qt::Key_R, false },
        { Names::ResetIgnoreListRequested, Qt::CTRL | Qt::SHIFT | Qt::Key_I, false },
        { Names::ResetReviewRequested, Qt::CTRL | Qt::Key_R, true },
        { Names::IgnoreRequested, Qt::CTRL | Qt::Key_I, true },
    };
    QSignalSpy rescanned(&model(), &AppModel::rescanFinished);
    for (const bool selected : { false, true }) {
        if (selected)
            content().setSelection({ ShellHarness::AlphaID });
        for (const auto& [name, key, needsSelection] : commands) {
            const bool allowed = selected || !needsSelection;
            EXPECT_EQ(action(name)->isEnabled(), allowed) << name.data();
            posted.clear();
            press(key);
            EXPECT_EQ(posted, allowed ? QStringList { name } : QStringList()) << name.data();
        }
    }
    ASSERT_TRUE(rescanned.wait(10000));
    // The platform's own keys where it has them.
    for (const auto& [name, key] : { std::pair(Names::Quit, QKeySequence::Quit),
                                     { Names::CloseWindow, QKeySequence::Close },
                                     { Names::Find, QKeySequence::Find },
                                     { Names::SelectAll, QKeySequence::SelectAll },
                                     { Names::Cut, QKeySequence::Cut },
                                     { Names::Copy, QKeySequence::Copy },
                                     { Names::Paste, QKeySequence::Paste } })
        EXPECT_EQ(action(name)->shortcuts().mid(0, QKeySequence::keyBindings(key).size()),
                  QKeySequence::keyBindings(key))
            << name.data();

    // Showing ignored apps, Ignore becomes Clear Ignore and posts that; the View items announce nothing.
    QAction* showIgnored = action(Names::ShowIgnoredApps);
    QAction* toolBar = action(Names::ToggleToolBar);
    QAction* clear = action(Names::ClearIgnoreRequested);
    for (const bool ignored : { true, false }) {
        showIgnored->trigger();
        toolBar->trigger();
        EXPECT_EQ(std::tuple(model().showingIgnored(), harness.window().toolBar()->isHidden(),
                             clear->isVisible(), action(Names::IgnoreRequested)->isVisible()),
                  std::tuple(ignored, ignored, ignored, !ignored));
        EXPECT_EQ(title(showIgnored) + u", "_s + title(toolBar) + u", "_s
                      + title(ignored ? clear : action(Names::IgnoreRequested)),
                  ignored ? u"Hide ignored Apps, Show Toolbar, Clear Ignore"_s
                          : u"Show only ignored Apps, Hide Toolbar, Ignore"_s);
        content().setSelection({ ShellHarness::AlphaID });
        posted.clear();
        press(Qt::CTRL | Qt::Key_I);
        EXPECT_EQ(posted, QStringList { ignored ? Names::ClearIgnoreRequested : Names::IgnoreRequested });
    }

    // While the user types a query, the keys are the text's: the selected rows stay as they are.
    content().setSelection({ ShellHarness::BetaID });
    posted.clear();
    SearchField* field = content().searchField();
    ASSERT_TRUE(focus(field));
    QTest::keyClicks(field, u"be"_s);
    for (const QKeyCombination key : { Qt::CTRL | Qt::Key_R, Qt::CTRL | Qt::Key_I, Qt::CTRL | Qt::Key_A })
        press(key);
    EXPECT_EQ(std::tuple(posted, field->selectedText(), content().selectedApps().size()),
              std::tuple(QStringList(), u"be"_s, qsizetype(1)));
#ifdef KUDORA_DEVELOPER
    posted.clear();
    action(Names::ToggleMockModeRequested)->trigger();
    action(Names::ShowIgnoredAppsToggled)->trigger();
    EXPECT_EQ(posted, (QStringList { Names::ToggleMockModeRequested, Names::ShowIgnoredAppsToggled }));
#endif
}

TEST_F(Commands, TheContextMenuAndTheEmptyStateOfferTheSameActions)
{
    QList<AppInfo> apps;
    for (int i = 0; i < 8; ++i)
        apps.append(AppInfo(u"com.example.%1"_s.arg(i), u"App %1"_s.arg(i), u"/A%1.app"_s.arg(i), u"1"_s,
                            QDateTime::currentDateTimeUtc().addDays(-i), {},
                            QDateTime::currentDateTimeUtc()));
    model().setApps(apps);
    const QList<QAction*> rowActions { action(Names::ResetReviewRequested), action(Names::IgnoreRequested),
                                       action(Names::ClearIgnoreRequested) };

    // On an unselected row the menu acts on that row alone, and its Ignore empties the selection.
    content().setSelection({ u"com.example.0"_s });
    QMenu* menu = contextMenuAt(rowCentre(1));
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(menu->actions(), rowActions);
    EXPECT_TRUE(rowActions[0]->isEnabled() && rowActions[1]->isEnabled());
    rowActions[1]->trigger();
    close(menu);
    EXPECT_EQ(model().ignoredIDs(), QSet<QString> { u"com.example.1"_s });
    EXPECT_FALSE(table().selectionModel()->hasSelection());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rowActions[0]->isEnabled(); })) << "the menu's rows go with it";

    // On a selected row it acts on the selection, even when the list changes while it is open.
    content().setSelection({ u"com.example.3"_s, u"com.example.5"_s });
    menu = contextMenuAt(rowCentre(4));
    model().setSortOrder({ { SortComparator::Key::Name, Qt::DescendingOrder } });
    rowActions[0]->trigger();
    close(menu);
    for (const AppInfo& app : model().apps())
        EXPECT_EQ(app.lastReviewedDate().has_value(),
                  app.id() != u"com.example.3"_s && app.id() != u"com.example.5"_s);
    // Blank space has no menu.
    EXPECT_EQ(contextMenuAt(table().viewport()->rect().bottomLeft() + QPoint(200, -2)), nullptr);

    // The menu key acts on the current row, with the title the model's state gives.
    model().setShowingIgnored(true);
    table().setCurrentIndex(content().rows()->index(0, AppTableModel::NameColumn));
    table().selectionModel()->clearSelection();
    ASSERT_TRUE(focus(&table()));
    QTest::keyClick(&table(), Qt::Key_F10, Qt::ShiftModifier);
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(menu && !rowActions[1]->isVisible() && rowActions[2]->isVisible());
    rowActions[2]->trigger();
    close(menu);
    EXPECT_TRUE(model().ignoredIDs().isEmpty());

    // The empty state's button is the reset command's.
    model().ignoreApps({ apps.at(2) });
    model().setShowingIgnored(false);
    model().setSearchQuery(u"nothing like it"_s);
    EmptyStateView* empty = content().emptyState();
    ASSERT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->resetButton()->defaultAction(), action(Names::ResetIgnoreListRequested));
    posted.clear();
    QTest::mouseClick(empty->resetButton(), Qt::LeftButton);
    EXPECT_EQ(posted, QStringList { Names::ResetIgnoreListRequested });
    EXPECT_TRUE(model().ignoredIDs().isEmpty());
}

TEST_F(Commands, MenusOpenFromTheKeyboardAndLeaveTheKeysWorkingWhenDismissed)
{
    // Every menu title has a mnemonic, and F10 opens the first menu.
    QMenuBar* bar = harness.window().menuBar();
    for (QAction* menu : bar->actions())
        EXPECT_FALSE(QKeySequence::mnemonic(menu->text()).isEmpty()) << qPrintable(menu->text());
    const std::pair<QKeyCombination, QLatin1StringView> openers[] = { { Qt::ALT | Qt::Key_F,
                                                                        Names::MainWindow },
                                                                      { Qt::ALT | Qt::Key_E, Names::Cut },
                                                                      { Qt::Key_F10, Names::About } };
    content().setSelection({ ShellHarness::AlphaID });
    for (const auto& [key, inMenu] : openers) {
        ASSERT_TRUE(focus(&table()));
        press(key);
        ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::activePopupWidget() == menuOf(inMenu); }))
            << inMenu.data();
        // Escape closes the menu; the keys of the commands work at once, wherever the focus waits.
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activePopupWidget(); }));
        EXPECT_TRUE(action(Names::IgnoreRequested)->isEnabled()) << inMenu.data();
        posted.clear();
        press(Qt::CTRL | Qt::Key_R);
        EXPECT_EQ(posted, QStringList { Names::ResetReviewRequested }) << inMenu.data();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }

    // Find shows the search field with its text selected, bringing back a hidden toolbar.
    QToolBar* toolBar = harness.window().toolBar();
    SearchField* field = content().searchField();
    for (const bool hidden : { false, true }) {
        field->setText(u"old"_s);
        toolBar->setHidden(hidden);
        ASSERT_TRUE(focus(&table()));
        press(Qt::CTRL | Qt::Key_F);
        EXPECT_EQ(std::tuple(field->isVisible(), field->hasFocus(), field->selectedText()),
                  std::tuple(true, true, u"old"_s));
        EXPECT_EQ(title(action(Names::ToggleToolBar)), u"Hide Toolbar"_s);
    }
}

TEST_F(Commands, CloseAndMainWindowHideAndBringBackTheWindowFromAnyWindow)
{
    press(Qt::CTRL | Qt::Key_W);
    EXPECT_FALSE(harness.window().isVisible());
    action(Names::MainWindow)->trigger();
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
    action(Names::SelectAll)->trigger();
    action(Names::Copy)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"Alpha"_s);
    action(Names::Cut)->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    action(Names::Paste)->trigger();
    EXPECT_EQ(field->text(), u"Alpha"_s);

    // Programmatic edits do not search; the query is cleared for the table to show every row.
    model().setSearchQuery({});
    ASSERT_TRUE(focus(&table()));
    EXPECT_FALSE(action(Names::Cut)->isEnabled() || action(Names::Paste)->isEnabled());
    action(Names::SelectAll)->trigger();
    EXPECT_EQ(content().selectedApps().size(), 2);
    // Nothing in the program can be undone, and the File menu makes no new window.
    QStringList edit, file;
    for (QAction* item : menuOf(Names::Cut)->actions())
        edit.append(item->objectName());
    for (QAction* item : menuOf(Names::MainWindow)->actions())
        file.append(item->objectName());
    EXPECT_EQ(
        edit,
        (QStringList { Names::Cut, Names::Copy, Names::Paste, Names::SelectAll, Names::Find, QString(),
                       Names::ResetReviewRequested, Names::IgnoreRequested, Names::ClearIgnoreRequested }));
    EXPECT_EQ(file, (QStringList { Names::MainWindow, Names::CloseWindow }));
}

TEST_F(Commands, HelpOpensTheSecureProductPageAndAboutTellsTheVersion)
{
    action(Names::Help)->trigger();
    EXPECT_EQ(harness.workspace.openedUrls, QList<QUrl> { QUrl(u"https://kudora.org/help/"_s) });
    action(Names::About)->trigger();
    auto* box = harness.window().findChild<QMessageBox*>();
    ASSERT_TRUE(box && box->isVisible());
    EXPECT_TRUE(box->windowTitle() == u"About Kudora"_s && box->text().contains(u"Version 1.0"_s));

    // Without a feed to check, the updater never can, and its item stays off.
    EXPECT_FALSE(action(Names::CheckForUpdates)->isEnabled());
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
        EXPECT_EQ(std::tuple(harness.window().windowTitle(), QGuiApplication::applicationDisplayName()),
                  std::tuple(title, title))
            << name.toStdString();
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
        parts.makeUpdaterController = [&windows](const QVariantMap& info, Workspace& workspace) {
            auto driver = std::make_unique<StandardUserDriver>();
            windows = driver.get();
            return std::make_unique<UpdaterController>(true, std::move(driver),
                                                       std::make_shared<MemoryDefaultsDomain>(), info,
                                                       workspace, TestFeed::loopbackOptions());
        };
        ShellHarness harness(TestFeed::bundleInfo(server.url(u"/appcast.xml"_s).toString()),
                             std::move(parts));
        ASSERT_TRUE(harness.openAndActivate());
        QWidget* window = &harness.window();
        if (fromUpdateWindow) {
            QAction* check = harness.action(Names::CheckForUpdates);
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

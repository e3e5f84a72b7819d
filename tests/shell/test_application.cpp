// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AboutBox.h"
#include "AppLists.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandLine.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "FieldAssertions.h"
#include "FlatpakFixture.h"
#include "LinkButton.h"
#include "LoopbackHttpServer.h"
#include "MainBundle.h"
#include "MessageBar.h"
#include "NamedChild.h"
#include "NotificationCenter.h"
#include "OnlineReviewsController.h"
#include "Posix.h"
#include "ReviewServiceDouble.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "SingleInstance.h"
#include "StandardUserDriver.h"
#include "UserHash.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDirIterator>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLabel>
#include <QLocalServer>
#include <QLocalSocket>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <csignal>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

using Names = CommandNames;

namespace {

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
        return w->setFocus(), QTest::qWaitFor([w] { return w->hasFocus(); });
    }
    ContentView& content() const { return *harness.window().contentView(); }
    AppTableView& table() const { return harness.table(); }
    AppModel& model() const { return harness.app().model(); }
    QAction* action(QLatin1StringView name) const { return harness.action(name); }
    static QString title(const QAction* action) { return QString(action->text()).remove(u'&'); }
    // The menu a right click on row shows, or nullptr.
    QMenu* contextMenuAt(int row)
    {
        const QPoint pos = row < 0 ? table().viewport()->rect().bottomLeft() + QPoint(200, -2)
                                   : table().visualRect(table().model()->index(row, 1)).center();
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

    ShellHarness harness;
    QStringList posted;
};
} // namespace

TEST_F(Commands, ActionsAreNamedAndPostTheirNamesWhenTheSelectionAllowsWithTitlesThatFollowTheModel)
{
    const std::tuple<QLatin1StringView, QKeyCombination, bool> commands[] = {
        // the action, its key, whether it needs selected rows
        { Names::RescanRequested, Qt::CTRL | Qt::SHIFT | Qt::Key_R, false },
        { Names::RescanRequested, QKeyCombination(Qt::Key_F5), false },
        { Names::ResetIgnoreListRequested, Qt::CTRL | Qt::SHIFT | Qt::Key_I, false },
        { Names::ResetReviewRequested, Qt::CTRL | Qt::Key_R, true },
        { Names::IgnoreRequested, Qt::CTRL | Qt::Key_I, true },
    };
    QSignalSpy rescanned(&model(), &AppModel::rescanFinished);
    for (const bool selected : { false, true }) {
        if (selected)
            content().setSelection({ AppId(ShellHarness::AlphaID) });
        for (const auto& [name, key, needsSelection] : commands) {
            const bool enabled = action(name)->isEnabled();
            posted.clear();
            press(key);
            EXPECT_EQ(std::pair(enabled, posted),
                      std::pair(selected || !needsSelection,
                                selected || !needsSelection ? QStringList { name } : QStringList()));
        }
    }
    ASSERT_TRUE(rescanned.wait(10000));

    // Showing ignored apps, Ignore becomes Clear Ignore and posts that; the View items announce nothing.
    for (const bool ignored : { true, false }) {
        action(Names::ShowIgnoredApps)->trigger();
        action(Names::ToggleToolBar)->trigger();
        EXPECT_FIELDS_EQ(std::tuple(model().showingIgnored(), harness.window().toolBar()->isHidden(),
                                    action(Names::ClearIgnoreRequested)->isVisible(),
                                    action(Names::IgnoreRequested)->isVisible()),
                         std::tuple(ignored, ignored, ignored, !ignored));
        const QStringList titles { title(action(Names::ShowIgnoredApps)), title(action(Names::ToggleToolBar)),
                                   title(action(ignored ? Names::ClearIgnoreRequested
                                                        : Names::IgnoreRequested)) };
        EXPECT_EQ(titles.join(u", "_s),
                  ignored ? u"Hide ignored Apps, Show Toolbar, Clear Ignore"_s
                          : u"Show only ignored Apps, Hide Toolbar, Ignore"_s);
        content().setSelection({ AppId(ShellHarness::AlphaID) });
        posted.clear();
        press(Qt::CTRL | Qt::Key_I);
        EXPECT_EQ(posted, QStringList { ignored ? Names::ClearIgnoreRequested : Names::IgnoreRequested });
    }

    // While the user types a query, the keys are the text's: the selected rows stay as they are.
    content().setSelection({ AppId(ShellHarness::BetaID) });
    posted.clear();
    SearchField* field = content().searchField();
    ASSERT_TRUE(focus(field));
    QTest::keyClicks(field, u"be"_s);
    for (const QKeyCombination key : { Qt::CTRL | Qt::Key_R, Qt::CTRL | Qt::Key_I, Qt::CTRL | Qt::Key_A })
        press(key);
    EXPECT_FIELDS_EQ(std::tuple(posted, field->selectedText(), content().selectedApps().size()),
                     std::tuple(QStringList(), u"be"_s, qsizetype(1)));
}

TEST_F(Commands, TheContextMenuAndTheEmptyStateOfferTheSameActions)
{
    QList<AppInfo> apps;
    for (int i = 0; i < 8; ++i)
        apps.append(AppInfo(AppId(u"com.example.%1"_s.arg(i)), u"App %1"_s.arg(i), {}, u"1"_s,
                            QDateTime::currentDateTimeUtc().addDays(-i), {},
                            QDateTime::currentDateTimeUtc()));
    model().setApps(apps);
    const QList<QAction*> rowActions { action(Names::ResetReviewRequested), action(Names::IgnoreRequested),
                                       action(Names::ClearIgnoreRequested) };
    const auto offers = [&rowActions](const QMenu* menu) {
        return menu && menu->actions().size() == 6 && menu->actions().mid(3) == rowActions;
    };
    // On an unselected row the menu acts on that row alone, and its Ignore empties the selection;
    // on a selected row it acts on the selection; on blank space there is none.
    content().setSelection({ AppId(u"com.example.0"_s) });
    QMenu* menu = contextMenuAt(1);
    ASSERT_TRUE(offers(menu) && rowActions[0]->isEnabled() && rowActions[1]->isEnabled());
    rowActions[1]->trigger();
    close(menu);
    EXPECT_EQ(std::pair(model().ignoredIDs(), table().selectionModel()->hasSelection()),
              std::pair(QSet { AppId(u"com.example.1"_s) }, false));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !rowActions[0]->isEnabled(); })) << "the menu's rows go with it";
    content().setSelection({ AppId(u"com.example.3"_s), AppId(u"com.example.5"_s) });
    menu = contextMenuAt(4);
    rowActions[0]->trigger();
    close(menu);
    for (const AppInfo& app : model().apps())
        EXPECT_EQ(app.lastReviewedDate().has_value(),
                  app.id() != AppId(u"com.example.3"_s) && app.id() != AppId(u"com.example.5"_s));
    EXPECT_EQ(contextMenuAt(-1), nullptr);

    // The menu key acts on the current row, with the title the model's state gives.
    model().setShowingIgnored(true);
    table().setCurrentIndex(table().model()->index(0, 1));
    table().selectionModel()->clearSelection();
    ASSERT_TRUE(focus(&table()));
    QTest::keyClick(&table(), Qt::Key_F10, Qt::ShiftModifier);
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_TRUE(offers(menu) && !rowActions[1]->isVisible() && rowActions[2]->isVisible());
    rowActions[2]->trigger();
    close(menu);
    EXPECT_TRUE(model().ignoredIDs().isEmpty());

    // The empty state's button is the reset command's.
    model().ignoreApps({ apps.at(2) });
    model().setShowingIgnored(false);
    model().setSearchQuery(u"nothing like it"_s);
    auto* reset = namedChild<LinkButton>(&content(), u"resetIgnoreListButton"_s);
    ASSERT_TRUE(reset->isVisible() && reset->defaultAction() == action(Names::ResetIgnoreListRequested));
    posted.clear();
    QTest::mouseClick(reset, Qt::LeftButton);
    EXPECT_EQ(std::pair(posted, model().ignoredIDs()),
              std::pair(QStringList { Names::ResetIgnoreListRequested }, QSet<AppId>()));
}

TEST_F(Commands, UndoAndRedoTakeTheStandardKeysAndSayWhatTheyWouldDo)
{
    content().setSelection({ AppId(ShellHarness::AlphaID) });
    ASSERT_TRUE(focus(&table()));
    press(Qt::CTRL | Qt::Key_I);
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_I);
    const auto state = [this]() -> QString {
        return title(action(Names::Undo)) + u", "_s + title(action(Names::Redo)) + u", "_s
            + QStringList(model().ignoredIDs().size(), u"ignored"_s).join(u' ');
    };
    EXPECT_EQ(state(), u"Undo Reset Ignore List, Redo, "_s);
    const std::pair<QKeySequence::StandardKey, QString> steps[] = {
        { QKeySequence::Undo, u"Undo Ignore, Redo Reset Ignore List, ignored"_s },
        { QKeySequence::Undo, u"Undo, Redo Ignore, "_s },
        { QKeySequence::Redo, u"Undo Ignore, Redo Reset Ignore List, ignored"_s },
        { QKeySequence::Redo, u"Undo Reset Ignore List, Redo, "_s },
    };
    for (const auto& [key, expected] : steps) {
        QTest::keySequence(QApplication::focusWidget(), QKeySequence(key));
        EXPECT_EQ(state(), expected);
    }
    EXPECT_FALSE(action(Names::Redo)->isEnabled());
}

TEST_F(Commands, TheMenusAreLaidOutAsOnLinuxDesktopsAndTheRowsMenuOpensAndCopies)
{
    // The menus' items in order ("-" a separator); the Develop menu is the developer build's.
    QStringList menus;
    for (QAction* menu : harness.window().menuBar()->actions()) {
        if (menu->menu()->objectName() == u"developMenu"_s)
            continue;
        QStringList items;
        for (QAction* item : menu->menu()->actions())
            items.append(item->isSeparator() ? u"-"_s : title(item));
        menus.append(title(menu) + u": "_s + items.join(u", "_s));
    }
    EXPECT_EQ(
        menus.join(u'\n'),
        QStringList(
            { u"File: Rescan Applications, -, Close Window, Quit Kudora"_s,
              u"Edit: Undo, Redo, -, Cut, Copy, Paste, Select All, -, Find, -, Ignore, Clear Ignore, "
              u"Reset Last Reviewed Date, -, Reset Ignore List"_s,
              u"View: Show only ignored Apps, Hide Toolbar, -, Look Up My Reviews Online, -, Main Window"_s,
              u"Help: Kudora Help, -, Check for Updates…, Check for Updates Automatically, -, "
              u"About Kudora, About Qt"_s })
            .join(u'\n'));
    EXPECT_EQ(action(Names::Help)->shortcut(), QKeySequence(Qt::Key_F1));

    // The row's menu opens its store page and copies its id.
    for (const auto& [name, clipboard, opened] :
         { std::tuple(Names::CopyIDRequested, ShellHarness::BetaID, qsizetype(0)),
           { Names::OpenStorePageRequested, u"unchanged"_s, qsizetype(1) } }) {
        QGuiApplication::clipboard()->setText(u"unchanged"_s);
        harness.workspace.openedUrls.clear();
        QMenu* menu = contextMenuAt(harness.rowOf(ShellHarness::BetaID));
        ASSERT_TRUE(menu && menu->actions().value(0) == action(Names::OpenStorePageRequested)
                    && menu->actions().value(1) == action(Names::CopyIDRequested));
        action(name)->trigger();
        close(menu);
        EXPECT_EQ(std::pair(QGuiApplication::clipboard()->text(), harness.workspace.openedUrls.size()),
                  std::pair(clipboard, opened))
            << name.data();
    }
}

TEST_F(Commands, MenusOpenFromTheKeyboardAndLeaveTheKeysWorkingWhenDismissed)
{
    // Alt and a menu's letter opens it, F10 the first one; after Escape the commands' keys work at
    // once, wherever the focus waits meanwhile.
    content().setSelection({ AppId(ShellHarness::AlphaID) });
    QMenuBar* bar = harness.window().menuBar();
    for (const auto& [key, menu] :
         { std::pair(Qt::ALT | Qt::Key_E, 1), { QKeyCombination(Qt::Key_F10), 0 } }) {
        ASSERT_TRUE(focus(&table()));
        press(key);
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return QApplication::activePopupWidget() == bar->actions().at(menu)->menu();
        })) << menu;
        QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([] { return !QApplication::activePopupWidget(); }));
        posted.clear();
        press(Qt::CTRL | Qt::Key_R);
        EXPECT_EQ(std::pair(action(Names::IgnoreRequested)->isEnabled(), posted),
                  std::pair(true, QStringList { Names::ResetReviewRequested }))
            << menu;
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    }

    // Find shows the search field with its text selected, bringing back a hidden toolbar.
    SearchField* field = content().searchField();
    for (const bool hidden : { false, true }) {
        field->setText(u"old"_s);
        harness.window().toolBar()->setHidden(hidden);
        ASSERT_TRUE(focus(&table()));
        press(Qt::CTRL | Qt::Key_F);
        EXPECT_FIELDS_EQ(std::tuple(field->isVisible(), field->hasFocus(), field->selectedText()),
                         std::tuple(true, true, u"old"_s));
    }
}

TEST_F(Commands, WindowEditAndHelpCommandsActWhereThePersonIs)
{
    // Close and Main Window hide and bring back the window, from any window as a global menu bar would.
    press(Qt::CTRL | Qt::Key_W);
    EXPECT_FALSE(harness.window().isVisible());
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keySequence(&other, QKeySequence(Qt::CTRL | Qt::Key_1));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));

    // The editing items act on the focused widget.
    SearchField* field = content().searchField();
    ASSERT_TRUE(focus(field));
    QTest::keyClicks(field, u"Alpha"_s);
    for (const QLatin1StringView name : { Names::SelectAll, Names::Copy, Names::Cut })
        action(name)->trigger();
    EXPECT_EQ(std::pair(QGuiApplication::clipboard()->text(), field->text()),
              std::pair(u"Alpha"_s, QString()));
    action(Names::Paste)->trigger();
    EXPECT_EQ(field->text(), u"Alpha"_s);
    // Programmatic edits do not search; the query is cleared for the table to show every row.
    model().setSearchQuery({});
    ASSERT_TRUE(focus(&table()));
    EXPECT_FALSE(action(Names::Cut)->isEnabled() || action(Names::Paste)->isEnabled());
    action(Names::SelectAll)->trigger();
    EXPECT_EQ(content().selectedApps().size(), 2);

    // Help opens the secure product page, and where nothing opened it says so with the address;
    // without a feed to check, the updater never can, and its item stays off.
    action(Names::Help)->trigger();
    harness.workspace.settle();
    EXPECT_EQ(harness.workspace.openedUrls, QList<QUrl> { QUrl(u"https://kudora.org/help/"_s) });
    EXPECT_EQ(harness.shownMessage(),
              u"No application could open “https://kudora.org/help/”. You can "
              "open the address yourself."_s);
    EXPECT_FALSE(action(Names::CheckForUpdates)->isEnabled());

    // About shows one box: name, version, what the program does, its licence and web page, whose
    // links the desktop opens, and Qt's own box (its icon is the high-density test's).
    action(Names::About)->trigger();
    action(Names::About)->trigger();
    const QList<AboutBox*> boxes = harness.window().findChildren<AboutBox*>();
    ASSERT_TRUE(boxes.size() == 1 && QTest::qWaitForWindowExposed(boxes[0]));
    AboutBox& box = *boxes[0];
    QString text = box.windowTitle();
    harness.workspace.openedUrls.clear();
    for (QLabel* label : box.findChildren<QLabel*>()) {
        text += u'\n' + label->text();
        for (const QUrl& url : { AboutBox::homePageUrl(), AboutBox::licenceUrl() })
            if (label->text().contains(url.toString()))
                emit label->linkActivated(url.toString());
    }
    for (const QString& part :
         { u"About Kudora\n\nKudora\n"_s, u"Version 1.0"_s, u"review the store applications"_s,
           u"GNU General Public License, version 3 or later"_s, u">kudora.org<"_s })
        EXPECT_TRUE(text.contains(part)) << qPrintable(part + u" in "_s + text);
    EXPECT_GE(box.width(), box.fontMetrics().horizontalAdvance(box.windowTitle()) * 3);
    EXPECT_EQ(harness.workspace.openedUrls,
              (QList<QUrl> { AboutBox::homePageUrl(), AboutBox::licenceUrl() }));
    QString aboutQt;
    QTimer::singleShot(0, &box, [&aboutQt] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            aboutQt = modal->windowTitle();
            modal->close();
        }
    });
    QTest::mouseClick(box.aboutQtButton(), Qt::LeftButton);
    EXPECT_EQ(aboutQt, u"About Qt"_s);

    // Back from Qt's box, Return closes this one, as in a message box, rather than opening Qt's again.
    const QPointer<AboutBox> shown(&box);
    box.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&box));
    aboutQt.clear();
    QTimer::singleShot(0, &box, [&aboutQt] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal->windowTitle() == u"About Qt")
            aboutQt = modal->windowTitle(), modal->close();
    });
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(std::pair(shown && shown->isVisible(), aboutQt), std::pair(false, QString()));
}

// What is installed or removed while the window is open comes and goes in its place: the user's
// selection stays, what the list showed stays where it was, and no scan shows.
TEST(Installs, TheListFollowsInstallsAndRemovalsAndKeepsTheUsersSelectionAndPlace)
{
    FixtureTree tree;
    for (int i = 0; i < 40; ++i)
        tree.makeBundle(u"Applications/App %1.app"_s.arg(i, 2, 10, QChar(u'0')), u"com.example.%1"_s.arg(i),
                        100 + i);
    ProgramParts parts;
    parts.sources = AppSources { std::make_shared<const AppScanner>(tree.pathOf(u"Applications"_s),
                                                                    tree.makeFolder(u"home"_s)) };
    parts.installSettleTime = 100ms;
    ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
    ASSERT_TRUE(harness.openAndActivate());
    harness.app().model().setSortOrder({ { SortComparator::Key::Name, Qt::AscendingOrder } });
    ContentView& content = *harness.window().contentView();
    AppTableView* table = &harness.table();
    QSignalSpy switched(namedChild<QWidget>(&content, u"scanningPlaceholder"_s)->parentWidget(),
                        SIGNAL(currentChanged(int)));
    QScrollBar* bar = table->verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    ASSERT_GT(bar->value(), 0);
    content.setSelection({ AppId(u"com.example.30"_s) });
    // The application at the top of the list's view, and where the selected row is.
    const auto place = [table] {
        return std::pair(
            table->indexAt(QPoint(5, 5)).siblingAtColumn(AppTableModel::NameColumn).data().toString(),
            table->visualRect(table->selectionModel()->selectedRows().value(0)).y());
    };
    const auto before = place();
    const auto names = [table] {
        QStringList shown;
        for (int row = 0; row < table->model()->rowCount(); ++row)
            shown.append(table->model()->index(row, AppTableModel::NameColumn).data().toString());
        return shown;
    };
    const QList<std::tuple<const char*, std::function<void()>, QString, bool>> steps {
        { "installed", [&] { tree.makeBundle(u"Applications/App 05b.app"_s, u"com.example.new"_s, 999); },
          u"App 05b"_s, true },
        { "removed", [&] { QDir(tree.pathOf(u"Applications/App 10.app"_s)).removeRecursively(); },
          u"App 10"_s, false },
    };
    for (const auto& [what, change, name, listed] : steps) {
        SCOPED_TRACE(what);
        change();
        EXPECT_TRUE(QTest::qWaitFor(
            [&, name = name, listed = listed] { return names().contains(name) == listed; }, 20000));
        EXPECT_FIELDS_EQ(std::tuple(names().size(), idsOf(content.selectedApps()), place(), switched.count()),
                         std::tuple(40 + listed, QStringList { u"com.example.30"_s }, before, qsizetype(0)));
    }
}

TEST(Startup, TheWindowAndTheProgramAreNamedByTheBundleNameWhenItIsText)
{
    const std::tuple<QVariant, QString, QString> cases[] = {
        // CFBundleName (invalid: none), window title, application name
        { u"Kudora Beta"_s, u"Kudora Beta"_s, u"Kudora Beta"_s },
        { {}, u"Kudora"_s, u"Kudora"_s },
        { qlonglong(42), u"Kudora"_s, u"Kudora"_s },
        { QString(), {}, u"Kudora"_s },
    };
    for (const auto& [bundleName, title, name] : cases) {
        QVariantMap info = ShellHarness::standardInfo();
        info.insert(u"CFBundleName"_s, bundleName);
        ShellHarness harness(info);
        EXPECT_FIELDS_EQ(std::tuple(harness.window().windowTitle(), QGuiApplication::applicationDisplayName(),
                                    QCoreApplication::applicationName(),
                                    QCoreApplication::applicationVersion()),
                         std::tuple(title, title, name, u"1.0"_s));
    }
}

// Launches of the program on one store, with a feed on the loopback interface.
class Updates : public ::testing::Test
{
protected:
    std::unique_ptr<ShellHarness> launch(const QString& path = u"/appcast.xml"_s)
    {
        ProgramParts parts;
        parts.makeUpdaterController = [this](const QVariantMap& info, Workspace& workspace) {
            auto driver = std::make_unique<StandardUserDriver>();
            windows = driver.get();
            return std::make_unique<UpdaterController>(true, std::move(driver), domain, info, workspace,
                                                       TestFeed::loopbackOptions());
        };
        auto harness = std::make_unique<ShellHarness>(TestFeed::bundleInfo(server.url(path).toString()),
                                                      std::move(parts));
        EXPECT_TRUE(harness->openAndActivate());
        return harness;
    }

    LoopbackHttpServer server;
    std::shared_ptr<DefaultsDomain> domain = std::make_shared<MemoryDefaultsDomain>();
    StandardUserDriver* windows = nullptr;
};

TEST_F(Updates, ClosingTheLastWindowOrQuittingEndsTheApplicationAndAnUpdateWindowCountsAsOne)
{
    // The delegate, not Qt's default, is what makes the program end with its last window.
    QGuiApplication::setQuitOnLastWindowClosed(false);
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"1"_s, u"1.0"_s } }));
    // From a check's update window, left alone without the main window; the key pressed (none: closed).
    // clang-format off
    const std::pair<bool, QKeyCombination> ways[] = { { false, {} }, { false, Qt::CTRL | Qt::Key_Q }, { true, {} },
                                                      { true, Qt::CTRL | Qt::Key_Q }, { true, Qt::CTRL | Qt::Key_W } };
    // clang-format on
    for (const auto& [fromUpdateWindow, key] : ways) {
        domain = std::make_shared<MemoryDefaultsDomain>();
        const std::unique_ptr<ShellHarness> launched = launch();
        ShellHarness& harness = *launched;
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

TEST_F(Updates, TheSecondLaunchAsksBeforeAnyAutomaticCheckAndTheMenuItemChangesTheAnswer)
{
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"1"_s, u"1.0"_s } }));
    const QString question =
        u"Check for updates automatically? Kudora would then look for a new version "
        u"from time to time. “Check for Updates Automatically” in the menu changes this later."_s;
    const std::pair<QString, QVariant> answers[] = {
        // the bar's button or the menu item (empty), what is stored
        { u"yesButton"_s, true },
        { u"noButton"_s, false },
        { QString(), true },
        { u"closeMessage"_s, {} }, // no answer: the next launch asks again
    };
    for (const auto& [button, stored] : answers) {
        SCOPED_TRACE(button.toStdString());
        domain = std::make_shared<MemoryDefaultsDomain>();
        server.requests.clear();
        EXPECT_EQ(launch()->shownMessage(), QString()) << "the first launch asks nothing";
        auto second = launch();
        for (const auto& [name, title] :
             { std::pair(u"yesButton"_s, u"Check Automatically"_s), { u"noButton"_s, u"Don’t Check"_s } })
            EXPECT_EQ(namedChild<QPushButton>(second->messageBar(), name)->text(), title);
        ASSERT_EQ(second->shownMessage(), question);
        QAction* automatic = second->action(Names::AutomaticUpdateChecks);
        ASSERT_TRUE(automatic && automatic->isCheckable() && !automatic->isChecked());
        EXPECT_TRUE(server.requests.isEmpty()) << "nothing is sent before the answer";
        button.isEmpty()
            ? automatic->trigger()
            : QTest::mouseClick(namedChild<QAbstractButton>(second->messageBar(), button), Qt::LeftButton);
        EXPECT_EQ(second->shownMessage(), QString());
        EXPECT_EQ(domain->value(Updater::AutomaticChecksKey), stored);
        EXPECT_EQ(automatic->isChecked(), stored.toBool());
        // A yes checks at once, in the background; the double sees it, and nothing else, ever.
        QAction* check = second->action(Names::CheckForUpdates);
        ASSERT_TRUE(QTest::qWaitFor([check] { return check->isEnabled(); }));
        EXPECT_EQ(server.requests.size(), stored.toBool() ? 1 : 0);
        EXPECT_EQ(windows->currentWindow(), nullptr);
        if (!stored.isValid()) {
            second.reset();
            EXPECT_EQ(launch()->shownMessage(), question);
            continue;
        }
        // The item turns the checks off and on again, and says so; turned on, they check when due.
        for (const bool on : { !stored.toBool(), stored.toBool() }) {
            automatic->trigger();
            EXPECT_EQ(std::pair(automatic->isChecked(), domain->value(Updater::AutomaticChecksKey)),
                      std::pair(on, QVariant(on)));
        }
        ASSERT_TRUE(QTest::qWaitFor([check] { return check->isEnabled(); }));
        EXPECT_EQ(server.requests.size(), 1);
    }
}

// Launches of the window on two Flatpak applications, with the ratings service's stand-in.
class OnlineReviewLaunches : public ::testing::Test
{
protected:
    std::unique_ptr<ShellHarness> launch(bool machineId = true, const QString& server = {})
    {
        domain->setValue(ReviewChoice::ServerKey, server.isEmpty() ? service.server().toString() : server);
        ProgramParts parts;
        parts.preferences = &preferences;
        AppSource::Result listed;
        for (const QString& id : { Notes, Paint })
            listed.apps.append(AppInfo::flatpakApp(AppId(id), id.section(u'.', -1), u"/"_s + id,
                                                   QDateTime::currentDateTimeUtc(), {}, {}, {}));
        parts.sources = AppSources { std::make_shared<FixedSource>(listed, AppInfo::Store::Flatpak) };
        parts.reviewCacheFolder = fixture.pathOf(u"cache/kudora"_s);
        parts.machineIdFile = machineId
            ? fixture.writeFile(u"machine-id"_s, "0123456789abcdef0123456789abcdef\n")
            : fixture.pathOf(u"no-machine-id"_s);
        auto harness = std::make_unique<ShellHarness>(ShellHarness::standardInfo(), std::move(parts));
        harness->workspace.refuses = false;
        harness->workspace.handled = { u"appstream"_s };
        EXPECT_TRUE(harness->openAndActivate());
        return harness;
    }
    static QString stars(const ShellHarness& harness, const QString& id)
    {
        const int row = harness.rowOf(id);
        return row < 0 ? u"no row"_s
                       : harness.table().model()->index(row, AppTableModel::RatingColumn).data().toString();
    }
    static bool ratingsShown(const ShellHarness& harness)
    {
        return !harness.table().isColumnHidden(AppTableModel::RatingColumn);
    }
    // The user's hash on this fixture's machine.
    static QString ownHash()
    {
        return QString::fromLatin1(
            UserHash::compute(Posix::loginName(), "0123456789abcdef0123456789abcdef\n"));
    }

    static inline const QString Notes = u"org.example.Notes"_s, Paint = u"org.example.Paint"_s;
    FixtureTree fixture;
    ReviewServiceDouble service;
    std::shared_ptr<DefaultsDomain> domain = std::make_shared<MemoryDefaultsDomain>();
    PreferencesService preferences { domain };
};

TEST_F(OnlineReviewLaunches, NothingIsSentUntilTheUserAgreesThenReviewsShowAndAnOpenedPageIsAskedAgain)
{
    service.serve(Notes,
                  { ReviewServiceDouble::listing(
                      { ReviewServiceDouble::review(u"someone-else"_s, 1.7e9, 20, u"Meh"_s),
                        ReviewServiceDouble::review(ownHash(), 1.6e9, 80, u"Great for notes"_s) }) });
    const QString offer = u"Kudora can look up which of your 2 applications you have reviewed in GNOME "
                          u"Software or KDE Discover. It would send their ids, and never who you are, to "
                          u"the Open Desktop Ratings Service (127.0.0.1). “Look Up My Reviews Online” in "
                          u"the View menu changes this later."_s;
    const std::pair<QString, QVariant> answers[] = {
        // the bar's button or the menu item (empty), what is stored
        { u"noButton"_s, false },
        { u"closeMessage"_s, {} },
        { QString(), true },
        { u"yesButton"_s, true },
    };
    for (const auto& [button, stored] : answers) {
        SCOPED_TRACE(button.toStdString());
        domain->removeValue(ReviewChoice::ChoiceKey);
        auto harness = launch();
        const qsizetype before = service.requestCount();
        ASSERT_EQ(harness->shownMessage(), offer);
        EXPECT_EQ(std::pair(namedChild<QPushButton>(harness->messageBar(), u"yesButton"_s)->text(),
                            namedChild<QPushButton>(harness->messageBar(), u"noButton"_s)->text()),
                  std::pair(u"Look Up My Reviews"_s, u"Not Now"_s));
        QAction* choice = harness->action(Names::LookUpOnlineReviews);
        ASSERT_TRUE(choice && choice->isCheckable() && !choice->isChecked());
        EXPECT_FALSE(ratingsShown(*harness));
        button.isEmpty()
            ? choice->trigger()
            : QTest::mouseClick(namedChild<QAbstractButton>(harness->messageBar(), button), Qt::LeftButton);
        EXPECT_EQ(harness->shownMessage(), QString());
        EXPECT_EQ(
            std::tuple(domain->value(ReviewChoice::ChoiceKey), choice->isChecked(), ratingsShown(*harness)),
            std::tuple(stored, stored.toBool(), stored.toBool()));
        if (!stored.toBool()) {
            // Off or not chosen, a rescan sends nothing either.
            harness->action(Names::RescanRequested)->trigger();
            QTest::qWait(300);
            EXPECT_EQ(service.requestCount(), before);
            continue;
        }
        ASSERT_TRUE(QTest::qWaitFor([&] { return stars(*harness, Notes) == u"★★★★☆"_s; }));
        EXPECT_EQ(stars(*harness, Paint), QString());
        ASSERT_TRUE(QTest::qWaitFor([&] { return !harness->app().onlineReviews().isBusy(); }));
        EXPECT_EQ(service.requestCount(), before + 2);
        if (button.isEmpty()) {
            choice->trigger();
            continue;
        }
        // A scan within the day asks nothing; a page opened is asked for again once the user is
        // back, and a failed answer then keeps the review found and the date of the opening.
        harness->action(Names::RescanRequested)->trigger();
        QTest::qWait(300);
        EXPECT_EQ(service.requestCount(), before + 2);
        service.serve(Notes, ReviewServiceDouble::htmlPage("500 INTERNAL SERVER ERROR"));
        AppTableView* table = &harness->table();
        const int notesRow = harness->rowOf(Notes);
        QSignalSpy opened(harness->window().contentView(), &ContentView::reviewPageOpened);
        const auto openNotes = [&] {
            const qsizetype count = opened.size();
            QTest::mouseClick(
                table->viewport(), Qt::LeftButton, Qt::NoModifier,
                table->visualRect(table->model()->index(notesRow, AppTableModel::AppStoreColumn)).center());
            return QTest::qWaitFor([&] { return opened.size() > count; });
        };
        const auto comeBack = [&](qsizetype requests) {
            QEvent activated(QEvent::WindowActivate);
            QApplication::sendEvent(&harness->window(), &activated);
            return QTest::qWaitFor([&] {
                return service.requestCount() == requests && !harness->app().onlineReviews().isBusy();
            });
        };
        ASSERT_TRUE(openNotes());
        ASSERT_TRUE(preferences.reviewDate(AppId(Notes)).has_value());
        const QVariant reviewDates = domain->value(PreferencesService::ReviewDatesKey);
        ASSERT_TRUE(comeBack(before + 3));
        EXPECT_EQ(std::pair(stars(*harness, Notes), domain->value(PreferencesService::ReviewDatesKey)),
                  std::pair(u"★★★★☆"_s, reviewDates));
        // A review the user has since taken back shows no more; what they did in Kudora stays.
        service.serve(Notes, { "[]" });
        ASSERT_TRUE(openNotes());
        ASSERT_TRUE(comeBack(before + 4));
        EXPECT_EQ(stars(*harness, Notes), QString());
        EXPECT_TRUE(preferences.reviewDate(AppId(Notes)).has_value());
        // Turned off, the answers are forgotten on disk and in the rows.
        const QString cacheFile = fixture.pathOf(u"cache/kudora/online-reviews.json"_s);
        EXPECT_TRUE(QFileInfo::exists(cacheFile));
        choice->trigger();
        EXPECT_EQ(std::tuple(QFileInfo::exists(cacheFile), stars(*harness, Notes),
                             domain->value(ReviewChoice::ChoiceKey), ratingsShown(*harness)),
                  std::tuple(false, QString(), QVariant(false), false));
    }
    // Without the computer's id, or with a server that may not be asked, nothing is looked up and
    // the bar says why; nor is the lookup offered.
    const QString plainServer = u"http://ratings.example.org/1.0/reviews/api"_s;
    const std::tuple<bool, QString, QString> cannot[] = {
        // a machine id, the server, what the bar says once the user has chosen
        { false, QString(),
          u"Your own reviews cannot be recognized: the computer’s id in "_s
              + fixture.pathOf(u"no-machine-id"_s) + u" cannot be read."_s },
        { true, plainServer,
          u"Your reviews cannot be looked up: the ratings service’s address "_s + plainServer
              + u" is neither an https address nor one on this computer."_s },
    };
    const qsizetype before = service.requestCount();
    for (const auto& [machineId, server, told] : cannot) {
        SCOPED_TRACE(told.toStdString());
        domain->removeValue(ReviewChoice::ChoiceKey);
        EXPECT_EQ(launch(machineId, server)->shownMessage(), QString());
        domain->setValue(ReviewChoice::ChoiceKey, true);
        EXPECT_EQ(launch(machineId, server)->shownMessage(), told);
    }
    QTest::qWait(300);
    EXPECT_EQ(service.requestCount(), before);
}

TEST_F(OnlineReviewLaunches, AListingShowsTheCachedReviewsAndLooksUpTheMissingOnesWritingNothing)
{
    service.serve(Notes,
                  { ReviewServiceDouble::listing(
                      { ReviewServiceDouble::review(ownHash(), 1.6e9, 80, u"Great for notes"_s) }) });
    // Paint's answer was cached an hour ago, and is not asked for again.
    const QString cacheFile = fixture.writeFile(
        u"cache/kudora/online-reviews.json"_s,
        R"({"answers": {"org.example.Paint": {"asked": ")"
            + QDateTime::currentDateTimeUtc().addSecs(-3600).toString(Qt::ISODateWithMs).toUtf8()
            + R"(", "review": {"date": "2024-05-06T07:08:09.000Z", "rating": 41, "summary": "Slow"}}}})");
    const auto content = [&cacheFile] {
        QFile file(cacheFile);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray cached = content();
    domain->setValue(ReviewChoice::ServerKey, service.server().toString());
    AppSource::Result listed;
    for (const QString& id : { Notes, Paint })
        listed.apps.append(AppInfo::flatpakApp(AppId(id), id.section(u'.', -1), u"/"_s + id, {}, {}, {}, {}));
    // A scan on a worker thread (the model's own) is slow, as a real one is beside a quick loopback
    // answer: the list must not be the catalogue of a scan still under way.
    struct SlowOffTheMainThread : FixedSource
    {
        using FixedSource::FixedSource;
        Result scan(const ReviewDateMap& dates) const override
        {
            if (QThread::currentThread() != QCoreApplication::instance()->thread())
                QThread::msleep(500);
            return FixedSource::scan(dates);
        }
    };
    const AppSources sources { std::make_shared<SlowOffTheMainThread>(listed, AppInfo::Store::Flatpak) };
    const QString machineId = fixture.writeFile(u"machine-id"_s, "0123456789abcdef0123456789abcdef\n");
    const auto list = [&](bool json) {
        QString out, err;
        QTextStream outStream(&out), errStream(&err);
        CommandLine(json ? QStringList { u"kudora"_s, u"--list"_s, u"--json"_s }
                         : QStringList { u"kudora"_s, u"--list"_s })
            .list(sources, preferences, fixture.pathOf(u"cache/kudora"_s), machineId, outStream, errStream);
        return out;
    };
    const auto reviews = [](const QString& json) {
        QStringList found;
        for (const QJsonValue& record : QJsonDocument::fromJson(json.toUtf8()).array())
            found.append(QString::fromUtf8(QJsonDocument(QJsonObject { { u"r"_s, record[u"onlineReview"] } })
                                               .toJson(QJsonDocument::Compact)));
        found.sort();
        return found;
    };
    // rows: the choice, the requests sent, the reviews listed
    const std::tuple<QVariant, qsizetype, QStringList> cases[] = {
        { QVariant(),
          0,
          { uR"({"r":null})"_s,
            uR"({"r":{"date":"2024-05-06T07:08:09Z","rating":41,"summary":"Slow"}})"_s } },
        { true,
          1,
          { uR"({"r":{"date":"2020-09-13T12:26:40Z","rating":80,"summary":"Great for notes"}})"_s,
            uR"({"r":{"date":"2024-05-06T07:08:09Z","rating":41,"summary":"Slow"}})"_s } },
    };
    for (const auto& [choice, requests, expected] : cases) {
        choice.isValid() ? domain->setValue(ReviewChoice::ChoiceKey, choice)
                         : domain->removeValue(ReviewChoice::ChoiceKey);
        const qsizetype before = service.requestCount();
        EXPECT_EQ(reviews(list(true)), expected);
        EXPECT_EQ(service.requestCount() - before, requests);
        EXPECT_EQ(content(), cached);
    }
    EXPECT_TRUE(list(false).contains(u"★★★★☆"_s)) << qPrintable(list(false));
    EXPECT_TRUE(list(false).contains(u"★★☆☆☆"_s));
}

TEST_F(Updates, AFailedCheckSaysWhyInAWindowOverTheMainWindow)
{
    // Each failure's reason is the updater's to tell; here it is told over the program's window.
    server.serve(u"/unavailable"_s, "busy", 503);
    auto harness = launch(u"/unavailable"_s);
    QAction* check = harness->action(Names::CheckForUpdates);
    check->trigger();
    ASSERT_TRUE(QTest::qWaitFor([check] { return check->isEnabled(); }));
    const QMessageBox* box = windows->currentWindow();
    ASSERT_NE(box, nullptr);
    EXPECT_FIELDS_EQ(
        std::tuple(box->parentWidget(), box->windowModality(), box->isVisible(),
                   box->text() + u' ' + box->informativeText()),
        std::tuple(&harness->window(), Qt::WindowModal, true,
                   u"Update Error! The update server did not answer. Please try again later."_s));
}

TEST(Startup, ClosingTheWindowDuringAHeldUpScanEndsTheProcess)
{
    FixtureTree fixture;
    fixture.makeBundle(u"Applications/Held.app"_s, u"com.example.held"_s, 1);
    QProcess program; // killed on the way out if it is still running
    program.start(QCoreApplication::applicationDirPath() + u"/kudora_probe"_s,
                  { u"--hang"_s, fixture.pathOf(u"Applications"_s), fixture.pathOf(u"home"_s) });
    // Generous: a process that waits for its scan never ends by itself.
    ASSERT_TRUE(program.waitForFinished(30'000)) << "the process stays while its scan is held up";
    EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == 0);
    EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()), u"scanning\n"_s);
}

// What a launch of the program does: what its arguments ask for, and one running instance per user.
namespace {
// The program's, which names its store and its socket.
QString identifier()
{
    return MainBundle::infoDictionary().value(u"CFBundleIdentifier"_s).toString();
}

// The program on fixture's Applications folder, started as a launcher would, in environment.
void start(QProcess& program, const FixtureTree& fixture, const QStringList& arguments,
           const QProcessEnvironment& environment)
{
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + u"/kudora_probe"_s,
                  QStringList { fixture.pathOf(u"Applications"_s), fixture.pathOf(u"home"_s) } + arguments);
}

// Every file and folder below folder with its time of change, and each file's content.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo entry(it.next());
        QFile file(entry.filePath());
        entries.insert(QDir(folder).relativeFilePath(entry.filePath()),
                       QByteArray::number(entry.lastModified().toMSecsSinceEpoch()) + ' '
                           + (entry.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "folder"));
    }
    return entries;
}
} // namespace

TEST(Launches, TheCommandLinePrintsWithoutAWindowAndWritesNothing)
{
    FixtureTree fixture;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    fixture.makeBundle(u"Applications/Alpha.app"_s, ShellHarness::AlphaID, 111);
    fixture.makeBundle(u"Applications/Beta.app"_s, ShellHarness::BetaID, 222);
    fixture.makeBundle(u"Applications/Ignored.app"_s, u"com.example.ignored"_s, 333);
    fixture.setModificationTime(u"Applications/Alpha.app"_s,
                                QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC));
    fixture.setModificationTime(u"Applications/Beta.app"_s,
                                QDateTime(QDate(2025, 1, 2), QTime(12, 0), Qt::UTC));
    // A review of an application no longer installed, which the window would prune.
    fixture.writePlist(
        u"home/.config/%1.plist"_s.arg(identifier()),
        { { u"reviewDates"_s,
            QVariantMap { { ShellHarness::BetaID, now.addDays(-3) }, { u"com.example.gone"_s, now } } },
          { u"ignoredIDs"_s, QStringList { u"com.example.ignored"_s } } },
        PropertyList::Format::Binary);
    const QMap<QString, QByteArray> before = snapshot(fixture.path());

    // No display: a program that made a QApplication would end at once.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, fixture.pathOf(u"home"_s));
    for (const QString& variable : { u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_STATE_HOME"_s,
                                     u"XDG_RUNTIME_DIR"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s })
        environment.remove(variable);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);

    // clang-format off
    // Never used: no last use, the date the installed version came instead.
    const QByteArray json = QJsonDocument::fromJson(QByteArray(R"([
        { "name": "Alpha", "store": "app-store", "lastUsed": null, "installed": "2026-03-01T12:00:00Z", "lastReviewed": null,
          "id": "com.example.alpha", "path": "A/Alpha.app", "reviewAddress": "https://apps.apple.com/app/id111",
          "webAddress": "https://apps.apple.com/app/id111", "storeItemId": "111", "onlineReview": null },
        { "name": "Beta", "store": "app-store", "lastUsed": null, "installed": "2025-01-02T12:00:00Z", "lastReviewed": "R",
          "id": "com.example.beta", "path": "A/Beta.app", "reviewAddress": "https://apps.apple.com/app/id222",
          "webAddress": "https://apps.apple.com/app/id222", "storeItemId": "222", "onlineReview": null }])")
        .replace("\"R\"", QByteArray('"' + now.addDays(-3).toString(Qt::ISODate).toUtf8() + '"'))
        .replace("A/", fixture.pathOf(u"Applications/"_s).toUtf8())).toJson();
    const std::tuple<QStringList, int, QString> cases[] = {
        // arguments, exit status, what is printed
        { { u"--version"_s }, 0, u"Kudora "_s + MainBundle::infoDictionary().value(u"CFBundleShortVersionString"_s).toString() + u'\n' },
        { { u"--help"_s }, 0, u"  --list "_s },
        // Named by the name it was started under, without the folder it was started from.
        { { u"--help"_s }, 0, u"Usage: kudora_probe [options]\n"_s },
        { { u"--list"_s }, 0, u"Name   Store      Last Accessed  Last Reviewed  Your Rating  ID\n"
                              u"Alpha  App Store  Mar 1, 2026    Never                       com.example.alpha\n"
                              u"Beta   App Store  Jan 2, 2025    3 days ago                  com.example.beta\n"_s },
        { { u"--list"_s, u"--json"_s }, 0, QString::fromUtf8(json) },
        { { u"--json"_s }, 1, u"--json goes with --list."_s },
        // The window, or an option only Qt reads, without a display: what works instead, not Qt's abort.
        { {}, 1, u"needs a graphical session to show its window, and there is no display here. \"kudora_probe --list\""_s },
        { { u"-style"_s, u"Fusion"_s }, 1, u"needs a graphical session"_s },
        // A mistyped option is the command line's to report, with or without a display.
        { { u"--lsit"_s }, 1, u"Unknown option 'lsit'."_s },
    };
    // clang-format on
    for (const auto& [arguments, status, printed] : cases) {
        QProcess program;
        start(program, fixture, arguments, environment);
        ASSERT_TRUE(program.waitForFinished(30'000));
        const QString out =
            QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == status
                    && out.contains(printed))
            << qPrintable(arguments.join(u' ') + u":\n"_s + out);
        EXPECT_EQ(snapshot(fixture.path()), before) << qPrintable(arguments.join(u' '));
    }

    // Under "C" the columns still line up by what a terminal shows: a wide name takes two columns
    // a character, and the relative dates are English, not ICU's root "1 hours ago".
    FixtureTree wide;
    wide.makeBundle(u"Applications/\u6771\u4eac.app"_s, u"com.example.tokyo"_s, 1);
    wide.makeBundle(u"Applications/Zed.app"_s, u"com.example.zed"_s, 2);
    wide.writePlist(u"home/.config/%1.plist"_s.arg(identifier()),
                    { { u"reviewDates"_s, QVariantMap { { u"com.example.zed"_s, now.addSecs(-3600) } } } },
                    PropertyList::Format::Binary);
    for (const QString& variable : { u"LANGUAGE"_s, u"LC_MESSAGES"_s, u"LC_TIME"_s, u"LC_CTYPE"_s })
        environment.remove(variable);
    environment.insert(u"LC_ALL"_s, u"C"_s);
    environment.insert(u"LANG"_s, u"C"_s);
    environment.insert(u"HOME"_s, wide.pathOf(u"home"_s));
    QProcess program;
    start(program, wide, { u"--list"_s }, environment);
    ASSERT_TRUE(program.waitForFinished(30'000));
    const QStringList lines = QString::fromUtf8(program.readAllStandardOutput()).split(u'\n');
    ASSERT_GE(lines.size(), 3) << qPrintable(lines.join(u'\n'));
    EXPECT_TRUE(lines.at(1).startsWith(u"\u6771\u4eac  App Store"_s)
                || lines.at(2).startsWith(u"\u6771\u4eac  App Store"_s))
        << qPrintable(lines.join(u'\n'));
    EXPECT_TRUE(lines.join(u'\n').contains(u"Zed   App Store"_s)
                && lines.join(u'\n').contains(u"1 hour ago"_s))
        << qPrintable(lines.join(u'\n'));
    EXPECT_EQ(program.exitCode(), 0);

    // A settings file that cannot be read leaves a list without the user's choices: printed, but
    // not taken for the whole by a script.
    const QString settings = wide.pathOf(u"home/.config/%1.plist"_s.arg(identifier()));
    ASSERT_TRUE(QFile::remove(settings) && QDir().mkdir(settings));
    start(program, wide, { u"--list"_s, u"--json"_s }, environment);
    ASSERT_TRUE(program.waitForFinished(30'000));
    EXPECT_FIELDS_EQ(std::tuple(program.exitCode(),
                                QJsonDocument::fromJson(program.readAllStandardOutput()).array().size()),
                     std::tuple(3, qsizetype(2)));
}

// A user without a home folder (a service account, a broken mount) still has the machine's
// applications: the system installations are listed, the listing is whole, and nothing is made on
// the way, neither the home folder nor libflatpak's own caches in it.
TEST(Launches, WithoutAHomeFolderTheSystemInstallationsAreListedAndNothingIsMade)
{
    ASSERT_TRUE(FlatpakFixture::shared().error().isEmpty()) << qPrintable(FlatpakFixture::shared().error());
    FixtureTree fixture;
    fixture.makeFolder(u"Applications"_s);
    const QString dataDirs = fixture.makeFolder(u"system-share"_s);
    const QString missingHome = fixture.pathOf(u"gone/home"_s);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& variable :
         { u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_STATE_HOME"_s, u"XDG_CACHE_HOME"_s,
           u"XDG_RUNTIME_DIR"_s, u"FLATPAK_USER_DIR"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s })
        environment.remove(variable);
    environment.insert(u"HOME"_s, missingHome);
    environment.insert(u"XDG_DATA_DIRS"_s, dataDirs);
    const QMap<QString, QByteArray> system = snapshot(FlatpakFixture::systemDir());
    const QMap<QString, QByteArray> before = snapshot(fixture.path());

    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + u"/kudora_probe"_s,
                  { u"--linux"_s, fixture.pathOf(u"Applications"_s), missingHome, u"--list"_s, u"--json"_s });
    ASSERT_TRUE(program.waitForFinished(30'000));
    QStringList listed;
    for (const QJsonValue& record : QJsonDocument::fromJson(program.readAllStandardOutput()).array())
        listed.append(
            record[u"id"_s].toString() + u' '
            + QString::number(record[u"path"_s].toString().startsWith(FlatpakFixture::systemDir())));
    listed.sort();
    EXPECT_FIELDS_EQ(std::tuple(program.exitCode(), listed, snapshot(fixture.path()) == before,
                                snapshot(FlatpakFixture::systemDir()) == system),
                     std::tuple(0,
                                QStringList { QLatin1StringView(FlatpakFixture::BothApp) + u" 1"_s,
                                              QLatin1StringView(FlatpakFixture::SystemApp) + u" 1"_s },
                                true, true))
        << program.readAllStandardError().constData();
}

// What the program says it is is what its package and its software-centre description say: CMake
// writes all of them from the project's version.
TEST(Launches, ThePackageAndTheDescriptionGiveTheProgramsVersionNeedsAndStores)
{
    const auto read = [](const char* path) {
        QFile file(QString::fromUtf8(path));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };
    // The program itself, as main() runs it, without a display, which it needs none of for this.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const QString& variable : { u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s })
        environment.remove(variable);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    QProcess program;
    program.setProcessEnvironment(environment);
    program.start(QString::fromUtf8(KUDORA_EXECUTABLE), { u"--version"_s });
    ASSERT_TRUE(program.waitForFinished(30'000));
    const QString printed = QString::fromUtf8(program.readAllStandardOutput());

    // The package's version, and the Debian package's own when it has one.
    QStringList versions;
    static const QRegularExpression package(u"set\\(CPACK_(?:DEBIAN_)?PACKAGE_VERSION \"([^\"]*)\"\\)"_s);
    for (auto it = package.globalMatch(read(KUDORA_PACKAGE_CONFIG)); it.hasNext();)
        versions.append(it.next().captured(1));
    // The newest release described.
    static const QRegularExpression release(u"<release version=\"([^\"]*)\""_s);
    versions.append(release.match(read(KUDORA_METAINFO)).captured(1));
    ASSERT_GE(versions.size(), 2);
    for (const QString& version : versions)
        EXPECT_EQ(printed.toStdString(), QString(u"Kudora "_s + version + u'\n').toStdString());

    // The package brings or recommends the image readers that the applications' icons need (a
    // Flatpak's is often an SVG alone), and it and the software centre name every store listed.
    const QString config = read(KUDORA_PACKAGE_CONFIG);
    const auto setting = [&config](const QString& name) {
        return QRegularExpression(u"set\\(%1 \"([^\"]*)\"\\)"_s.arg(name)).match(config).captured(1);
    };
    const QString needed =
        setting(u"CPACK_DEBIAN_PACKAGE_DEPENDS"_s) + u", "_s + setting(u"CPACK_DEBIAN_PACKAGE_RECOMMENDS"_s);
    static const QRegularExpression english(u"<p>([^<]*)</p>"_s);
    const std::pair<QString, QStringList> descriptions[] = {
        { needed, { u"qt6-image-formats-plugins"_s, u"libqt6svg6"_s } },
        { setting(u"CPACK_PACKAGE_DESCRIPTION"_s),
          { u"App Store"_s, u"Flatpak"_s, u"snaps"_s, u"distribution"_s } },
        { english.match(read(KUDORA_METAINFO)).captured(1),
          { u"App Store"_s, u"Flatpak"_s, u"snaps"_s, u"distribution"_s } },
    };
    for (const auto& [text, names] : descriptions) {
        for (const QString& name : names)
            EXPECT_TRUE(text.simplified().contains(name)) << qPrintable(name + u" in "_s + text);
    }
}

TEST(Launches, TheEndOfASessionEndsTheProgramAsQuitDoesAndKeepsTheWindowsPlace)
{
    FixtureTree fixture;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_STATE_HOME"_s, fixture.makeFolder(u"state"_s));
    environment.insert(u"XDG_RUNTIME_DIR"_s, fixture.makeFolder(u"runtime"_s));
    QFile::setPermissions(fixture.pathOf(u"runtime"_s),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString placement = fixture.pathOf(u"state/kudora/window.json"_s);
    for (const int signalNumber : { SIGTERM, SIGHUP }) {
        QProcess program;
        start(program, fixture, {}, environment);
        // Its socket is there as its window opens, and the place it had is saved at the end.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                return !QDir(fixture.pathOf(u"runtime"_s))
                            .isEmpty(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
            },
            30'000));
        QTest::qWait(500);
        QFile::remove(placement);
        ::kill(pid_t(program.processId()), signalNumber);
        ASSERT_TRUE(program.waitForFinished(30'000));
        EXPECT_FIELDS_EQ(std::tuple(program.exitStatus(), program.exitCode(),
                                    WindowPlacement::read(placement).has_value()),
                         std::tuple(QProcess::NormalExit, 0, true))
            << signalNumber;
    }
}

TEST(Launches, ASecondLaunchShowsTheRunningInstancesWindowAndEnds)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    FixtureTree runtime;
    SingleInstance instance(runtime.path(), identifier());
    ASSERT_EQ(instance.role(), SingleInstance::Role::Running);
    harness.app().answerLaunches(instance);
    harness.window().close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    QProcess second;
    start(second, harness.fixture, {}, environment);
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30'000));
    EXPECT_TRUE(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0)
        << second.readAllStandardError().constData();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
}

// Each later launch, here on a thread of its own, is answered with its activation token, and the
// running instance keeps none of their connections.
TEST(Launches, TheRunningInstanceAnswersLaunchAfterLaunchAndKeepsNoConnection)
{
    FixtureTree runtime;
    SingleInstance running(runtime.path(), identifier());
    ASSERT_EQ(running.role(), SingleInstance::Role::Running);
    QStringList tokens;
    QObject::connect(&running, &SingleInstance::activationRequested,
                     [&](const QString& token) { tokens.append(token); });
    const QList<std::pair<const char*, QByteArray>> launches { { "XDG_ACTIVATION_TOKEN", "wayland-1" },
                                                               { "DESKTOP_STARTUP_ID", "x11-2" },
                                                               { "XDG_ACTIVATION_TOKEN", "two\nlines" },
                                                               { "DESKTOP_STARTUP_ID", {} } };
    for (const auto& [variable, token] : launches) {
        qputenv(variable, token);
        SingleInstance::Role role = SingleInstance::Role::Running;
        std::unique_ptr<QThread> launch(
            QThread::create([&] { role = SingleInstance(runtime.path(), identifier()).role(); }));
        launch->start();
        ASSERT_TRUE(QTest::qWaitFor([&] { return launch->isFinished(); }, 20'000));
        launch->wait();
        qunsetenv(variable);
        EXPECT_EQ(role, SingleInstance::Role::Forwarded) << token.constData();
    }
    EXPECT_EQ(tokens, (QStringList { u"wayland-1"_s, u"x11-2"_s, u"two lines"_s, QString() }));
    const auto* server = running.findChild<QLocalServer*>();
    ASSERT_TRUE(server);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server->findChildren<QLocalSocket*>().isEmpty(); }));
}

TEST(Launches, OfTwoLaunchesAtOnceAfterACrashExactlyOneRuns)
{
    FixtureTree runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    FixtureTree fixture;
    // A crashed instance leaves its lock file and a socket nobody listens on.
    QProcess crashed;
    start(crashed, fixture, {}, environment);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(runtime.pathOf(identifier() + u".socket"_s)); }, 30'000));
    crashed.kill();
    crashed.waitForFinished();

    QProcess launches[3];
    start(launches[0], fixture, {}, environment);
    start(launches[1], fixture, {}, environment);
    const auto ended = [](const QProcess& launch) { return launch.state() == QProcess::NotRunning; };
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended(launches[0]) || ended(launches[1]); }, 30'000));
    QProcess& running = ended(launches[0]) ? launches[1] : launches[0];
    QProcess& forwarded = ended(launches[0]) ? launches[0] : launches[1];
    EXPECT_EQ(forwarded.exitCode(), 0) << forwarded.readAllStandardError().constData();
    // The one that runs answers the next launch, and goes on running.
    start(launches[2], fixture, {}, environment);
    ASSERT_TRUE(launches[2].waitForFinished(30'000));
    EXPECT_EQ(launches[2].exitCode(), 0) << launches[2].readAllStandardError().constData();
    EXPECT_EQ(running.state(), QProcess::Running);
    running.kill();
    running.waitForFinished();
}

#include "AppModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "MainWindow.h"
#include "SearchField.h"
#include "ShellHarness.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QKeySequence>
#include <QMainWindow>
#include <QMessageBox>
#include <QTest>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
class Commands : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(harness.openAndActivate()); }

    // Keys go where a user's would: to the focused widget.
    void press(QKeyCombination combination)
    {
        QWidget* focus = QApplication::focusWidget();
        QTest::keySequence(focus ? focus : &harness.window(), QKeySequence(combination));
    }
    ContentView& content() const { return *harness.window().contentView(); }
    AppModel& model() const { return harness.app().model(); }
    QAction* editItem(const QString& title) const { return harness.item(u"Edit"_s, title); }

    ShellHarness harness;
};
} // namespace

TEST_F(Commands, SelectionItemsFollowTheActiveWindowsSelection)
{
    QAction* resetReview = editItem(u"Reset Last Reviewed Date"_s);
    QAction* ignore = editItem(u"Ignore"_s);
    ASSERT_TRUE(resetReview && ignore);
    EXPECT_FALSE(resetReview->isEnabled());
    EXPECT_FALSE(ignore->isEnabled());
    content().tableView()->selectRow(0);
    EXPECT_TRUE(resetReview->isEnabled());
    EXPECT_TRUE(ignore->isEnabled());
    content().setSelection({});
    EXPECT_FALSE(resetReview->isEnabled());

    // Without an active window only the selection items are off.
    content().setSelection({ ShellHarness::AlphaID });
    QApplication::setActiveWindow(nullptr);
    ASSERT_TRUE(QTest::qWaitFor([] { return QApplication::activeWindow() == nullptr; }));
    EXPECT_FALSE(resetReview->isEnabled());
    EXPECT_FALSE(ignore->isEnabled());
    EXPECT_TRUE(harness.item(u"Kudora"_s, u"Rescan Applications"_s)->isEnabled());
    EXPECT_TRUE(harness.item(u"Kudora"_s, u"Reset Ignore List"_s)->isEnabled());

    QApplication::setActiveWindow(&harness.window());
    ASSERT_TRUE(QTest::qWaitFor([this] { return QApplication::activeWindow() == &harness.window(); }));
    EXPECT_TRUE(ignore->isEnabled());
}

TEST_F(Commands, ShortcutsPostTheirNotifications)
{
    PostedNames posted;
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_R);
    press(Qt::CTRL | Qt::SHIFT | Qt::Key_I);
    // Without a selection the selection commands are off, their keys included.
    press(Qt::CTRL | Qt::Key_R);
    press(Qt::CTRL | Qt::Key_I);
    EXPECT_EQ(posted.names,
              (QStringList { CommandNames::rescanRequested(), CommandNames::resetIgnoreListRequested() }));

    posted.names.clear();
    content().setSelection({ ShellHarness::AlphaID });
    press(Qt::CTRL | Qt::Key_R);
    press(Qt::CTRL | Qt::Key_I);
    EXPECT_EQ(posted.names,
              (QStringList { CommandNames::resetReviewRequested(), CommandNames::ignoreRequested() }));

    // While the user types a query, the keys are the text's: the selected rows stay as they are.
    posted.names.clear();
    content().setSelection({ ShellHarness::BetaID });
    SearchField* field = content().searchField();
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([field] { return field->hasFocus(); }));
    QTest::keyClicks(field, u"be"_s);
    EXPECT_FALSE(editItem(u"Ignore"_s)->isEnabled());
    press(Qt::CTRL | Qt::Key_R);
    press(Qt::CTRL | Qt::Key_I);
    press(Qt::CTRL | Qt::Key_A);
    EXPECT_TRUE(posted.names.isEmpty());
    EXPECT_EQ(field->selectedText(), u"be"_s);
    EXPECT_EQ(content().selectedApps().size(), 1);
}

TEST_F(Commands, ShowingIgnoredSwitchesTitlesAndWhatCtrlIPosts)
{
    QAction* showIgnored = harness.item(u"View"_s, u"Show only ignored Apps"_s);
    ASSERT_NE(showIgnored, nullptr);
    const QString ignoredID = model().apps().first().id();
    model().ignoreApps({ model().apps().first() });

    PostedNames posted;
    showIgnored->trigger();
    EXPECT_TRUE(model().showingIgnored());
    // The one command that changes the model itself announces nothing.
    EXPECT_TRUE(posted.names.isEmpty());
    EXPECT_EQ(showIgnored->text(), u"Hide ignored Apps"_s);
    QAction* clearIgnore = editItem(u"Clear Ignore"_s);
    ASSERT_NE(clearIgnore, nullptr);
    EXPECT_EQ(editItem(u"Ignore"_s), nullptr);

    content().setSelection({ ignoredID });
    ASSERT_TRUE(clearIgnore->isEnabled());
    press(Qt::CTRL | Qt::Key_I);
    EXPECT_EQ(posted.names, QStringList { CommandNames::clearIgnoreRequested() });

    // A change from anywhere else switches the titles back at once.
    model().setShowingIgnored(false);
    EXPECT_EQ(showIgnored->text(), u"Show only ignored Apps"_s);
    EXPECT_NE(editItem(u"Ignore"_s), nullptr);
    showIgnored->trigger();
    showIgnored->trigger();
    EXPECT_FALSE(model().showingIgnored());
}

TEST_F(Commands, CloseAndMainWindowHideAndBringBackTheOneWindow)
{
    const auto mainWindows = [] {
        qsizetype count = 0;
        for (QWidget* widget : QApplication::topLevelWidgets())
            count += qobject_cast<QMainWindow*>(widget) ? 1 : 0;
        return count;
    };
    press(Qt::CTRL | Qt::Key_W);
    EXPECT_FALSE(harness.window().isVisible());
    harness.item(u"File"_s, u"Main Window"_s)->trigger();
    EXPECT_TRUE(harness.window().isVisible());
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
    EXPECT_EQ(mainWindows(), 1);

    // The menu bar's keys work from any window of the program, as a global menu bar's would.
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    QTest::keySequence(&other, QKeySequence(Qt::CTRL | Qt::Key_1));
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
    EXPECT_EQ(mainWindows(), 1);
}

TEST_F(Commands, EditItemsActOnTheFocusedWidget)
{
    SearchField* field = content().searchField();
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([field] { return field->hasFocus(); }));
    QTest::keyClicks(field, u"Alpha"_s);
    editItem(u"Select All"_s)->trigger();
    EXPECT_EQ(field->selectedText(), u"Alpha"_s);
    editItem(u"Copy"_s)->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), u"Alpha"_s);
    editItem(u"Cut"_s)->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    editItem(u"Paste"_s)->trigger();
    EXPECT_EQ(field->text(), u"Alpha"_s);

    // Programmatic edits do not search; the query is cleared for the table to show every row.
    model().setSearchQuery({});
    QWidget* table = content().tableView();
    table->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([table] { return table->hasFocus(); }));
    EXPECT_FALSE(editItem(u"Cut"_s)->isEnabled());
    EXPECT_FALSE(editItem(u"Paste"_s)->isEnabled());
    editItem(u"Select All"_s)->trigger();
    EXPECT_EQ(content().selectedApps().size(), 2);
    // Nothing in the program can be undone.
    EXPECT_EQ(editItem(u"Undo"_s), nullptr);
    EXPECT_EQ(editItem(u"Redo"_s), nullptr);
}

TEST_F(Commands, ToolbarItemHidesAndShowsTheToolbar)
{
    QAction* toggle = harness.item(u"View"_s, u"Hide Toolbar"_s);
    ASSERT_NE(toggle, nullptr);
    toggle->trigger();
    EXPECT_FALSE(harness.window().toolBar()->isVisible());
    EXPECT_EQ(toggle->text(), u"Show Toolbar"_s);
    toggle->trigger();
    EXPECT_TRUE(harness.window().toolBar()->isVisible());
    EXPECT_EQ(toggle->text(), u"Hide Toolbar"_s);
}

TEST_F(Commands, HelpOpensTheSecureProductPageAndAboutTellsTheVersion)
{
    const auto windowsBefore = QApplication::topLevelWidgets().size();
    PostedNames posted;
    harness.item(u"Help"_s, u"Kudora Help"_s)->trigger();
    EXPECT_EQ(harness.workspace.openedUrls, QList<QUrl> { QUrl(u"https://kudora.org/help/"_s) });
    // The desktop refused the address: nothing is reported and nothing else happens.
    QTest::qWait(0);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    EXPECT_TRUE(posted.names.isEmpty());

    harness.item(u"Kudora"_s, u"About Kudora"_s)->trigger();
    QMessageBox* box = harness.window().findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), u"About Kudora"_s);
    EXPECT_TRUE(box->text().contains(u"Version 1.0"_s));
    box->close();
}

#ifdef KUDORA_DEVELOPER
TEST_F(Commands, DevelopItemsPostTheirNotifications)
{
    PostedNames posted;
    harness.item(u"Develop"_s, u"Mock Mode"_s)->trigger();
    harness.item(u"Develop"_s, u"Show Ignored Apps"_s)->trigger();
    EXPECT_EQ(
        posted.names,
        (QStringList { CommandNames::toggleMockModeRequested(), CommandNames::showIgnoredAppsToggled() }));
}
#endif

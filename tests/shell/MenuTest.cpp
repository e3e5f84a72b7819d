#include "CommandNames.h"
#include "MainWindow.h"
#include "ShellHarness.h"

#include <QAction>
#include <QApplication>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(Menus, HoldExactlyTheCommandsInOrder)
{
    ShellHarness harness;
#ifdef KUDORA_DEVELOPER
    const QStringList bar { u"Kudora"_s, u"File"_s, u"Edit"_s, u"View"_s, u"Develop"_s, u"Help"_s };
#else
    const QStringList bar { u"Kudora"_s, u"File"_s, u"Edit"_s, u"View"_s, u"Help"_s };
#endif
    EXPECT_EQ(harness.menuTitles(), bar);
    EXPECT_EQ(harness.itemTitles(u"Kudora"_s),
              (QStringList { u"About Kudora"_s, u"Check for Updates…"_s, u"-"_s, u"Rescan Applications"_s,
                             u"Reset Ignore List"_s, u"-"_s, u"Quit Kudora"_s }));
    // No item to open a second window: the program has exactly one.
    EXPECT_EQ(harness.itemTitles(u"File"_s), (QStringList { u"Main Window"_s, u"Close Window"_s }));
    // Nothing in the program can be undone, so Undo and Redo are not offered.
    EXPECT_EQ(harness.itemTitles(u"Edit"_s),
              (QStringList { u"Cut"_s, u"Copy"_s, u"Paste"_s, u"Select All"_s, u"-"_s,
                             u"Reset Last Reviewed Date"_s, u"Ignore"_s }));
    EXPECT_EQ(harness.itemTitles(u"View"_s),
              (QStringList { u"Show only ignored Apps"_s, u"-"_s, u"Hide Toolbar"_s }));
    EXPECT_EQ(harness.itemTitles(u"Help"_s), QStringList { u"Kudora Help"_s });
#ifdef KUDORA_DEVELOPER
    EXPECT_EQ(harness.itemTitles(u"Develop"_s), (QStringList { u"Mock Mode"_s, u"Show Ignored Apps"_s }));
    PostedNames posted;
    harness.item(u"Develop"_s, u"Mock Mode"_s)->trigger();
    harness.item(u"Develop"_s, u"Show Ignored Apps"_s)->trigger();
    EXPECT_EQ(
        posted.names,
        (QStringList { CommandNames::toggleMockModeRequested(), CommandNames::showIgnoredAppsToggled() }));
#endif
}

TEST(Menus, HelpOpensTheSecureProductPageAndNothingElse)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    const auto windowsBefore = QApplication::topLevelWidgets().size();
    PostedNames posted;
    harness.item(u"Help"_s, u"Kudora Help"_s)->trigger();
    EXPECT_EQ(harness.workspace.opened, QList<QUrl> { QUrl(u"https://kudora.org/help/"_s) });
    // The desktop refused the address: nothing is reported and nothing else happens.
    QTest::qWait(0);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    EXPECT_TRUE(posted.names.isEmpty());
}

TEST(Menus, AboutShowsNameAndVersionOverTheMainWindow)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    harness.item(u"Kudora"_s, u"About Kudora"_s)->trigger();
    QMessageBox* box = harness.window().findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), u"About Kudora"_s);
    EXPECT_TRUE(box->text().contains(u"Version 1.0"_s));
    box->close();
}

#include "AppCommands.h"
#include "CommandNames.h"
#include "MainWindow.h"
#include "ShellHarness.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
QString ellipsis(const char* text)
{
    return QString::fromUtf8(text) + QChar(0x2026);
}

} // namespace

TEST(Menus, HoldExactlyTheCommandsInOrder)
{
    ShellHarness harness;
#ifdef KUDORA_DEVELOPER
    const QStringList bar { u"Kudora"_s, u"File"_s, u"Edit"_s, u"View"_s, u"Develop"_s, u"Help"_s };
#else
    const QStringList bar { u"Kudora"_s, u"File"_s, u"Edit"_s, u"View"_s, u"Help"_s };
#endif
    EXPECT_EQ(harness.menuTitles(), bar);
    EXPECT_EQ(harness.itemTitles(QStringLiteral("Kudora")),
              (QStringList { u"About Kudora"_s, ellipsis("Check for Updates"), u"-"_s,
                             u"Rescan Applications"_s, u"Reset Ignore List"_s, u"-"_s, u"Quit Kudora"_s }));
    // No item to open a second window: the program has exactly one.
    EXPECT_EQ(harness.itemTitles(QStringLiteral("File")),
              (QStringList { u"Main Window"_s, u"Close Window"_s }));
    // Nothing in the program can be undone, so Undo and Redo are not offered.
    EXPECT_EQ(harness.itemTitles(QStringLiteral("Edit")),
              (QStringList { u"Cut"_s, u"Copy"_s, u"Paste"_s, u"Select All"_s, u"-"_s,
                             u"Reset Last Reviewed Date"_s, u"Ignore"_s }));
    EXPECT_EQ(harness.itemTitles(QStringLiteral("View")),
              (QStringList { u"Show only ignored Apps"_s, u"-"_s, u"Hide Toolbar"_s }));
    EXPECT_EQ(harness.itemTitles(QStringLiteral("Help")), QStringList { u"Kudora Help"_s });
}

TEST(Menus, HelpOpensTheProductPageAndNothingElse)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    const auto windowsBefore = QApplication::topLevelWidgets().size();
    PostedNames posted;

    QAction* help = harness.item(QStringLiteral("Help"), QStringLiteral("Kudora Help"));
    ASSERT_NE(help, nullptr);
    help->trigger();

    ASSERT_EQ(harness.workspace.opened.size(), 1);
    EXPECT_EQ(harness.workspace.opened.first(), QUrl(QStringLiteral("https://kudora.org/help/")));
    EXPECT_EQ(AppCommands::helpPageUrl().scheme(), QStringLiteral("https"));
    // The desktop refused the address: nothing is reported and nothing else happens.
    QTest::qWait(0);
    EXPECT_EQ(QApplication::topLevelWidgets().size(), windowsBefore);
    EXPECT_TRUE(posted.names.isEmpty());
}

TEST(Menus, AboutShowsNameVersionOverTheMainWindow)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    QAction* about = harness.item(QStringLiteral("Kudora"), QStringLiteral("About Kudora"));
    ASSERT_NE(about, nullptr);
    about->trigger();

    QMessageBox* box = harness.window().findChild<QMessageBox*>();
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->isVisible());
    EXPECT_EQ(box->windowTitle(), QStringLiteral("About Kudora"));
    EXPECT_TRUE(box->text().contains(QStringLiteral("Kudora")));
    EXPECT_TRUE(box->text().contains(QStringLiteral("Version 1.0")));
    box->close();
}

TEST(Menus, DevelopMenuExistsOnlyInDeveloperBuilds)
{
    ShellHarness harness;
#ifdef KUDORA_DEVELOPER
    EXPECT_EQ(harness.itemTitles(QStringLiteral("Develop")),
              (QStringList { u"Mock Mode"_s, u"Show Ignored Apps"_s }));
    PostedNames posted;
    harness.item(QStringLiteral("Develop"), QStringLiteral("Mock Mode"))->trigger();
    harness.item(QStringLiteral("Develop"), QStringLiteral("Show Ignored Apps"))->trigger();
    EXPECT_EQ(
        posted.names,
        (QStringList { CommandNames::toggleMockModeRequested(), CommandNames::showIgnoredAppsToggled() }));
#else
    EXPECT_EQ(harness.menu(QStringLiteral("Develop")), nullptr);
    GTEST_SKIP() << "the Develop menu is built only with KUDORA_DEVELOPER";
#endif
}

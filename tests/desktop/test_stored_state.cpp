// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "FileDefaultsDomain.h"
#include "FileSystem.h"
#include "LoopbackHttpServer.h"
#include "MainWindow.h"
#include "MessageBar.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "TestEnvironment.h"
#include "TestFeed.h"
#include "UpdaterController.h"
#include "WindowPlacement.h"

#include <QAction>
#include <QDirIterator>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
QStringList filesBelow(const QString& folder)
{
    QStringList files;
    for (QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
         it.hasNext();)
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// The whole program on the real store in the config folder; its updater is offered 2.0, which is skipped.
struct Launch
{
    explicit Launch(const QUrl& feed)
    {
        QVariantMap info = ShellHarness::standardInfo();
        info.insert(u"SUFeedURL"_s, feed.toString());
        info.insert(u"SUEnableAutomaticChecks"_s, true);
        KudoraApp::Parts parts;
        parts.preferences = &preferences;
        parts.windowStateFile = WindowPlacement::defaultFilePath();
        parts.makeUpdaterController = [domain = domain](const QVariantMap& info, Workspace& workspace) {
            auto driver = std::make_unique<RecordingUserDriver>();
            driver->answer = UserDriver::UpdateChoice::Skip;
            return std::make_unique<UpdaterController>(true, std::move(driver), domain, info, workspace,
                                                       TestFeed::loopbackOptions());
        };
        harness = std::make_unique<ShellHarness>(info, std::move(parts));
    }

    std::shared_ptr<DefaultsDomain> domain = DefaultsDomain::open(u"org.kudora.Kudora"_s);
    PreferencesService preferences { domain };
    std::unique_ptr<ShellHarness> harness;
};
} // namespace

TEST(StoredState, TheStoreKeepsTheIgnoreListReviewDatesAndUpdateKeysAndTheWindowItsPlaceApart)
{
    const QString config = TestEnvironment::configPath();
    ASSERT_TRUE(filesBelow(config).isEmpty());
    LoopbackHttpServer server;
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"2"_s, u"2.0"_s } }));
    const QString plist = config + u"/org.kudora.Kudora.plist"_s;

    // Within the offscreen platform's one 800×800 screen.
    const QRect placed(10, 20, 780, 560);
    {
        Launch launch(server.url(u"/appcast.xml"_s));
        ShellHarness& harness = *launch.harness;
        ASSERT_TRUE(harness.openAndActivate());
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return launch.domain->value(Updater::SkippedVersionKey).isValid(); }));

        // Where the window goes, which is kept; what a person rearranges in it, which is not.
        MainWindow& window = harness.window();
        window.setGeometry(placed);
        // Written a moment later already, not only at the end, which a session ended by a signal never
        // reaches.
        ASSERT_TRUE(QTest::qWaitFor([&] {
            return WindowPlacement::read(WindowPlacement::defaultFilePath())
                == WindowPlacement::State { placed, false };
        }));
        ContentView* content = window.contentView();
        AppTableView* table = content->tableView();
        QHeaderView* header = table->horizontalHeader();
        const auto click = [](QWidget* widget, QPoint point) {
            QTest::mouseClick(widget, Qt::LeftButton, {}, point);
        };
        click(header->viewport(),
              QPoint(header->sectionViewportPosition(AppTableModel::NameColumn) + 10, header->height() / 2));
        ASSERT_EQ(header->sortIndicatorSection(), AppTableModel::NameColumn);
        header->resizeSection(AppTableModel::LastAccessedColumn, 230);
        harness.action(CommandNames::ToggleToolBar)->trigger();
        QTest::keyClicks(content->searchField(), u"Be"_s);
        harness.app().model().setSearchQuery(QString());

        // What is meant to be kept: a review and an ignored application.
        // Sorted by name: Alpha, then Beta.
        const auto cell = [&](int row, int column) {
            return table->visualRect(table->model()->index(row, column)).center();
        };
        harness.workspace.refuses = false;
        click(table->viewport(), cell(1, AppTableModel::AppStoreColumn));
        click(table->viewport(), cell(0, AppTableModel::NameColumn));
        harness.action(CommandNames::IgnoreRequested)->trigger();
        ASSERT_EQ(harness.app().model().ignoredIDs(), QSet { AppId(ShellHarness::AlphaID) });
    }

    // The domain file and the empty file its writers lock, nothing else (no settings file of Qt's).
    EXPECT_EQ(filesBelow(config),
              (QStringList { u"org.kudora.Kudora.plist"_s, u"org.kudora.Kudora.plist.lock"_s }));
    EXPECT_EQ(QFileInfo(plist + u".lock"_s).size(), 0);
    EXPECT_EQ(filesBelow(QFile::decodeName(qgetenv("XDG_DATA_HOME"))), QStringList());
    EXPECT_EQ(filesBelow(TestEnvironment::homePath() + u"/.local/state"_s),
              QStringList { u"kudora/window.json"_s });
    EXPECT_EQ(
        PropertyList::readDictionary(plist).value_or(QVariantMap()).keys(),
        (QStringList { u"SULastCheckTime"_s, u"SUSkippedVersion"_s, u"ignoredIDs"_s, u"reviewDates"_s }));

    // The next launch keeps the review, the ignore list and the window's place, and nothing of the
    // arrangement.
    Launch second(server.url(u"/appcast.xml"_s));
    ASSERT_TRUE(second.harness->openAndActivate());
    MainWindow& window = second.harness->window();
    QHeaderView* header = window.contentView()->tableView()->horizontalHeader();
    EXPECT_EQ(std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder()),
              std::pair(int(AppTableModel::LastAccessedColumn), Qt::DescendingOrder));
    EXPECT_EQ(header->sectionSize(AppTableModel::LastAccessedColumn), 150);
    EXPECT_EQ(std::tuple(window.geometry(), window.toolBar()->isVisible(),
                         window.contentView()->searchField()->text()),
              std::tuple(placed, true, QString()));
    const QList<AppInfo> shown = second.harness->app().model().visibleApps();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(std::pair(shown[0].id(), shown[0].lastReviewedDate().has_value()),
              std::pair(AppId(ShellHarness::BetaID), true));
}

// What keeps the user's choices from being saved is said in the window, once: a settings file that
// cannot be read (the session then keeps every change in memory), or a damaged one, kept aside.
TEST(StoredState, TheWindowSaysOnceWhenTheSettingsFileCannotBeUsed)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"org.kudora.Kudora.plist"_s);
    const QByteArray readable = PropertyList::serialize(
        QVariantMap { { PreferencesService::IgnoredIDsKey, QVariantList { ShellHarness::BetaID } } },
        PropertyList::Format::Binary);
    const struct
    {
        QByteArray before;
        int error;
        QString message;
    } cases[] = {
        { readable, EACCES, u"can’t be saved until Kudora can read its settings file “%1”."_s.arg(file) },
        { readable.left(40), 0, u"start afresh. The damaged file was kept as “%1.corrupt-"_s.arg(file) },
    };
    for (const auto& [before, error, message] : cases) {
        SCOPED_TRACE(qPrintable(message));
        tree.writeFile(u"org.kudora.Kudora.plist"_s, before);
        const FileSystem::FaultScope faults([&](const QString& path) { return path == file ? error : 0; });
        PreferencesService preferences(std::make_shared<FileDefaultsDomain>(file));
        KudoraApp::Parts parts;
        parts.preferences = &preferences;
        ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
        ASSERT_TRUE(harness.openAndActivate());
        MessageBar* bar = harness.window().contentView()->messageBar();
        EXPECT_TRUE(bar->isVisible() && bar->text().contains(message)) << qPrintable(bar->text());
        QTest::mouseClick(bar->findChild<QToolButton*>(u"closeMessage"_s), Qt::LeftButton);
        // The session goes on with what the user does.
        AppTableView* table = harness.window().contentView()->tableView();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          table->visualRect(table->model()->index(0, AppTableModel::NameColumn)).center());
        harness.action(CommandNames::IgnoreRequested)->trigger();
        QSignalSpy rescanned(&harness.app().model(), &AppModel::rescanFinished);
        harness.action(CommandNames::RescanRequested)->trigger();
        ASSERT_TRUE(rescanned.wait());
        EXPECT_EQ(std::pair(bar->isVisible(), harness.app().model().ignoredIDs().size()),
                  std::pair(false, qsizetype(1)));
    }
}

TEST(StoredState, AWindowStateThatIsDamagedOrPlacesTheWindowOffTheScreensGivesTheDefaultSizeCentred)
{
    const QByteArray placed = R"({"x": 10, "y": 20, "width": 780, "height": 560, "maximized": true})";
    const std::pair<QByteArray, std::optional<WindowPlacement::State>> cases[] = {
        // the file (null: none), where the window comes back (none: as without a file)
        { {}, std::nullopt },
        { placed, WindowPlacement::State { QRect(10, 20, 780, 560), true } },
        { "{\"x\": 10,", std::nullopt },
        { QByteArray(placed).replace("780", "\"780\""), std::nullopt },
        { QByteArray(placed).replace("780", "0"), std::nullopt },
        { QByteArray(placed).replace("true", "1"), std::nullopt },
        { QByteArray(placed).replace("780", "5000"), std::nullopt }, // larger than the screen
        { QByteArray(placed).replace("10", "3000"), std::nullopt }, // where no screen is
    };
    WindowPlacement::State unplaced;
    for (const auto& [content, expected] : cases) {
        FixtureTree folder;
        const QString file =
            content.isNull() ? folder.pathOf(u"window.json"_s) : folder.writeFile(u"window.json"_s, content);
        KudoraApp::Parts parts;
        parts.windowStateFile = file;
        {
            ShellHarness harness(ShellHarness::standardInfo(), std::move(parts));
            ASSERT_TRUE(harness.openAndActivate());
            MainWindow& window = harness.window();
            const WindowPlacement::State shown { window.normalGeometry(), window.isMaximized() };
            if (content.isNull()) {
                unplaced = shown;
                const QPoint offCentre =
                    shown.geometry.center() - window.screen()->availableGeometry().center();
                EXPECT_LE(offCentre.manhattanLength(), 1);
            }
            EXPECT_EQ(shown, expected.value_or(unplaced)) << content.constData();
        }
        // Written back as it was left, replacing what could not be read.
        EXPECT_EQ(WindowPlacement::read(file), expected.value_or(unplaced)) << content.constData();
    }
}

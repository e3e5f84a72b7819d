#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "DefaultsDomain.h"
#include "LoopbackHttpServer.h"
#include "MainWindow.h"
#include "PropertyList.h"
#include "RecordingUserDriver.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "TestEnvironment.h"
#include "TestFeed.h"
#include "Updater.h"
#include "UpdaterController.h"

#include <QAction>
#include <QDirIterator>
#include <QFile>
#include <QHeaderView>
#include <QTest>
#include <QToolBar>

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

TEST(StoredState, OnlyTheIgnoreListReviewDatesAndUpdateKeysAreKept)
{
    const QString config = TestEnvironment::configPath();
    ASSERT_TRUE(filesBelow(config).isEmpty());
    LoopbackHttpServer server;
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"2"_s, u"2.0"_s } }));
    const QString plist = config + u"/org.kudora.Kudora.plist"_s;

    QSize firstSize;
    {
        Launch launch(server.url(u"/appcast.xml"_s));
        ShellHarness& harness = *launch.harness;
        ASSERT_TRUE(harness.openAndActivate());
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return launch.domain->value(Updater::SkippedVersionKey).isValid(); }));

        // What a person rearranges, which is not kept.
        MainWindow& window = harness.window();
        ContentView* content = window.contentView();
        AppTableView* table = content->tableView();
        QHeaderView* header = table->horizontalHeader();
        firstSize = window.size();
        const auto click = [](QWidget* widget, QPoint point) {
            QTest::mouseClick(widget, Qt::LeftButton, {}, point);
        };
        click(header->viewport(),
              QPoint(header->sectionViewportPosition(AppTableModel::NameColumn) + 10, header->height() / 2));
        ASSERT_EQ(header->sortIndicatorSection(), AppTableModel::NameColumn);
        window.resize(firstSize + QSize(200, 120));
        header->resizeSection(AppTableModel::LastAccessedColumn, 230);
        harness.action(CommandNames::ToggleToolBar)->trigger();
        QTest::keyClicks(content->searchField(), u"Be"_s);
        harness.app().model().setSearchQuery(QString());

        // What is meant to be kept: a review and an ignored application.
        // Sorted by name: Alpha, then Beta.
        const auto cell = [&](int row, int column) {
            return table->visualRect(table->model()->index(row, column)).center();
        };
        click(table->viewport(), cell(1, AppTableModel::AppStoreColumn));
        ASSERT_EQ(harness.workspace.openedUrls.size(), 1);
        click(table->viewport(), cell(0, AppTableModel::NameColumn));
        harness.action(CommandNames::IgnoreRequested)->trigger();
        ASSERT_EQ(harness.app().model().ignoredIDs(), QSet<QString> { ShellHarness::AlphaID });
    }

    // The domain file and the empty file its writers lock, nothing else (no settings file of Qt's).
    EXPECT_EQ(filesBelow(config),
              (QStringList { u"org.kudora.Kudora.plist"_s, u"org.kudora.Kudora.plist.lock"_s }));
    EXPECT_EQ(QFileInfo(plist + u".lock"_s).size(), 0);
    EXPECT_EQ(filesBelow(QFile::decodeName(qgetenv("XDG_DATA_HOME"))), QStringList());
    EXPECT_EQ(
        PropertyList::readDictionary(plist).value_or(QVariantMap()).keys(),
        (QStringList { u"SULastCheckTime"_s, u"SUSkippedVersion"_s, u"ignoredIDs"_s, u"reviewDates"_s }));

    // The next launch keeps the review and the ignore list, and nothing of the arrangement.
    Launch second(server.url(u"/appcast.xml"_s));
    ASSERT_TRUE(second.harness->openAndActivate());
    MainWindow& window = second.harness->window();
    QHeaderView* header = window.contentView()->tableView()->horizontalHeader();
    EXPECT_EQ(std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder()),
              std::pair(int(AppTableModel::LastAccessedColumn), Qt::DescendingOrder));
    EXPECT_EQ(header->sectionSize(AppTableModel::LastAccessedColumn), 150);
    EXPECT_EQ(
        std::tuple(window.size(), window.toolBar()->isVisible(), window.contentView()->searchField()->text()),
        std::tuple(firstSize, true, QString()));
    const QList<AppInfo> shown = second.harness->app().model().visibleApps();
    ASSERT_EQ(shown.size(), 1);
    EXPECT_EQ(std::pair(shown[0].id(), shown[0].lastReviewedDate().has_value()),
              std::pair(ShellHarness::BetaID, true));
}

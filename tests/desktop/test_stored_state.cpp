#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ContentView.h"
#include "DefaultsDomain.h"
#include "LoopbackHttpServer.h"
#include "MainWindow.h"
#include "PreferencesService.h"
#include "PropertyList.h"
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
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
const QString Identifier = u"org.kudora.Kudora"_s;

// Answers every update it is shown with "Skip This Version", so that the updater stores that too.
class SkippingUserDriver : public UserDriver
{
public:
    void showUpToDate() override { }
    void showUpdateFound(const AppcastItem&, UpdateReply reply) override
    {
        QTimer::singleShot(0, [reply] { reply(UpdateChoice::Skip); });
    }
    void showError(const QString&) override { }
};

// Every file below folder, relative to it.
QStringList filesBelow(const QString& folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

QPoint cellCentre(AppTableView* table, int row, int column)
{
    return table->visualRect(table->model()->index(row, column)).center();
}

// A launch of the whole program on the real store in the test's config folder, its updater
// reading a loopback feed that offers a newer version.
struct Launch
{
    explicit Launch(const QUrl& feed)
        : domain(DefaultsDomain::open(Identifier))
        , preferences(domain)
    {
        QVariantMap info = ShellHarness::standardInfo();
        info.insert(u"SUFeedURL"_s, feed.toString());
        info.insert(u"SUEnableAutomaticChecks"_s, true);
        KudoraApp::Parts parts;
        parts.preferences = &preferences;
        parts.makeUpdaterController = [domain = domain] {
            return std::make_unique<UpdaterController>(true, std::make_unique<SkippingUserDriver>(), domain,
                                                       TestFeed::loopbackOptions());
        };
        harness = std::make_unique<ShellHarness>(info, std::move(parts));
    }

    std::shared_ptr<DefaultsDomain> domain;
    PreferencesService preferences;
    std::unique_ptr<ShellHarness> harness;
};
} // namespace

TEST(StoredState, OnlyTheIgnoreListReviewDatesAndUpdateKeysAreKept)
{
    const QString config = TestEnvironment::configPath();
    const QString data = QFile::decodeName(qgetenv("XDG_DATA_HOME"));
    ASSERT_TRUE(filesBelow(config).isEmpty());
    LoopbackHttpServer server;
    server.serve(u"/appcast.xml"_s, TestFeed::rss({ { u"2"_s, u"2.0"_s } }));

    QSize firstSize;
    {
        Launch launch(server.url(u"/appcast.xml"_s));
        ASSERT_EQ(launch.domain->location(), config + u"/org.kudora.Kudora.plist"_s);
        ShellHarness& harness = *launch.harness;
        ASSERT_TRUE(harness.openAndActivate());
        // The automatic check at start finds 2.0, which the person skips.
        ASSERT_TRUE(
            QTest::qWaitFor([&] { return launch.domain->value(Updater::SkippedVersionKey).isValid(); }));

        MainWindow& window = harness.window();
        ContentView* content = window.contentView();
        AppTableView* table = content->tableView();
        QHeaderView* header = table->horizontalHeader();
        firstSize = window.size();

        // What a person rearranges, and must find as it was at the next launch.
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(AppTableModel::NameColumn) + 10, header->height() / 2));
        ASSERT_EQ(header->sortIndicatorSection(), AppTableModel::NameColumn);
        window.resize(firstSize + QSize(200, 120));
        header->resizeSection(AppTableModel::LastAccessedColumn, 230);
        harness.item(u"View"_s, u"Hide Toolbar"_s)->trigger();
        QTest::keyClicks(content->searchField(), u"Be"_s);
        ASSERT_EQ(table->model()->rowCount(), 1);
        content->searchField()->clear();
        harness.app().model().setSearchQuery(QString());

        // What is meant to be kept: a review and an ignored application.
        const int beta = content->tableModel()->rowOf(ShellHarness::BetaID);
        ASSERT_GE(beta, 0);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          cellCentre(table, beta, AppTableModel::AppStoreColumn));
        ASSERT_EQ(harness.workspace.openedUrls.size(), 1);
        const int alpha = content->tableModel()->rowOf(ShellHarness::AlphaID);
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {},
                          cellCentre(table, alpha, AppTableModel::NameColumn));
        harness.item(u"Edit"_s, u"Ignore"_s)->trigger();
        ASSERT_EQ(harness.app().model().ignoredIDs(), QSet<QString> { ShellHarness::AlphaID });
    }

    // The domain file and the empty file its writers lock, nothing else; no window geometry, no
    // settings file of Qt's own.
    EXPECT_EQ(filesBelow(config),
              (QStringList { u"org.kudora.Kudora.plist"_s, u"org.kudora.Kudora.plist.lock"_s }));
    EXPECT_EQ(QFileInfo(config + u"/org.kudora.Kudora.plist.lock"_s).size(), 0);
    EXPECT_TRUE(filesBelow(data).isEmpty()) << filesBelow(data).join(u", "_s).toStdString();

    QFile file(config + u"/org.kudora.Kudora.plist"_s);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const std::optional<QVariantMap> stored = PropertyList::parseDictionary(file.readAll());
    ASSERT_TRUE(stored.has_value());
    QStringList keys = stored->keys();
    keys.sort();
    EXPECT_EQ(
        keys,
        (QStringList { u"SULastCheckTime"_s, u"SUSkippedVersion"_s, u"ignoredIDs"_s, u"reviewDates"_s }));

    // The next launch keeps the review and the ignore list, and nothing of the arrangement.
    Launch second(server.url(u"/appcast.xml"_s));
    ShellHarness& harness = *second.harness;
    ASSERT_TRUE(harness.openAndActivate());
    MainWindow& window = harness.window();
    AppTableView* table = window.contentView()->tableView();
    QHeaderView* header = table->horizontalHeader();
    EXPECT_EQ(header->sortIndicatorSection(), AppTableModel::LastAccessedColumn);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(header->sectionSize(AppTableModel::LastAccessedColumn), 150);
    EXPECT_EQ(window.size(), firstSize);
    EXPECT_TRUE(window.toolBar()->isVisible());
    EXPECT_TRUE(window.contentView()->searchField()->text().isEmpty());
    ASSERT_EQ(table->model()->rowCount(), 1);
    EXPECT_EQ(window.contentView()->tableModel()->idAt(0), ShellHarness::BetaID);
    EXPECT_TRUE(window.contentView()->tableModel()->appAt(0)->lastReviewedDate().has_value());
}

#include "AppScanner.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "MemoryDefaultsDomain.h"
#include "MetadataSource.h"
#include "NotificationCenter.h"
#include "StatusBar.h"
#include "WindowFixture.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTest>

namespace {
// Holds the scanner's worker inside the metadata lookup until the test lets it go.
class GatedMetadataSource : public MetadataSource
{
public:
    std::optional<MetadataItem> itemForPath(const QString&) const override
    {
        entered.release();
        gate.acquire();
        MetadataItem item;
        item.setAttribute(kMDItemDisplayName.toString(), QStringLiteral("Gated"));
        return item;
    }

    mutable QSemaphore entered;
    mutable QSemaphore gate;
};

struct GateOpener
{
    std::shared_ptr<GatedMetadataSource> source;
    ~GateOpener() { source->gate.release(1000); }
};

int s_modelTestFailures = 0;
QtMessageHandler s_previousHandler = nullptr;

void countModelTestFailures(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.category && qstrcmp(context.category, "qt.modeltest") == 0 && type >= QtWarningMsg)
        ++s_modelTestFailures;
    s_previousHandler(type, context, message);
}
} // namespace

TEST_F(WindowTest, PlaceholderShowsWhileARealScanRuns)
{
    FixtureTree apps;
    apps.makeBundle(QStringLiteral("Applications/Gated.app"), QStringLiteral("com.example.gated"), 42);
    auto metadata = std::make_shared<GatedMetadataSource>();
    GateOpener opener { metadata };
    PreferencesService store(std::make_shared<MemoryDefaultsDomain>());
    AppModel scanning(store,
                      AppScanner(apps.pathOf(QStringLiteral("Applications")),
                                 apps.pathOf(QStringLiteral("home")), metadata));
    ContentView content(scanning);
    content.resize(800, 500);
    content.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&content));

    // The first scan starts on its own and stops in the metadata lookup.
    ASSERT_TRUE(QTest::qWaitFor([&] { return metadata->entered.tryAcquire(); }, 10000));
    ASSERT_TRUE(scanning.isScanning());
    EXPECT_TRUE(content.isShowingScanningPlaceholder());
    EXPECT_FALSE(content.tableView()->isVisible());
    const auto* label = content.findChild<QLabel*>(QStringLiteral("scanningLabel"));
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), QStringLiteral("Scanning Applications…"));
    // The status bar stays, counting what the model holds meanwhile.
    EXPECT_TRUE(content.statusBar()->isVisible());
    EXPECT_EQ(content.statusBar()->text(), QStringLiteral("0 App Store apps found"));

    QSignalSpy finished(&scanning, &AppModel::rescanFinished);
    metadata->gate.release();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(content.isShowingScanningPlaceholder());
    EXPECT_TRUE(content.tableView()->isVisible());
    EXPECT_EQ(content.tableModel()->rowCount(), 1);
    EXPECT_EQ(content.tableModel()->index(0, AppTableModel::NameColumn).data().toString(),
              QStringLiteral("Gated"));
    EXPECT_EQ(content.statusBar()->text(), QStringLiteral("1 App Store app found"));
}

TEST_F(WindowTest, TableModelStaysConsistentThroughMockModeSearchesAndIgnoring)
{
    s_modelTestFailures = 0;
    s_previousHandler = qInstallMessageHandler(countModelTestFailures);
    {
        QAbstractItemModelTester tester(view->tableModel(),
                                        QAbstractItemModelTester::FailureReportingMode::Warning);
        QSignalSpy finished(model.get(), &AppModel::rescanFinished);
        NotificationCenter::defaultCenter().post(CommandNames::toggleMockModeRequested());
        EXPECT_TRUE(model->isMockMode());
        ASSERT_TRUE(finished.wait(10000));
        ASSERT_EQ(view->tableModel()->rowCount(), 41);

        view->setSelection({ QStringLiteral("dummy.03"), QStringLiteral("dummy.04") });
        model->setSearchQuery(QStringLiteral("dummy"));
        EXPECT_EQ(view->tableModel()->rowCount(), 29);
        model->ignoreApps(view->selectedApps());
        EXPECT_EQ(view->tableModel()->rowCount(), 27);
        model->setShowingIgnored(true);
        EXPECT_EQ(view->tableModel()->rowCount(), 2);
        model->setSearchQuery(QString());
        model->setShowingIgnored(false);
        // In mock mode a rescan completes at once.
        model->rescan();
        EXPECT_FALSE(model->isScanning());
        EXPECT_EQ(view->tableModel()->rowCount(), 39);
    }
    qInstallMessageHandler(s_previousHandler);
    EXPECT_EQ(s_modelTestFailures, 0);
}

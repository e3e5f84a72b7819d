// Random sessions of everything that changes the table's rows, checked against AppModel::visibleApps()
// after every step, under Qt's model tester on both the catalogue's table and the visible rows.
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "NotificationCenter.h"
#include "PreferencesService.h"
#include "SearchField.h"
#include "VisibleAppsModel.h"
#include "Workspace.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;
using Names = CommandNames;

namespace {

struct QuietWorkspace : Workspace
{
    bool openUrl(const QUrl&) override { return true; }
    QIcon iconForFile(const QString&) override { return {}; }
};

class Session
{
public:
    explicit Session(unsigned seed)
        : m_random(seed)
    { }

    int pick(int count) { return int(m_random() % unsigned(count)); }
    bool chance(int percent) { return pick(100) < percent; }

    // Names that tie, differ in case, marks and composition, carry numbers, or are empty; ties on
    // dates too, and dates that are absent.
    QList<AppInfo> catalogue()
    {
        static const QStringList names { u"Alpha"_s,   u"alpha"_s, u"Café"_s,   u"Cafe\u0301"_s, u"Zeta 2"_s,
                                         u"Zeta 10"_s, u"Écran"_s, u"Ørsted"_s, QString(),       u"notes"_s };
        const QDateTime base(QDate(2026, 4, 1), QTime(9, 0), Qt::UTC);
        const auto date = [&](int percentAbsent) {
            return chance(percentAbsent) ? OptionalDate() : OptionalDate(base.addDays(-pick(12)));
        };
        QList<AppInfo> apps;
        const int count = 5 + pick(chance(85) ? 40 : 250);
        for (int i = 0; i < count; ++i) {
            const QString name =
                names.at(pick(int(names.size()))) + (chance(50) ? u" %1"_s.arg(pick(20)) : QString());
            if (chance(25))
                apps.append(AppInfo::flatpakApp(u"org.flat.App%1"_s.arg(i), name, u"/f"_s, date(30), date(50),
                                                date(60), std::nullopt));
            else
                apps.append(AppInfo(u"com.caf\u00e9.%1"_s.arg(i), name, u"/A.app"_s, u"1"_s, date(30),
                                    date(50), date(60)));
        }
        return apps;
    }

    QList<AppInfo> someOf(const QList<AppInfo>& apps)
    {
        QList<AppInfo> some;
        for (const AppInfo& app : apps)
            if (chance(30))
                some.append(app);
        return some;
    }

    SortOrder sortOrder()
    {
        QList<SortComparator::Key> keys { SortComparator::Key::Name,
                                          SortComparator::Key::LastAccessedSortDate,
                                          SortComparator::Key::LastReviewedSortDate };
        std::shuffle(keys.begin(), keys.end(), m_random);
        SortOrder order;
        for (int i = pick(4); i > 0; --i)
            order.append({ keys.at(i - 1), chance(50) ? Qt::AscendingOrder : Qt::DescendingOrder });
        return order;
    }

private:
    std::mt19937 m_random;
};

} // namespace

TEST(VisibleRows, RandomSessionsKeepTheRowsEqualToVisibleAppsAndEveryIndexOnItsApplication)
{
    FixtureTree tree;
    for (const int i : { 1, 2, 3 })
        tree.makeBundle(u"Applications/Scanned%1.app"_s.arg(i), u"com.scanned.%1"_s.arg(i), 100 + i);
    const QString folder = tree.pathOf(u"Applications"_s), home = tree.makeFolder(u"home"_s);
    QuietWorkspace workspace;
    const QStringList queries { QString(),    u"a"_s, u"ALPHA"_s,    u"caf"_s, u"café"_s,
                                u"e\u0301"_s, u" "_s, u"org.flat"_s, u"2"_s,   u"zz"_s };

    for (unsigned seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        Session session(seed);
        PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
        AppModel model(preferences, AppScanner(folder, home));
        QSignalSpy scans(&model, &AppModel::rescanFinished);
        ASSERT_TRUE(scans.wait(10000));
        NotificationCenter center;
        QMainWindow window;
        auto* view = new ContentView(model, workspace, center);
        window.setCentralWidget(view);
        window.resize(800, 500);
        window.show();
        QCoreApplication::processEvents();
        VisibleAppsModel* rows = view->rows();
        const QAbstractItemModelTester visibleTester(rows,
                                                     QAbstractItemModelTester::FailureReportingMode::Fatal);
        const QAbstractItemModelTester tableTester(rows->sourceModel(),
                                                   QAbstractItemModelTester::FailureReportingMode::Fatal);
        model.setApps(session.catalogue());
        // Indexes taken along the way, with the id each stood for.
        QList<std::pair<QPersistentModelIndex, QString>> taken;

        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(step);
            const QList<AppInfo> visible = model.visibleApps();
            switch (session.pick(14)) {
            case 0:
                model.setSearchQuery(queries.at(session.pick(int(queries.size()))));
                break;
            case 1:
                QTest::keyClicks(view->searchField(), session.chance(50) ? u"e"_s : u"\b"_s);
                break;
            case 2:
                model.setShowingIgnored(!model.showingIgnored());
                break;
            case 3:
                model.setSortOrder(session.sortOrder());
                break;
            case 4: {
                QHeaderView* header = view->tableView()->horizontalHeader();
                QTest::mouseClick(
                    header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(session.pick(5)) + 5, header->height() / 2));
                break;
            }
            case 5: {
                QSet<QString> ids;
                for (const AppInfo& app : session.someOf(visible))
                    ids.insert(app.id());
                view->setSelection(ids);
                center.post(model.showingIgnored() ? Names::ClearIgnoreRequested : Names::IgnoreRequested);
                break;
            }
            case 6:
                session.chance(50) ? model.ignoreApps(session.someOf(model.apps()))
                                   : model.unignoreApps(session.someOf(model.apps()));
                break;
            case 7:
                model.resetIgnoreList();
                break;
            case 8:
                if (!visible.isEmpty())
                    model.recordReview(visible.at(session.pick(int(visible.size()))));
                break;
            case 9:
                model.resetReviewDates(session.someOf(model.apps()));
                break;
            case 10:
                model.setApps(session.chance(20) ? model.apps() : session.catalogue());
                break;
            case 11:
                // The sample catalogue's rescan runs in one turn; a real one on the worker thread.
                if (session.chance(60)) {
                    model.toggleMockMode();
                    ASSERT_TRUE(scans.wait(10000));
                } else if (!model.isMockMode()) {
                    model.rescan();
                    ASSERT_TRUE(scans.wait(10000));
                }
                break;
            default:
                QCoreApplication::processEvents(); // a paint reads every shown cell
                break;
            }

            const QList<AppInfo> expected = model.visibleApps();
            ASSERT_EQ(rows->rowCount(), expected.size());
            for (int row = 0; row < rows->rowCount(); ++row)
                ASSERT_EQ(rows->index(row, 0).data(AppTableModel::IdRole).toString(),
                          AppInfo::idKey(expected[row].id()))
                    << row;
            for (const auto& [index, id] : std::as_const(taken))
                ASSERT_TRUE(!index.isValid() || index.data(AppTableModel::IdRole).toString() == id);
            taken.removeIf([](const auto& entry) { return !entry.first.isValid(); });
            for (QAbstractItemModel* source :
                 { static_cast<QAbstractItemModel*>(rows), rows->sourceModel() }) {
                if (source->rowCount() > 0 && taken.size() < 40) {
                    const QModelIndex index =
                        source->index(session.pick(source->rowCount()), session.pick(5));
                    taken.append({ index, index.data(AppTableModel::IdRole).toString() });
                }
            }
        }
    }
}

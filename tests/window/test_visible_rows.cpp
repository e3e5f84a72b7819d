// Random sessions of everything that changes the table's rows, checked after every step against
// AppModel::visibleApps(), under Qt's model tester on the catalogue's table and on the visible rows.
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "NotificationCenter.h"
#include "PreferencesService.h"
#include "RecordingWorkspace.h"
#include "SearchField.h"
#include "VisibleAppsModel.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QMainWindow>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;

TEST(VisibleRows, RandomSessionsKeepTheRowsEqualToVisibleAppsAndEveryIndexOnItsApplication)
{
    FixtureTree tree;
    for (const int i : { 1, 2, 3 })
        tree.makeBundle(u"Applications/Scanned%1.app"_s.arg(i), u"com.scanned.%1"_s.arg(i), 100 + i);
    const QString folder = tree.pathOf(u"Applications"_s), home = tree.makeFolder(u"home"_s);
    RecordingWorkspace workspace;
    // Names that tie, differ in case, marks or composition, carry numbers or are empty.
    const QStringList names { u"Alpha"_s,   u"alpha"_s, u"Café"_s, u"Cafe\u0301"_s, u"Zeta 2"_s,
                              u"Zeta 10"_s, u"Écran"_s, QString(), u"notes"_s };
    const QStringList queries { QString(),    u"a"_s, u"ALPHA"_s,    u"caf"_s, u"café"_s,
                                u"e\u0301"_s, u" "_s, u"org.flat"_s, u"2"_s,   u"zz"_s };

    for (unsigned seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const auto pick = [&](qsizetype count) { return int(random() % unsigned(count)); };
        const auto chance = [&](int percent) { return pick(100) < percent; };
        const QDateTime base(QDate(2026, 4, 1), QTime(9, 0), Qt::UTC);
        // Dates that tie, and dates that are absent.
        const auto date = [&](int percentAbsent) {
            return chance(percentAbsent) ? OptionalDate() : OptionalDate(base.addDays(-pick(12)));
        };
        const auto catalogue = [&] {
            QList<AppInfo> apps;
            for (int i = 0, count = 5 + pick(chance(85) ? 40 : 250); i < count; ++i) {
                const QString name =
                    names.at(pick(names.size())) + (chance(50) ? u" %1"_s.arg(pick(20)) : QString());
                apps.append(chance(25) ? AppInfo::flatpakApp(u"org.flat.App%1"_s.arg(i), name, u"/f"_s,
                                                             date(30), date(50), date(60), std::nullopt)
                                       : AppInfo(u"com.caf\u00e9.%1"_s.arg(i), name, u"/A.app"_s, u"1"_s,
                                                 date(30), date(50), date(60)));
            }
            return apps;
        };
        const auto someOf = [&](const QList<AppInfo>& apps) {
            QList<AppInfo> some;
            std::ranges::copy_if(apps, std::back_inserter(some), [&](const AppInfo&) { return chance(30); });
            return some;
        };

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
        using Tester = QAbstractItemModelTester;
        const Tester visibleTester(rows, Tester::FailureReportingMode::Fatal);
        const Tester tableTester(rows->sourceModel(), Tester::FailureReportingMode::Fatal);
        model.setApps(catalogue());
        // Indexes taken along the way, with the id each stood for.
        QList<std::pair<QPersistentModelIndex, QString>> taken;

        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(step);
            const QList<AppInfo> visible = model.visibleApps();
            switch (pick(14)) {
            case 0:
                model.setSearchQuery(queries.at(pick(queries.size())));
                break;
            case 1:
                QTest::keyClicks(view->searchField(), chance(50) ? u"e"_s : u"\b"_s);
                break;
            case 2:
                model.setShowingIgnored(!model.showingIgnored());
                break;
            case 3: {
                QList<SortComparator::Key> keys { SortComparator::Key::Name,
                                                  SortComparator::Key::LastAccessedSortDate,
                                                  SortComparator::Key::LastReviewedSortDate };
                std::shuffle(keys.begin(), keys.end(), random);
                SortOrder order;
                for (int i = pick(4); i > 0; --i)
                    order.append({ keys.at(i - 1), chance(50) ? Qt::AscendingOrder : Qt::DescendingOrder });
                model.setSortOrder(order);
                break;
            }
            case 4: {
                QHeaderView* header = view->tableView()->horizontalHeader();
                QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                                  QPoint(header->sectionViewportPosition(pick(5)) + 5, header->height() / 2));
                break;
            }
            case 5: {
                // The command takes the selected rows, all of them and nothing else, and ends the selection.
                QSet<QString> ids, before = model.ignoredIDs();
                for (const AppInfo& app : someOf(visible))
                    ids.insert(app.id());
                view->setSelection(ids);
                const bool ignoring = !model.showingIgnored();
                center.post(ignoring ? CommandNames::IgnoreRequested : CommandNames::ClearIgnoreRequested);
                ASSERT_EQ(model.ignoredIDs(), ignoring ? before | ids : before - ids);
                ASSERT_FALSE(view->hasSelection());
                break;
            }
            case 6:
                chance(50) ? model.ignoreApps(someOf(model.apps()))
                           : model.unignoreApps(someOf(model.apps()));
                break;
            case 7:
                model.resetIgnoreList();
                break;
            case 8:
                if (!visible.isEmpty())
                    model.recordReview(visible.at(pick(visible.size())));
                break;
            case 9:
                model.resetReviewDates(someOf(model.apps()));
                break;
            case 10:
                model.setApps(chance(20) ? model.apps() : catalogue());
                break;
            case 11:
                // Into or out of the sample catalogue, or a real scan on the worker thread.
                if (chance(60) || model.isMockMode())
                    model.toggleMockMode();
                else
                    model.rescan();
                ASSERT_TRUE(scans.wait(10000));
                break;
            default:
                QCoreApplication::processEvents(); // a paint reads every shown cell
                break;
            }

            const QList<AppInfo> expected = model.visibleApps();
            ASSERT_EQ(rows->rowCount(), expected.size());
            for (int row = 0; row < rows->rowCount(); ++row)
                ASSERT_EQ(rows->index(row, 0).data(AppTableModel::IdRole).toString(),
                          AppInfo::idKey(expected[row].id()));
            for (const auto& [index, id] : std::as_const(taken))
                ASSERT_TRUE(!index.isValid() || index.data(AppTableModel::IdRole).toString() == id);
            taken.removeIf([](const auto& entry) { return !entry.first.isValid(); });
            for (QAbstractItemModel* source :
                 { static_cast<QAbstractItemModel*>(rows), rows->sourceModel() }) {
                if (source->rowCount() > 0 && taken.size() < 40) {
                    const QModelIndex index = source->index(pick(source->rowCount()), pick(5));
                    taken.append({ index, index.data(AppTableModel::IdRole).toString() });
                }
            }
        }
    }
}

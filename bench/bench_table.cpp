// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Painting one full viewport of the application table with 10,000 records, against the floor of
// a plain QTableView of the same size, rows and columns over a model that hands out precomputed
// texts. The table's work beyond the floor is its delegate, the icons and reading each cell from
// the catalogue.
//
// Also ignoring 1,000 selected rows through the window (the menu command), against the floor of
// the model ignoring the same applications with no window watching it; and recording one review
// and ignoring one row with the window watching, and the answer of the ratings service for one row
// coming, against the floor of one dataChanged on a plain QStandardItemModel under a shown
// QTableView.

#include "AppModel.h"
#include "AppTableView.h"
#include "BenchTable.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "DesktopWorkspace.h"
#include "MemoryDefaultsDomain.h"
#include "NotificationCenter.h"
#include "PreferencesService.h"

#include <QAbstractTableModel>
#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLocale>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTableView>
#include <QTest>
#include <QUndoStack>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

constexpr int RecordCount = 10000;
constexpr int IgnoredCount = 1000;
constexpr int Columns = 5;
const QSize WindowSize(900, 600);

QList<AppInfo> makeCatalogue()
{
    const QDateTime base(QDate(2026, 4, 1), QTime(0, 0), Qt::UTC);
    QList<AppInfo> apps;
    apps.reserve(RecordCount);
    for (int i = 0; i < RecordCount; ++i) {
        const QString name = u"Application %1"_s.arg(i);
        const OptionalDate lastUsed = i % 11 == 0 ? OptionalDate() : OptionalDate(base.addSecs(-i * 3571));
        const OptionalDate modified = OptionalDate(base.addDays(-(i % 400)));
        const OptionalDate reviewed = i % 4 == 0 ? OptionalDate(base.addSecs(-i * 97)) : OptionalDate();
        apps.append(AppInfo(AppId(u"com.vendor.app%1"_s.arg(i)), name,
                            u"/nonexistent/kudora-bench/"_s + name + u".app"_s, QString::number(100000 + i),
                            lastUsed, modified, reviewed));
    }
    return apps;
}

// The floor's model: the same rows and columns, with texts made beforehand.
class PlainModel : public QAbstractTableModel
{
public:
    explicit PlainModel(const QList<AppInfo>& apps)
    {
        for (const AppInfo& app : apps)
            m_cells.push_back(
                { QString(), app.name(), app.lastAccessedText(), u"Open ↗"_s, app.lastReviewedText() });
    }
    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_cells.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : Columns; }
    QVariant data(const QModelIndex& index, int role) const override
    {
        if (role != Qt::DisplayRole)
            return {};
        return m_cells[size_t(index.row())][size_t(index.column())];
    }

private:
    std::vector<std::array<QString, Columns>> m_cells;
};

struct Fixture
{
    Fixture()
        : preferences(std::make_shared<MemoryDefaultsDomain>())
        , model(preferences, AppSources {})
        , floorPreferences(std::make_shared<MemoryDefaultsDomain>())
        , floorModel(floorPreferences, AppSources {})
    { }

    AppTableView* table() const { return view->findChild<AppTableView*>(u"applicationTable"_s); }

    PreferencesService preferences;
    AppModel model;
    PreferencesService floorPreferences;
    AppModel floorModel;
    DesktopWorkspace workspace;
    NotificationCenter center;
    QUndoStack undoStack;
    std::unique_ptr<ContentView> view;
    std::unique_ptr<PlainModel> plainModel;
    std::unique_ptr<QTableView> plainTable;
    std::unique_ptr<QStandardItemModel> standardModel;
    std::unique_ptr<QTableView> standardTable;
};

Fixture* s_fixture = nullptr;

void paintViewport(benchmark::State& state, QWidget* viewport)
{
    QImage image(viewport->size() * viewport->devicePixelRatio(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(viewport->devicePixelRatio());
    for (auto _ : state) {
        viewport->render(&image);
        benchmark::DoNotOptimize(image.constBits());
    }
}

void tableViewport(benchmark::State& state)
{
    paintViewport(state, s_fixture->table()->viewport());
}

void floorPlainTableViewport(benchmark::State& state)
{
    paintViewport(state, s_fixture->plainTable->viewport());
}

QList<AppInfo> firstApps(const AppModel& model)
{
    return model.visibleApps().mid(0, IgnoredCount);
}

void ignoreSelectedInWindow(benchmark::State& state)
{
    ContentView& view = *s_fixture->view;
    AppModel& model = s_fixture->model;
    for (auto _ : state) {
        state.PauseTiming();
        model.resetIgnoreList();
        QSet<AppId> ids;
        for (const AppInfo& app : firstApps(model))
            ids.insert(app.id());
        view.setSelection(ids);
        state.ResumeTiming();
        s_fixture->center.post(CommandNames::IgnoreRequested);
    }
    if (model.ignoredIDs().size() != IgnoredCount
        || s_fixture->table()->model()->rowCount() != RecordCount - IgnoredCount)
        state.SkipWithError("the window did not ignore the selected rows");
}

// A hundred rows in turn, so that the stored review dates stay few.
constexpr int ReviewedRows = 100;

void reviewOneRowInWindow(benchmark::State& state)
{
    AppModel& model = s_fixture->model;
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const AppInfo app = model.apps().at((next++ % ReviewedRows) * (RecordCount / ReviewedRows));
        state.ResumeTiming();
        model.recordReview(app);
    }
}

void ignoreOneRowInWindow(benchmark::State& state)
{
    AppModel& model = s_fixture->model;
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        model.resetIgnoreList();
        const QList<AppInfo> app { model.apps().at((next++ % ReviewedRows) * (RecordCount / ReviewedRows)) };
        state.ResumeTiming();
        model.ignoreApps(app);
    }
    model.resetIgnoreList();
}

// The user's review of one row found on the ratings service, and then not, in turn.
void onlineAnswerInWindow(benchmark::State& state)
{
    AppModel& model = s_fixture->model;
    int next = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const AppInfo app = model.apps().at((next % ReviewedRows) * (RecordCount / ReviewedRows));
        std::optional<OnlineReview> review;
        if (next++ / ReviewedRows % 2 == 0)
            review = OnlineReview { QDateTime::currentDateTimeUtc(), 80, u"Good"_s };
        state.ResumeTiming();
        model.setOnlineReview(app.id(), std::move(review));
    }
}

void floorOneDataChanged(benchmark::State& state)
{
    QStandardItemModel& plain = *s_fixture->standardModel;
    int next = 0;
    for (auto _ : state) {
        plain.item((next % ReviewedRows) * (RecordCount / ReviewedRows), Columns - 1)
            ->setText(QString::number(next));
        ++next;
    }
}

void floorIgnoreWithoutWindow(benchmark::State& state)
{
    AppModel& model = s_fixture->floorModel;
    for (auto _ : state) {
        state.PauseTiming();
        model.resetIgnoreList();
        const QList<AppInfo> apps = firstApps(model);
        state.ResumeTiming();
        model.ignoreApps(apps);
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    Fixture fixture;
    // The model's first scan finds nothing in its missing folders; the catalogue comes after it.
    QSignalSpy scanned(&fixture.model, &AppModel::rescanFinished);
    QSignalSpy floorScanned(&fixture.floorModel, &AppModel::rescanFinished);
    if (!scanned.wait(10000) || (floorScanned.isEmpty() && !floorScanned.wait(10000)))
        return 1;
    const QList<AppInfo> apps = makeCatalogue();
    fixture.model.setApps(apps);
    fixture.floorModel.setApps(apps);
    fixture.view =
        std::make_unique<ContentView>(fixture.model, fixture.workspace, fixture.center, fixture.undoStack);
    fixture.view->resize(WindowSize);
    fixture.view->show();
    fixture.plainModel = std::make_unique<PlainModel>(apps);
    fixture.plainTable = std::make_unique<QTableView>();
    fixture.plainTable->setModel(fixture.plainModel.get());
    fixture.plainTable->verticalHeader()->setDefaultSectionSize(
        fixture.table()->verticalHeader()->defaultSectionSize());
    fixture.plainTable->resize(fixture.table()->size());
    fixture.plainTable->show();
    fixture.standardModel = std::make_unique<QStandardItemModel>(RecordCount, Columns);
    for (int row = 0; row < RecordCount; ++row) {
        for (int column = 0; column < Columns; ++column)
            fixture.standardModel->setItem(row, column, new QStandardItem(apps.at(row).name()));
    }
    fixture.standardTable = std::make_unique<QTableView>();
    fixture.standardTable->setModel(fixture.standardModel.get());
    fixture.standardTable->resize(fixture.table()->size());
    fixture.standardTable->show();
    if (!QTest::qWaitForWindowExposed(fixture.view.get())
        || !QTest::qWaitForWindowExposed(fixture.plainTable.get()))
        return 1;
    if (fixture.table()->model()->rowCount() != RecordCount) {
        std::fprintf(stderr, "bench_table: the table shows %d rows\n", fixture.table()->model()->rowCount());
        return 1;
    }
    s_fixture = &fixture;

    constexpr int Repetitions = 9;
    BenchTable::measure("tableViewport", tableViewport, Repetitions);
    BenchTable::measure("floorPlainTableViewport", floorPlainTableViewport, Repetitions);

    BenchTable::measure("ignoreSelectedInWindow", ignoreSelectedInWindow, Repetitions)->Iterations(1);
    BenchTable::measure("floorIgnoreWithoutWindow", floorIgnoreWithoutWindow, Repetitions)->Iterations(1);

    using Bench = std::pair<const char*, void (*)(benchmark::State&)>;
    for (const auto& [name, function] : { Bench("reviewOneRowInWindow", reviewOneRowInWindow),
                                          Bench("ignoreOneRowInWindow", ignoreOneRowInWindow),
                                          Bench("onlineAnswerInWindow", onlineAnswerInWindow),
                                          Bench("floorOneDataChanged", floorOneDataChanged) }) {
        BenchTable::measure(name, function, Repetitions)->Iterations(200);
    }

    BenchTable::MedianCollector collector;
    if (!BenchTable::run(&argc, argv, collector))
        return 1;
    const QSize viewport = fixture.table()->viewport()->size();
    BenchTable::print({ "table viewport paint, 10,000 rows (" + std::to_string(viewport.width()) + "x"
                            + std::to_string(viewport.height()) + ")",
                        collector.median("tableViewport").realMs, "ms",
                        collector.median("floorPlainTableViewport").realMs, BenchTable::Target::Below, 8.0 });
    BenchTable::print({ "ignoring 1,000 selected rows in the window, 10,000 records",
                        collector.median("ignoreSelectedInWindow").realMs, "ms",
                        collector.median("floorIgnoreWithoutWindow").realMs, BenchTable::Target::None, 0 });
    // In microseconds: the floor is well below a millisecond.
    const double oneDataChanged = collector.median("floorOneDataChanged").realMs * 1000;
    BenchTable::print({ "recording a review, 10,000-row table",
                        collector.median("reviewOneRowInWindow").realMs * 1000, "us", oneDataChanged,
                        BenchTable::Target::Below, 2000 });
    BenchTable::print({ "one online review found or gone, 10,000-row table",
                        collector.median("onlineAnswerInWindow").realMs * 1000, "us", oneDataChanged,
                        BenchTable::Target::Below, 2000 });
    BenchTable::print({ "ignoring one row, 10,000-row table",
                        collector.median("ignoreOneRowInWindow").realMs * 1000, "us", oneDataChanged,
                        BenchTable::Target::Below, 2000 });
    benchmark::Shutdown();
    return 0;
}

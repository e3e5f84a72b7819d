// The main window's content driven as a user drives it: clicks, keys, menus and the search field in
// a toolbar, on a real AppModel over an in-memory store. Every test runs its table model under
// QAbstractItemModelTester.
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "EmptyStateView.h"
#include "FakeMetadata.h"
#include "FixtureTree.h"
#include "FocusedValues.h"
#include "LabelColors.h"
#include "MemoryDefaultsDomain.h"
#include "NotificationCenter.h"
#include "PreferencesService.h"
#include "SearchField.h"
#include "StatusBar.h"
#include "Workspace.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>
#include <QToolBar>

#include <gtest/gtest.h>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace {

// Stands in for the desktop: records what the window asks of it and fails every opening.
class RecordingWorkspace : public Workspace
{
public:
    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        if (onOpen)
            onOpen();
        return false;
    }
    // A red 64 × 32 icon, so that fitting and centring show.
    QIcon iconForFile(const QString&) override
    {
        QPixmap pixmap(64, 32);
        pixmap.fill(Qt::red);
        return QIcon(pixmap);
    }

    QList<QUrl> openedUrls;
    std::function<void()> onOpen;
};

// A store whose batches can fail as a full disk makes them fail: everything the batch changed is
// gone when it ends.
class FailingBatchDomain : public MemoryDefaultsDomain
{
public:
    bool failBatches = false;

protected:
    void beginBatch() override { m_before = value(PreferencesService::ReviewDatesKey); }
    void endBatch() override
    {
        if (failBatches && m_before.isValid())
            setValue(PreferencesService::ReviewDatesKey, m_before);
        else if (failBatches)
            removeValue(PreferencesService::ReviewDatesKey);
    }

private:
    QVariant m_before;
};

int s_modelTestFailures = 0;
QtMessageHandler s_previousHandler = nullptr;

void countModelTestFailures(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (context.category && qstrcmp(context.category, "qt.modeltest") == 0 && type >= QtWarningMsg)
        ++s_modelTestFailures;
    s_previousHandler(type, context, message);
}

QDateTime day(int daysAgo)
{
    return QDateTime(QDate(2026, 3, 31), QTime(12, 0), Qt::UTC).addDays(-daysAgo);
}

AppInfo app(const QString& id, const QString& name, int daysAgo, OptionalDate reviewed = std::nullopt,
            const QString& adamID = u"1001"_s)
{
    return AppInfo(id, name, u"/Applications/"_s + name + u".app"_s, adamID, day(daysAgo), std::nullopt,
                   std::move(reviewed));
}

// Records "App 00" … last used 0, 1, … days ago, so that the table shows them in that order.
QList<AppInfo> numberedApps(int count)
{
    QList<AppInfo> apps;
    for (int i = 0; i < count; ++i)
        apps.append(app(u"com.example.%1"_s.arg(i, 2, 10, QChar(u'0')),
                        u"App %1"_s.arg(i, 2, 10, QChar(u'0')), i, day(100 + i)));
    return apps;
}

void post(const QString& name)
{
    NotificationCenter::defaultCenter().post(name);
}

} // namespace

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        s_modelTestFailures = 0;
        s_previousHandler = qInstallMessageHandler(countModelTestFailures);
        model = std::make_unique<AppModel>(
            preferences, AppScanner(tree.makeFolder(u"Applications"_s), tree.makeFolder(u"home"_s)));
        QSignalSpy finished(model.get(), &AppModel::rescanFinished);
        ASSERT_TRUE(finished.wait(10000));

        // As the program's window holds it: the content in the middle, the field in the toolbar.
        view = new ContentView(*model, workspace);
        window.setCentralWidget(view);
        window.addToolBar(Qt::TopToolBarArea, new QToolBar(&window));
        window.findChild<QToolBar*>()->addWidget(view->searchField());
        tester = std::make_unique<QAbstractItemModelTester>(
            view->tableModel(), QAbstractItemModelTester::FailureReportingMode::Warning);
        window.resize(900, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        table()->setFocus();
    }

    void TearDown() override
    {
        tester.reset();
        qInstallMessageHandler(s_previousHandler);
        EXPECT_EQ(s_modelTestFailures, 0) << "the table model broke its contract";
    }

    AppTableView* table() const { return view->tableView(); }
    AppTableModel* rows() const { return view->tableModel(); }

    QStringList column(int column) const
    {
        QStringList texts;
        for (int row = 0; row < rows()->rowCount(); ++row)
            texts.append(rows()->index(row, column).data().toString());
        return texts;
    }
    QStringList names() const { return column(AppTableModel::NameColumn); }

    // The table shows what the model's list holds, in its order.
    void expectRowsFollowTheModel() const
    {
        QStringList expected;
        for (const AppInfo& record : model->visibleApps())
            expected.append(record.name());
        EXPECT_EQ(names(), expected);
    }

    QStringList selectedNames() const
    {
        QStringList selected;
        for (const AppInfo& record : view->selectedApps())
            selected.append(record.name());
        return selected;
    }

    const AppInfo& record(const QString& id) const
    {
        for (const AppInfo& each : model->apps()) {
            if (each.id() == id)
                return each;
        }
        throw std::runtime_error("no record");
    }

    QPoint cellCentre(int row, int column) const
    {
        return table()->visualRect(rows()->index(row, column)).center();
    }
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, modifiers, cellCentre(row, column));
    }
    void clickHeader(int column)
    {
        QHeaderView* header = table()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                                 header->height() / 2));
    }
    int rowAtTop() const { return table()->rowAt(0); }
    int yOfRow(int row) const { return table()->rowViewportPosition(row); }

    // Sends a mouse context-menu event at pos (viewport coordinates); the menu shown, or nullptr.
    QMenu* contextMenuAt(const QPoint& pos)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, table()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(table()->viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    QMenu* contextMenuOnRow(int row) { return contextMenuAt(cellCentre(row, AppTableModel::NameColumn)); }
    static QStringList titles(const QMenu* menu)
    {
        QStringList texts;
        for (const QAction* action : menu->actions())
            texts.append(action->text());
        return texts;
    }
    static void trigger(QMenu* menu, const QString& title)
    {
        for (QAction* action : menu->actions()) {
            if (action->text() == title) {
                action->trigger();
                menu->close();
                return;
            }
        }
        ADD_FAILURE() << "no menu item " << title.toStdString();
    }

    RecordingWorkspace workspace;
    FixtureTree tree;
    std::shared_ptr<FailingBatchDomain> domain = std::make_shared<FailingBatchDomain>();
    PreferencesService preferences { domain };
    std::unique_ptr<AppModel> model;
    QMainWindow window;
    ContentView* view = nullptr;
    std::unique_ptr<QAbstractItemModelTester> tester;
};

TEST_F(WindowTest, RowsShowTheRecordsTextsTooltipsIconsAndLabelLevels)
{
    QStringList headers;
    for (int column = 0; column < AppTableModel::ColumnCount; ++column)
        headers.append(rows()->headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(headers,
              (QStringList { QString(), u"Application"_s, u"Last Accessed"_s, u"App Store"_s,
                             u"Last Reviewed"_s }));

    const AppInfo modified(u"com.example.modified"_s, u"Modified"_s, u"/Apps/<b>bold</b> &amp; co.app"_s,
                           u"2"_s, std::nullopt, day(10), std::nullopt);
    const AppInfo undated(u"dummy.01"_s, QString(), u"/Apps/none.app"_s, u"3"_s, std::nullopt, std::nullopt,
                          std::nullopt);
    model->setApps({ undated,
                     app(u"com.example.used"_s, u"Used"_s, 1, QDateTime::currentDateTimeUtc().addDays(-1)),
                     modified });

    // Newest use first; the modification date stands in for a missing use; no date sorts last.
    EXPECT_EQ(names(), (QStringList { u"Used"_s, u"Modified"_s, QString() }));
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn),
              (QStringList { u"Mar 30, 2026"_s, u"Mar 21, 2026"_s, u"—"_s }));
    EXPECT_EQ(column(AppTableModel::AppStoreColumn), QStringList(3, u"Open ↗"_s));
    EXPECT_EQ(column(AppTableModel::LastReviewedColumn),
              (QStringList { u"yesterday"_s, u"Never"_s, u"Never"_s }));

    const auto data = [this](int row, int column, int role) { return rows()->index(row, column).data(role); };
    struct Cell
    {
        int row;
        int column;
        QString tooltip;
        LabelColors::Level level;
    };
    const QString neverLaunched = u"Showing file modification date (app never launched)"_s;
    for (const Cell& cell : {
             Cell { 0, AppTableModel::LastAccessedColumn, u"Last launched date"_s,
                    LabelColors::Level::Primary },
             Cell { 1, AppTableModel::LastAccessedColumn, neverLaunched, LabelColors::Level::Secondary },
             Cell { 2, AppTableModel::LastAccessedColumn, neverLaunched, LabelColors::Level::Secondary },
             Cell { 0, AppTableModel::LastReviewedColumn, QString(), LabelColors::Level::Primary },
             Cell { 1, AppTableModel::LastReviewedColumn, QString(), LabelColors::Level::Tertiary },
         }) {
        EXPECT_EQ(data(cell.row, cell.column, Qt::ToolTipRole).toString(), cell.tooltip) << cell.row;
        EXPECT_EQ(data(cell.row, cell.column, AppTableModel::LabelLevelRole).toInt(), int(cell.level))
            << cell.row;
    }
    EXPECT_EQ(data(0, AppTableModel::AppStoreColumn, Qt::AccessibleTextRole).toString(),
              u"Open App Store page for Used"_s);

    // The icon tooltip is the path as typed, also when it looks like markup.
    const QString tooltip = data(1, AppTableModel::IconColumn, Qt::ToolTipRole).toString();
    QTextDocument shown;
    if (Qt::mightBeRichText(tooltip))
        shown.setHtml(tooltip);
    else
        shown.setPlainText(tooltip);
    EXPECT_EQ(shown.toPlainText(), modified.bundlePath());

    // Icons fit 24 × 24 with their shape kept (64 × 32 becomes 24 × 12, centred); a nameless record's
    // icon is clear but keeps its tooltip; a dense screen gets the full pixel size.
    const QImage icon = data(0, AppTableModel::IconColumn, Qt::DecorationRole).value<QPixmap>().toImage();
    EXPECT_EQ(icon.size(), QSize(24, 24));
    EXPECT_EQ(qAlpha(icon.pixel(12, 12)), 255);
    EXPECT_EQ(qAlpha(icon.pixel(12, 2)), 0);
    const QImage nameless = data(2, AppTableModel::IconColumn, Qt::DecorationRole).value<QPixmap>().toImage();
    QImage clear(QSize(24, 24), QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_EQ(nameless.convertToFormat(QImage::Format_ARGB32), clear);
    EXPECT_EQ(data(2, AppTableModel::IconColumn, Qt::ToolTipRole).toString(), u"/Apps/none.app"_s);
    EXPECT_EQ(rows()->iconPixmap(model->apps().at(1), 2.0).size(), QSize(48, 48));
}

TEST_F(WindowTest, HeaderClicksSortThroughTheModel)
{
    using Key = SortComparator::Key;
    model->setApps({ app(u"b"_s, u"Beta"_s, 3, day(1)), app(u"a"_s, u"alpha"_s, 1),
                     app(u"c"_s, u"Gamma"_s, 2, day(5)) });
    const QHeaderView* header = table()->horizontalHeader();
    const SortComparator lastUse(Key::LastAccessedSortDate, Qt::DescendingOrder);
    const SortComparator nameUp(Key::Name, Qt::AscendingOrder), nameDown(Key::Name, Qt::DescendingOrder);
    const SortComparator reviewDown(Key::LastReviewedSortDate, Qt::DescendingOrder);
    // A name starts ascending, a date newest first, and clicking the first key again flips it; a key
    // further down comes first with the direction it had; columns without a key change nothing.
    for (const auto& [column, order] : QList<std::pair<int, SortOrder>> {
             { AppTableModel::NameColumn, { nameUp, lastUse } },
             { AppTableModel::NameColumn, { nameDown, lastUse } },
             { AppTableModel::LastReviewedColumn, { reviewDown, nameDown, lastUse } },
             { AppTableModel::NameColumn, { nameDown, reviewDown, lastUse } },
             { AppTableModel::IconColumn, { nameDown, reviewDown, lastUse } },
             { AppTableModel::AppStoreColumn, { nameDown, reviewDown, lastUse } },
         }) {
        clickHeader(column);
        EXPECT_EQ(model->sortOrder(), order) << column;
        expectRowsFollowTheModel();
        EXPECT_EQ(header->sortIndicatorSection(), AppTableModel::columnOf(order.first().key()));
        EXPECT_EQ(header->sortIndicatorOrder(), order.first().order());
    }
    EXPECT_EQ(names(), (QStringList { u"Gamma"_s, u"Beta"_s, u"alpha"_s }));
    // A sort order written elsewhere shows too.
    model->setSortOrder({ { Key::LastAccessedSortDate, Qt::AscendingOrder } });
    EXPECT_EQ(header->sortIndicatorSection(), int(AppTableModel::LastAccessedColumn));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(WindowTest, OpenAtTheBottomRecordsTheReviewWhereTheUserIs)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    const int scrolled = table()->verticalScrollBar()->value();
    ASSERT_GT(scrolled, 0);
    const int row = rows()->rowCount() - 3;
    clickCell(row, AppTableModel::NameColumn);
    const QString id = rows()->appAt(row)->id();
    bool reviewedBeforeOpening = true;
    workspace.onOpen = [&] { reviewedBeforeOpening = preferences.reviewDate(id).has_value(); };

    const QPoint button = cellCentre(row, AppTableModel::AppStoreColumn);
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier, button);
    ASSERT_EQ(workspace.openedUrls.size(), 1);
    EXPECT_EQ(workspace.openedUrls.first(), *record(id).reviewURL());
    EXPECT_FALSE(reviewedBeforeOpening);
    EXPECT_EQ(rows()->index(table()->indexAt(button).row(), 0).data(AppTableModel::IdRole).toString(), id);
    EXPECT_EQ(table()->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(selectedNames(), QStringList { record(id).name() });
    EXPECT_EQ(rows()->index(row, AppTableModel::LastReviewedColumn).data().toString(), u"now"_s);
    EXPECT_EQ(preferences.reviewDate(id), record(id).lastReviewedDate());

    // Sorted by review date a reviewed row moves alone to the top; the selection stays.
    clickHeader(AppTableModel::LastReviewedColumn);
    table()->scrollToBottom();
    const int other = rows()->rowCount() - 1;
    const QString otherId = rows()->appAt(other)->id();
    clickCell(other, AppTableModel::AppStoreColumn);
    expectRowsFollowTheModel();
    // First, or second after a review made in the same millisecond.
    EXPECT_LE(rows()->rowOf(AppInfo::idKey(otherId)), 1);
    EXPECT_EQ(selectedNames(), QStringList { record(id).name() });

    // An id that makes no valid address opens nothing, but the review counts; so does Space on
    // the focused button cell, while Return and a click beside the button only select.
    model->setApps({ app(u"odd"_s, u"Odd"_s, 1, std::nullopt, u"12/../x"_s) });
    workspace.openedUrls.clear();
    const QRect cell = table()->visualRect(rows()->index(0, AppTableModel::AppStoreColumn));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(cell.left() + 1, cell.center().y()));
    QTest::keyClick(table(), Qt::Key_Return);
    EXPECT_FALSE(record(u"odd"_s).lastReviewedDate().has_value());
    EXPECT_EQ(selectedNames(), QStringList { u"Odd"_s });
    QTest::keyClick(table(), Qt::Key_Space);
    EXPECT_TRUE(record(u"odd"_s).lastReviewedDate().has_value());
    EXPECT_TRUE(workspace.openedUrls.isEmpty());
}

TEST_F(WindowTest, IgnoringRowsKeepsThePlaceAndTheOtherSelectedRows)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    for (int row = 50; row <= 54; ++row)
        clickCell(row, AppTableModel::NameColumn, row == 50 ? Qt::NoModifier : Qt::ControlModifier);
    table()->selectionModel()->setCurrentIndex(rows()->index(52, 1), QItemSelectionModel::NoUpdate);
    ASSERT_EQ(selectedNames().size(), 5);
    const QString current = rows()->appAt(52)->name();
    const int y = yOfRow(52);

    // Two of the five leave the list; the other three stay selected and the current row stays put.
    model->ignoreApps({ *rows()->appAt(50), *rows()->appAt(51) });
    expectRowsFollowTheModel();
    EXPECT_EQ(selectedNames(), (QStringList { u"App 52"_s, u"App 53"_s, u"App 54"_s }));
    EXPECT_EQ(rows()->appAt(table()->currentIndex().row())->name(), current);
    EXPECT_EQ(yOfRow(table()->currentIndex().row()), y);

    // A context menu on an unselected row acts on that row alone; its Ignore still empties the
    // selection, and the rows the user was at stay where they were.
    QMenu* menu = contextMenuOnRow(rowAtTop() + 1);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(titles(menu), (QStringList { u"Reset Last Reviewed Date"_s, u"Ignore"_s }));
    trigger(menu, u"Ignore"_s);
    expectRowsFollowTheModel();
    EXPECT_EQ(model->ignoredIDs().size(), 3);
    EXPECT_FALSE(view->hasSelection());
    EXPECT_EQ(rows()->appAt(table()->currentIndex().row())->name(), current);
    EXPECT_EQ(yOfRow(table()->currentIndex().row()), y);

    // On a selected row the menu acts on the selection; blank space shows no menu.
    table()->scrollToTop();
    view->setSelection({ u"com.example.03"_s, u"com.example.05"_s });
    menu = contextMenuOnRow(rows()->rowOf(u"com.example.05"_s));
    ASSERT_NE(menu, nullptr);
    // The list changes while the menu is open; the menu still acts on the rows it was built for.
    model->setSortOrder({ { SortComparator::Key::Name, Qt::DescendingOrder } });
    trigger(menu, u"Reset Last Reviewed Date"_s);
    EXPECT_FALSE(record(u"com.example.03"_s).lastReviewedDate().has_value());
    EXPECT_FALSE(record(u"com.example.05"_s).lastReviewedDate().has_value());
    EXPECT_TRUE(record(u"com.example.04"_s).lastReviewedDate().has_value());
    EXPECT_EQ(selectedNames(), (QStringList { u"App 05"_s, u"App 03"_s }));
    const QRect viewport = table()->viewport()->rect();
    model->setSearchQuery(u"App 0"_s);
    EXPECT_EQ(contextMenuAt(QPoint(viewport.center().x(), viewport.bottom() - 2)), nullptr);

    // In the ignored view the item is Clear Ignore, and the Menu key acts on the current row.
    model->setSearchQuery({});
    model->setShowingIgnored(true);
    expectRowsFollowTheModel();
    table()->setCurrentIndex(rows()->index(0, AppTableModel::NameColumn));
    table()->selectionModel()->clearSelection();
    QTest::keyClick(table(), Qt::Key_F10, Qt::ShiftModifier);
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QString first = rows()->idAt(0);
    trigger(menu, u"Clear Ignore"_s);
    EXPECT_FALSE(model->ignoredIDs().contains(first));
    EXPECT_EQ(rows()->rowCount(), 2);
}

TEST_F(WindowTest, SearchingAndSortingKeepTheSelectedRowsAndThePlace)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    clickCell(rows()->rowOf(u"com.example.55"_s), AppTableModel::NameColumn);
    const int y = yOfRow(table()->currentIndex().row());
    const auto placeShown = [this] {
        return table()->viewport()->rect().contains(table()->visualRect(table()->currentIndex()));
    };

    SearchField* field = view->searchField();
    field->setFocus();
    QTest::keyClicks(field, u"5"_s);
    EXPECT_EQ(model->searchQuery(), u"5"_s);
    expectRowsFollowTheModel();
    EXPECT_EQ(selectedNames(), QStringList { u"App 55"_s });
    EXPECT_EQ(table()->currentIndex().row(), rows()->rowOf(u"com.example.55"_s));
    EXPECT_TRUE(placeShown());
    QTest::keyClick(field, Qt::Key_Backspace);
    expectRowsFollowTheModel();
    EXPECT_EQ(selectedNames(), QStringList { u"App 55"_s });
    EXPECT_EQ(yOfRow(table()->currentIndex().row()), y);

    clickHeader(AppTableModel::NameColumn);
    expectRowsFollowTheModel();
    EXPECT_EQ(selectedNames(), QStringList { u"App 55"_s });
    EXPECT_TRUE(placeShown());

    // A row the search hides leaves the selection, as in any list.
    QSignalSpy published(view, &ContentView::hasSelectionChanged);
    QTest::keyClicks(field, u"App 1"_s);
    expectRowsFollowTheModel();
    EXPECT_FALSE(view->hasSelection());
    EXPECT_EQ(published.size(), 1);
}

TEST_F(WindowTest, CommandsActOnTheSelectedRows)
{
    model->setApps(numberedApps(60));
    QSet<QString> everyThird;
    for (int i = 0; i < 60; i += 3)
        everyThird.insert(u"com.example.%1"_s.arg(i, 2, 10, QChar(u'0')));

    // Reset keeps the selection and the place; a store that could not write shows what it kept.
    table()->scrollToBottom();
    const int scrolled = table()->verticalScrollBar()->value();
    view->setSelection(everyThird);
    model->recordReview(record(u"com.example.03"_s));
    domain->failBatches = true;
    post(CommandNames::resetReviewRequested());
    EXPECT_EQ(record(u"com.example.03"_s).lastReviewedDate(), preferences.reviewDate(u"com.example.03"_s));
    EXPECT_EQ(rows()->index(3, AppTableModel::LastReviewedColumn).data().toString(), u"now"_s);
    EXPECT_EQ(rows()->index(6, AppTableModel::LastReviewedColumn).data().toString(), u"Never"_s);
    domain->failBatches = false;
    post(CommandNames::resetReviewRequested());
    EXPECT_FALSE(record(u"com.example.03"_s).lastReviewedDate().has_value());
    EXPECT_TRUE(record(u"com.example.04"_s).lastReviewedDate().has_value());
    EXPECT_EQ(view->selectedApps().size(), 20);
    EXPECT_EQ(table()->verticalScrollBar()->value(), scrolled);

    // Ignore empties the selection; with nothing selected it does nothing.
    post(CommandNames::ignoreRequested());
    EXPECT_EQ(model->ignoredIDs(), everyThird);
    EXPECT_EQ(preferences.loadIgnoredIDs(), everyThird);
    expectRowsFollowTheModel();
    EXPECT_FALSE(view->hasSelection());
    post(CommandNames::ignoreRequested());
    EXPECT_EQ(model->ignoredIDs().size(), 20);

    // The ignored view, Clear Ignore of one row, Reset Ignore List, back: each time the table
    // shows the model's list.
    post(CommandNames::showIgnoredAppsToggled());
    EXPECT_TRUE(model->showingIgnored());
    expectRowsFollowTheModel();
    view->setSelection({ u"com.example.06"_s });
    post(CommandNames::clearIgnoreRequested());
    expectRowsFollowTheModel();
    EXPECT_EQ(model->ignoredIDs().size(), 19);
    post(CommandNames::showIgnoredAppsToggled());
    view->setSelection({ u"com.example.07"_s });
    model->unignoreApps({ record(u"com.example.09"_s) });
    expectRowsFollowTheModel();
    post(CommandNames::resetIgnoreListRequested());
    EXPECT_TRUE(preferences.loadIgnoredIDs().isEmpty());
    expectRowsFollowTheModel();
    EXPECT_EQ(selectedNames(), QStringList { u"App 07"_s });

    // A rescan runs as a task of its own and, with a new catalogue, starts a new selection.
    post(CommandNames::rescanRequested());
    EXPECT_EQ(model->apps().size(), 60);
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(rows()->rowCount(), 0);
    EXPECT_FALSE(view->hasSelection());

    // Nothing happens while the window is not shown, nor after the view is gone.
    model->setApps(numberedApps(2));
    view->setSelection({ u"com.example.00"_s });
    window.hide();
    post(CommandNames::ignoreRequested());
    post(CommandNames::showIgnoredAppsToggled());
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
    EXPECT_FALSE(model->showingIgnored());
    tester.reset();
    delete view;
    post(CommandNames::ignoreRequested());
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
}

TEST_F(WindowTest, SearchFieldHabits)
{
    model->setApps({ app(u"com.example.calendar"_s, u"Calendar"_s, 1),
                     app(u"com.example.camera"_s, u"Camera"_s, 2),
                     app(u"org.sample.notes"_s, u"Notes"_s, 3) });
    SearchField* field = view->searchField();
    EXPECT_EQ(field->placeholderText(), u"Search"_s);

    // Find, from the table, focuses the field with its text selected, so that typing replaces it.
    for (const auto& [key, modifiers] :
         { std::pair(Qt::Key_F, Qt::ControlModifier), std::pair(Qt::Key_Find, Qt::NoModifier) }) {
        field->setText(u"old"_s);
        table()->setFocus();
        QTest::sendKeyEvent(QTest::Click, table(), key, QString(), modifiers);
        EXPECT_TRUE(field->hasFocus());
        EXPECT_EQ(field->selectedText(), u"old"_s);
    }
    QTest::keyClicks(field, u"c"_s);
    EXPECT_EQ(names(), (QStringList { u"Calendar"_s, u"Camera"_s }));
    QTest::keyClicks(field, u"AL"_s);
    EXPECT_EQ(names(), QStringList { u"Calendar"_s });
    field->selectAll();
    QTest::keyClicks(field, u"sample"_s);
    EXPECT_EQ(names(), QStringList { u"Notes"_s });

    // Escape clears the field and the search; in an empty field it goes back to the table.
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_TRUE(model->searchQuery().isEmpty());
    EXPECT_TRUE(field->hasFocus());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(table()->hasFocus());

    // A query set elsewhere shows; a canonically equal one leaves the text, caret and selection.
    model->setSearchQuery(u"notes"_s);
    EXPECT_EQ(field->text(), u"notes"_s);
    field->setText(u"cafe\u0301s"_s);
    field->setSelection(1, 2);
    model->setSearchQuery(u"caf\u00e9s"_s);
    EXPECT_EQ(field->text(), u"cafe\u0301s"_s);
    EXPECT_EQ(field->selectedText().size(), 2);

    // The toolbar may keep the field after the view is gone; it still searches.
    tester.reset();
    delete view;
    field->end(false);
    QTest::keyClicks(field, u"q"_s);
    EXPECT_EQ(model->searchQuery(), u"cafe\u0301sq"_s);
}

TEST_F(WindowTest, SelectionIsPublishedOnlyWhileTheFocusIsInTheContent)
{
    FocusedValues values;
    QSignalSpy changed(&values, &FocusedValues::changed);
    model->setApps(numberedApps(3));
    EXPECT_EQ(values.hasSelection(), false);
    clickCell(1, AppTableModel::NameColumn);
    EXPECT_EQ(values.hasSelection(), true);
    view->searchField()->setFocus();
    EXPECT_EQ(values.hasSelection(), std::nullopt);
    table()->setFocus();
    EXPECT_EQ(values.hasSelection(), true);
    EXPECT_EQ(changed.size(), 3);
    QWidget other;
    other.show();
    QApplication::setActiveWindow(&other);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !values.hasSelection().has_value(); }));
}

TEST_F(WindowTest, OpenFallsBackToFlathubsPageAndRecordsTheReview)
{
    const QString flathub = u"org.kudora.test.FlathubApp"_s;
    const QString other = u"org.kudora.test.OtherApp"_s;
    model->setApps({ AppInfo::flatpakApp(flathub, u"From Flathub"_s, u"/deploy/a"_s, day(1), day(5),
                                         std::nullopt, QUrl(u"https://flathub.org/apps/"_s + flathub)),
                     AppInfo::flatpakApp(other, u"Elsewhere"_s, u"/deploy/b"_s, day(2), day(5), std::nullopt,
                                         std::nullopt) });
    EXPECT_EQ(column(AppTableModel::AppStoreColumn), (QStringList { u"Open ↗"_s, u"Open ↗"_s }));

    // The recording workspace fails every opening, as a desktop without software centre would.
    clickCell(0, AppTableModel::AppStoreColumn);
    EXPECT_EQ(
        workspace.openedUrls,
        (QList<QUrl> { QUrl(u"appstream:"_s + flathub), QUrl(u"https://flathub.org/apps/"_s + flathub) }));
    EXPECT_TRUE(preferences.reviewDate(flathub).has_value());

    workspace.openedUrls.clear();
    clickCell(1, AppTableModel::AppStoreColumn);
    EXPECT_EQ(workspace.openedUrls, QList<QUrl> { QUrl(u"appstream:"_s + other) });
    EXPECT_TRUE(record(other).lastReviewedDate().has_value());
}

TEST_F(WindowTest, StatusBarAndEmptyStateSumUpTheCatalogue)
{
    StatusBar* bar = view->statusBar();
    EmptyStateView* empty = view->emptyState();
    const auto absent = [](const QString& id) { return app(id, id, 1); };
    struct Step
    {
        std::function<void()> change;
        QString status;
        QString message; // empty: no empty-state message
        QString ignoredLine;
    };
    const QString none = u"No App Store apps found."_s;
    const QList<Step> steps {
        { [] {}, u"0 App Store apps found"_s, none, {} },
        { [&] { model->setApps(numberedApps(1)); }, u"1 App Store app found"_s, {}, {} },
        { [&] { model->setApps(numberedApps(12)); }, u"12 App Store apps found"_s, {}, {} },
        // Ignored ids count whether or not their applications are installed.
        { [&] { model->ignoreApps({ absent(u"gone"_s) }); },
          u"12 App Store apps found · 1 ignored"_s,
          {},
          {} },
        { [&] { model->setSearchQuery(u"nothing like it"_s); }, u"12 App Store apps found · 1 ignored"_s,
          none, u"1 app ignored."_s },
        { [&] { model->ignoreApps(model->apps().mid(0, 2)); }, u"12 App Store apps found · 3 ignored"_s, none,
          u"3 apps ignored."_s },
        { [&] { model->setShowingIgnored(true); }, u"3 ignored apps"_s, u"No ignored apps."_s, {} },
        { [&] { model->setSearchQuery({}); }, u"3 ignored apps"_s, {}, {} },
        { [&] { model->unignoreApps(model->apps().mid(0, 2)); },
          u"1 ignored app"_s,
          u"No ignored apps."_s,
          {} },
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(bar->text(), step.status);
        EXPECT_EQ(empty->isVisible(), !step.message.isEmpty()) << step.status.toStdString();
        if (!step.message.isEmpty()) {
            EXPECT_EQ(empty->messageText(), step.message);
            EXPECT_EQ(empty->ignoredText(), step.ignoredLine);
        }
    }

    // Centred over the table, also after a resize; its button posts the reset that the view carries out.
    model->setShowingIgnored(false);
    model->setSearchQuery(u"nothing like it"_s);
    window.resize(1000, 700);
    QTest::qWait(0);
    EXPECT_LE((empty->geometry().center() - table()->viewport()->rect().center()).manhattanLength(), 2);
    QSignalSpy posted(&NotificationCenter::defaultCenter(), &NotificationCenter::posted);
    QTest::mouseClick(empty->resetButton(), Qt::LeftButton);
    ASSERT_EQ(posted.size(), 1);
    EXPECT_EQ(posted.first().at(0).toString(), CommandNames::resetIgnoreListRequested());
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
    EXPECT_EQ(bar->text(), u"12 App Store apps found"_s);
}

TEST_F(WindowTest, PlaceholderShowsWhileARealScanRuns)
{
    FixtureTree apps;
    const QString gated = apps.makeBundle(u"Applications/Gated.app"_s, u"com.example.gated"_s, 42);
    auto metadata = std::make_shared<FakeMetadata>();
    metadata->add(gated, u"Gated"_s, day(1));
    metadata->closeGate();
    const auto opener = qScopeGuard([&] { metadata->openGate(); });
    PreferencesService store(std::make_shared<MemoryDefaultsDomain>());
    AppModel scanning(store, AppScanner(apps.pathOf(u"Applications"_s), apps.pathOf(u"home"_s), metadata));
    ContentView content(scanning, workspace);
    content.show();
    ASSERT_TRUE(QTest::qWaitFor([&] { return metadata->lookups() > 0; }, 10000));
    EXPECT_TRUE(content.isShowingScanningPlaceholder());
    EXPECT_FALSE(content.tableView()->isVisible());
    const auto* label = content.findChild<QLabel*>(u"scanningLabel"_s);
    ASSERT_NE(label, nullptr);
    EXPECT_TRUE(label->isVisible());
    EXPECT_EQ(label->text(), u"Scanning Applications…"_s);
    EXPECT_EQ(content.statusBar()->text(), u"0 App Store apps found"_s);

    QSignalSpy finished(&scanning, &AppModel::rescanFinished);
    metadata->openGate();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(content.isShowingScanningPlaceholder());
    EXPECT_TRUE(content.tableView()->isVisible());
    EXPECT_EQ(content.tableModel()->index(0, AppTableModel::NameColumn).data().toString(), u"Gated"_s);
    EXPECT_EQ(content.statusBar()->text(), u"1 App Store app found"_s);
}

TEST_F(WindowTest, MockModeReplacesTheCatalogue)
{
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    post(CommandNames::toggleMockModeRequested());
    EXPECT_TRUE(model->isMockMode());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(rows()->rowCount(), 41);
    expectRowsFollowTheModel();
    // The sample's dates are parsed, and its reviews are relative to the switch.
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn).first(), u"Apr 21, 2026"_s);
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn).last(), u"Apr 12, 2026"_s);
    EXPECT_EQ(rows()->index(0, AppTableModel::LastReviewedColumn).data().toString(), u"8 minutes ago"_s);
}

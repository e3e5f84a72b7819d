// The main window's content driven as a user drives it: clicks, keys, menus and the search field in
// a toolbar, on a real AppModel over an in-memory store, its table model under QAbstractItemModelTester.
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

#include <algorithm>

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

// A store whose batches can fail as a full disk makes them fail: the review dates stay as they were.
class FailingBatchDomain : public MemoryDefaultsDomain
{
public:
    bool failBatches = false;

protected:
    void beginBatch() override { m_before = value(PreferencesService::ReviewDatesKey); }
    void endBatch() override
    {
        if (failBatches)
            setValue(PreferencesService::ReviewDatesKey, m_before);
    }

private:
    QVariant m_before;
};

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

QString numbered(const QString& prefix, int i)
{
    return prefix + u"%1"_s.arg(i, 2, 10, QChar(u'0'));
}

// "App 00" … last used 0, 1, … days ago, so that the table shows them in that order; all reviewed.
QList<AppInfo> numberedApps(int count)
{
    QList<AppInfo> apps;
    for (int i = 0; i < count; ++i)
        apps.append(app(numbered(u"com.example."_s, i), numbered(u"App "_s, i), i, day(100 + i)));
    return apps;
}

void post(const QString& name)
{
    NotificationCenter::defaultCenter().post(name);
}

QStringList namesOf(const QList<AppInfo>& records)
{
    QStringList names;
    for (const AppInfo& record : records)
        names.append(record.name());
    return names;
}

} // namespace

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        model = std::make_unique<AppModel>(
            preferences, AppScanner(tree.makeFolder(u"Applications"_s), tree.makeFolder(u"home"_s)));
        QSignalSpy finished(model.get(), &AppModel::rescanFinished);
        ASSERT_TRUE(finished.wait(10000));

        // As the program's window holds it: the content in the middle, the field in the toolbar.
        view = new ContentView(*model, workspace);
        window.setCentralWidget(view);
        window.addToolBar(Qt::TopToolBarArea, new QToolBar(&window));
        window.findChild<QToolBar*>()->addWidget(view->searchField());
        // A broken contract aborts the run.
        tester = std::make_unique<QAbstractItemModelTester>(
            rows(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        window.resize(900, 600);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        table()->setFocus();
    }

    AppTableView* table() const { return view->tableView(); }
    AppTableModel* rows() const { return view->tableModel(); }
    QString text(int row, int column, int role = Qt::DisplayRole) const
    {
        return rows()->index(row, column).data(role).toString();
    }
    QStringList column(int column, int role = Qt::DisplayRole) const
    {
        QStringList texts;
        for (int row = 0; row < rows()->rowCount(); ++row)
            texts.append(text(row, column, role));
        return texts;
    }
    QStringList names() const { return column(AppTableModel::NameColumn); }
    // The table shows what the model's list holds, in its order.
    void expectRowsFollowTheModel() const { EXPECT_EQ(names(), namesOf(model->visibleApps())); }
    QStringList selectedNames() const { return namesOf(view->selectedApps()); }
    QString currentName() const { return rows()->appAt(table()->currentIndex().row())->name(); }
    int yOfCurrentRow() const { return table()->rowViewportPosition(table()->currentIndex().row()); }

    const AppInfo& record(const QString& id) const
    {
        const QList<AppInfo>& all = model->apps();
        return *std::find_if(all.begin(), all.end(), [&](const AppInfo& each) { return each.id() == id; });
    }
    bool reviewed(const QString& id) const { return record(id).lastReviewedDate().has_value(); }

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
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }

    // A mouse context-menu event at pos (viewport coordinates); the menu shown, or nullptr.
    QMenu* contextMenuAt(const QPoint& pos)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, table()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(table()->viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static void trigger(QMenu* menu, const QString& title)
    {
        ASSERT_NE(menu, nullptr);
        for (QAction* action : menu->actions()) {
            if (action->text() == title) {
                action->trigger();
                return menu->close(), void();
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
    model->setApps({ AppInfo(u"dummy.01"_s, QString(), u"/Apps/none.app"_s, u"3"_s, {}, {}, {}),
                     app(u"com.example.used"_s, u"Used"_s, 1, QDateTime::currentDateTimeUtc().addDays(-1)),
                     AppInfo(u"com.example.modified"_s, u"Modified"_s, u"/Apps/<b>bold</b> &amp; co.app"_s,
                             u"2"_s, {}, day(10), {}) });

    // Newest use first; the modification date stands in for a missing use; no date sorts last.
    EXPECT_EQ(names(), (QStringList { u"Used"_s, u"Modified"_s, QString() }));
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn),
              (QStringList { u"Mar 30, 2026"_s, u"Mar 21, 2026"_s, u"—"_s }));
    EXPECT_EQ(column(AppTableModel::AppStoreColumn), QStringList(3, u"Open ↗"_s));
    EXPECT_EQ(column(AppTableModel::LastReviewedColumn),
              (QStringList { u"yesterday"_s, u"Never"_s, u"Never"_s }));

    // Tooltips and label levels tell a launch date from a stand-in, and a review from none.
    const QString modified = u"Showing file modification date (app never launched)"_s;
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn, Qt::ToolTipRole),
              (QStringList { u"Last launched date"_s, modified, modified }));
    EXPECT_EQ(column(AppTableModel::LastReviewedColumn, Qt::ToolTipRole), QStringList(3, QString()));
    const auto level = [](LabelColors::Level level) { return QString::number(int(level)); };
    using enum LabelColors::Level;
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn, AppTableModel::LabelLevelRole),
              (QStringList { level(Primary), level(Secondary), level(Secondary) }));
    EXPECT_EQ(column(AppTableModel::LastReviewedColumn, AppTableModel::LabelLevelRole),
              (QStringList { level(Primary), level(Tertiary), level(Tertiary) }));

    // The icon's tooltip is the path as typed, also when it looks like markup, and a nameless
    // record's too.
    const QString tooltip = text(1, AppTableModel::IconColumn, Qt::ToolTipRole);
    QTextDocument shown;
    Qt::mightBeRichText(tooltip) ? shown.setHtml(tooltip) : shown.setPlainText(tooltip);
    EXPECT_EQ(shown.toPlainText(), u"/Apps/<b>bold</b> &amp; co.app"_s);
    EXPECT_EQ(text(2, AppTableModel::IconColumn, Qt::ToolTipRole), u"/Apps/none.app"_s);

    // Icons fit 24 × 24 with their shape kept (64 × 32 becomes 24 × 12, centred); a nameless record's
    // is clear.
    const auto alpha = [&](int row, int y) {
        const QImage icon = rows()->index(row, 0).data(Qt::DecorationRole).value<QPixmap>().toImage();
        return icon.size() == QSize(24, 24) ? qAlpha(icon.pixel(12, y)) : -1;
    };
    EXPECT_EQ(std::tuple(alpha(0, 12), alpha(0, 2), alpha(2, 12)), std::tuple(255, 0, 0));
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
    EXPECT_EQ(std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder()),
              std::pair(int(AppTableModel::LastAccessedColumn), Qt::AscendingOrder));
}

TEST_F(WindowTest, OpenRecordsTheReviewWhereTheUserIs)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    const int scrolled = table()->verticalScrollBar()->value();
    const int row = rows()->rowCount() - 3;
    clickCell(row, AppTableModel::NameColumn);
    const QString id = rows()->idAt(row);
    bool reviewedBeforeOpening = true;
    workspace.onOpen = [&] { reviewedBeforeOpening = preferences.reviewDate(id).has_value(); };

    clickCell(row, AppTableModel::AppStoreColumn);
    EXPECT_EQ(workspace.openedUrls, QList<QUrl> { *record(id).reviewURL() });
    EXPECT_FALSE(reviewedBeforeOpening);
    EXPECT_EQ(rows()->idAt(row), id);
    EXPECT_EQ(table()->verticalScrollBar()->value(), scrolled);
    EXPECT_EQ(selectedNames(), QStringList { record(id).name() });
    EXPECT_EQ(text(row, AppTableModel::LastReviewedColumn), u"now"_s);
    EXPECT_EQ(preferences.reviewDate(id), record(id).lastReviewedDate());

    // Sorted by review date a reviewed row moves alone to the top (first, or second after a review
    // made in the same millisecond); the selection stays.
    clickHeader(AppTableModel::LastReviewedColumn);
    table()->scrollToBottom();
    const QString otherId = rows()->idAt(rows()->rowCount() - 1);
    clickCell(rows()->rowCount() - 1, AppTableModel::AppStoreColumn);
    expectRowsFollowTheModel();
    EXPECT_LE(rows()->rowOf(AppInfo::idKey(otherId)), 1);
    EXPECT_EQ(selectedNames(), QStringList { record(id).name() });

    // An id that makes no valid address opens nothing, but the review counts; so does Space on
    // the focused button cell, while Return and a click beside the button only select.
    model->setApps({ app(u"odd"_s, u"Odd"_s, 1, std::nullopt, u"12/../x"_s) });
    workspace.openedUrls.clear();
    const QRect cell = table()->visualRect(rows()->index(0, AppTableModel::AppStoreColumn));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 1, cell.center().y()));
    QTest::keyClick(table(), Qt::Key_Return);
    EXPECT_FALSE(reviewed(u"odd"_s));
    EXPECT_EQ(selectedNames(), QStringList { u"Odd"_s });
    QTest::keyClick(table(), Qt::Key_Space);
    EXPECT_TRUE(reviewed(u"odd"_s));
    EXPECT_TRUE(workspace.openedUrls.isEmpty());

    // A Flatpak opens in the software centre, failing that on its Flathub page; either way it counts.
    const QString flathub = u"org.kudora.test.FlathubApp"_s, other = u"org.kudora.test.OtherApp"_s;
    const QUrl page(u"https://flathub.org/apps/"_s + flathub);
    model->setApps(
        { AppInfo::flatpakApp(flathub, u"Flathub"_s, u"/a"_s, day(1), day(5), std::nullopt, page),
          AppInfo::flatpakApp(other, u"Other"_s, u"/b"_s, day(2), day(5), std::nullopt, std::nullopt) });
    clickCell(0, AppTableModel::AppStoreColumn);
    clickCell(1, AppTableModel::AppStoreColumn);
    EXPECT_EQ(workspace.openedUrls,
              (QList<QUrl> { QUrl(u"appstream:"_s + flathub), page, QUrl(u"appstream:"_s + other) }));
    EXPECT_TRUE(preferences.reviewDate(flathub).has_value());
    EXPECT_TRUE(reviewed(other));
}

TEST_F(WindowTest, IgnoringAndMenusKeepThePlaceAndTheOtherSelectedRows)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    for (int row = 50; row <= 54; ++row)
        clickCell(row, AppTableModel::NameColumn, row == 50 ? Qt::NoModifier : Qt::ControlModifier);
    table()->selectionModel()->setCurrentIndex(rows()->index(52, 1), QItemSelectionModel::NoUpdate);
    const int y = yOfCurrentRow();

    // Two of the five leave the list; the other three stay selected and the current row stays put.
    model->ignoreApps({ *rows()->appAt(50), *rows()->appAt(51) });
    expectRowsFollowTheModel();
    EXPECT_EQ(selectedNames(), (QStringList { u"App 52"_s, u"App 53"_s, u"App 54"_s }));
    EXPECT_EQ(std::pair(currentName(), yOfCurrentRow()), std::pair(u"App 52"_s, y));

    // A context menu on an unselected row acts on that row alone; its Ignore still empties the
    // selection, and the rows the user was at stay where they were.
    trigger(contextMenuAt(cellCentre(table()->rowAt(0) + 1, AppTableModel::NameColumn)), u"Ignore"_s);
    expectRowsFollowTheModel();
    EXPECT_EQ(model->ignoredIDs().size(), 3);
    EXPECT_FALSE(view->hasSelection());
    EXPECT_EQ(std::pair(currentName(), yOfCurrentRow()), std::pair(u"App 52"_s, y));

    // On a selected row the menu acts on the selection, even when the list changes while it is
    // open; blank space shows no menu.
    table()->scrollToTop();
    view->setSelection({ u"com.example.03"_s, u"com.example.05"_s });
    QMenu* menu = contextMenuAt(cellCentre(rows()->rowOf(u"com.example.05"_s), AppTableModel::NameColumn));
    model->setSortOrder({ { SortComparator::Key::Name, Qt::DescendingOrder } });
    trigger(menu, u"Reset Last Reviewed Date"_s);
    EXPECT_EQ(std::tuple(reviewed(u"com.example.03"_s), reviewed(u"com.example.04"_s),
                         reviewed(u"com.example.05"_s)),
              std::tuple(false, true, false));
    EXPECT_EQ(selectedNames(), (QStringList { u"App 05"_s, u"App 03"_s }));
    model->setSearchQuery(u"App 0"_s);
    EXPECT_EQ(contextMenuAt(table()->viewport()->rect().bottomLeft() + QPoint(200, -2)), nullptr);

    // In the ignored view the item is Clear Ignore, and the Menu key acts on the current row.
    model->setSearchQuery({});
    model->setShowingIgnored(true);
    expectRowsFollowTheModel();
    table()->setCurrentIndex(rows()->index(0, AppTableModel::NameColumn));
    table()->selectionModel()->clearSelection();
    QTest::keyClick(table(), Qt::Key_F10, Qt::ShiftModifier);
    const QString first = rows()->idAt(0);
    trigger(qobject_cast<QMenu*>(QApplication::activePopupWidget()), u"Clear Ignore"_s);
    EXPECT_FALSE(model->ignoredIDs().contains(first));
    EXPECT_EQ(rows()->rowCount(), 2);
}

TEST_F(WindowTest, SearchingAndSortingKeepTheSelectedRowsAndThePlace)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    clickCell(rows()->rowOf(u"com.example.55"_s), AppTableModel::NameColumn);
    const int y = yOfCurrentRow();
    SearchField* field = view->searchField();
    field->setFocus();
    const auto expectPlaceKept = [&] {
        expectRowsFollowTheModel();
        EXPECT_EQ(selectedNames(), QStringList { u"App 55"_s });
        EXPECT_EQ(currentName(), u"App 55"_s);
        EXPECT_TRUE(table()->viewport()->rect().contains(table()->visualRect(table()->currentIndex())));
    };
    // Typing narrows, deleting widens back to the same place, a header click sorts.
    QTest::keyClicks(field, u"5"_s);
    expectPlaceKept();
    QTest::keyClick(field, Qt::Key_Backspace);
    expectPlaceKept();
    EXPECT_EQ(yOfCurrentRow(), y);
    clickHeader(AppTableModel::NameColumn);
    expectPlaceKept();

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
        everyThird.insert(numbered(u"com.example."_s, i));

    // Reset keeps the selection and the place; a store that could not write shows what it kept.
    table()->scrollToBottom();
    const int scrolled = table()->verticalScrollBar()->value();
    view->setSelection(everyThird);
    model->recordReview(record(u"com.example.03"_s));
    domain->failBatches = true;
    post(CommandNames::resetReviewRequested());
    EXPECT_EQ(record(u"com.example.03"_s).lastReviewedDate(), preferences.reviewDate(u"com.example.03"_s));
    EXPECT_EQ(text(3, AppTableModel::LastReviewedColumn), u"now"_s);
    EXPECT_EQ(text(6, AppTableModel::LastReviewedColumn), u"Never"_s);
    domain->failBatches = false;
    post(CommandNames::resetReviewRequested());
    EXPECT_EQ(std::pair(reviewed(u"com.example.03"_s), reviewed(u"com.example.04"_s)),
              std::pair(false, true));
    EXPECT_EQ(view->selectedApps().size(), 20);
    EXPECT_EQ(table()->verticalScrollBar()->value(), scrolled);

    // Ignore empties the selection; with nothing selected it does nothing.
    post(CommandNames::ignoreRequested());
    expectRowsFollowTheModel();
    EXPECT_FALSE(view->hasSelection());
    post(CommandNames::ignoreRequested());
    EXPECT_EQ(preferences.loadIgnoredIDs(), everyThird);

    // The ignored view, Clear Ignore of one row, Reset Ignore List, back: each time the table
    // shows the model's list.
    post(CommandNames::showIgnoredAppsToggled());
    expectRowsFollowTheModel();
    view->setSelection({ u"com.example.06"_s });
    post(CommandNames::clearIgnoreRequested());
    expectRowsFollowTheModel();
    EXPECT_EQ(model->ignoredIDs().size(), 19);
    post(CommandNames::showIgnoredAppsToggled());
    view->setSelection({ u"com.example.07"_s });
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
    post(CommandNames::showIgnoredAppsToggled());
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

TEST_F(WindowTest, StatusBarAndEmptyStateSumUpTheCatalogue)
{
    EmptyStateView* empty = view->emptyState();
    const QString none = u"No App Store apps found."_s, noneIgnored = u"No ignored apps."_s;
    const QString found = u"12 App Store apps found · "_s;
    // A change, then the status line and the empty state's message and ignored line (none: hidden).
    struct Step
    {
        std::function<void()> change;
        QString status, message;
    };
    const Step steps[] = {
        { [] {}, u"0 App Store apps found"_s, none },
        { [&] { model->setApps(numberedApps(1)); }, u"1 App Store app found"_s, {} },
        { [&] { model->setApps(numberedApps(12)); }, u"12 App Store apps found"_s, {} },
        // Ignored ids count whether or not their applications are installed.
        { [&] { model->ignoreApps({ app(u"gone"_s, u"Gone"_s, 1) }); }, found + u"1 ignored"_s, {} },
        { [&] { model->setSearchQuery(u"nothing like it"_s); }, found + u"1 ignored"_s,
          none + u"1 app ignored."_s },
        { [&] { model->ignoreApps(model->apps().mid(0, 2)); }, found + u"3 ignored"_s,
          none + u"3 apps ignored."_s },
        { [&] { model->setShowingIgnored(true); }, u"3 ignored apps"_s, noneIgnored },
        { [&] { model->setSearchQuery({}); }, u"3 ignored apps"_s, {} },
        { [&] { model->unignoreApps(model->apps().mid(0, 2)); }, u"1 ignored app"_s, noneIgnored },
    };
    for (const Step& step : steps) {
        step.change();
        EXPECT_EQ(view->statusBar()->text(), step.status);
        EXPECT_EQ(empty->isVisible() ? empty->messageText() + empty->ignoredText() : QString(), step.message)
            << step.status.toStdString();
    }

    // Centred over the table, also after a resize; its button posts the reset that the view carries out.
    model->setShowingIgnored(false);
    model->setSearchQuery(u"nothing like it"_s);
    window.resize(1000, 700);
    QTest::qWait(0);
    EXPECT_LE((empty->geometry().center() - table()->viewport()->rect().center()).manhattanLength(), 2);
    QSignalSpy posted(&NotificationCenter::defaultCenter(), &NotificationCenter::posted);
    QTest::mouseClick(empty->resetButton(), Qt::LeftButton);
    EXPECT_EQ(posted.size(), 1);
    EXPECT_EQ(view->statusBar()->text(), u"12 App Store apps found"_s);
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
    const auto* label = content.findChild<QLabel*>(u"scanningLabel"_s);
    ASSERT_TRUE(QTest::qWaitFor([&] { return metadata->lookups() > 0; }, 10000));
    EXPECT_TRUE(content.isShowingScanningPlaceholder());
    EXPECT_FALSE(content.tableView()->isVisible());
    EXPECT_EQ(label->isVisible() ? label->text() : QString(), u"Scanning Applications…"_s);
    EXPECT_EQ(content.statusBar()->text(), u"0 App Store apps found"_s);

    QSignalSpy finished(&scanning, &AppModel::rescanFinished);
    metadata->openGate();
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FALSE(content.isShowingScanningPlaceholder());
    EXPECT_TRUE(content.tableView()->isVisible());
    EXPECT_EQ(content.tableModel()->index(0, AppTableModel::NameColumn).data().toString(), u"Gated"_s);
}

TEST_F(WindowTest, MockModeReplacesTheCatalogue)
{
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    post(CommandNames::toggleMockModeRequested());
    EXPECT_TRUE(model->isMockMode());
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(rows()->rowCount(), 41);
    // The sample's dates are parsed, and its reviews are relative to the switch.
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn).first(), u"Apr 21, 2026"_s);
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn).last(), u"Apr 12, 2026"_s);
    EXPECT_EQ(text(0, AppTableModel::LastReviewedColumn), u"8 minutes ago"_s);
}

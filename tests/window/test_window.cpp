// The window's content driven by clicks, keys and menus, on a real AppModel over an in-memory store.
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "EmptyStateView.h"
#include "FixtureTree.h"
#include "FocusedValues.h"
#include "LabelColors.h"
#include "MemoryDefaultsDomain.h"
#include "MessageBar.h"
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
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolBar>

#include <gtest/gtest.h>

#include <algorithm>

using namespace Qt::StringLiterals;
using enum AppTableModel::Column;
using enum AppTableModel::Role;

namespace {

// Opens every page but those it is told to refuse.
struct RecordingWorkspace : Workspace
{
    bool openUrl(const QUrl& url) override
    {
        openedUrls.append(url);
        if (onOpen)
            onOpen();
        return !refused.contains(url.scheme());
    }
    QIcon iconForFile(const QString&) override
    {
        QPixmap pixmap(64, 32); // so that fitting and centring show
        pixmap.fill(Qt::red);
        return QIcon(pixmap);
    }

    QList<QUrl> openedUrls;
    std::function<void()> onOpen;
    QStringList refused;
};

// A store whose batches can fail as a full disk makes them fail: the review dates stay as they were.
struct FailingBatchDomain : MemoryDefaultsDomain
{
    void beginBatch() override { before = value(PreferencesService::ReviewDatesKey); }
    void endBatch() override
    {
        if (failBatches)
            setValue(PreferencesService::ReviewDatesKey, before);
    }
    bool failBatches = false;
    QVariant before;
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

// "App 00" (com.example.00) …, last used in that order; all reviewed.
QList<AppInfo> numberedApps(int count)
{
    QList<AppInfo> apps;
    for (int i = 0; i < count; ++i) {
        const QString number = u"%1"_s.arg(i, 2, 10, QChar(u'0'));
        apps.append(app(u"com.example."_s + number, u"App "_s + number, i, day(100 + i)));
    }
    return apps;
}

const auto post = [](const QString& name) { NotificationCenter::defaultCenter().post(name); };

QStringList namesOf(const QList<AppInfo>& records)
{
    QStringList names;
    std::ranges::transform(records, std::back_inserter(names), &AppInfo::name);
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

        view = new ContentView(*model, workspace);
        window.setCentralWidget(view);
        window.addToolBar(Qt::TopToolBarArea, new QToolBar(&window));
        window.findChild<QToolBar*>()->addWidget(view->searchField());
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
    QStringList names() const { return column(NameColumn); }
    void expectRowsFollowTheModel() const { EXPECT_EQ(names(), namesOf(model->visibleApps())); }
    QStringList selectedNames() const { return namesOf(view->selectedApps()); }
    QString currentName() const { return rows()->appAt(table()->currentIndex().row())->name(); }
    int yOfCurrentRow() const { return table()->rowViewportPosition(table()->currentIndex().row()); }

    const AppInfo& record(const QString& id) const
    {
        return *std::ranges::find(model->apps(), id, &AppInfo::id);
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

    // The menu a right click at pos in the viewport shows, or nullptr.
    QMenu* contextMenuAt(const QPoint& pos)
    {
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, table()->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(table()->viewport(), &event);
        return qobject_cast<QMenu*>(QApplication::activePopupWidget());
    }
    static void trigger(QMenu* menu, const QString& title)
    {
        ASSERT_NE(menu, nullptr);
        const QList<QAction*> items = menu->actions();
        const auto item = std::ranges::find(items, title, &QAction::text);
        ASSERT_NE(item, items.end()) << title.toStdString();
        (*item)->trigger();
        menu->close();
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
    const QString markup = u"/Apps/<b>bold</b> &amp; co.app"_s;
    model->setApps({ AppInfo(u"dummy.01"_s, QString(), u"/Apps/none.app"_s, u"3"_s, {}, {}, {}),
                     app(u"com.example.used"_s, u"Used"_s, 1, QDateTime::currentDateTimeUtc().addDays(-1)),
                     AppInfo(u"com.example.modified"_s, u"Modified"_s, markup, u"2"_s, {}, day(10), {}) });

    // The modification date stands in for a missing use, and looks it.
    const QString modified = u"Showing file modification date (app never launched)"_s;
    const QString open = u"Open App Store page for "_s;
    const auto level = [](LabelColors::Level level) { return QString::number(int(level)); };
    using enum LabelColors::Level;
    const std::tuple<int, int, QStringList> columns[] = {
        { NameColumn, Qt::DisplayRole, { u"Used"_s, u"Modified"_s, QString() } },
        { LastAccessedColumn, Qt::DisplayRole, { u"Mar 30, 2026"_s, u"Mar 21, 2026"_s, u"—"_s } },
        { AppStoreColumn, Qt::DisplayRole, QStringList(3, u"Open ↗"_s) },
        { LastReviewedColumn, Qt::DisplayRole, { u"yesterday"_s, u"Never"_s, u"Never"_s } },
        { LastAccessedColumn, Qt::ToolTipRole, { u"Last launched date"_s, modified, modified } },
        { LastReviewedColumn, Qt::ToolTipRole, QStringList(3, QString()) },
        { LastAccessedColumn, LabelLevelRole, { level(Primary), level(Secondary), level(Secondary) } },
        { LastReviewedColumn, LabelLevelRole, { level(Primary), level(Tertiary), level(Tertiary) } },
        // What a screen reader announces: the icon and "Open ↗" would tell nothing of the application.
        { IconColumn, Qt::AccessibleTextRole, { u"Used"_s, u"Modified"_s, QString() } },
        { AppStoreColumn, Qt::AccessibleTextRole, { open + u"Used"_s, open + u"Modified"_s, open } },
        { LastReviewedColumn, Qt::AccessibleTextRole, { u"yesterday"_s, u"Never"_s, u"Never"_s } },
    };
    for (const auto& [column, role, expected] : columns)
        EXPECT_EQ(this->column(column, role), expected) << column << " " << role;
    const QStringList headers { u"Icon"_s, u"Application"_s, u"Last Accessed"_s, u"App Store"_s,
                                u"Last Reviewed"_s };
    for (int column = 0; column < ColumnCount; ++column)
        EXPECT_EQ(rows()->headerData(column, Qt::Horizontal, Qt::AccessibleTextRole).toString(),
                  headers[column]);

    // The icon's tooltip is the path as typed, even when it looks like markup.
    const QString tooltip = text(1, IconColumn, Qt::ToolTipRole);
    EXPECT_EQ(Qt::mightBeRichText(tooltip) ? QTextDocumentFragment::fromHtml(tooltip).toPlainText() : tooltip,
              markup);
    EXPECT_EQ(text(2, IconColumn, Qt::ToolTipRole), u"/Apps/none.app"_s);

    // Icons keep their shape (64 × 32 becomes 24 × 12, centred); a nameless record's is clear.
    const auto alpha = [&](int row, int y) {
        const QImage icon =
            rows()->index(row, IconColumn).data(Qt::DecorationRole).value<QPixmap>().toImage();
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
    // A name starts ascending, a date newest first; a second click flips; a key moved up keeps its way.
    for (const auto& [column, order] : QList<std::pair<int, SortOrder>> {
             { NameColumn, { nameUp, lastUse } },
             { NameColumn, { nameDown, lastUse } },
             { LastReviewedColumn, { reviewDown, nameDown, lastUse } },
             { NameColumn, { nameDown, reviewDown, lastUse } },
             { IconColumn, { nameDown, reviewDown, lastUse } },
             { AppStoreColumn, { nameDown, reviewDown, lastUse } },
         }) {
        clickHeader(column);
        EXPECT_EQ(model->sortOrder(), order) << column;
        expectRowsFollowTheModel();
        EXPECT_EQ(std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder()),
                  std::pair(AppTableModel::columnOf(order.first().key()), order.first().order()));
    }
    EXPECT_EQ(names(), (QStringList { u"Gamma"_s, u"Beta"_s, u"alpha"_s }));
}

TEST_F(WindowTest, OpeningSearchingAndSortingKeepTheSelectedRowAndThePlace)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    const int scrolled = table()->verticalScrollBar()->value();
    const int row = rows()->rowCount() - 3;
    const QString id = rows()->idAt(row);
    bool reviewedBeforeOpening = true;
    workspace.onOpen = [&] { reviewedBeforeOpening = preferences.reviewDate(id).has_value(); };
    clickCell(row, NameColumn);
    clickCell(row, AppStoreColumn);
    EXPECT_EQ(workspace.openedUrls, QList<QUrl> { *record(id).reviewURL() });
    EXPECT_FALSE(reviewedBeforeOpening);
    EXPECT_EQ(std::pair(rows()->idAt(row), table()->verticalScrollBar()->value()), std::pair(id, scrolled));
    EXPECT_EQ(text(row, LastReviewedColumn), u"now"_s);

    const auto expectPlaceKept = [&] {
        expectRowsFollowTheModel();
        EXPECT_EQ(selectedNames(), QStringList { u"App 57"_s });
        EXPECT_EQ(currentName(), u"App 57"_s);
        EXPECT_TRUE(table()->viewport()->rect().contains(table()->visualRect(table()->currentIndex())));
    };
    expectPlaceKept();
    const int y = yOfCurrentRow();
    SearchField* field = view->searchField();
    field->setFocus();
    QTest::keyClicks(field, u"5"_s);
    expectPlaceKept();
    QTest::keyClick(field, Qt::Key_Backspace);
    expectPlaceKept();
    EXPECT_EQ(yOfCurrentRow(), y);
    clickHeader(NameColumn);
    expectPlaceKept();
    // A review moves its row alone (second after a review in the same millisecond).
    clickHeader(LastReviewedColumn);
    table()->scrollToBottom();
    const QString otherId = rows()->idAt(rows()->rowCount() - 1);
    clickCell(rows()->rowCount() - 1, AppStoreColumn);
    expectRowsFollowTheModel();
    EXPECT_LE(rows()->rowOf(AppInfo::idKey(otherId)), 1);
    EXPECT_EQ(selectedNames(), QStringList { u"App 57"_s });
    QSignalSpy published(view, &ContentView::hasSelectionChanged);
    QTest::keyClicks(field, u"App 1"_s);
    expectRowsFollowTheModel();
    EXPECT_FALSE(view->hasSelection());
    EXPECT_EQ(published.size(), 1);
}

TEST_F(WindowTest, OnlyAPageThatOpenedCountsAsAReview)
{
    // Without a valid address nothing opens; Space opens, Return and a click beside select.
    model->setApps({ app(u"odd"_s, u"Odd"_s, 1, std::nullopt, u"12/../x"_s) });
    const QRect cell = table()->visualRect(rows()->index(0, AppStoreColumn));
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {}, QPoint(cell.left() + 1, cell.center().y()));
    QTest::keyClick(table(), Qt::Key_Return);
    EXPECT_EQ(std::pair(reviewed(u"odd"_s), selectedNames()), std::pair(false, QStringList { u"Odd"_s }));
    QTest::keyClick(table(), Qt::Key_Space);
    EXPECT_EQ(std::tuple(reviewed(u"odd"_s), workspace.openedUrls.size(), view->messageBar()->text()),
              std::tuple(false, 0, QString()));

    // A Flatpak opens in the software centre, failing that on Flathub; failing both, the user hears
    // which address to open.
    workspace.refused = QStringList { u"appstream"_s };
    const QString flathub = u"org.a.Flathub"_s, other = u"org.a.Other"_s;
    const QUrl page(u"https://flathub.org/apps/"_s + flathub);
    model->setApps(
        { AppInfo::flatpakApp(flathub, u"Flathub"_s, u"/a"_s, day(1), day(5), std::nullopt, page),
          AppInfo::flatpakApp(other, u"Other"_s, u"/b"_s, day(2), day(5), std::nullopt, std::nullopt) });
    clickCell(0, AppStoreColumn);
    EXPECT_EQ(view->messageBar()->text(), QString());
    clickCell(1, AppStoreColumn);
    EXPECT_EQ(workspace.openedUrls,
              (QList<QUrl> { QUrl(u"appstream:"_s + flathub), page, QUrl(u"appstream:"_s + other) }));
    EXPECT_EQ(std::pair(reviewed(flathub), reviewed(other)), std::pair(true, false));
    EXPECT_TRUE(view->messageBar()->text().contains(u"“appstream:org.a.Other”"_s))
        << qPrintable(view->messageBar()->text());
}

TEST_F(WindowTest, IgnoringAndMenusKeepThePlaceAndTheOtherSelectedRows)
{
    model->setApps(numberedApps(60));
    table()->scrollToBottom();
    for (int row = 50; row <= 54; ++row)
        clickCell(row, NameColumn, row == 50 ? Qt::NoModifier : Qt::ControlModifier);
    table()->selectionModel()->setCurrentIndex(rows()->index(52, 1), QItemSelectionModel::NoUpdate);
    const auto place = [&] { return std::pair(currentName(), yOfCurrentRow()); };
    const auto kept = place();

    model->ignoreApps({ *rows()->appAt(50), *rows()->appAt(51) });
    expectRowsFollowTheModel();
    EXPECT_EQ(selectedNames(), (QStringList { u"App 52"_s, u"App 53"_s, u"App 54"_s }));
    EXPECT_EQ(place(), kept);
    // A menu on an unselected row acts on that row alone.
    trigger(contextMenuAt(cellCentre(table()->rowAt(0) + 1, NameColumn)), u"Ignore"_s);
    expectRowsFollowTheModel();
    EXPECT_EQ(std::pair(model->ignoredIDs().size(), view->hasSelection()), std::pair(qsizetype(3), false));
    EXPECT_EQ(place(), kept);

    // On a selected row it acts on the selection, even when the list changes while it is open.
    table()->scrollToTop();
    view->setSelection({ u"com.example.03"_s, u"com.example.05"_s });
    QMenu* menu = contextMenuAt(cellCentre(rows()->rowOf(u"com.example.05"_s), NameColumn));
    model->setSortOrder({ { SortComparator::Key::Name, Qt::DescendingOrder } });
    trigger(menu, u"Reset Last Reviewed Date"_s);
    EXPECT_EQ(std::tuple(reviewed(u"com.example.03"_s), reviewed(u"com.example.04"_s),
                         reviewed(u"com.example.05"_s)),
              std::tuple(false, true, false));
    EXPECT_EQ(selectedNames(), (QStringList { u"App 05"_s, u"App 03"_s }));
    model->setSearchQuery(u"App 0"_s);
    EXPECT_EQ(contextMenuAt(table()->viewport()->rect().bottomLeft() + QPoint(200, -2)), nullptr);

    // The menu key acts on the current row.
    model->setSearchQuery({});
    model->setShowingIgnored(true);
    expectRowsFollowTheModel();
    table()->setCurrentIndex(rows()->index(0, NameColumn));
    table()->selectionModel()->clearSelection();
    const QString first = rows()->idAt(0);
    QTest::keyClick(table(), Qt::Key_F10, Qt::ShiftModifier);
    trigger(qobject_cast<QMenu*>(QApplication::activePopupWidget()), u"Clear Ignore"_s);
    EXPECT_EQ(std::pair(model->ignoredIDs().contains(first), rows()->rowCount()), std::pair(false, 2));
}

TEST_F(WindowTest, CommandsActOnTheSelectedRowsWhileTheWindowIsShown)
{
    const QList<AppInfo> apps = numberedApps(60);
    model->setApps(apps);
    QSet<QString> everyThird;
    for (int i = 0; i < 60; i += 3)
        everyThird.insert(apps.at(i).id());

    // A store that could not write shows what it kept.
    table()->scrollToBottom();
    const int scrolled = table()->verticalScrollBar()->value();
    view->setSelection(everyThird);
    model->recordReview(record(u"com.example.03"_s));
    domain->failBatches = true;
    post(CommandNames::resetReviewRequested());
    EXPECT_EQ(record(u"com.example.03"_s).lastReviewedDate(), preferences.reviewDate(u"com.example.03"_s));
    EXPECT_EQ(std::pair(text(3, LastReviewedColumn), text(6, LastReviewedColumn)),
              std::pair(u"now"_s, u"Never"_s));
    domain->failBatches = false;
    post(CommandNames::resetReviewRequested());
    EXPECT_EQ(std::pair(reviewed(u"com.example.03"_s), reviewed(u"com.example.04"_s)),
              std::pair(false, true));
    EXPECT_EQ(std::pair(view->selectedApps().size(), table()->verticalScrollBar()->value()),
              std::pair(qsizetype(20), scrolled));

    post(CommandNames::ignoreRequested());
    expectRowsFollowTheModel();
    post(CommandNames::ignoreRequested());
    EXPECT_EQ(preferences.loadIgnoredIDs(), everyThird);

    post(CommandNames::showIgnoredAppsToggled());
    expectRowsFollowTheModel();
    view->setSelection({ u"com.example.06"_s });
    post(CommandNames::clearIgnoreRequested());
    expectRowsFollowTheModel();
    EXPECT_EQ(model->ignoredIDs().size(), 19);
    post(CommandNames::showIgnoredAppsToggled());
    view->setSelection({ u"com.example.07"_s });
    post(CommandNames::resetIgnoreListRequested());
    expectRowsFollowTheModel();
    EXPECT_EQ(std::pair(preferences.loadIgnoredIDs(), selectedNames()),
              std::pair(QSet<QString>(), QStringList { u"App 07"_s }));

    // A rescan runs as a task of its own, behind the placeholder, and starts a new selection.
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    const auto* label = view->findChild<QLabel*>(u"scanningLabel"_s);
    QStringList shown; // as the scan starts and ends
    QObject::connect(model.get(), &AppModel::isScanningChanged, view, [&] {
        shown.append(label->isVisible() ? label->text() : table()->isVisible() ? u"table"_s : QString());
    });
    post(CommandNames::rescanRequested());
    EXPECT_EQ(model->apps().size(), 60);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_EQ(shown, (QStringList { u"Scanning Applications…"_s, u"table"_s }));
    EXPECT_EQ(std::pair(rows()->rowCount(), view->hasSelection()), std::pair(0, false));
    // Mock mode's sample: its dates are parsed, and its reviews are relative to the switch.
    post(CommandNames::toggleMockModeRequested());
    ASSERT_TRUE(finished.wait(10000));
    const QStringList used = column(LastAccessedColumn);
    ASSERT_EQ(used.size(), 41);
    EXPECT_EQ(std::tuple(used.first(), used.last(), text(0, LastReviewedColumn)),
              std::tuple(u"Apr 21, 2026"_s, u"Apr 12, 2026"_s, u"8 minutes ago"_s));

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
    // The menus' selection items follow the rows only while the focus is in them.
    FocusedValues values;
    clickCell(1, NameColumn);
    EXPECT_EQ(values.hasSelection(), true);

    // Find selects the field's text, so that typing replaces it.
    for (const auto& [key, modifiers] :
         { std::pair(Qt::Key_F, Qt::ControlModifier), std::pair(Qt::Key_Find, Qt::NoModifier) }) {
        field->setText(u"old"_s);
        table()->setFocus();
        QTest::sendKeyEvent(QTest::Click, table(), key, QString(), modifiers);
        EXPECT_EQ(std::tuple(field->hasFocus(), field->selectedText(), values.hasSelection()),
                  std::tuple(true, u"old"_s, std::nullopt));
    }
    // Case does not matter, and ids count.
    for (const auto& [typed, shown] : { std::pair(u"c"_s, QStringList { u"Calendar"_s, u"Camera"_s }),
                                        std::pair(u"cAL"_s, QStringList { u"Calendar"_s }),
                                        std::pair(u"sample"_s, QStringList { u"Notes"_s }) }) {
        field->selectAll();
        QTest::keyClicks(field, typed);
        EXPECT_EQ(names(), shown) << typed.toStdString();
    }

    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(std::pair(model->searchQuery(), field->hasFocus()), std::pair(QString(), true));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(std::pair(table()->hasFocus(), values.hasSelection()), std::pair(true, std::optional(false)));

    // A canonically equal query leaves the text, caret and selection.
    model->setSearchQuery(u"notes"_s);
    EXPECT_EQ(field->text(), u"notes"_s);
    field->setText(u"cafe\u0301s"_s);
    field->setSelection(1, 2);
    model->setSearchQuery(u"caf\u00e9s"_s);
    EXPECT_EQ(std::pair(field->text(), field->selectedText().size()),
              std::pair(u"cafe\u0301s"_s, qsizetype(2)));

    // The toolbar may keep the field after the view is gone; it still searches.
    tester.reset();
    delete view;
    field->end(false);
    QTest::keyClicks(field, u"q"_s);
    EXPECT_EQ(model->searchQuery(), u"cafe\u0301sq"_s);
}

TEST_F(WindowTest, StatusBarAndEmptyStateSumUpTheCatalogue)
{
    EmptyStateView* empty = view->emptyState();
    const QString none = u"No App Store apps found."_s, noneIgnored = u"No ignored apps."_s;
    const QString found = u"12 App Store apps found · "_s;
    const std::tuple<std::function<void()>, QString, QString> steps[] = {
        { [] {}, u"0 App Store apps found"_s, none },
        { [&] { model->setApps(numberedApps(1)); }, u"1 App Store app found"_s, {} },
        // Ignored ids count whether or not their applications are installed.
        { [&] { model->setApps(numberedApps(12)), model->ignoreApps({ app(u"gone"_s, u"Gone"_s, 1) }); },
          found + u"1 ignored"_s,
          {} },
        { [&] { model->setSearchQuery(u"nothing like it"_s); }, found + u"1 ignored"_s,
          none + u"1 app ignored."_s },
        { [&] { model->ignoreApps(model->apps().mid(0, 2)); }, found + u"3 ignored"_s,
          none + u"3 apps ignored."_s },
        { [&] { model->setShowingIgnored(true); }, u"3 ignored apps"_s, noneIgnored },
        { [&] { model->setSearchQuery({}); }, u"3 ignored apps"_s, {} },
        { [&] { model->unignoreApps(model->apps().mid(0, 2)); }, u"1 ignored app"_s, noneIgnored },
        // The empty state's button resets the ignore list.
        { [&] {
             model->setShowingIgnored(false), model->setSearchQuery(u"nothing like it"_s);
             QTest::mouseClick(empty->resetButton(), Qt::LeftButton);
         },
          u"12 App Store apps found"_s, none },
    };
    for (const auto& [change, status, message] : steps) {
        change();
        EXPECT_EQ(view->statusBar()->text(), status);
        EXPECT_EQ(empty->isVisible() ? empty->messageText() + empty->ignoredText() : QString(), message)
            << status.toStdString();
    }

    // Centred over the table, also after a resize.
    window.resize(1000, 700);
    QTest::qWait(0);
    EXPECT_LE((empty->geometry().center() - table()->viewport()->rect().center()).manhattanLength(), 2);
}

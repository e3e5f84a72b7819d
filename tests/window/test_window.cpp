// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window's content driven by clicks and keys, on a real AppModel over an in-memory store.
#include "AppLists.h"
#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "DateTexts.h"
#include "DesktopWorkspace.h"
#include "EmptyStateView.h"
#include "FieldAssertions.h"
#include "LabelColors.h"
#include "LinkButton.h"
#include "MemoryDefaultsDomain.h"
#include "MessageBar.h"
#include "NamedChild.h"
#include "NotificationCenter.h"
#include "OpenerDouble.h"
#include "PreferencesService.h"
#include "RecordingWorkspace.h"
#include "SearchField.h"
#include "VisibleAppsModel.h"
#include "VisibleOrder.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocumentFragment>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QUndoStack>

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;
using enum AppTableModel::Column;
using enum AppTableModel::Role;
using Names = CommandNames;

namespace {

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

// A store that lists nothing, for the words a catalogue of it uses.
std::shared_ptr<AppSource> emptyStore(AppInfo::Store store = AppInfo::Store::AppStore)
{
    return std::make_shared<FixedSource>(AppSource::Result(), store);
}

QDateTime day(int daysAgo)
{
    return QDateTime(QDate(2026, 3, 31), QTime(12, 0), Qt::UTC).addDays(-daysAgo);
}

AppInfo app(const QString& id, const QString& name, int daysAgo, OptionalDate reviewed = std::nullopt,
            const QString& adamID = u"1001"_s)
{
    return AppInfo(AppId(id), name, u"/Applications/"_s + name + u".app"_s, adamID, day(daysAgo),
                   std::nullopt, std::move(reviewed));
}

// "App 00" (com.example.00) …, last used in that order; all reviewed unless said otherwise.
QList<AppInfo> numberedApps(int count, bool reviewed = true)
{
    QList<AppInfo> apps;
    for (int i = 0; i < count; ++i) {
        const QString number = u"%1"_s.arg(i, 2, 10, QChar(u'0'));
        apps.append(app(u"com.example."_s + number, u"App "_s + number, i,
                        reviewed ? OptionalDate(day(100 + i)) : std::nullopt));
    }
    return apps;
}

const QList<AppInfo> storeApps {
    AppInfo::flatpakApp(AppId(u"org.a.Flathub"_s), u"Flathub"_s, u"/a"_s, day(1), day(5), {},
                        QUrl(u"https://flathub.org/apps/org.a.Flathub"_s)),
    AppInfo::flatpakApp(AppId(u"org.a.Other"_s), u"Other"_s, u"/b"_s, day(2), day(5), {}, {}),
    AppInfo::snapApp(u"a-snap"_s, u"Snap"_s, u"/c.desktop"_s, day(3), day(5), {},
                     QUrl(u"https://snapcraft.io/a-snap"_s)),
};

} // namespace

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override { makeView({ emptyStore() }); }

    // A new model on sources, after its first scan, and a new view of it, shown.
    void makeView(AppSources sources, Workspace* desktop = nullptr)
    {
        testers.clear();
        delete view;
        undoStack.clear();
        model = std::make_unique<AppModel>(preferences, std::move(sources));
        QSignalSpy finished(model.get(), &AppModel::rescanFinished);
        ASSERT_TRUE(finished.wait(10000));
        view = new ContentView(*model, desktop ? *desktop : workspace, center, undoStack);
        window.setCentralWidget(view);
        toolBar->clear();
        toolBar->addWidget(view->searchField());
        for (QAbstractItemModel* tested : { static_cast<QAbstractItemModel*>(rows()), rows()->sourceModel() })
            testers.push_back(std::make_unique<QAbstractItemModelTester>(
                tested, QAbstractItemModelTester::FailureReportingMode::Fatal));
        window.resize(900, 600);
        window.show();
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        table()->setFocus();
    }

    AppTableView* table() const { return namedChild<AppTableView>(view, u"applicationTable"_s); }
    VisibleAppsModel* rows() const { return qobject_cast<VisibleAppsModel*>(table()->model()); }
    // What the label called name says, when it is shown.
    QString shownText(const QString& name) const
    {
        const auto* label = namedChild<QLabel>(view, name);
        return label->isVisible() ? label->text() : QString();
    }
    QString emptyStateText() const
    {
        return shownText(u"emptyStateMessage"_s) + shownText(u"emptyStateIgnored"_s);
    }
    QString text(int row, int column, int role = Qt::DisplayRole) const
    {
        return rows()->index(row, column).data(role).toString();
    }
    AppId idAt(int row) const { return rows()->index(row, 0).data(IdRole).value<AppId>(); }
    QStringList column(int column, int role = Qt::DisplayRole) const
    {
        QStringList texts;
        for (int row = 0; row < rows()->rowCount(); ++row)
            texts.append(text(row, column, role));
        return texts;
    }
    // The current row's name, and its height when it is in view.
    std::pair<QString, int> place() const
    {
        const QRect current = table()->visualRect(table()->currentIndex());
        return { table()->currentIndex().siblingAtColumn(NameColumn).data().toString(),
                 table()->viewport()->rect().contains(current) ? current.y() : -1 };
    }
    QScrollBar* bar() const { return table()->verticalScrollBar(); }
    bool reviewed(const QString& id) const
    {
        return std::ranges::find(model->apps(), AppId(id), &AppInfo::id)->lastReviewedDate().has_value();
    }
    QRect cell(int row, int column) const { return table()->visualRect(rows()->index(row, column)); }
    void clickCell(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::mouseClick(table()->viewport(), Qt::LeftButton, modifiers, cell(row, column).center());
    }
    void clickHeader(int column)
    {
        QHeaderView* header = table()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(header->sectionViewportPosition(column) + 10, header->height() / 2));
    }

    RecordingWorkspace workspace;
    NotificationCenter center;
    QUndoStack undoStack;
    std::shared_ptr<FailingBatchDomain> domain = std::make_shared<FailingBatchDomain>();
    PreferencesService preferences { domain };
    std::unique_ptr<AppModel> model;
    QMainWindow window;
    QToolBar* toolBar = window.addToolBar(QString());
    ContentView* view = nullptr;
    std::vector<std::unique_ptr<QAbstractItemModelTester>> testers;
};

TEST_F(WindowTest, RowsShowTheRecordsTextsTooltipsIconsAndLabelLevels)
{
    const QString markup = u"com.example.<b>bold</b> &amp; co"_s;
    model->setApps(
        { AppInfo(AppId(u"dummy.01"_s), QString(), u"/Apps/none.app"_s, u"x"_s, {}, {}, {}),
          app(u"com.example.used"_s, u"Used"_s, 1, QDateTime::currentDateTimeUtc().addDays(-1)),
          AppInfo(AppId(markup), u"Modified"_s, u"/Apps/Modified.app"_s, u"2"_s, {}, day(10), {}) });

    // The modification date stands in for a missing use, and looks it.
    const QString modified = u"Showing file modification date (app never launched)"_s;
    const QString open = u"Open App Store page for "_s,
                  store = u"Open its page in the App Store. Opening it marks the app as reviewed."_s;
    const auto level = [](LabelColors::Level level) { return QString::number(int(level)); };
    using enum LabelColors::Level;
    const std::tuple<int, int, QStringList> columns[] = {
        { NameColumn, Qt::DisplayRole, { u"Used"_s, u"Modified"_s, QString() } },
        { LastAccessedColumn, Qt::DisplayRole, { u"Mar 30, 2026"_s, u"Mar 21, 2026"_s, u"—"_s } },
        { AppStoreColumn, Qt::DisplayRole, QStringList(3, u"Open ↗"_s) },
        { LastReviewedColumn, Qt::DisplayRole, { u"yesterday"_s, u"Never"_s, u"Never"_s } },
        { LastAccessedColumn, Qt::ToolTipRole, { u"Last launched date"_s, modified, modified } },
        { LastReviewedColumn,
          Qt::ToolTipRole,
          { u"You opened its store page on "_s
                + DateTexts::mediumDate(QDateTime::currentDateTimeUtc().addDays(-1))
                + u"; no review by you has been found"_s,
            QString(), QString() } },
        // Where the link goes; nowhere for a record without a usable store number.
        { AppStoreColumn, Qt::ToolTipRole, { store, store, u"No software centre here can open its page"_s } },
        { LastAccessedColumn, LabelLevelRole, { level(Primary), level(Secondary), level(Secondary) } },
        { LastReviewedColumn, LabelLevelRole, { level(Primary), level(Tertiary), level(Tertiary) } },
        // What a screen reader announces: the icon and "Open ↗" would tell nothing of the application.
        { IconColumn, Qt::AccessibleTextRole, { u"Used"_s, u"Modified"_s, QString() } },
        { AppStoreColumn, Qt::AccessibleTextRole, { open + u"Used"_s, open + u"Modified"_s, open } },
        { LastAccessedColumn,
          Qt::AccessibleTextRole,
          { u"Last used Mar 30, 2026"_s, u"Installed Mar 21, 2026, never used"_s, u"Never used"_s } },
        { LastReviewedColumn, Qt::AccessibleTextRole, { u"yesterday"_s, u"Never"_s, u"Never"_s } },
    };
    for (const auto& [column, role, expected] : columns)
        EXPECT_EQ(this->column(column, role), expected) << column << " " << role;
    EXPECT_EQ(rows()->headerData(IconColumn, Qt::Horizontal, Qt::AccessibleTextRole), u"Icon"_s);

    // The icon and the name say where the application comes from, as typed, even when its id
    // looks like markup; a Flatpak's deploy folder, commit and all, is no part of it.
    for (const int column : { IconColumn, NameColumn }) {
        const QString tooltip = text(1, column, Qt::ToolTipRole);
        EXPECT_EQ(Qt::mightBeRichText(tooltip) ? QTextDocumentFragment::fromHtml(tooltip).toPlainText()
                                               : tooltip,
                  u"App Store · "_s + markup);
    }
    EXPECT_EQ(text(2, IconColumn, Qt::ToolTipRole), u"App Store · dummy.01"_s);

    // Icons keep their shape (64 × 32 becomes 24 × 12, centred); a nameless record shows none.
    const QImage shown = table()->viewport()->grab().toImage();
    const auto red = [&](int row, int dy) {
        const QPoint centre = cell(row, IconColumn).center() * shown.devicePixelRatio();
        return shown.pixelColor(centre + QPoint(0, dy)) == QColor(Qt::red);
    };
    EXPECT_FIELDS_EQ(std::tuple(red(0, 0), red(0, 4), red(0, -9), red(2, 0)),
                     std::tuple(true, true, false, false));
    // Each store says it in its own words.
    model->setApps(
        { AppInfo::flatpakApp(AppId(u"org.example.Cafe"_s), u"Cafe"_s,
                              u"/var/lib/flatpak/app/org.example.Cafe/x86_64/stable/4f1c2d"_s, day(1), {}, {},
                              {}, u"default"_s),
          AppInfo::flatpakApp(AppId(u"org.example.Mine"_s), u"Mine"_s, u"/m"_s, day(2), {}, {}, {}),
          AppInfo::flatpakApp(AppId(u"org.example.Disk"_s), u"Disk"_s, u"/d"_s, day(3), {}, {}, {},
                              u"extra"_s),
          AppInfo::snapApp(u"a-snap"_s, u"Snap"_s, u"/c.desktop"_s, day(4), {}, {}, {}),
          AppInfo::distributionApp(AppId(u"org.example.Native"_s), u"Native"_s, u"/n.desktop"_s, day(5), {},
                                   {}) });
    EXPECT_EQ(column(NameColumn, Qt::ToolTipRole),
              (QStringList { u"Flatpak · system installation · org.example.Cafe"_s,
                             u"Flatpak · user installation · org.example.Mine"_s,
                             u"Flatpak · installation “extra” · org.example.Disk"_s, u"Snap · a-snap"_s,
                             u"Distribution · org.example.Native"_s }));

    // Relative review dates stay true while the window is open.
    model->setApps({ app(u"a"_s, u"A"_s, 1, QDateTime::currentDateTimeUtc().addMSecs(-59'400)) });
    QStringList announced;
    QObject::connect(rows(), &QAbstractItemModel::dataChanged, view, [&](auto&, const QModelIndex& to) {
        announced.append(text(to.row(), LastReviewedColumn));
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !announced.isEmpty(); }, 5000));
    EXPECT_EQ(announced, QStringList { u"1 minute ago"_s });

    // A Flatpak's or snap's link opens the software centre where the desktop has one for it, else
    // the store's web page.
    // Each says that opening the page counts as a review.
    const QString marks = u". Opening it marks the app as reviewed."_s,
                  centre = u"Open its page in the software centre"_s + marks,
                  snapStore = u"Open its page on the Snap Store"_s + marks;
    for (const auto& [handled, tips] :
         { std::pair(QStringList { u"appstream"_s }, QStringList { centre, centre, snapStore }),
           { QStringList { u"snap"_s },
             { u"Open its page on Flathub"_s + marks, u"No software centre here can open its page"_s,
               centre } } }) {
        workspace.handled = handled;
        model->setApps(storeApps);
        EXPECT_EQ(column(AppStoreColumn, Qt::ToolTipRole), tips);
    }
}

TEST_F(WindowTest, ANarrowTableShowsACutNameWholeInItsTooltipAndKeepsItsDatesWhole)
{
    const QString name = u"An Application Whose Name Goes On"_s.repeated(4);
    model->setApps(
        { app(u"com.example.long"_s, name, 1, day(2)), app(u"com.example.short"_s, u"Short"_s, 2) });
    window.resize(ContentView::MinimumWidth, 600);
    const auto tip = [&](int row) {
        QToolTip::hideText();
        const QPoint at = cell(row, NameColumn).center();
        QHelpEvent help(QEvent::ToolTip, at, table()->viewport()->mapToGlobal(at));
        QApplication::sendEvent(table()->viewport(), &help);
        return QToolTip::text();
    };
    EXPECT_EQ(
        std::pair(tip(0), tip(1)),
        std::pair(QString(name + u"\nApp Store · com.example.long"_s), u"App Store · com.example.short"_s));
    QToolTip::hideText();

    // A date column dragged narrow keeps its title and its dates whole.
    QHeaderView* header = table()->horizontalHeader();
    for (const int column : { LastAccessedColumn, LastReviewedColumn }) {
        header->resizeSection(column, 20);
        const int widest = std::max(
            { header->fontMetrics().horizontalAdvance(rows()->headerData(column, Qt::Horizontal).toString()),
              table()->fontMetrics().horizontalAdvance(text(0, column)),
              table()->fontMetrics().horizontalAdvance(text(1, column)) });
        EXPECT_GT(header->sectionSize(column), widest) << column;
    }
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
        EXPECT_EQ(std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder()),
                  std::pair(VisibleAppsModel::columnOf(order.first().key()), order.first().order()));
    }
}

TEST_F(WindowTest, ReviewsFoundOnlineShowTheirStarsAndTheNewerDateWhichLastReviewedSortsBy)
{
    preferences.setReviewDates(
        { { AppId(u"opened"_s), day(10) }, { AppId(u"older"_s), day(20) }, { AppId(u"none"_s), day(30) } });
    const QVariant stored = domain->value(PreferencesService::ReviewDatesKey);
    const auto flatpak = [](const QString& id, int daysAgo) {
        return AppInfo::flatpakApp(AppId(id), id, u"/"_s + id, day(daysAgo), {}, {}, {});
    };
    AppSource::Result listed;
    listed.apps = { flatpak(u"opened"_s, 1), flatpak(u"found"_s, 2), flatpak(u"older"_s, 3),
                    flatpak(u"none"_s, 4), flatpak(u"never"_s, 5) };
    makeView({ std::make_shared<FixedSource>(listed, AppInfo::Store::Flatpak) });
    model->setOnlineReviews({ { AppId(u"opened"_s), { day(40), 80, u"Fine"_s } },
                              { AppId(u"found"_s), { day(5), 100, u"Great for notes"_s } },
                              { AppId(u"older"_s), { day(2), 50, u"<b>So-so</b>"_s } } });
    const auto date = [](int daysAgo) { return DateTexts::mediumDate(day(daysAgo)); };
    const auto ago = [](int daysAgo) {
        return DateTexts::relative(day(daysAgo), QDateTime::currentDateTimeUtc());
    };
    const auto expectRows = [&] {
        const std::tuple<int, int, QStringList> columns[] = {
            { RatingColumn, Qt::DisplayRole, { u"★★★★☆"_s, u"★★★★★"_s, u"★★★☆☆"_s, QString(), QString() } },
            { RatingColumn,
              Qt::AccessibleTextRole,
              { u"4 of 5 stars"_s, u"5 of 5 stars"_s, u"3 of 5 stars"_s, QString(), QString() } },
            { LastReviewedColumn,
              Qt::ToolTipRole,
              { u"You opened its store page on "_s + date(10) + u", after your review of "_s + date(40),
                u"Your review of "_s + date(5) + u": “Great for notes”"_s,
                u"Your review of "_s + date(2) + u": “<b>So-so</b>”"_s,
                u"You opened its store page on "_s + date(30) + u"; no review by you has been found"_s,
                QString() } },
            { LastReviewedColumn, Qt::DisplayRole, { ago(10), ago(5), ago(2), ago(30), u"Never"_s } },
        };
        for (const auto& [column, role, expected] : columns) {
            QStringList shown = this->column(column, role);
            // A summary shows as typed, even when it looks like markup.
            for (QString& text : shown) {
                if (Qt::mightBeRichText(text))
                    text = QTextDocumentFragment::fromHtml(text).toPlainText();
            }
            EXPECT_EQ(shown, expected) << column << " " << role;
        }
    };
    expectRows();
    // Newest first by the newer of the two dates; a rescan keeps what was found online, and the
    // stored dates stay those of the pages opened.
    clickHeader(LastReviewedColumn);
    QStringList order;
    for (int row = 0; row < rows()->rowCount(); ++row)
        order.append(idAt(row).text());
    EXPECT_EQ(order, (QStringList { u"older"_s, u"found"_s, u"opened"_s, u"none"_s, u"never"_s }));
    QSignalSpy rescanned(model.get(), &AppModel::rescanFinished);
    model->setSortOrder({ { SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder } });
    model->rescan();
    ASSERT_TRUE(rescanned.wait(10000));
    expectRows();
    EXPECT_EQ(domain->value(PreferencesService::ReviewDatesKey), stored);
    // A rating the software centres did not write rounds to the nearest star, at least one.
    for (const auto& [rating, stars] :
         { std::pair(1, 1), { 29, 1 }, { 30, 2 }, { 89, 4 }, { 90, 5 }, { 100, 5 } })
        EXPECT_EQ(AppInfo::starsOf(rating), stars) << rating;
}

TEST_F(WindowTest, SortingSearchingIgnoringAndReviewingKeepTheUserWhereTheyAre)
{
    // Sorting a list at its top keeps it there; the one reviewed application, last, comes first.
    QList<AppInfo> apps = numberedApps(60, false);
    apps.last().setLastReviewedDate(day(1));
    model->setApps(apps);
    clickHeader(LastReviewedColumn);
    EXPECT_EQ(std::pair(bar()->value(), idAt(0)), std::pair(0, AppId(u"com.example.59"_s)));
    clickCell(3, NameColumn);
    clickHeader(NameColumn);
    EXPECT_EQ(std::pair(bar()->value(), place().second >= 0), std::pair(0, true));

    // Further down, the current row stays in view wherever a sort takes it, and in its place when
    // rows leave and come back or a review moves another.
    model->setApps(numberedApps(60));
    model->setSortOrder({ { SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder } });
    table()->scrollToBottom();
    clickCell(57, NameColumn);
    for (const int header : { NameColumn, LastReviewedColumn, LastReviewedColumn }) {
        clickHeader(header);
        EXPECT_EQ(std::pair(place().first, place().second >= 0), std::pair(u"App 57"_s, true)) << header;
    }
    model->setSortOrder({ { SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder } });
    table()->scrollToBottom();
    const auto sorted = place();
    SearchField* field = view->searchField();
    field->setFocus();
    QTest::keyClicks(field, u"5"_s);
    QTest::keyClick(field, Qt::Key_Backspace);
    EXPECT_EQ(place(), sorted);
    const int scrolled = bar()->value();
    bool reviewedBeforeOpening = true;
    workspace.onOpen = [&] {
        reviewedBeforeOpening = preferences.reviewDate(AppId(u"com.example.56"_s)).has_value();
    };
    clickCell(56, AppStoreColumn);
    workspace.settle();
    EXPECT_FIELDS_EQ(std::tuple(reviewedBeforeOpening, bar()->value(), text(56, LastReviewedColumn), place()),
                     std::tuple(false, scrolled, u"now"_s, sorted));

    // Rows that leave keep the current one where it was, and the other selected rows selected.
    for (int row = 50; row <= 54; ++row)
        clickCell(row, NameColumn, row == 50 ? Qt::NoModifier : Qt::ControlModifier);
    table()->selectionModel()->setCurrentIndex(rows()->index(52, 1), QItemSelectionModel::NoUpdate);
    const auto before = place();
    model->ignoreApps(view->selectedApps().mid(0, 2));
    EXPECT_EQ(idsOf(view->selectedApps()),
              (QStringList { u"com.example.52"_s, u"com.example.53"_s, u"com.example.54"_s }));
    EXPECT_EQ(place(), before);
    // A search that hides them ends the selection, and says so once.
    QSignalSpy published(view, &ContentView::hasSelectionChanged);
    QTest::keyClicks(field, u"App 1"_s);
    EXPECT_EQ(std::pair(view->hasSelection(), published.size()), std::pair(false, qsizetype(1)));
}

TEST_F(WindowTest, IgnoringPicksTheNextRowAndANewCatalogueShowsWholeRows)
{
    // So that Ignore, again and again, goes on down the list, the row that takes the place of the
    // first one ignored is picked; at the end, the one before.
    const QList<AppInfo> apps = numberedApps(5);
    model->setApps(apps);
    const auto shown = [&] {
        QStringList picked;
        for (const AppInfo& each : view->selectedApps())
            picked.append(each.name());
        return QString(column(NameColumn).join(u' ') + u" | "_s + picked.join(u' ') + u" / "_s
                       + place().first)
            .remove(u"App "_s);
    };
    // The rows selected before Ignore (none: as the one before left them), then what is shown:
    // the rows, the selected ones and the current one.
    const std::pair<QList<int>, QString> steps[] = {
        { { 1 }, u"00 02 03 04 | 02 / 02"_s },
        { {}, u"00 03 04 | 03 / 03"_s },
        { { 3, 4 }, u"00 | 00 / 00"_s },
    };
    for (const auto& [selected, expected] : steps) {
        if (!selected.isEmpty()) {
            QSet<AppId> ids;
            for (const int number : selected)
                ids.insert(apps[number].id());
            view->setSelection(ids);
        }
        center.post(Names::IgnoreRequested);
        EXPECT_EQ(shown(), expected);
    }

    // A new catalogue, with the list scrolled part of a row down, or at its end and then shorter,
    // starts the view on a whole row.
    for (const int count : { 60, 30 }) {
        model->setApps(numberedApps(60));
        const int rowHeight = table()->rowHeight(0);
        bar()->setValue(count == 60 ? rowHeight * 10 + rowHeight / 2 : bar()->maximum());
        model->setApps(numberedApps(count));
        EXPECT_EQ(table()->rowViewportPosition(table()->rowAt(0)), 0) << count;
    }
}

TEST_F(WindowTest, TheKeyboardAndThePointerPickRowsAndOpenPagesAndOnlyAnOpenedPageCountsAsAReview)
{
    model->setApps(numberedApps(60));
    // The focus arriving picks nothing; the first key that moves does.
    view->searchField()->setFocus();
    table()->setFocus(Qt::TabFocusReason);
    ASSERT_TRUE(table()->hasFocus());
    EXPECT_EQ(std::pair(table()->currentIndex().isValid(), view->hasSelection()), std::pair(false, false));
    for (const auto& [key, name] : { std::pair(Qt::Key_Down, u"App 00"_s),
                                     { Qt::Key_End, u"App 59"_s },
                                     { Qt::Key_Home, u"App 00"_s },
                                     { Qt::Key_Down, u"App 01"_s } }) {
        QTest::keyClick(table(), key);
        EXPECT_FIELDS_EQ(std::tuple(place().first, idsOf(view->selectedApps()), place().second >= 0),
                         std::tuple(name, QStringList { u"com.example."_s + name.right(2) }, true));
    }

    // The link is drawn in the link colour, and the pointer over it underlines it and points.
    const QRect link = cell(4, AppStoreColumn);
    const QImage before = table()->viewport()->grab(link).toImage();
    const QImage drawn = before.convertToFormat(QImage::Format_RGB32);
    const auto* pixels = reinterpret_cast<const QRgb*>(drawn.constBits());
    EXPECT_TRUE(
        std::count(pixels, pixels + drawn.sizeInBytes() / 4, table()->palette().color(QPalette::Link).rgb()));
    QTest::mouseMove(table()->viewport(), link.center());
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return table()->viewport()->cursor().shape() == Qt::PointingHandCursor; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return table()->viewport()->grab(link).toImage() != before; }));
    QTest::mouseMove(table()->viewport(), cell(4, NameColumn).center());
    EXPECT_EQ(table()->viewport()->cursor().shape(), Qt::ArrowCursor);

    // Without a valid address nothing opens and nothing counts; a click anywhere in the cell opens.
    model->setApps({ app(u"odd"_s, u"Odd"_s, 1, std::nullopt, u"12/../x"_s), app(u"b"_s, u"B"_s, 2),
                     app(u"c"_s, u"C"_s, 3) });
    QTest::mouseClick(table()->viewport(), Qt::LeftButton, {},
                      cell(0, AppStoreColumn).topLeft() + QPoint(1, 1));
    EXPECT_FIELDS_EQ(std::tuple(reviewed(u"odd"_s), view->hasSelection(), workspace.openedUrls.size(),
                                shownText(u"messageText"_s)),
                     std::tuple(false, false, qsizetype(0), QString()));
    // Return and Enter open the current row's page; Space only on the link cell.
    for (const auto& [key, modifiers, row, column, opened] :
         { std::tuple(Qt::Key_Return, Qt::NoModifier, 1, NameColumn, 1),
           { Qt::Key_Enter, Qt::KeypadModifier, 2, NameColumn, 1 },
           { Qt::Key_Space, Qt::NoModifier, 1, NameColumn, 0 },
           { Qt::Key_Space, Qt::NoModifier, 2, AppStoreColumn, 1 } }) {
        table()->setCurrentIndex(rows()->index(row, column));
        workspace.openedUrls.clear();
        QTest::keyClick(table(), key, modifiers);
        EXPECT_EQ(workspace.openedUrls.size(), opened) << key;
    }

    // Without a software centre, a Flatpak or snap opens its store's web page; with no such page
    // nothing opens, nothing counts, and the window names the address to open by hand.
    model->setApps(storeApps);
    workspace.openedUrls.clear();
    for (int row = 0; row < 3; ++row) {
        clickCell(row, AppStoreColumn);
        workspace.settle();
    }
    EXPECT_EQ(workspace.openedUrls,
              (QList<QUrl> { QUrl(u"appstream:org.a.Flathub"_s), *storeApps[0].reviewFallbackURL(),
                             QUrl(u"appstream:org.a.Other"_s), QUrl(u"snap://a-snap"_s),
                             *storeApps[2].reviewFallbackURL() }));
    EXPECT_EQ(
        std::tuple(reviewed(u"org.a.Flathub"_s), reviewed(u"org.a.Other"_s), reviewed(u"snap:a-snap"_s)),
        std::tuple(true, false, true));
    // No browser opens a software centre's address: the message says what can.
    const auto centreMessage = [](const QString& address) -> QString {
        return u"No software centre could open “"_s + address
            + u"”, so no review was recorded. A browser cannot open this address; open it in a software "
              "centre such as GNOME Software, KDE Discover or the Snap Store."_s;
    };
    EXPECT_EQ(shownText(u"messageText"_s), centreMessage(u"appstream:org.a.Other"_s));
    model->setApps({ AppInfo::snapApp(u"b-snap"_s, u"Snap"_s, u"/d.desktop"_s, day(3), day(5), {}, {}) });
    clickCell(0, AppStoreColumn);
    workspace.settle();
    EXPECT_EQ(shownText(u"messageText"_s), centreMessage(u"snap://b-snap"_s));
    model->setApps(storeApps);
    // Where the desktop has a software centre, the page opens there and counts.
    workspace.handled = QStringList { u"appstream"_s };
    clickCell(1, AppStoreColumn);
    workspace.settle();
    EXPECT_EQ(std::pair(workspace.openedUrls.last(), reviewed(u"org.a.Other"_s)),
              std::pair(QUrl(u"appstream:org.a.Other"_s), true));

    // The link goes where its tooltip says, also for a record whose id no software centre may be
    // handed: to the store's web page.
    const QUrl web(u"https://flathub.org/apps/odd"_s);
    model->setApps({ AppInfo::flatpakApp(AppId(u"org.a.Odd id"_s), u"Odd"_s, u"/d"_s, day(1), {}, {}, web) });
    workspace.openedUrls.clear();
    clickCell(0, AppStoreColumn);
    workspace.settle();
    EXPECT_FIELDS_EQ(std::tuple(text(0, AppStoreColumn, Qt::ToolTipRole), workspace.openedUrls,
                                reviewed(u"org.a.Odd id"_s)),
                     std::tuple(u"Open its page on Flathub. Opening it marks the app as reviewed."_s,
                                QList<QUrl> { web }, true));
}

TEST_F(WindowTest, OnlyAPageTheDesktopsOpenerOpenedCountsAndOtherwiseTheAddressCanBeCopied)
{
    using Verdict = OpenerDouble::Verdict;
    OpenerDouble opener;
    DesktopWorkspace desktop(std::chrono::seconds(1));
    makeView({ emptyStore() }, &desktop);
    const QUrl page(u"https://apps.apple.com/app/id1001"_s);
    for (const auto& [verdict, counts] :
         { std::pair(Verdict::Fails, false), { Verdict::Hangs, false }, { Verdict::Opens, true } }) {
        SCOPED_TRACE(int(verdict));
        model->setApps({ app(u"a"_s, u"A"_s, 1) });
        namedChild<QWidget>(view, u"messageBar"_s)->hide();
        QGuiApplication::clipboard()->clear();
        opener.setVerdict(verdict);
        const qsizetype asked = opener.opened().size();
        clickCell(0, AppStoreColumn);
        // The answer comes later; until then nothing counts.
        EXPECT_FALSE(reviewed(u"a"_s));
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return reviewed(u"a"_s) || !shownText(u"messageText"_s).isEmpty(); }, 5000));
        EXPECT_EQ(opener.opened().mid(asked), QList<QUrl> { page });
        EXPECT_EQ(reviewed(u"a"_s), counts);
        if (counts) {
            EXPECT_EQ(shownText(u"messageText"_s), QString());
            continue;
        }
        EXPECT_EQ(shownText(u"messageText"_s),
                  u"No application could open “"_s + page.toString()
                      + u"”, so no review was recorded. You can open the address yourself to write one."_s);
        auto* copy = namedChild<QPushButton>(view, u"copyAddress"_s);
        ASSERT_TRUE(copy->isVisible());
        QTest::mouseClick(copy, Qt::LeftButton);
        EXPECT_EQ(QGuiApplication::clipboard()->text(), page.toString());
    }
}

TEST_F(WindowTest, AStoreThatCouldNotBeReadIsNamedOnceUntilItIsReadInFull)
{
    using Store = AppInfo::Store;
    const QList<Store> stores { Store::AppStore, Store::Flatpak, Store::Snap, Store::Distribution };
    QList<std::shared_ptr<FixedSource>> sources;
    const auto failing = [&](const QList<Store>& incomplete) {
        for (const std::shared_ptr<FixedSource>& source : sources) {
            source->fixed.completeness = Completeness();
            if (incomplete.contains(*source->kind))
                source->fixed.completeness.note(ReadOutcome::Failed);
        }
    };
    for (const Store store : stores)
        sources.append(std::make_shared<FixedSource>(AppSource::Result(), store));
    failing({ Store::Snap });
    makeView({ sources.begin(), sources.end() });
    const QString snaps = u"Snaps could not be listed: snapd did not answer. Their review dates are kept."_s;
    EXPECT_EQ(shownText(u"messageText"_s), snaps);

    const QString flatpaks = u"Flatpak apps could not be listed in full: an installation could not be "
                             "read. Their review dates are kept."_s,
                  bundles = u"App Store apps could not be listed in full: an applications folder could not "
                            "be read. Their review dates are kept."_s,
                  distribution = u"Distribution apps could not be listed in full: their AppStream metadata "
                                 "could not be read. Their review dates are kept."_s;
    enum class Before { Nothing, Close, OtherMessage };
    // Closed, it stays closed while the store keeps failing, and another store's failure names that
    // one alone; once every store it names was read in full it goes by itself (but not a message
    // that took its place), and the next failure is told again.
    // clang-format off
    const std::tuple<Before, QList<Store>, QString> steps[] = {
        { Before::Close, { Store::Snap }, QString() },
        { Before::Nothing, { Store::Snap, Store::Flatpak }, flatpaks },
        { Before::Nothing, {}, QString() },
        { Before::Nothing, { Store::Snap }, snaps },
        { Before::Nothing, { Store::AppStore, Store::Distribution }, bundles + u'\n' + distribution },
        { Before::OtherMessage, {}, u"No application could open “https://kudora.org/help/”. You can open the address yourself."_s },
    };
    // clang-format on
    for (const auto& [before, incomplete, shown] : steps) {
        SCOPED_TRACE(qPrintable(shown));
        if (before == Before::Close)
            QTest::mouseClick(namedChild<QToolButton>(view, u"closeMessage"_s), Qt::LeftButton);
        if (before == Before::OtherMessage)
            view->messageBar()->showPageNotOpened(QUrl(u"https://kudora.org/help/"_s),
                                                  MessageBar::Purpose::Help);
        failing(incomplete);
        QSignalSpy finished(model.get(), &AppModel::rescanFinished);
        model->rescan();
        ASSERT_TRUE(finished.wait(10000));
        EXPECT_EQ(shownText(u"messageText"_s), shown);
    }
}

TEST_F(WindowTest, CommandsActOnTheSelectedRowsWhileTheWindowIsShown)
{
    const QList<AppInfo> apps = numberedApps(60);
    model->setApps(apps);
    QSet<AppId> everyThird;
    for (int i = 0; i < 60; i += 3)
        everyThird.insert(apps.at(i).id());

    // A store that could not write shows what it kept.
    table()->scrollToBottom();
    const int scrolled = bar()->value();
    view->setSelection(everyThird);
    model->recordReview(apps.at(3));
    domain->failBatches = true;
    center.post(Names::ResetReviewRequested);
    EXPECT_EQ(std::pair(text(3, LastReviewedColumn), text(6, LastReviewedColumn)),
              std::pair(u"now"_s, u"Never"_s));
    domain->failBatches = false;
    center.post(Names::ResetReviewRequested);
    EXPECT_FIELDS_EQ(std::tuple(reviewed(u"com.example.03"_s), reviewed(u"com.example.04"_s),
                                view->selectedApps().size(), bar()->value()),
                     std::tuple(false, true, qsizetype(20), scrolled));

    // Resetting the ignore list keeps the selection; the toggle flips the view.
    model->ignoreApps(apps.mid(1, 2));
    center.post(Names::ResetIgnoreListRequested);
    EXPECT_EQ(std::pair(preferences.loadIgnoredIDs(), view->selectedApps().size()),
              std::pair(QSet<AppId>(), qsizetype(20)));
    center.post(Names::ShowIgnoredAppsToggled);
    EXPECT_TRUE(model->showingIgnored());
    center.post(Names::ShowIgnoredAppsToggled);

    // A rescan runs as a task of its own, behind the placeholder, and starts a new selection.
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    const auto* label = view->findChild<QLabel*>(u"scanningLabel"_s);
    QStringList shown; // as the scan starts and ends
    QObject::connect(model.get(), &AppModel::isScanningChanged, view, [&] {
        shown.append(label->isVisible() ? label->text() : table()->isVisible() ? u"table"_s : QString());
    });
    center.post(Names::RescanRequested);
    EXPECT_EQ(model->apps().size(), 60);
    ASSERT_TRUE(finished.wait(10000));
    EXPECT_FIELDS_EQ(std::tuple(shown, rows()->rowCount(), view->hasSelection()),
                     std::tuple(QStringList { u"Scanning Applications…"_s, u"table"_s }, 0, false));
    // Mock mode's sample: its dates are parsed, and its reviews are relative to the switch.
    center.post(Names::ToggleMockModeRequested);
    ASSERT_TRUE(finished.wait(10000));
    const QStringList used = column(LastAccessedColumn);
    ASSERT_EQ(used.size(), 41);
    EXPECT_FIELDS_EQ(std::tuple(used.first(), used.last(), text(0, LastReviewedColumn)),
                     std::tuple(u"Apr 21, 2026"_s, u"Apr 12, 2026"_s, u"8 minutes ago"_s));

    // Nothing happens while the window is not shown, nor after the view is gone.
    model->setApps(numberedApps(2));
    view->setSelection({ AppId(u"com.example.00"_s) });
    window.hide();
    center.post(Names::ShowIgnoredAppsToggled);
    EXPECT_FALSE(model->showingIgnored());
    testers.clear();
    delete view;
    center.post(Names::IgnoreRequested);
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
}

TEST_F(WindowTest, EveryChangeUndoesToTheExactEarlierValuesAndRedoesByIdAfterARescan)
{
    // Four apps reviewed 100 to 103 days before day(0), the last two ignored, all in the store.
    const QList<AppInfo> apps = numberedApps(4);
    for (const AppInfo& each : apps)
        preferences.setReviewDate(each.id(), each.lastReviewedDate());
    preferences.addIgnoredIDs({ apps[2].id(), apps[3].id() });
    model->setApps(apps);
    model->changeIgnoredIDs({ apps[2].id(), apps[3].id() }, {});
    OptionalDate recorded;
    // The stored dates in days before day(0) ("now" for the review recorded, "-" for none), with
    // the rows agreeing, and the stored ignore list.
    const auto state = [&]() -> QString {
        QStringList dates;
        for (const AppInfo& each : apps) {
            const OptionalDate stored = preferences.reviewDate(each.id());
            EXPECT_EQ(findApp(model->apps(), each.id().text())->lastReviewedDate(), stored);
            dates.append(!stored                  ? u"-"_s
                             : stored == recorded ? u"now"_s
                                                  : QString::number(stored->daysTo(day(0))));
        }
        QStringList ignored = sortedTexts(preferences.loadIgnoredIDs());
        ignored.replaceInStrings(u"com.example."_s, QString());
        return dates.join(u' ') + u" | "_s + ignored.join(u' ') + u" | "_s + shownText(u"messageText"_s);
    };
    const auto select = [&](const QList<int>& numbers) {
        QSet<AppId> ids;
        for (const int number : numbers)
            ids.insert(apps[number].id());
        view->setSelection(ids);
    };
    const std::pair<std::function<void()>, QString> steps[] = {
        { [] {}, u"100 101 102 103 | 02 03 | "_s },
        { [&] {
             for (int row = 0; row < rows()->rowCount(); ++row)
                 if (idAt(row) == apps[0].id())
                     table()->setCurrentIndex(rows()->index(row, NameColumn));
             QTest::keyClick(table(), Qt::Key_Return);
             workspace.settle();
             recorded = preferences.reviewDate(apps[0].id());
         },
          u"now 101 102 103 | 02 03 | "_s },
        { [&] {
             select({ 0, 1 }), center.post(Names::ResetReviewRequested);
         },
          u"- - 102 103 | 02 03 | Last reviewed date reset: 2 apps."_s },
        { [&] {
             select({ 0, 1 }), center.post(Names::IgnoreRequested);
         },
          u"- - 102 103 | 00 01 02 03 | 2 apps ignored."_s },
        { [&] { model->setShowingIgnored(true), select({ 2 }), center.post(Names::ClearIgnoreRequested); },
          u"- - 102 103 | 00 01 03 | "_s },
        { [&] { center.post(Names::ResetIgnoreListRequested); },
          u"- - 102 103 |  | Ignore list cleared: 3 apps."_s },
    };
    for (const auto& [step, expected] : steps) {
        step();
        EXPECT_EQ(state(), expected);
    }
    ASSERT_EQ(undoStack.count(), 5);
    // A rescan's new records, in another order, before every step back and forth.
    const auto rescan = [&] {
        QList<AppInfo> now = model->apps();
        std::reverse(now.begin(), now.end());
        model->setApps(now);
    };
    // The message's button undoes the reset, and the message goes with it.
    rescan();
    QTest::mouseClick(namedChild<QPushButton>(view, u"undoButton"_s), Qt::LeftButton);
    const auto afterMessage = [](QString text) { return text.left(text.lastIndexOf(u'|') + 2); };
    EXPECT_EQ(state(), afterMessage(steps[4].second));
    for (int step = 3; step >= 0; --step) {
        rescan();
        undoStack.undo();
        EXPECT_EQ(state(), afterMessage(steps[step].second)) << step;
    }
    for (int step = 1; step <= 5; ++step) {
        rescan();
        undoStack.redo();
        EXPECT_EQ(state(), afterMessage(steps[step].second)) << step;
    }
    // A change that changes nothing is no step.
    center.post(Names::ResetIgnoreListRequested);
    EXPECT_EQ(undoStack.count(), 5);
}

TEST_F(WindowTest, AQuestionWaitsBehindOtherMessagesUntilItIsAnsweredClosedOrWithdrawn)
{
    const QList<AppInfo> apps = numberedApps(2);
    model->setApps(apps);
    MessageBar* bar = view->messageBar();
    QString answered;
    const auto ask = [&] {
        bar->askQuestion(u"Check?"_s, u"Yes"_s, u"No"_s,
                         [&](bool yes) { answered += yes ? u"yes"_s : u"no"_s; });
    };
    const auto askOther = [&] {
        bar->askQuestion(
            u"Look?"_s, u"Look Up"_s, u"Not Now"_s, [&](bool yes) { answered += yes ? u"YES"_s : u"NO"_s; },
            u"other"_s);
    };
    const auto click = [&](const QString& name) {
        QTest::mouseClick(namedChild<QAbstractButton>(bar, name), Qt::LeftButton);
    };
    const std::pair<std::function<void()>, QString> steps[] = {
        // what happens, the message shown and the answers given
        { [&] {
             view->setSelection({ apps[0].id(), apps[1].id() }), center.post(Names::IgnoreRequested);
         },
          u"2 apps ignored. | "_s },
        { ask, u"2 apps ignored. | "_s },
        { [&] { undoStack.undo(); }, u"Check? | "_s },
        { [&] { click(u"closeMessage"_s); }, u" | "_s },
        { [&] { ask(), click(u"noButton"_s); }, u" | no"_s },
        { [&] { ask(), bar->withdrawQuestion(); }, u" | no"_s },
        { [&] { ask(), click(u"yesButton"_s); }, u" | noyes"_s },
        // A question of another topic waits behind the one asked, with its own answers.
        { [&] { ask(), askOther(), ask(); }, u"Check? | noyes"_s },
        { [&] { click(u"yesButton"_s); }, u"Look? | noyesyes"_s },
        { [&] { bar->withdrawQuestion(u"other"_s); }, u" | noyesyes"_s },
    };
    for (const auto& [step, expected] : steps) {
        step();
        EXPECT_EQ(shownText(u"messageText"_s) + u" | "_s + answered, expected);
        if (expected.startsWith(u"Look?")) {
            EXPECT_EQ(namedChild<QAbstractButton>(bar, u"yesButton"_s)->text(), u"Look Up"_s);
        }
    }
}

TEST_F(WindowTest, SearchFieldHabits)
{
    model->setApps({ app(u"com.example.calendar"_s, u"Calendar"_s, 1),
                     app(u"com.example.camera"_s, u"Camera"_s, 2),
                     app(u"org.sample.notes"_s, u"Notes"_s, 3) });
    SearchField* field = view->searchField();
    EXPECT_EQ(field->placeholderText(), u"Search"_s);
    field->setFocus();
    QTest::keyClicks(field, u"cAL"_s);
    EXPECT_EQ(column(NameColumn), QStringList { u"Calendar"_s });
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_EQ(std::pair(model->searchQuery(), field->hasFocus()), std::pair(QString(), true));
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(table()->hasFocus());

    // A canonically equal query leaves the text, caret and selection.
    model->setSearchQuery(u"notes"_s);
    EXPECT_EQ(field->text(), u"notes"_s);
    field->setText(u"cafe\u0301s"_s);
    field->setSelection(1, 2);
    model->setSearchQuery(u"caf\u00e9s"_s);
    EXPECT_EQ(std::pair(field->text(), field->selectedText().size()),
              std::pair(u"cafe\u0301s"_s, qsizetype(2)));

    // The toolbar may keep the field after the view is gone; it still searches.
    testers.clear();
    delete view;
    field->end(false);
    QTest::keyClicks(field, u"q"_s);
    EXPECT_EQ(model->searchQuery(), u"cafe\u0301sq"_s);
}

TEST_F(WindowTest, StatusBarAndEmptyStateSumUpTheCatalogue)
{
    auto* empty = namedChild<EmptyStateView>(view, u"emptyState"_s);
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
        { [&] { model->setShowingIgnored(false), model->resetIgnoreList(), model->setSearchQuery(u"no"_s); },
          u"12 App Store apps found"_s, none },
    };
    for (const auto& [change, status, message] : steps) {
        change();
        EXPECT_EQ(shownText(u"statusLabel"_s), status);
        EXPECT_EQ(emptyStateText(), message) << status.toStdString();
    }

    // Centred over the table, also after a resize; its link shows where the keyboard focus is.
    model->ignoreApps({ app(u"gone"_s, u"Gone"_s, 1) });
    window.resize(1000, 700);
    QTest::qWait(0);
    EXPECT_LE((empty->geometry().center() - table()->viewport()->rect().center()).manhattanLength(), 2);
    auto* link = namedChild<LinkButton>(empty, u"resetIgnoreListButton"_s);
    const QImage unfocused = link->grab().toImage();
    for (int tab = 0; tab < 4 && !link->hasFocus(); ++tab)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_TRUE(link->hasFocus());
    EXPECT_NE(link->grab().toImage(), unfocused);
    {
        // Whole and centred also in a parent resized where it stands (told of the resize alone,
        // without a move) and after new texts.
        QWidget parent(&window);
        auto* alone = new EmptyStateView(&parent);
        alone->setTexts(u"No apps."_s, {});
        parent.show(), alone->show();
        for (const QSize size : { QSize(400, 300), QSize(240, 120), QSize() }) {
            size.isValid() ? parent.resize(size)
                           : alone->setTexts(u"No apps at all."_s, u"3 apps ignored."_s);
            EXPECT_LE((alone->geometry().center() - parent.rect().center()).manhattanLength(), 1);
            EXPECT_GE(alone->width(), alone->sizeHint().width());
        }
    }

    // A catalogue of more than the App Store speaks of stores in general.
    preferences.clearIgnoredIDs();
    makeView({ emptyStore(), emptyStore(AppInfo::Store::Flatpak), emptyStore(AppInfo::Store::Snap) });
    EXPECT_EQ(std::pair(shownText(u"statusLabel"_s), emptyStateText()),
              std::pair(u"0 store apps found"_s, u"No store apps found."_s));
    model->setApps(storeApps.mid(2, 1));
    EXPECT_FIELDS_EQ(std::tuple(rows()->headerData(AppStoreColumn, Qt::Horizontal).toString(),
                                shownText(u"statusLabel"_s), text(0, AppStoreColumn, Qt::AccessibleTextRole)),
                     std::tuple(u"Store"_s, u"1 store app found"_s, u"Open store page for Snap"_s));
    model->setApps(storeApps);
    EXPECT_EQ(std::pair(shownText(u"statusLabel"_s), column(NameColumn)),
              std::pair(u"3 store apps found"_s, QStringList { u"Flathub"_s, u"Other"_s, u"Snap"_s }));
}

// Random sessions of all that changes the rows, checked after every step against visibleApps() under
// the fixture's model testers, with indexes of both models that must never move to another application.
TEST_F(WindowTest, RandomSessionsKeepTheRowsEqualToVisibleAppsAndEveryIndexOnItsApplication)
{
    // Names and dates that tie, names that differ in case, marks or composition or are empty.
    const QStringList names { u"Alpha"_s, u"alpha"_s, u"Café 2"_s, u"Cafe\u0301 10"_s, u"Zeta"_s, {} };
    const QStringList queries { {}, u"ALPHA"_s, u"caf"_s, u"e\u0301"_s, u" "_s, u"org.flat"_s, u"zz"_s };
    for (unsigned seed = 1; seed <= 30; ++seed) {
        SCOPED_TRACE(seed);
        std::mt19937 random(seed);
        const auto pick = [&](qsizetype count) { return int(random() % unsigned(count)); };
        const auto date = [&] { return pick(3) ? OptionalDate(day(pick(12))) : OptionalDate(); };
        const auto catalogue = [&] {
            QList<AppInfo> apps;
            for (int i = 0, count = 5 + pick(pick(7) ? 40 : 250); i < count; ++i)
                apps.append(pick(4)
                                ? AppInfo(AppId(u"com.caf\u00e9.%1"_s.arg(i)), names.at(pick(names.size())),
                                          {}, u"1"_s, date(), date(), date())
                                : AppInfo::flatpakApp(AppId(u"org.flat.A%1"_s.arg(i)),
                                                      names.at(pick(names.size())), {}, date(), date(),
                                                      date(), {}));
            return apps;
        };
        const auto someOf = [&](const QList<AppInfo>& apps) {
            QList<AppInfo> some;
            std::ranges::copy_if(apps, std::back_inserter(some),
                                 [&](const AppInfo&) { return pick(3) == 0; });
            return some;
        };
        const auto store = std::make_shared<FixedSource>(AppSource::Result());
        makeView({ store });
        QSignalSpy scans(model.get(), &AppModel::rescanFinished),
            refreshes(model.get(), &AppModel::refreshFinished);
        model->setApps(catalogue());
        QList<std::pair<QPersistentModelIndex, QVariant>> taken; // with the id each stood for
        const std::function<void(const QList<AppInfo>&)> steps[] = {
            [&](auto&) { model->setSearchQuery(queries.at(pick(queries.size()))); },
            [&](auto&) { QTest::keyClicks(view->searchField(), pick(2) ? u"e"_s : u"\b"_s); },
            [&](auto&) { model->setShowingIgnored(!model->showingIgnored()); },
            [&](auto&) {
                SortOrder order { { SortComparator::Key::Name, Qt::AscendingOrder },
                                  { SortComparator::Key::LastAccessedSortDate, Qt::DescendingOrder },
                                  { SortComparator::Key::LastReviewedSortDate, Qt::AscendingOrder } };
                std::shuffle(order.begin(), order.end(), random);
                model->setSortOrder(order.mid(pick(4)));
            },
            [&](auto&) { clickHeader(pick(ColumnCount)); },
            [&](const QList<AppInfo>& visible) {
                // The command takes the selected rows, all and nothing else; the row that takes
                // the place of the first is the one selected after.
                QSet<AppId> ids, before = model->ignoredIDs();
                for (const AppInfo& app : someOf(visible))
                    ids.insert(app.id());
                view->setSelection(ids);
                int first = 0;
                while (first < rows()->rowCount() && !ids.contains(idAt(first)))
                    ++first;
                const bool ignoring = !model->showingIgnored();
                center.post(ignoring ? Names::IgnoreRequested : Names::ClearIgnoreRequested);
                const int next = std::min(first, rows()->rowCount() - 1);
                QList<AppId> picked;
                for (const AppInfo& app : view->selectedApps())
                    picked.append(app.id());
                ASSERT_EQ(
                    std::pair(model->ignoredIDs(), picked),
                    std::pair(ignoring ? before | ids : before - ids,
                              ids.isEmpty() || next < 0 ? QList<AppId>() : QList<AppId> { idAt(next) }));
            },
            [&](auto&) {
                pick(2) ? model->ignoreApps(someOf(model->apps()))
                        : model->unignoreApps(someOf(model->apps()));
            },
            [&](auto&) { model->resetIgnoreList(); },
            [&](auto& visible) {
                visible.isEmpty() ? void() : model->recordReview(visible.at(pick(visible.size())));
            },
            [&](auto&) { model->resetReviewDates(someOf(model->apps())); },
            [&](auto&) { model->setApps(pick(5) ? catalogue() : model->apps()); },
            [&](auto&) {
                // What a refresh finds: records that stay, change, come and go, or only some of them.
                if (model->isMockMode())
                    return;
                store->fixed = { catalogue(), {} };
                if (pick(4) == 0)
                    store->fixed.completeness.note(ReadOutcome::Failed);
                model->refresh();
                ASSERT_TRUE(refreshes.wait(10000));
                // The keys the model changed record by record are those of the records now.
                VisibleOrder fresh;
                fresh.setApps(model->apps());
                fresh.setSearchQuery(model->searchQuery());
                fresh.setShowingIgnored(model->showingIgnored());
                fresh.setIgnoredIDs(model->ignoredIDs());
                fresh.setSortOrder(model->sortOrder());
                QStringList ids;
                for (const qsizetype index : fresh.visibleIndexes())
                    ids.append(model->apps().at(index).id().text());
                ASSERT_EQ(ids, idsOf(model->visibleApps()));
            },
            [&](auto&) {
                // Into or out of the sample catalogue, or a real scan on the worker thread.
                pick(2) || model->isMockMode() ? model->toggleMockMode() : model->rescan();
                ASSERT_TRUE(scans.wait(10000));
            },
            [&](auto&) { QCoreApplication::processEvents(); }, // a paint reads every shown cell
        };
        for (int step = 0; step < 300; ++step) {
            SCOPED_TRACE(step);
            steps[pick(std::size(steps))](model->visibleApps());
            ASSERT_FALSE(HasFatalFailure());
            const QList<AppInfo> expected = model->visibleApps();
            ASSERT_EQ(rows()->rowCount(), expected.size());
            for (int row = 0; row < rows()->rowCount(); ++row)
                ASSERT_EQ(idAt(row), expected[row].id());
            for (const auto& [index, id] : std::as_const(taken))
                ASSERT_TRUE(!index.isValid() || index.data(IdRole) == id);
            taken.removeIf([](const auto& entry) { return !entry.first.isValid(); });
            for (QAbstractItemModel* tested :
                 { static_cast<QAbstractItemModel*>(rows()), rows()->sourceModel() }) {
                const QModelIndex index = tested->index(pick(tested->rowCount() + 1), pick(ColumnCount));
                if (index.isValid() && taken.size() < 40)
                    taken.append({ index, index.data(IdRole) });
            }
        }
    }
}

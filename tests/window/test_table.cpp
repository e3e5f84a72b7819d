#include "AppTableDelegate.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "LabelColors.h"
#include "WindowFixture.h"

#include <QHeaderView>
#include <QImage>
#include <QTest>

namespace {
const QString Open = QStringLiteral("Open ↗");

QImage imageOf(const QVariant& decoration)
{
    return decoration.value<QPixmap>().toImage().convertToFormat(QImage::Format_ARGB32);
}
} // namespace

TEST_F(WindowTest, TableShowsTheFiveColumnsWithTheirTitlesAndWidths)
{
    const AppTableModel* table = view->tableModel();
    ASSERT_EQ(table->columnCount(), 5);
    QStringList titles;
    for (int column = 0; column < 5; ++column)
        titles.append(table->headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(titles,
              (QStringList { QString(), QStringLiteral("Application"), QStringLiteral("Last Accessed"),
                             QStringLiteral("App Store"), QStringLiteral("Last Reviewed") }));
    EXPECT_EQ(table->headerData(AppTableModel::IconColumn, Qt::Horizontal, Qt::AccessibleTextRole).toString(),
              QStringLiteral("Icon"));

    const QHeaderView* header = view->tableView()->horizontalHeader();
    EXPECT_EQ(header->sectionSize(AppTableModel::IconColumn), 32);
    EXPECT_EQ(header->sectionSize(AppTableModel::AppStoreColumn), 72);
    EXPECT_EQ(header->sectionResizeMode(AppTableModel::IconColumn), QHeaderView::Fixed);
    EXPECT_EQ(header->sectionResizeMode(AppTableModel::AppStoreColumn), QHeaderView::Fixed);

    const AppTableView* tableView = view->tableView();
    EXPECT_TRUE(tableView->alternatingRowColors());
    EXPECT_EQ(tableView->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(tableView->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(tableView->isSortingEnabled());
    EXPECT_EQ(tableView->accessibleName(), QStringLiteral("Applications"));
    EXPECT_GE(view->minimumWidth(), 750);
    EXPECT_GE(view->minimumHeight(), 450);
}

TEST_F(WindowTest, RowsShowTheRecordsTextsTooltipsAndLabelColours)
{
    const QDateTime reviewed = QDateTime::currentDateTimeUtc().addDays(-1);
    AppInfo modifiedOnly(QStringLiteral("com.example.modified"), QStringLiteral("Modified"),
                         QStringLiteral("/Applications/Modified.app"), QStringLiteral("1002"), std::nullopt,
                         day(10), std::nullopt);
    AppInfo undated(QStringLiteral("com.example.undated"), QStringLiteral("Undated"),
                    QStringLiteral("/Applications/Undated.app"), QStringLiteral("1003"), std::nullopt,
                    std::nullopt, std::nullopt);
    model->setApps({ undated, app(QStringLiteral("com.example.used"), QStringLiteral("Used"), 1, reviewed),
                     modifiedOnly });

    // Newest use first; the modification date stands in for a missing use; no date sorts last.
    EXPECT_EQ(
        names(),
        (QStringList { QStringLiteral("Used"), QStringLiteral("Modified"), QStringLiteral("Undated") }));
    EXPECT_EQ(column(AppTableModel::LastAccessedColumn),
              (QStringList { QStringLiteral("Mar 30, 2026"), QStringLiteral("Mar 21, 2026"),
                             QStringLiteral("—") }));
    EXPECT_EQ(column(AppTableModel::AppStoreColumn), (QStringList { Open, Open, Open }));
    EXPECT_EQ(
        column(AppTableModel::LastReviewedColumn),
        (QStringList { QStringLiteral("yesterday"), QStringLiteral("Never"), QStringLiteral("Never") }));

    const AppTableModel* table = view->tableModel();
    const auto data = [table](int row, int column, int role) { return table->index(row, column).data(role); };
    EXPECT_EQ(data(0, AppTableModel::LastAccessedColumn, Qt::ToolTipRole).toString(),
              QStringLiteral("Last launched date"));
    for (int row : { 1, 2 }) {
        EXPECT_EQ(data(row, AppTableModel::LastAccessedColumn, Qt::ToolTipRole).toString(),
                  QStringLiteral("Showing file modification date (app never launched)"));
    }
    EXPECT_EQ(data(1, AppTableModel::IconColumn, Qt::ToolTipRole).toString(),
              QStringLiteral("/Applications/Modified.app"));
    EXPECT_EQ(data(0, AppTableModel::AppStoreColumn, Qt::AccessibleTextRole).toString(),
              QStringLiteral("Open App Store page for Used"));

    using Level = LabelColors::Level;
    EXPECT_EQ(data(0, AppTableModel::LastAccessedColumn, AppTableModel::LabelLevelRole).toInt(),
              int(Level::Primary));
    EXPECT_EQ(data(1, AppTableModel::LastAccessedColumn, AppTableModel::LabelLevelRole).toInt(),
              int(Level::Secondary));
    EXPECT_EQ(data(0, AppTableModel::LastReviewedColumn, AppTableModel::LabelLevelRole).toInt(),
              int(Level::Primary));
    EXPECT_EQ(data(1, AppTableModel::LastReviewedColumn, AppTableModel::LabelLevelRole).toInt(),
              int(Level::Tertiary));

    // The levels keep the palette's text colour and fade it, so dark themes keep working.
    QPalette dark;
    dark.setColor(QPalette::Text, Qt::white);
    const QColor primary = LabelColors::primary(dark);
    const QColor secondary = LabelColors::secondary(dark);
    const QColor tertiary = LabelColors::tertiary(dark);
    EXPECT_EQ(secondary.rgb(), primary.rgb());
    EXPECT_GT(primary.alpha(), secondary.alpha());
    EXPECT_GT(secondary.alpha(), tertiary.alpha());
    EXPECT_GT(tertiary.alpha(), 0);
}

TEST_F(WindowTest, IconsAreFittedCentredAndTransparentForNamelessRecords)
{
    model->setApps({ app(QStringLiteral("com.example.named"), QStringLiteral("Named"), 1),
                     app(QStringLiteral("dummy.01"), QString(), 2) });
    const AppTableModel* table = view->tableModel();

    const QVariant named = table->index(0, AppTableModel::IconColumn).data(Qt::DecorationRole);
    const QImage image = imageOf(named);
    const QPixmap pixmap = named.value<QPixmap>();
    EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), QSize(24, 24));
    // The 64 × 32 icon keeps its shape: 24 × 12, centred vertically.
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, 2)), 0);
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() - 3)), 0);
    EXPECT_TRUE(workspace.iconPaths.contains(QStringLiteral("/Applications/Named.app")));

    const QVariant nameless = table->index(1, AppTableModel::IconColumn).data(Qt::DecorationRole);
    const QImage transparent = imageOf(nameless);
    EXPECT_EQ(nameless.value<QPixmap>().deviceIndependentSize().toSize(), QSize(24, 24));
    bool anyVisible = false;
    for (int y = 0; y < transparent.height(); ++y) {
        for (int x = 0; x < transparent.width(); ++x)
            anyVisible = anyVisible || qAlpha(transparent.pixel(x, y)) != 0;
    }
    EXPECT_FALSE(anyVisible);
    EXPECT_EQ(table->index(1, AppTableModel::IconColumn).data(Qt::ToolTipRole).toString(),
              QStringLiteral("/Applications/.app"));
    EXPECT_EQ(table->index(1, AppTableModel::NameColumn).data().toString(), QString());

    // Sharp on a high-density screen: drawn from the full pixel size, not scaled up afterwards.
    const QPixmap dense = AppTableModel::iconPixmap(model->apps().at(0), 2.0);
    EXPECT_EQ(dense.size(), QSize(48, 48));
    EXPECT_EQ(dense.deviceIndependentSize().toSize(), QSize(24, 24));
}

TEST_F(WindowTest, HeaderClicksWriteTheSortOrderAndMoveTheIndicator)
{
    using Key = SortComparator::Key;
    model->setApps({ app(QStringLiteral("b"), QStringLiteral("Beta"), 3, day(1)),
                     app(QStringLiteral("a"), QStringLiteral("alpha"), 1),
                     app(QStringLiteral("c"), QStringLiteral("Gamma"), 2, day(5)) });
    const QHeaderView* header = view->tableView()->horizontalHeader();
    EXPECT_EQ(header->sortIndicatorSection(), AppTableModel::LastAccessedColumn);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("alpha"), QStringLiteral("Gamma"), QStringLiteral("Beta") }));

    clickHeader(AppTableModel::NameColumn);
    EXPECT_EQ(model->sortOrder(),
              (SortOrder { { Key::Name, Qt::AscendingOrder },
                           { Key::LastAccessedSortDate, Qt::DescendingOrder } }));
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") }));
    EXPECT_EQ(header->sortIndicatorSection(), AppTableModel::NameColumn);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);

    clickHeader(AppTableModel::NameColumn);
    EXPECT_EQ(model->sortOrder(),
              (SortOrder { { Key::Name, Qt::DescendingOrder },
                           { Key::LastAccessedSortDate, Qt::DescendingOrder } }));
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("Gamma"), QStringLiteral("Beta"), QStringLiteral("alpha") }));
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A new date column starts newest first; the earlier keys follow.
    clickHeader(AppTableModel::LastReviewedColumn);
    EXPECT_EQ(model->sortOrder(),
              (SortOrder { { Key::LastReviewedSortDate, Qt::DescendingOrder },
                           { Key::Name, Qt::DescendingOrder },
                           { Key::LastAccessedSortDate, Qt::DescendingOrder } }));
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("Beta"), QStringLiteral("Gamma"), QStringLiteral("alpha") }));
    EXPECT_EQ(header->sortIndicatorSection(), AppTableModel::LastReviewedColumn);

    // A key further down the list comes first again with the direction it had.
    clickHeader(AppTableModel::NameColumn);
    EXPECT_EQ(model->sortOrder().first(), SortComparator(Key::Name, Qt::DescendingOrder));
    EXPECT_EQ(model->sortOrder().size(), 3);

    // Columns without a key change nothing, not even the indicator.
    const SortOrder before = model->sortOrder();
    clickHeader(AppTableModel::IconColumn);
    clickHeader(AppTableModel::AppStoreColumn);
    EXPECT_EQ(model->sortOrder(), before);
    EXPECT_EQ(header->sortIndicatorSection(), AppTableModel::NameColumn);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A sort order written elsewhere shows too.
    model->setSortOrder({ { Key::LastAccessedSortDate, Qt::AscendingOrder } });
    EXPECT_EQ(header->sortIndicatorSection(), AppTableModel::LastAccessedColumn);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::AscendingOrder);
}

TEST_F(WindowTest, OpenButtonOpensThePageThenRecordsTheReviewEvenWhenOpeningFails)
{
    model->setApps({ app(QStringLiteral("com.example.one"), QStringLiteral("One"), 1, std::nullopt,
                         QStringLiteral("1234")),
                     app(QStringLiteral("com.example.two"), QStringLiteral("Two"), 2) });
    bool reviewedBeforeOpening = true;
    workspace.onOpen = [this, &reviewedBeforeOpening](const QUrl&) {
        reviewedBeforeOpening = appWithId(QStringLiteral("com.example.one"))->lastReviewedDate().has_value();
    };
    workspace.openAnswer = false;

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    QTest::mouseClick(view->tableView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      cellCentre(0, AppTableModel::AppStoreColumn));

    ASSERT_EQ(workspace.openedUrls.size(), 1);
    EXPECT_EQ(workspace.openedUrls.first(), *model->apps().at(0).reviewURL());
    EXPECT_TRUE(workspace.openedUrls.first().path().endsWith(QStringLiteral("/app/id1234")));
    EXPECT_FALSE(reviewedBeforeOpening);
    const OptionalDate reviewed = appWithId(QStringLiteral("com.example.one"))->lastReviewedDate();
    ASSERT_TRUE(reviewed.has_value());
    EXPECT_GE(*reviewed, before);
    EXPECT_EQ(column(AppTableModel::LastReviewedColumn).first(), QStringLiteral("now"));
    EXPECT_TRUE(preferences.reviewDate(QStringLiteral("com.example.one")).has_value());
    // The button is the click's target; the row does not become selected.
    EXPECT_TRUE(view->selection().isEmpty());
    EXPECT_FALSE(appWithId(QStringLiteral("com.example.two"))->lastReviewedDate().has_value());
}

TEST_F(WindowTest, OpenButtonWithoutAValidAddressOpensNothingButRecordsTheReview)
{
    model->setApps({ app(QStringLiteral("com.example.odd"), QStringLiteral("Odd"), 1, std::nullopt,
                         QStringLiteral("12/../x")) });
    QTest::mouseClick(view->tableView()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      cellCentre(0, AppTableModel::AppStoreColumn));
    EXPECT_TRUE(workspace.openedUrls.isEmpty());
    EXPECT_TRUE(appWithId(QStringLiteral("com.example.odd"))->lastReviewedDate().has_value());
}

TEST_F(WindowTest, OpenButtonWorksFromTheKeyboardAndIgnoresClicksBesideIt)
{
    model->setApps({ app(QStringLiteral("com.example.one"), QStringLiteral("One"), 1) });
    AppTableView* table = view->tableView();

    // A click in the cell but off the button only selects the row.
    const QRect cell = table->visualRect(view->tableModel()->index(0, AppTableModel::AppStoreColumn));
    QTest::mouseClick(table->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(cell.left() + 1, cell.center().y()));
    EXPECT_TRUE(workspace.openedUrls.isEmpty());
    EXPECT_EQ(view->selection(), QSet<QString> { QStringLiteral("com.example.one") });

    // Return has no action of its own.
    table->setFocus();
    table->setCurrentIndex(view->tableModel()->index(0, AppTableModel::NameColumn));
    QTest::keyClick(table, Qt::Key_Return);
    EXPECT_TRUE(workspace.openedUrls.isEmpty());
    EXPECT_FALSE(model->apps().at(0).lastReviewedDate().has_value());

    // Space on the focused button cell presses it.
    table->selectionModel()->setCurrentIndex(view->tableModel()->index(0, AppTableModel::AppStoreColumn),
                                             QItemSelectionModel::NoUpdate);
    QTest::keyClick(table, Qt::Key_Space);
    EXPECT_EQ(workspace.openedUrls.size(), 1);
    EXPECT_TRUE(model->apps().at(0).lastReviewedDate().has_value());
}

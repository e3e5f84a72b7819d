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

TEST_F(WindowTest, RowsShowTheRecordsTextsTooltipsAndLabelLevels)
{
    const AppTableModel* table = view->tableModel();
    QStringList titles;
    for (int column = 0; column < table->columnCount(); ++column)
        titles.append(table->headerData(column, Qt::Horizontal).toString());
    EXPECT_EQ(titles,
              (QStringList { QString(), QStringLiteral("Application"), QStringLiteral("Last Accessed"),
                             QStringLiteral("App Store"), QStringLiteral("Last Reviewed") }));

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
    const auto level = [&data](int row, int column) {
        return data(row, column, AppTableModel::LabelLevelRole);
    };
    EXPECT_EQ(level(0, AppTableModel::LastAccessedColumn).toInt(), int(Level::Primary));
    EXPECT_EQ(level(1, AppTableModel::LastAccessedColumn).toInt(), int(Level::Secondary));
    EXPECT_EQ(level(0, AppTableModel::LastReviewedColumn).toInt(), int(Level::Primary));
    EXPECT_EQ(level(1, AppTableModel::LastReviewedColumn).toInt(), int(Level::Tertiary));
}

TEST_F(WindowTest, IconsAreFittedCentredAndTransparentForNamelessRecords)
{
    model->setApps({ app(QStringLiteral("com.example.named"), QStringLiteral("Named"), 1),
                     app(QStringLiteral("dummy.01"), QString(), 2) });
    const AppTableModel* table = view->tableModel();

    const QVariant named = table->index(0, AppTableModel::IconColumn).data(Qt::DecorationRole);
    const QImage image = imageOf(named);
    EXPECT_EQ(named.value<QPixmap>().deviceIndependentSize().toSize(), QSize(24, 24));
    // The 64 × 32 icon keeps its shape: 24 × 12, centred vertically.
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() / 2)), 255);
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, 2)), 0);
    EXPECT_EQ(qAlpha(image.pixel(image.width() / 2, image.height() - 3)), 0);
    EXPECT_TRUE(workspace.iconPaths.contains(QStringLiteral("/Applications/Named.app")));

    const QVariant nameless = table->index(1, AppTableModel::IconColumn).data(Qt::DecorationRole);
    const QImage transparent = imageOf(nameless);
    EXPECT_EQ(nameless.value<QPixmap>().deviceIndependentSize().toSize(), QSize(24, 24));
    QImage clear(transparent.size(), QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    EXPECT_EQ(transparent, clear);
    EXPECT_EQ(table->index(1, AppTableModel::IconColumn).data(Qt::ToolTipRole).toString(),
              QStringLiteral("/Applications/.app"));

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
    const auto indicator = [header] {
        return std::pair(header->sortIndicatorSection(), header->sortIndicatorOrder());
    };
    EXPECT_EQ(indicator(), std::pair(int(AppTableModel::LastAccessedColumn), Qt::DescendingOrder));
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("alpha"), QStringLiteral("Gamma"), QStringLiteral("Beta") }));

    clickHeader(AppTableModel::NameColumn);
    EXPECT_EQ(model->sortOrder(),
              (SortOrder { { Key::Name, Qt::AscendingOrder },
                           { Key::LastAccessedSortDate, Qt::DescendingOrder } }));
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("alpha"), QStringLiteral("Beta"), QStringLiteral("Gamma") }));
    EXPECT_EQ(indicator(), std::pair(int(AppTableModel::NameColumn), Qt::AscendingOrder));

    clickHeader(AppTableModel::NameColumn);
    EXPECT_EQ(model->sortOrder(),
              (SortOrder { { Key::Name, Qt::DescendingOrder },
                           { Key::LastAccessedSortDate, Qt::DescendingOrder } }));
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("Gamma"), QStringLiteral("Beta"), QStringLiteral("alpha") }));
    EXPECT_EQ(indicator(), std::pair(int(AppTableModel::NameColumn), Qt::DescendingOrder));

    // A new date column starts newest first; the earlier keys follow.
    clickHeader(AppTableModel::LastReviewedColumn);
    EXPECT_EQ(model->sortOrder(),
              (SortOrder { { Key::LastReviewedSortDate, Qt::DescendingOrder },
                           { Key::Name, Qt::DescendingOrder },
                           { Key::LastAccessedSortDate, Qt::DescendingOrder } }));
    EXPECT_EQ(names(),
              (QStringList { QStringLiteral("Beta"), QStringLiteral("Gamma"), QStringLiteral("alpha") }));
    EXPECT_EQ(indicator(), std::pair(int(AppTableModel::LastReviewedColumn), Qt::DescendingOrder));

    // A key further down the list comes first again with the direction it had.
    clickHeader(AppTableModel::NameColumn);
    EXPECT_EQ(model->sortOrder().first(), SortComparator(Key::Name, Qt::DescendingOrder));
    EXPECT_EQ(model->sortOrder().size(), 3);

    // Columns without a key change nothing, not even the indicator.
    const SortOrder before = model->sortOrder();
    clickHeader(AppTableModel::IconColumn);
    clickHeader(AppTableModel::AppStoreColumn);
    EXPECT_EQ(model->sortOrder(), before);
    EXPECT_EQ(indicator(), std::pair(int(AppTableModel::NameColumn), Qt::DescendingOrder));

    // A sort order written elsewhere shows too.
    model->setSortOrder({ { Key::LastAccessedSortDate, Qt::AscendingOrder } });
    EXPECT_EQ(indicator(), std::pair(int(AppTableModel::LastAccessedColumn), Qt::AscendingOrder));
}

TEST_F(WindowTest, OpenButtonOpensThePageThenRecordsTheReviewEvenWhenOpeningFails)
{
    const QString one = QStringLiteral("com.example.one");
    const QString odd = QStringLiteral("com.example.odd");
    model->setApps({ app(one, QStringLiteral("One"), 1, std::nullopt, QStringLiteral("1234")),
                     app(odd, QStringLiteral("Odd"), 2, std::nullopt, QStringLiteral("12/../x")),
                     app(QStringLiteral("com.example.two"), QStringLiteral("Two"), 3) });
    bool reviewedBeforeOpening = true;
    workspace.onOpen = [&] { reviewedBeforeOpening = appWithId(one)->lastReviewedDate().has_value(); };

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    clickCell(0, AppTableModel::AppStoreColumn);
    ASSERT_EQ(workspace.openedUrls.size(), 1);
    EXPECT_EQ(workspace.openedUrls.first(), *model->apps().at(0).reviewURL());
    EXPECT_TRUE(workspace.openedUrls.first().path().endsWith(QStringLiteral("/app/id1234")));
    EXPECT_FALSE(reviewedBeforeOpening);
    const OptionalDate reviewed = appWithId(one)->lastReviewedDate();
    ASSERT_TRUE(reviewed.has_value());
    EXPECT_GE(*reviewed, before);
    EXPECT_EQ(column(AppTableModel::LastReviewedColumn).first(), QStringLiteral("now"));
    EXPECT_TRUE(preferences.reviewDate(one).has_value());
    // The button is the click's target; the row does not become selected.
    EXPECT_TRUE(view->selection().isEmpty());
    EXPECT_FALSE(appWithId(QStringLiteral("com.example.two"))->lastReviewedDate().has_value());

    // An id that makes no valid address opens nothing, but the review still counts.
    clickCell(1, AppTableModel::AppStoreColumn);
    EXPECT_EQ(workspace.openedUrls.size(), 1);
    EXPECT_TRUE(appWithId(odd)->lastReviewedDate().has_value());
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

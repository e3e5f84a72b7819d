#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "ContentView.h"
#include "EmptyStateView.h"
#include "MainWindow.h"
#include "SearchField.h"
#include "ShellHarness.h"
#include "StatusBar.h"

#include <QAccessible>
#include <QAccessibleInterface>
#include <QApplication>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
QString accessibleName(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : u"<no interface>"_s;
}

// What a screen reader announces for a cell of the table, and for its column's header.
struct CellNames
{
    QString cell;
    QString header;
};

CellNames cellNames(AppTableView* table, int row, int column)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(table);
    if (!iface || !iface->tableInterface())
        return { u"<no table>"_s, {} };
    QAccessibleInterface* cell = iface->tableInterface()->cellAt(row, column);
    if (!cell || !cell->tableCellInterface())
        return { u"<no cell>"_s, {} };
    const QList<QAccessibleInterface*> headers = cell->tableCellInterface()->columnHeaderCells();
    const CellNames names { cell->text(QAccessible::Name),
                            headers.size() == 1 ? headers.first()->text(QAccessible::Name)
                                                : u"<no header>"_s };
    // Qt hands out header cells it does not keep in its cache; the caller owns those.
    for (QAccessibleInterface* header : headers) {
        if (QAccessible::uniqueId(header) == 0)
            QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(header));
    }
    return names;
}

int rowOf(const ContentView* content, const QString& id)
{
    return content->tableModel()->rowOf(id);
}
} // namespace

TEST(Accessibility, TheWindowsControlsCarryTheirNames)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    ContentView* content = harness.window().contentView();

    EXPECT_EQ(accessibleName(&harness.window()), u"Kudora"_s);
    EXPECT_EQ(accessibleName(content->searchField()), u"Search"_s);
    EXPECT_EQ(accessibleName(content->tableView()), u"Applications"_s);

    const QString summary = content->statusBar()->text();
    ASSERT_FALSE(summary.isEmpty());
    auto* statusLabel = content->statusBar()->findChild<QLabel*>(u"statusLabel"_s);
    ASSERT_NE(statusLabel, nullptr);
    EXPECT_EQ(accessibleName(statusLabel), summary);
}

TEST(Accessibility, EveryCellAndHeaderOfTheTableIsNamed)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    ContentView* content = harness.window().contentView();
    AppTableView* table = content->tableView();
    const int alpha = rowOf(content, ShellHarness::AlphaID);
    ASSERT_GE(alpha, 0);
    const QString name = content->tableModel()->appAt(alpha)->name();
    ASSERT_FALSE(name.isEmpty());

    // The icon column shows no header text and no cell text; it is announced all the same.
    const CellNames icon = cellNames(table, alpha, AppTableModel::IconColumn);
    EXPECT_EQ(icon.header, u"Icon"_s);
    EXPECT_EQ(icon.cell, name);

    const CellNames application = cellNames(table, alpha, AppTableModel::NameColumn);
    EXPECT_EQ(application.header, u"Application"_s);
    EXPECT_EQ(application.cell, name);

    const CellNames lastAccessed = cellNames(table, alpha, AppTableModel::LastAccessedColumn);
    EXPECT_EQ(lastAccessed.header, u"Last Accessed"_s);
    EXPECT_FALSE(lastAccessed.cell.isEmpty());

    // "Open ↗" on every row would tell a listener nothing about which application it opens.
    const CellNames open = cellNames(table, alpha, AppTableModel::AppStoreColumn);
    EXPECT_EQ(open.header, u"App Store"_s);
    EXPECT_EQ(open.cell, u"Open App Store page for %1"_s.arg(name));

    const CellNames lastReviewed = cellNames(table, alpha, AppTableModel::LastReviewedColumn);
    EXPECT_EQ(lastReviewed.header, u"Last Reviewed"_s);
    EXPECT_FALSE(lastReviewed.cell.isEmpty());
}

TEST(Accessibility, TheEmptyStateButtonIsNamed)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    AppModel& model = harness.app().model();
    model.ignoreApps(model.apps());
    EmptyStateView* empty = harness.window().contentView()->emptyState();
    ASSERT_TRUE(QTest::qWaitFor([empty] { return empty->isVisible(); }));
    QPushButton* reset = empty->resetButton();
    ASSERT_TRUE(reset->isVisible());
    EXPECT_EQ(accessibleName(reset), u"Reset Ignore List"_s);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(reset);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::Button);
    EXPECT_FALSE(iface->state().invisible);
}

// A sweep rather than a list, so that a control added later without a name is caught too.
TEST(Accessibility, NoFocusableControlOfTheWindowIsNameless)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    QStringList nameless;
    for (QWidget* widget : harness.window().findChildren<QWidget*>()) {
        if (!widget->isVisible() || widget->focusPolicy() == Qt::NoFocus)
            continue;
        if (accessibleName(widget).trimmed().isEmpty())
            nameless.append(QString::fromLatin1(widget->metaObject()->className()) + u' '
                            + widget->objectName());
    }
    EXPECT_TRUE(nameless.isEmpty()) << nameless.join(u", "_s).toStdString();
}

TEST(Accessibility, TabMovesFromTheSearchFieldToTheTableAndBack)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    ContentView* content = harness.window().contentView();
    SearchField* search = content->searchField();
    AppTableView* table = content->tableView();

    search->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([search] { return search->hasFocus(); }));
    QTest::keyClick(search, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), table);

    QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), search);
}

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

// What a screen reader announces for a cell of the table and for its column's header, as "header: cell".
QString announced(AppTableView* table, int row, int column)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(table);
    QAccessibleInterface* cell =
        iface && iface->tableInterface() ? iface->tableInterface()->cellAt(row, column) : nullptr;
    if (!cell || !cell->tableCellInterface())
        return u"<no cell>"_s;
    const QList<QAccessibleInterface*> headers = cell->tableCellInterface()->columnHeaderCells();
    const QString text = (headers.size() == 1 ? headers.first()->text(QAccessible::Name) : u"<no header>"_s)
        + u": "_s + cell->text(QAccessible::Name);
    // Qt hands out header cells it does not keep in its cache; the caller owns those.
    for (QAccessibleInterface* header : headers) {
        if (QAccessible::uniqueId(header) == 0)
            QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(header));
    }
    return text;
}
} // namespace

TEST(Accessibility, EveryControlCellAndHeaderIsNamed)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    ContentView* content = harness.window().contentView();
    AppTableView* table = content->tableView();
    EXPECT_EQ(accessibleName(&harness.window()), u"Kudora"_s);
    EXPECT_EQ(accessibleName(content->searchField()), u"Search"_s);
    EXPECT_EQ(accessibleName(table), u"Applications"_s);
    EXPECT_EQ(accessibleName(content->statusBar()->findChild<QLabel*>(u"statusLabel"_s)),
              content->statusBar()->text());

    // A sweep rather than a list, so that a control added later without a name is caught too.
    for (QWidget* widget : harness.window().findChildren<QWidget*>()) {
        if (widget->isVisible() && widget->focusPolicy() != Qt::NoFocus) {
            EXPECT_FALSE(accessibleName(widget).trimmed().isEmpty()) << widget->metaObject()->className();
        }
    }

    // The icon column shows no text and the "Open ↗" on every row tells nothing of its application;
    // both are announced with the application's name.
    const int alpha = content->tableModel()->rowOf(ShellHarness::AlphaID);
    ASSERT_GE(alpha, 0);
    const QString name = content->tableModel()->appAt(alpha)->name();
    const std::pair<int, QString> columns[] = {
        { AppTableModel::IconColumn, u"Icon: "_s + name },
        { AppTableModel::NameColumn, u"Application: "_s + name },
        { AppTableModel::LastAccessedColumn, u"Last Accessed: "_s },
        { AppTableModel::AppStoreColumn, u"App Store: Open App Store page for "_s + name },
        { AppTableModel::LastReviewedColumn, u"Last Reviewed: "_s },
    };
    for (const auto& [column, text] : columns) {
        const QString heard = announced(table, alpha, column);
        // A date varies; its cell must only say something.
        EXPECT_TRUE(text.endsWith(u' ') ? heard.startsWith(text) && heard.size() > text.size()
                                        : heard == text)
            << qPrintable(heard);
    }

    // The empty state's button, once every application is ignored.
    AppModel& model = harness.app().model();
    model.ignoreApps(model.apps());
    QPushButton* reset = content->emptyState()->resetButton();
    ASSERT_TRUE(QTest::qWaitFor([reset] { return reset->isVisible(); }));
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(reset);
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(QAccessible::Name), u"Reset Ignore List"_s);
    EXPECT_EQ(button->role(), QAccessible::Button);
}

TEST(Accessibility, TabMovesFromTheSearchFieldToTheTableAndBack)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    SearchField* search = harness.window().contentView()->searchField();
    search->setFocus(Qt::OtherFocusReason);
    ASSERT_TRUE(QTest::qWaitFor([search] { return search->hasFocus(); }));
    QTest::keyClick(search, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), harness.window().contentView()->tableView());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), search);
}

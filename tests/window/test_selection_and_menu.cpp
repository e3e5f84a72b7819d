#include "AppTableModel.h"
#include "AppTableView.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

class SelectionTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        setThreeApps();
    }
};

TEST_F(SelectionTest, ClicksSelectRowsAndPublishTheSelectionOnce)
{
    QSignalSpy hasSelection(view.get(), &ContentView::hasSelectionChanged);
    clickRow(0);
    EXPECT_EQ(view->selection(), QSet<QString> { A });
    ASSERT_EQ(hasSelection.size(), 1);
    EXPECT_TRUE(hasSelection.takeFirst().at(0).toBool());

    clickRow(2, Qt::ControlModifier);
    EXPECT_EQ(view->selection(), (QSet<QString> { A, C }));
    clickRow(2, Qt::ControlModifier);
    EXPECT_EQ(view->selection(), QSet<QString> { A });
    EXPECT_TRUE(hasSelection.isEmpty());

    view->setSelection({});
    EXPECT_FALSE(view->hasSelection());
    EXPECT_TRUE(selectedRowIds().isEmpty());
    ASSERT_EQ(hasSelection.size(), 1);
    EXPECT_FALSE(hasSelection.takeFirst().at(0).toBool());
}

TEST_F(SelectionTest, HiddenSelectedIdsStayInTheSelectionAndSelectNothing)
{
    view->setSelection({ A, B });
    model->setSearchQuery(QStringLiteral("Bravo"));
    EXPECT_EQ(view->selection(), (QSet<QString> { A, B }));
    EXPECT_EQ(selectedRowIds(), QStringList { B });
    EXPECT_EQ(view->selectedApps().size(), 1);
    model->setSearchQuery(QString());
    EXPECT_EQ(selectedRowIds(), (QStringList { A, B }));

    // An id whose record is gone from the catalogue altogether still counts as a selection.
    model->setApps({ app(C, QStringLiteral("Charlie"), 3) });
    EXPECT_EQ(view->selection(), (QSet<QString> { A, B }));
    EXPECT_TRUE(view->hasSelection());
    EXPECT_TRUE(selectedRowIds().isEmpty());
    EXPECT_TRUE(view->selectedApps().isEmpty());
}

TEST_F(SelectionTest, ContextMenuOnAnUnselectedRowActsOnThatRowAlone)
{
    view->setSelection({ A, B });
    // A right press on the row does not select it.
    QTest::mouseClick(view->tableView()->viewport(), Qt::RightButton, Qt::NoModifier,
                      cellCentre(2, AppTableModel::NameColumn));
    EXPECT_EQ(view->selection(), (QSet<QString> { A, B }));

    QMenu* menu = openContextMenuOnRow(2);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(actionTitles(menu),
              (QStringList { QStringLiteral("Reset Last Reviewed Date"), QStringLiteral("Ignore") }));
    trigger(menu, QStringLiteral("Reset Last Reviewed Date"));
    EXPECT_FALSE(appWithId(C)->lastReviewedDate().has_value());
    EXPECT_TRUE(appWithId(A)->lastReviewedDate().has_value());
    EXPECT_TRUE(appWithId(B)->lastReviewedDate().has_value());
    EXPECT_EQ(view->selection(), (QSet<QString> { A, B }));

    menu = openContextMenuOnRow(2);
    ASSERT_NE(menu, nullptr);
    trigger(menu, QStringLiteral("Ignore"));
    EXPECT_EQ(model->ignoredIDs(), QSet<QString> { C });
    EXPECT_EQ(names(), (QStringList { QStringLiteral("Alpha"), QStringLiteral("Bravo") }));
    // Ignoring empties the whole selection, also the rows the menu did not act on.
    EXPECT_TRUE(view->selection().isEmpty());
    EXPECT_TRUE(selectedRowIds().isEmpty());
}

TEST_F(SelectionTest, ContextMenuOnASelectedRowActsOnTheSelectionAndUnignoresInTheIgnoredView)
{
    view->setSelection({ A, C });
    QMenu* menu = openContextMenuOnRow(2);
    ASSERT_NE(menu, nullptr);
    trigger(menu, QStringLiteral("Reset Last Reviewed Date"));
    EXPECT_FALSE(appWithId(A)->lastReviewedDate().has_value());
    EXPECT_TRUE(appWithId(B)->lastReviewedDate().has_value());
    EXPECT_FALSE(appWithId(C)->lastReviewedDate().has_value());
    EXPECT_EQ(view->selection(), (QSet<QString> { A, C }));

    model->ignoreApps({ *appWithId(C) });
    model->setShowingIgnored(true);
    view->setSelection({ C });
    menu = openContextMenuOnRow(0);
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(actionTitles(menu),
              (QStringList { QStringLiteral("Reset Last Reviewed Date"), QStringLiteral("Clear Ignore") }));
    trigger(menu, QStringLiteral("Clear Ignore"));
    EXPECT_TRUE(model->ignoredIDs().isEmpty());
    EXPECT_TRUE(view->selection().isEmpty());
}

TEST_F(SelectionTest, ContextMenuOnBlankSpaceShowsNothing)
{
    view->setSelection({ A });
    const QRect viewport = view->tableView()->viewport()->rect();
    EXPECT_EQ(openContextMenuAt(QPoint(viewport.center().x(), viewport.bottom() - 2)), nullptr);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

TEST_F(SelectionTest, MenuKeyWithoutASelectionActsOnTheCurrentRow)
{
    AppTableView* table = view->tableView();
    table->setFocus();
    table->selectionModel()->setCurrentIndex(view->tableModel()->index(1, 1), QItemSelectionModel::NoUpdate);
    ASSERT_TRUE(view->selection().isEmpty());
    QTest::keyClick(table, Qt::Key_F10, Qt::ShiftModifier);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    trigger(menu, QStringLiteral("Reset Last Reviewed Date"));
    EXPECT_FALSE(appWithId(B)->lastReviewedDate().has_value());
    EXPECT_TRUE(appWithId(A)->lastReviewedDate().has_value());
}

TEST_F(SelectionTest, MenuActsOnTheRowsItWasBuiltFor)
{
    QMenu* menu = openContextMenuOnRow(0);
    ASSERT_NE(menu, nullptr);
    // The list changes while the menu is open; the menu still ignores Alpha, not the new first row.
    model->setSortOrder({ { SortComparator::Key::Name, Qt::DescendingOrder } });
    trigger(menu, QStringLiteral("Ignore"));
    EXPECT_EQ(model->ignoredIDs(), QSet<QString> { A });
}

#include "WindowFixture.h"

#include "AppTableModel.h"
#include "AppTableView.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>

bool RecordingWorkspace::openUrl(const QUrl& url)
{
    openedUrls.append(url);
    if (onOpen)
        onOpen();
    return false;
}

QIcon RecordingWorkspace::iconForFile(const QString& path)
{
    iconPaths.append(path);
    QPixmap pixmap(64, 32);
    pixmap.fill(Qt::red);
    return QIcon(pixmap);
}

void WindowTest::SetUp()
{
    Workspace::setSharedForTesting(&workspace);
    const QString system = tree.makeFolder(QStringLiteral("Applications"));
    const QString home = tree.makeFolder(QStringLiteral("home"));
    model = std::make_unique<AppModel>(preferences, AppScanner(system, home));
    QSignalSpy finished(model.get(), &AppModel::rescanFinished);
    ASSERT_TRUE(finished.wait(10000));

    view = std::make_unique<ContentView>(*model);
    view->resize(900, 600);
    view->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
}

void WindowTest::TearDown()
{
    view.reset();
    model.reset();
    Workspace::setSharedForTesting(nullptr);
}

QDateTime WindowTest::day(int daysAgo)
{
    return QDateTime(QDate(2026, 3, 31), QTime(12, 0), Qt::UTC).addDays(-daysAgo);
}

AppInfo WindowTest::app(const QString& id, const QString& name, int daysAgo, OptionalDate lastReviewed,
                        const QString& adamID)
{
    return AppInfo(id, name, QStringLiteral("/Applications/") + name + QStringLiteral(".app"), adamID,
                   day(daysAgo), std::nullopt, std::move(lastReviewed));
}

QStringList WindowTest::column(int column) const
{
    QStringList texts;
    const AppTableModel* table = view->tableModel();
    for (int row = 0; row < table->rowCount(); ++row)
        texts.append(table->index(row, column).data().toString());
    return texts;
}

QStringList WindowTest::names() const
{
    return column(AppTableModel::NameColumn);
}

QStringList WindowTest::selectedRowIds() const
{
    QList<int> rows;
    for (const QModelIndex& index : view->tableView()->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    QStringList ids;
    for (int row : rows)
        ids.append(view->tableModel()->idAt(row));
    return ids;
}

QPoint WindowTest::cellCentre(int row, int column) const
{
    return view->tableView()->visualRect(view->tableModel()->index(row, column)).center();
}

void WindowTest::clickCell(int row, int column, Qt::KeyboardModifiers modifiers)
{
    QTest::mouseClick(view->tableView()->viewport(), Qt::LeftButton, modifiers, cellCentre(row, column));
}

void WindowTest::clickRow(int row, Qt::KeyboardModifiers modifiers)
{
    clickCell(row, AppTableModel::NameColumn, modifiers);
}

void WindowTest::clickHeader(int column)
{
    QHeaderView* header = view->tableView()->horizontalHeader();
    const QPoint pos(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                     header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
}

QMenu* WindowTest::openContextMenuAt(const QPoint& pos)
{
    QWidget* viewport = view->tableView()->viewport();
    QContextMenuEvent event(QContextMenuEvent::Mouse, pos, viewport->mapToGlobal(pos));
    QApplication::sendEvent(viewport, &event);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QMenu* WindowTest::openContextMenuOnRow(int row)
{
    return openContextMenuAt(cellCentre(row, AppTableModel::NameColumn));
}

QStringList WindowTest::actionTitles(const QMenu* menu)
{
    QStringList titles;
    for (const QAction* action : menu->actions())
        titles.append(action->isSeparator() ? QStringLiteral("-") : action->text());
    return titles;
}

void WindowTest::trigger(QMenu* menu, const QString& title)
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

const AppInfo* WindowTest::appWithId(const QString& id) const
{
    for (const AppInfo& record : model->apps()) {
        if (record.id() == id)
            return &record;
    }
    return nullptr;
}

void WindowTest::setThreeApps()
{
    model->setApps({ app(A, QStringLiteral("Alpha"), 1, day(3)), app(B, QStringLiteral("Bravo"), 2, day(4)),
                     app(C, QStringLiteral("Charlie"), 3, day(5)) });
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "ContentView.h"

#include "AppModel.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "EmptyStateView.h"
#include "IgnoreListCommand.h"
#include "MessageBar.h"
#include "NotificationCenter.h"
#include "ReviewDatesCommand.h"
#include "ReviewPage.h"
#include "ScanningPlaceholder.h"
#include "SearchField.h"
#include "StatusBar.h"
#include "VisibleAppsModel.h"
#include "Workspace.h"

#include <QClipboard>
#include <QFrame>
#include <QGuiApplication>
#include <QMenu>
#include <QScreen>
#include <QStackedWidget>
#include <QUndoStack>
#include <QVBoxLayout>

#include <algorithm>

ContentView::ContentView(AppModel& model, Workspace& workspace, NotificationCenter& center,
                         QUndoStack& undoStack, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_workspace(workspace)
    , m_undoStack(undoStack)
    , m_searchField(new SearchField)
    , m_mainArea(new QStackedWidget(this))
    , m_tableModel(new AppTableModel(model, workspace, this))
    , m_rows(new VisibleAppsModel(model, m_tableModel, this))
    , m_table(new AppTableView(m_rows, m_mainArea))
    , m_emptyState(new EmptyStateView(m_table->viewport()))
    , m_placeholder(new ScanningPlaceholder(m_mainArea))
    , m_statusBar(new StatusBar(this))
    , m_messageBar(new MessageBar(model, this))
{
    setObjectName(QStringLiteral("contentView"));
    // On a screen smaller than that, or at a large scale factor, the whole window must still fit,
    // its menus, toolbar and status bar included: the content then takes what they leave.
    QSize minimum(MinimumWidth, MinimumHeight);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        minimum = minimum.boundedTo(screen->availableGeometry().size() - WindowChromeAllowance);
    setMinimumSize(minimum);

    m_mainArea->addWidget(m_table);
    m_mainArea->addWidget(m_placeholder);

    auto* divider = new QFrame(this);
    divider->setObjectName(QStringLiteral("divider"));
    divider->setFrameShape(QFrame::HLine);
    divider->setFrameShadow(QFrame::Plain);
    divider->setForegroundRole(QPalette::Mid);
    divider->setFixedHeight(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_messageBar);
    layout->addWidget(m_mainArea, 1);
    layout->addWidget(divider);
    layout->addWidget(m_statusBar);
    setFocusProxy(m_table);

    // The search field mirrors the model's query; its connections live with the field and the
    // model, since the toolbar that takes the field may outlive this view.
    m_searchField->setBoundText(m_model.searchQuery());
    connect(m_searchField, &QLineEdit::textEdited, &m_model,
            [model = &m_model](const QString& text) { model->setSearchQuery(text); });
    connect(&m_model, &AppModel::searchQueryChanged, m_searchField,
            [field = m_searchField.data(), model = &m_model] { field->setBoundText(model->searchQuery()); });
    connect(m_searchField, &SearchField::leaveRequested, m_table,
            [table = m_table] { table->setFocus(Qt::OtherFocusReason); });

    connect(&m_model, &AppModel::isScanningChanged, this, &ContentView::updateMainArea);
    for (const auto changed :
         { &AppModel::appsChanged, &AppModel::ignoredIDsChanged, &AppModel::showingIgnoredChanged })
        connect(&m_model, changed, this, &ContentView::updateSummary);
    for (const auto rowsChanged : { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
        connect(m_rows, rowsChanged, this, &ContentView::updateSummary);
    connect(m_rows, &QAbstractItemModel::modelReset, this, &ContentView::updateSummary);
    connect(m_rows, &QAbstractItemModel::layoutChanged, this, &ContentView::updateSummary);
    // A reset clears the selection without a word, and rows that leave in a layout change leave it
    // as quietly.
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ContentView::updateHasSelection);
    connect(m_rows, &QAbstractItemModel::modelReset, this, &ContentView::updateHasSelection);
    connect(m_rows, &QAbstractItemModel::layoutChanged, this, &ContentView::updateHasSelection);
    connect(m_table, &AppTableView::openRequested, this,
            qOverload<const QModelIndex&>(&ContentView::openReviewPage));
    connect(m_table, &AppTableView::contextMenuRequested, this, &ContentView::showContextMenu);
    observeCommands(center);

    updateMainArea();
    updateSummary();
}

ContentView::~ContentView()
{
    if (m_searchField && !m_searchField->parent())
        delete m_searchField.data();
}

SearchField* ContentView::searchField() const
{
    return m_searchField;
}

void ContentView::setRowActions(const QList<QAction*>& actions)
{
    m_rowActions = actions;
}

void ContentView::setResetIgnoreListAction(QAction* action)
{
    m_emptyState->setResetAction(action);
}

bool ContentView::hasSelection() const
{
    return m_hasSelection;
}

void ContentView::updateHasSelection()
{
    const bool hasSelection = m_menuApps.has_value() || m_table->selectionModel()->hasSelection();
    if (hasSelection == m_hasSelection)
        return;
    m_hasSelection = hasSelection;
    emit hasSelectionChanged(hasSelection);
}

QList<AppInfo> ContentView::selectedApps() const
{
    QModelIndexList rows = m_table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<AppInfo> apps;
    apps.reserve(rows.size());
    for (const QModelIndex& row : std::as_const(rows))
        apps.append(row.data(AppTableModel::RecordRole).value<AppInfo>());
    return apps;
}

void ContentView::setRatingsShown(bool shown)
{
    m_table->setColumnHidden(AppTableModel::RatingColumn, !shown);
}

void ContentView::setSelection(const QSet<AppId>& ids)
{
    QItemSelection selection;
    for (int row = 0; row < m_rows->rowCount(); ++row) {
        const QModelIndex first = m_rows->index(row, 0);
        if (ids.contains(first.data(AppTableModel::IdRole).value<AppId>()))
            selection.select(first, m_rows->index(row, AppTableModel::ColumnCount - 1));
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void ContentView::observeCommands(NotificationCenter& center)
{
    // A command posted while the window is not shown has nothing to act on.
    const auto whileShown = [this](auto handler) {
        return [this, handler] {
            if (isVisible())
                handler();
        };
    };

    center.observe(CommandNames::RescanRequested, this, whileShown([this] {
                       // The scan runs as a task of its own, so that the posting command returns at once.
                       QMetaObject::invokeMethod(
                           &m_model, [model = &m_model] { model->rescan(); }, Qt::QueuedConnection);
                   }));
    center.observe(CommandNames::ResetReviewRequested, this,
                   whileShown([this] { resetReviewDates(targetApps()); }));
    center.observe(CommandNames::IgnoreRequested, this,
                   whileShown([this] { ignoreOrUnignore(targetApps(), true); }));
    center.observe(CommandNames::ClearIgnoreRequested, this,
                   whileShown([this] { ignoreOrUnignore(targetApps(), false); }));
    center.observe(CommandNames::ResetIgnoreListRequested, this, whileShown([this] { resetIgnoreList(); }));
    center.observe(CommandNames::OpenStorePageRequested, this, whileShown([this] {
                       // The row the menu was opened on comes first: a page per selected row would
                       // open a crowd of windows.
                       const QList<AppInfo> apps = targetApps();
                       if (!apps.isEmpty())
                           openReviewPage(apps.constFirst());
                   }));
    center.observe(CommandNames::CopyIDRequested, this, whileShown([this] { copyIDs(targetApps()); }));
    center.observe(CommandNames::ToggleMockModeRequested, this,
                   whileShown([this] { m_model.toggleMockMode(); }));
    center.observe(CommandNames::ShowIgnoredAppsToggled, this,
                   whileShown([this] { m_model.setShowingIgnored(!m_model.showingIgnored()); }));
}

QList<AppInfo> ContentView::targetApps() const
{
    return m_menuApps ? *m_menuApps : selectedApps();
}

// A command that changed nothing is not kept, and tells nothing.
void ContentView::ignoreOrUnignore(const QList<AppInfo>& apps, bool ignore)
{
    using Change = IgnoreListCommand::Change;
    // When the command took the selected rows, the row that takes the place of the first is
    // picked next, so that the same command goes on down the list. After a menu opened on rows
    // that were not picked, nothing is.
    QSet<AppId> ids, selectedIDs;
    for (const AppInfo& app : apps)
        ids.insert(app.id());
    for (const AppInfo& app : selectedApps())
        selectedIDs.insert(app.id());
    int first = 0;
    while (first < m_rows->rowCount()
           && !ids.contains(m_rows->index(first, 0).data(AppTableModel::IdRole).value<AppId>()))
        ++first;
    const bool goesOn = ids == selectedIDs && first < m_rows->rowCount();
    auto* command = new IgnoreListCommand(m_model, ignore ? Change::Ignore : Change::ClearIgnore, apps);
    const int before = m_undoStack.index();
    m_undoStack.push(command);
    QItemSelectionModel* selection = m_table->selectionModel();
    const int next = std::min(first, m_rows->rowCount() - 1);
    if (m_undoStack.index() != before && goesOn && next >= 0) {
        const int column = std::max(m_table->currentIndex().column(), 0);
        selection->setCurrentIndex(m_rows->index(next, column),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        selection->clearSelection();
    }
    if (m_undoStack.index() == before || command->changedCount() < 2)
        return;
    const int count = int(command->changedCount());
    m_messageBar->showUndoable(ignore ? tr("%n apps ignored.", nullptr, count)
                                      : tr("Ignore cleared: %n apps.", nullptr, count),
                               m_undoStack);
}

void ContentView::resetReviewDates(const QList<AppInfo>& apps)
{
    auto* command = new ReviewDatesCommand(m_model, ReviewDatesCommand::Change::Reset, apps);
    const int before = m_undoStack.index();
    m_undoStack.push(command);
    if (m_undoStack.index() == before || command->changedCount() < 2)
        return;
    m_messageBar->showUndoable(
        tr("Last reviewed date reset: %n apps.", nullptr, int(command->changedCount())), m_undoStack);
}

void ContentView::resetIgnoreList()
{
    auto* command = new IgnoreListCommand(m_model, IgnoreListCommand::Change::Reset);
    const int before = m_undoStack.index();
    m_undoStack.push(command);
    if (m_undoStack.index() == before)
        return;
    m_messageBar->showUndoable(tr("Ignore list cleared: %n apps.", nullptr, int(command->changedCount())),
                               m_undoStack);
}

void ContentView::copyIDs(const QList<AppInfo>& apps)
{
    QStringList ids;
    for (const AppInfo& app : apps)
        ids.append(app.id().text());
    if (!ids.isEmpty())
        QGuiApplication::clipboard()->setText(ids.join(u'\n'));
}

void ContentView::updateSummary()
{
    const CatalogueTexts::Summary summary = m_tableModel->texts().summary(m_model);
    m_statusBar->setText(summary.status);
    if (m_rows->rowCount() > 0) {
        m_emptyState->hide();
        return;
    }
    m_emptyState->setTexts(summary.emptyMessage, summary.ignoredNote);
    m_emptyState->show();
    m_emptyState->raise();
}

void ContentView::updateMainArea()
{
    if (m_model.isScanning()) {
        if (m_contextMenu)
            m_contextMenu->close();
        m_mainArea->setCurrentWidget(m_placeholder);
    } else {
        m_mainArea->setCurrentWidget(m_table);
    }
}

void ContentView::showContextMenu(const QList<QModelIndex>& rows, const QPoint& globalPos)
{
    if (m_contextMenu)
        m_contextMenu->close();
    // The rows are taken now; the commands work on them whatever happens to the list meanwhile.
    QList<AppInfo> apps;
    for (const QModelIndex& row : rows)
        apps.append(row.data(AppTableModel::RecordRole).value<AppInfo>());
    if (apps.isEmpty() || m_rowActions.isEmpty())
        return;
    m_menuApps = apps;
    updateHasSelection();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("tableContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (QAction* action : std::as_const(m_rowActions)) {
        if (action)
            menu->addAction(action);
        else
            menu->addSeparator();
    }
    // A chosen command runs after the menu has hidden; the rows go once it has.
    connect(menu, &QMenu::aboutToHide, this, [this] {
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_contextMenu && m_contextMenu->isVisible())
                    return;
                m_menuApps.reset();
                updateHasSelection();
            },
            Qt::QueuedConnection);
    });
    m_contextMenu = menu;
    menu->popup(globalPos);
}

void ContentView::openReviewPage(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    // A copy: opening the page or recording the review may change the catalogue.
    openReviewPage(index.data(AppTableModel::RecordRole).value<AppInfo>());
}

void ContentView::openReviewPage(const AppInfo& app)
{
    const QList<QUrl> addresses = ReviewPage(app).addresses();
    if (!addresses.isEmpty())
        openReviewAddress(app, addresses, 0);
}

void ContentView::openReviewAddress(const AppInfo& app, const QList<QUrl>& addresses, qsizetype next)
{
    // A desktop without a software centre for the application's page may still open the store's
    // web page. Only a page that opened counts as a review; otherwise the user hears which
    // address to open themselves.
    m_workspace.openUrl(addresses.at(next), this, [this, app, addresses, next](bool opened) {
        if (opened) {
            m_undoStack.push(new ReviewDatesCommand(m_model, ReviewDatesCommand::Change::Record, { app }));
            emit reviewPageOpened(app);
        } else if (next + 1 < addresses.size())
            openReviewAddress(app, addresses, next + 1);
        else
            m_messageBar->showPageNotOpened(addresses.constLast(), MessageBar::Purpose::Review);
    });
}

MessageBar* ContentView::messageBar() const
{
    return m_messageBar;
}

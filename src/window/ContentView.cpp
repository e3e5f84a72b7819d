#include "ContentView.h"

#include "AppModel.h"
#include "AppTableDelegate.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "EmptyStateView.h"
#include "LabelColors.h"
#include "NotificationCenter.h"
#include "SearchField.h"
#include "StatusBar.h"
#include "Workspace.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <utility>

ContentView::ContentView(AppModel& model, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_searchField(new SearchField)
    , m_mainArea(new QStackedWidget(this))
    , m_table(new AppTableView(m_mainArea))
    , m_tableModel(new AppTableModel(model, this))
    , m_delegate(new AppTableDelegate(this))
    , m_emptyState(nullptr)
    , m_placeholder(new QWidget(m_mainArea))
    , m_statusBar(new StatusBar(model, this))
{
    setObjectName(QStringLiteral("contentView"));
    setMinimumSize(MinimumWidth, MinimumHeight);

    // The table.
    m_table->setModel(m_tableModel);
    m_table->setItemDelegate(m_delegate);
    m_table->setIconSize(QSize(AppTableModel::IconSize, AppTableModel::IconSize));
    QHeaderView* header = m_table->horizontalHeader();
    header->setMinimumSectionSize(24);
    header->setSectionResizeMode(AppTableModel::IconColumn, QHeaderView::Fixed);
    header->resizeSection(AppTableModel::IconColumn, 32);
    header->setSectionResizeMode(AppTableModel::NameColumn, QHeaderView::Stretch);
    header->setSectionResizeMode(AppTableModel::LastAccessedColumn, QHeaderView::Interactive);
    header->resizeSection(AppTableModel::LastAccessedColumn, 150);
    header->setSectionResizeMode(AppTableModel::AppStoreColumn, QHeaderView::Fixed);
    header->resizeSection(AppTableModel::AppStoreColumn, 72);
    header->setSectionResizeMode(AppTableModel::LastReviewedColumn, QHeaderView::Interactive);
    header->resizeSection(AppTableModel::LastReviewedColumn, 150);
    QHeaderView* rows = m_table->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(qMax(AppTableModel::IconSize + 6, m_table->fontMetrics().height() + 10));
    m_emptyState = new EmptyStateView(model, m_table->viewport());

    // The scanning placeholder.
    auto* progress = new QProgressBar(m_placeholder);
    progress->setObjectName(QStringLiteral("scanningProgress"));
    progress->setRange(0, 0);
    progress->setTextVisible(false);
    progress->setFixedWidth(160);
    progress->setAccessibleName(tr("Scanning Applications…"));
    auto* scanningLabel = new QLabel(tr("Scanning Applications…"), m_placeholder);
    scanningLabel->setObjectName(QStringLiteral("scanningLabel"));
    LabelColors::apply(scanningLabel, LabelColors::Level::Secondary);
    QFont callout = scanningLabel->font();
    if (callout.pointSizeF() > 0)
        callout.setPointSizeF(callout.pointSizeF() * 0.92);
    scanningLabel->setFont(callout);
    auto* placeholderLayout = new QVBoxLayout(m_placeholder);
    placeholderLayout->setSpacing(12);
    placeholderLayout->addStretch(1);
    placeholderLayout->addWidget(progress, 0, Qt::AlignHCenter);
    placeholderLayout->addWidget(scanningLabel, 0, Qt::AlignHCenter);
    placeholderLayout->addStretch(1);

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

    connect(&m_model, &AppModel::visibleAppsChanged, this, &ContentView::refresh);
    connect(&m_model, &AppModel::isScanningChanged, this, &ContentView::updateMainArea);
    connect(&m_model, &AppModel::sortOrderChanged, this, &ContentView::updateSortIndicator);
    connect(header, &QHeaderView::sectionClicked, this, &ContentView::sortByColumn);
    connect(m_delegate, &AppTableDelegate::openRequested, this, &ContentView::openReviewPage);
    connect(m_table, &AppTableView::contextMenuRequested, this, &ContentView::showContextMenu);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ContentView::selectionFromTable);
    observeCommands();

    updateSortIndicator();
    updateMainArea();
    refresh();
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

const QSet<QString>& ContentView::selection() const
{
    return m_selection;
}

void ContentView::setSelection(const QSet<QString>& ids)
{
    QSet<QString> keys;
    keys.reserve(ids.size());
    for (const QString& id : ids)
        keys.insert(AppInfo::idKey(id));
    storeSelection(std::move(keys));
    selectionToTable();
}

bool ContentView::hasSelection() const
{
    return !m_selection.isEmpty();
}

QList<AppInfo> ContentView::selectedApps() const
{
    return visibleAppsWithIds(m_selection);
}

bool ContentView::isShowingScanningPlaceholder() const
{
    return m_mainArea->currentWidget() == m_placeholder;
}

QList<AppInfo> ContentView::visibleAppsWithIds(const QSet<QString>& ids) const
{
    QList<AppInfo> apps;
    if (ids.isEmpty())
        return apps;
    for (const AppInfo& app : m_model.visibleApps()) {
        if (ids.contains(AppInfo::idKey(app.id())))
            apps.append(app);
    }
    return apps;
}

void ContentView::observeCommands()
{
    NotificationCenter& center = NotificationCenter::defaultCenter();
    // A command posted while the window is not shown has nothing to act on.
    const auto whileShown = [this](auto handler) {
        return [this, handler] {
            if (isVisible())
                handler();
        };
    };

    center.observe(CommandNames::rescanRequested(), this, whileShown([this] {
                       // The scan runs as a task of its own, so that the posting command returns at once.
                       QMetaObject::invokeMethod(
                           &m_model, [model = &m_model] { model->rescan(); }, Qt::QueuedConnection);
                   }));
    center.observe(CommandNames::resetReviewRequested(), this, whileShown([this] {
                       const QList<AppInfo> apps = selectedApps();
                       if (!apps.isEmpty())
                           changeInBulk([&] { m_model.resetReviewDates(apps); });
                   }));
    center.observe(CommandNames::ignoreRequested(), this, whileShown([this] {
                       const QList<AppInfo> apps = selectedApps();
                       if (!apps.isEmpty())
                           changeInBulk([&] { m_model.ignoreApps(apps); });
                       setSelection({});
                   }));
    center.observe(CommandNames::clearIgnoreRequested(), this, whileShown([this] {
                       const QList<AppInfo> apps = selectedApps();
                       if (!apps.isEmpty())
                           changeInBulk([&] { m_model.unignoreApps(apps); });
                       setSelection({});
                   }));
    center.observe(CommandNames::resetIgnoreListRequested(), this,
                   whileShown([this] { m_model.resetIgnoreList(); }));
    center.observe(CommandNames::toggleMockModeRequested(), this,
                   whileShown([this] { m_model.toggleMockMode(); }));
    center.observe(CommandNames::showIgnoredAppsToggled(), this,
                   whileShown([this] { m_model.setShowingIgnored(!m_model.showingIgnored()); }));
}

void ContentView::changeInBulk(const std::function<void()>& change)
{
    // Each ignored application changes the list; rebuilding the table and its selection after
    // each of a thousand took seconds. Nothing is shown in between, so one rebuild is the same.
    const bool outermost = !m_refreshDeferred;
    m_refreshDeferred = true;
    change();
    if (!outermost)
        return;
    m_refreshDeferred = false;
    if (std::exchange(m_refreshPending, false))
        refresh();
}

void ContentView::refresh()
{
    if (m_refreshDeferred) {
        m_refreshPending = true;
        return;
    }
    const QModelIndex current = m_table->currentIndex();
    const QString currentId = m_tableModel->idAt(current.row());
    const int currentColumn = current.isValid() ? current.column() : 0;

    m_updatingTable = true;
    m_tableModel->reload();
    selectionToTable();
    // Keyboard users keep their place across changes of the list.
    const int currentRow = currentId.isEmpty() ? -1 : m_tableModel->rowOf(currentId);
    if (currentRow >= 0)
        m_table->selectionModel()->setCurrentIndex(m_tableModel->index(currentRow, currentColumn),
                                                   QItemSelectionModel::NoUpdate);
    m_updatingTable = false;

    m_emptyState->refresh(m_tableModel->rowCount() == 0);
    m_statusBar->refresh();
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

void ContentView::updateSortIndicator()
{
    QHeaderView* header = m_table->horizontalHeader();
    const SortOrder& order = m_model.sortOrder();
    if (order.isEmpty())
        header->setSortIndicator(-1, Qt::AscendingOrder);
    else
        header->setSortIndicator(AppTableModel::columnOf(order.first().key()), order.first().order());
}

// A click makes the column's key the first comparator. Clicking the column that is already first
// flips its direction; a key that was further down the list keeps its direction; a new key starts
// ascending for names and descending (newest first) for dates. The other comparators follow in
// their previous order, so rows that tie on the new key keep the order they had.
void ContentView::sortByColumn(int column)
{
    const std::optional<SortComparator::Key> key = AppTableModel::sortKey(column);
    if (key) {
        const SortOrder& previous = m_model.sortOrder();
        SortComparator first(*key,
                             *key == SortComparator::Key::Name ? Qt::AscendingOrder : Qt::DescendingOrder);
        if (!previous.isEmpty() && previous.first().key() == *key) {
            first = previous.first().reversed();
        } else {
            for (const SortComparator& comparator : previous) {
                if (comparator.key() == *key) {
                    first = comparator;
                    break;
                }
            }
        }
        SortOrder next { first };
        for (const SortComparator& comparator : previous) {
            if (comparator.key() != *key)
                next.append(comparator);
        }
        m_model.setSortOrder(next);
    }
    // The header moves its indicator on every click, also on columns that do not sort.
    updateSortIndicator();
}

void ContentView::showContextMenu(const QList<int>& rows, const QPoint& globalPos)
{
    QSet<QString> ids;
    for (int row : rows)
        ids.insert(m_tableModel->idAt(row));
    QMenu* menu = makeContextMenu(ids, this);
    if (!menu)
        return;
    if (m_contextMenu)
        m_contextMenu->close();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    m_contextMenu = menu;
    menu->popup(globalPos);
}

QMenu* ContentView::makeContextMenu(const QSet<QString>& ids, QWidget* parent)
{
    // The rows are taken now; the actions work on them whatever happens to the list meanwhile.
    const QList<AppInfo> apps = visibleAppsWithIds(ids);
    if (apps.isEmpty())
        return nullptr;

    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("tableContextMenu"));
    connect(menu->addAction(tr("Reset Last Reviewed Date")), &QAction::triggered, this,
            [this, apps] { changeInBulk([&] { m_model.resetReviewDates(apps); }); });
    if (m_model.showingIgnored()) {
        connect(menu->addAction(tr("Clear Ignore")), &QAction::triggered, this, [this, apps] {
            changeInBulk([&] { m_model.unignoreApps(apps); });
            setSelection({});
        });
    } else {
        connect(menu->addAction(tr("Ignore")), &QAction::triggered, this, [this, apps] {
            changeInBulk([&] { m_model.ignoreApps(apps); });
            setSelection({});
        });
    }
    return menu;
}

void ContentView::openReviewPage(int row)
{
    const AppInfo* shown = m_tableModel->appAt(row);
    if (!shown)
        return;
    // A copy: opening the page or recording the review may change the catalogue under the pointer.
    const AppInfo app = *shown;
    // The page may fail to open; the review is recorded all the same. A desktop without a
    // software centre for the application's page may still open the store's web page.
    if (const std::optional<QUrl> url = app.reviewURL()) {
        if (!Workspace::shared().openUrl(*url)) {
            if (const std::optional<QUrl> fallback = app.reviewFallbackURL())
                Workspace::shared().openUrl(*fallback);
        }
    }
    m_model.recordReview(app);
}

void ContentView::storeSelection(QSet<QString> ids)
{
    if (ids == m_selection)
        return;
    const bool hadSelection = hasSelection();
    m_selection = std::move(ids);
    emit selectionChanged();
    if (hadSelection != hasSelection())
        emit hasSelectionChanged(hasSelection());
}

// The user changed the table's selection: it becomes the selected rows, and ids hidden by the
// search or the ignore filter leave it, as they would in any list where a click selects anew.
void ContentView::selectionFromTable()
{
    if (m_updatingTable)
        return;
    QSet<QString> ids;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        ids.insert(m_tableModel->idAt(index.row()));
    storeSelection(std::move(ids));
}

void ContentView::selectionToTable()
{
    const bool wasUpdating = m_updatingTable;
    m_updatingTable = true;
    QItemSelection rows;
    const int rowCount = m_tableModel->rowCount();
    const int lastColumn = AppTableModel::ColumnCount - 1;
    int start = -1;
    for (int row = 0; row <= rowCount; ++row) {
        const bool selected = row < rowCount && m_selection.contains(m_tableModel->idAt(row));
        if (selected && start < 0) {
            start = row;
        } else if (!selected && start >= 0) {
            rows.select(m_tableModel->index(start, 0), m_tableModel->index(row - 1, lastColumn));
            start = -1;
        }
    }
    m_table->selectionModel()->select(rows, QItemSelectionModel::ClearAndSelect);
    m_updatingTable = wasUpdating;
}

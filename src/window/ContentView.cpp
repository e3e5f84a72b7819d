#include "ContentView.h"

#include "AppModel.h"
#include "AppTableDelegate.h"
#include "AppTableModel.h"
#include "AppTableView.h"
#include "CommandNames.h"
#include "EmptyStateView.h"
#include "LabelColors.h"
#include "MessageBar.h"
#include "NotificationCenter.h"
#include "SearchField.h"
#include "StatusBar.h"
#include "Workspace.h"

#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

#include <algorithm>

ContentView::ContentView(AppModel& model, Workspace& workspace, QWidget* parent)
    : QWidget(parent)
    , m_model(model)
    , m_workspace(workspace)
    , m_searchField(new SearchField)
    , m_mainArea(new QStackedWidget(this))
    , m_table(new AppTableView(m_mainArea))
    , m_tableModel(new AppTableModel(model, workspace, this))
    , m_delegate(new AppTableDelegate(this))
    , m_emptyState(nullptr)
    , m_placeholder(new QWidget(m_mainArea))
    , m_statusBar(new StatusBar(model, this))
    , m_messageBar(new MessageBar(model, this))
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

    // Find focuses the field from anywhere in the window; Escape in an empty field comes back.
    for (const QKeySequence& keys : { QKeySequence(QKeySequence::Find), QKeySequence(Qt::Key_Find) }) {
        auto* find = new QShortcut(keys, this);
        find->setContext(Qt::WindowShortcut);
        connect(find, &QShortcut::activated, m_searchField, [field = m_searchField.data()] {
            field->setFocus(Qt::ShortcutFocusReason);
            field->selectAll();
        });
    }
    connect(m_searchField, &SearchField::leaveRequested, m_table,
            [table = m_table] { table->setFocus(Qt::OtherFocusReason); });

    connect(&m_model, &AppModel::isScanningChanged, this, &ContentView::updateMainArea);
    connect(&m_model, &AppModel::ignoredIDsChanged, this, &ContentView::updateEmptyState);
    connect(&m_model, &AppModel::showingIgnoredChanged, this, &ContentView::updateEmptyState);
    for (const auto rowsChanged : { &QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved })
        connect(m_tableModel, rowsChanged, this, &ContentView::updateEmptyState);
    connect(m_tableModel, &QAbstractItemModel::modelReset, this, &ContentView::updateEmptyState);
    connect(m_tableModel, &QAbstractItemModel::layoutChanged, this, &ContentView::updateEmptyState);
    // A reset clears the selection without a word, and rows that leave in a layout change leave it
    // as quietly.
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ContentView::updateHasSelection);
    connect(m_tableModel, &QAbstractItemModel::modelReset, this, &ContentView::updateHasSelection);
    connect(m_tableModel, &QAbstractItemModel::layoutChanged, this, &ContentView::updateHasSelection);
    connect(m_delegate, &AppTableDelegate::openRequested, this, &ContentView::openReviewPage);
    connect(m_table, &AppTableView::contextMenuRequested, this, &ContentView::showContextMenu);
    observeCommands();

    updateMainArea();
    updateEmptyState();
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

bool ContentView::hasSelection() const
{
    return m_hasSelection;
}

void ContentView::updateHasSelection()
{
    const bool hasSelection = m_table->selectionModel()->hasSelection();
    if (hasSelection == m_hasSelection)
        return;
    m_hasSelection = hasSelection;
    emit hasSelectionChanged(hasSelection);
}

QList<AppInfo> ContentView::appsAt(const QList<int>& rows) const
{
    QList<AppInfo> apps;
    apps.reserve(rows.size());
    for (const int row : rows) {
        if (const AppInfo* app = m_tableModel->appAt(row))
            apps.append(*app);
    }
    return apps;
}

QList<AppInfo> ContentView::selectedApps() const
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    std::sort(rows.begin(), rows.end());
    return appsAt(rows);
}

void ContentView::setSelection(const QSet<QString>& ids)
{
    QSet<QString> keys;
    for (const QString& id : ids)
        keys.insert(AppInfo::idKey(id));
    QItemSelection selection;
    for (int row = 0; row < m_tableModel->rowCount(); ++row) {
        if (keys.contains(m_tableModel->idAt(row)))
            selection.select(m_tableModel->index(row, 0),
                             m_tableModel->index(row, AppTableModel::ColumnCount - 1));
    }
    m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

bool ContentView::isShowingScanningPlaceholder() const
{
    return m_mainArea->currentWidget() == m_placeholder;
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
    center.observe(CommandNames::resetReviewRequested(), this,
                   whileShown([this] { m_model.resetReviewDates(selectedApps()); }));
    center.observe(CommandNames::ignoreRequested(), this,
                   whileShown([this] { ignoreOrUnignore(selectedApps(), true); }));
    center.observe(CommandNames::clearIgnoreRequested(), this,
                   whileShown([this] { ignoreOrUnignore(selectedApps(), false); }));
    center.observe(CommandNames::resetIgnoreListRequested(), this,
                   whileShown([this] { m_model.resetIgnoreList(); }));
    center.observe(CommandNames::toggleMockModeRequested(), this,
                   whileShown([this] { m_model.toggleMockMode(); }));
    center.observe(CommandNames::showIgnoredAppsToggled(), this,
                   whileShown([this] { m_model.setShowingIgnored(!m_model.showingIgnored()); }));
}

void ContentView::ignoreOrUnignore(const QList<AppInfo>& apps, bool ignore)
{
    if (ignore)
        m_model.ignoreApps(apps);
    else
        m_model.unignoreApps(apps);
    m_table->selectionModel()->clearSelection();
}

void ContentView::updateEmptyState()
{
    m_emptyState->refresh(m_tableModel->rowCount() == 0);
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

void ContentView::showContextMenu(const QList<int>& rows, const QPoint& globalPos)
{
    // The rows are taken now; the actions work on them whatever happens to the list meanwhile.
    const QList<AppInfo> apps = appsAt(rows);
    if (apps.isEmpty())
        return;
    if (m_contextMenu)
        m_contextMenu->close();
    auto* menu = new QMenu(this);
    menu->setObjectName(QStringLiteral("tableContextMenu"));
    menu->setAttribute(Qt::WA_DeleteOnClose);
    connect(menu->addAction(tr("Reset Last Reviewed Date")), &QAction::triggered, this,
            [this, apps] { m_model.resetReviewDates(apps); });
    const bool ignored = m_model.showingIgnored();
    connect(menu->addAction(ignored ? tr("Clear Ignore") : tr("Ignore")), &QAction::triggered, this,
            [this, apps, ignored] { ignoreOrUnignore(apps, !ignored); });
    m_contextMenu = menu;
    menu->popup(globalPos);
}

void ContentView::openReviewPage(int row)
{
    const AppInfo* shown = m_tableModel->appAt(row);
    if (!shown)
        return;
    // A copy: opening the page or recording the review may change the catalogue under the pointer.
    const AppInfo app = *shown;
    // A desktop without a software centre for the application's page may still open the store's
    // web page. Only a page that opened counts as a review; otherwise the user hears which
    // address to open themselves.
    std::optional<QUrl> url = app.reviewURL();
    bool opened = url && m_workspace.openUrl(*url);
    if (url && !opened) {
        if (const std::optional<QUrl> fallback = app.reviewFallbackURL()) {
            url = fallback;
            opened = m_workspace.openUrl(*fallback);
        }
    }
    if (opened)
        m_model.recordReview(app);
    else if (url)
        m_messageBar->showPageNotOpened(*url);
}

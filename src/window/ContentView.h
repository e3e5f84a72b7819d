#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

#include <functional>

class AppInfo;
class AppModel;
class AppTableDelegate;
class AppTableModel;
class AppTableView;
class EmptyStateView;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;
class SearchField;
class StatusBar;

// The whole content of the main window: the scanning placeholder or the application table (with
// its empty-state message and context menu), a divider and the status bar. It owns the table
// selection and carries out the command notifications on it; everything shown is read from the
// one AppModel, which the view borrows.
class ContentView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY hasSelectionChanged)

public:
    static constexpr int MinimumWidth = 750;
    static constexpr int MinimumHeight = 450;

    explicit ContentView(AppModel& model, QWidget* parent = nullptr);
    ~ContentView() override;

    // The search field, for the window's toolbar (200 px wide). It has no parent until the
    // toolbar takes it; the view deletes it if nobody did.
    SearchField* searchField() const;

    // Ids of the selected rows (AppInfo::idKey form). Ids whose rows are not visible stay in the
    // set and select nothing.
    const QSet<QString>& selection() const;
    void setSelection(const QSet<QString>& ids);
    bool hasSelection() const;

    // The visible records whose ids are selected, in table order, read now.
    QList<AppInfo> selectedApps() const;

    AppTableView* tableView() const { return m_table; }
    AppTableModel* tableModel() const { return m_tableModel; }
    EmptyStateView* emptyState() const { return m_emptyState; }
    StatusBar* statusBar() const { return m_statusBar; }
    // True while the scanning placeholder is shown in place of the table.
    bool isShowingScanningPlaceholder() const;

    // The menu for the rows with the given ids, as the context menu shows it; nullptr for no rows.
    // The caller owns the menu.
    QMenu* makeContextMenu(const QSet<QString>& ids, QWidget* parent = nullptr);

signals:
    void hasSelectionChanged(bool hasSelection);
    void selectionChanged();

private:
    void observeCommands();
    void refresh();
    // Runs a model operation that changes the list once per application it is given, and rebuilds
    // the table once at the end instead of after each of them.
    void changeInBulk(const std::function<void()>& change);
    void updateMainArea();
    void updateSortIndicator();
    void sortByColumn(int column);
    void showContextMenu(const QList<int>& rows, const QPoint& globalPos);
    void openReviewPage(int row);
    void storeSelection(QSet<QString> ids);
    void selectionFromTable();
    void selectionToTable();
    QList<AppInfo> visibleAppsWithIds(const QSet<QString>& ids) const;

    AppModel& m_model;
    QSet<QString> m_selection;
    bool m_updatingTable = false;
    bool m_refreshDeferred = false;
    bool m_refreshPending = false;

    QPointer<SearchField> m_searchField;
    QStackedWidget* m_mainArea;
    AppTableView* m_table;
    AppTableModel* m_tableModel;
    AppTableDelegate* m_delegate;
    EmptyStateView* m_emptyState;
    QWidget* m_placeholder;
    StatusBar* m_statusBar;
    QPointer<QMenu> m_contextMenu;
};

#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QString>
#include <QWidget>

class AppInfo;
class AppModel;
class AppTableDelegate;
class AppTableModel;
class AppTableView;
class EmptyStateView;
class MessageBar;
class QLabel;
class QMenu;
class QProgressBar;
class QStackedWidget;
class SearchField;
class StatusBar;
class Workspace;

// The whole content of the main window: the scanning placeholder or the application table (with
// its empty-state message and context menu), a divider and the status bar. The table's selection
// model holds the selection; the view carries out the command notifications on it and publishes
// whether it has one. Everything shown is read from the one AppModel, which the view borrows.
class ContentView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY hasSelectionChanged)

public:
    static constexpr int MinimumWidth = 750;
    static constexpr int MinimumHeight = 450;

    // workspace opens the review pages and gives the icons; both must outlive the view.
    ContentView(AppModel& model, Workspace& workspace, QWidget* parent = nullptr);
    ~ContentView() override;

    // The search field, for the window's toolbar (200 px wide). It has no parent until the
    // toolbar takes it; the view deletes it if nobody did.
    SearchField* searchField() const;

    bool hasSelection() const;
    // The records of the selected rows, in table order, read now.
    QList<AppInfo> selectedApps() const;
    // Selects the rows that show the given ids, and no others.
    void setSelection(const QSet<QString>& ids);

    AppTableView* tableView() const { return m_table; }
    AppTableModel* tableModel() const { return m_tableModel; }
    EmptyStateView* emptyState() const { return m_emptyState; }
    StatusBar* statusBar() const { return m_statusBar; }
    MessageBar* messageBar() const { return m_messageBar; }
    // True while the scanning placeholder is shown in place of the table.
    bool isShowingScanningPlaceholder() const;

signals:
    void hasSelectionChanged(bool hasSelection);

private:
    void observeCommands();
    void updateMainArea();
    void updateEmptyState();
    void updateHasSelection();
    void showContextMenu(const QList<int>& rows, const QPoint& globalPos);
    void openReviewPage(int row);
    QList<AppInfo> appsAt(const QList<int>& rows) const;
    // After Ignore and Clear Ignore: the rows acted on are gone, and so is the selection; the
    // current row stays where the user was.
    void ignoreOrUnignore(const QList<AppInfo>& apps, bool ignore);

    AppModel& m_model;
    Workspace& m_workspace;
    bool m_hasSelection = false;

    QPointer<SearchField> m_searchField;
    QStackedWidget* m_mainArea;
    AppTableView* m_table;
    AppTableModel* m_tableModel;
    AppTableDelegate* m_delegate;
    EmptyStateView* m_emptyState;
    QWidget* m_placeholder;
    StatusBar* m_statusBar;
    MessageBar* m_messageBar;
    QPointer<QMenu> m_contextMenu;
};

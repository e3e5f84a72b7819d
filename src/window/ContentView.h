// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPointer>
#include <QSet>
#include <QSize>
#include <QWidget>

#include <optional>

class AppId;
class AppInfo;
class AppModel;
class AppTableModel;
class AppTableView;
class EmptyStateView;
class NotificationCenter;
class QAction;
class MessageBar;
class QLabel;
class QMenu;
class QModelIndex;
class QStackedWidget;
class QUndoStack;
class QUrl;
class ScanningPlaceholder;
class SearchField;
class StatusBar;
class VisibleAppsModel;
class Workspace;

// The whole content of the main window: the scanning placeholder or the application table (with
// its empty-state message and context menu), a divider and the status bar. The table's selection
// model holds the selection; the view carries out the command notifications on it, each change of
// the user's data as a step of the undo stack, and publishes whether it has one. Everything shown is read
// from the one AppModel, which the view borrows.
class ContentView : public QWidget
{
    Q_OBJECT
    // Read by the menu commands while the focus is in the view (see FocusedValues). True while rows
    // are selected, and while a context menu is open on rows.
    Q_PROPERTY(bool hasSelection READ hasSelection NOTIFY hasSelectionChanged)

public:
    static constexpr int MinimumWidth = 750;
    static constexpr int MinimumHeight = 450;
    // What the main window's frame, menu bar, toolbar and status bar take around the content, at
    // most.
    static constexpr QSize WindowChromeAllowance { 16, 150 };

    // workspace opens the review pages and gives the icons; the view carries out the commands
    // posted on center, pushing the changes they make on undoStack. All must outlive the view.
    ContentView(AppModel& model, Workspace& workspace, NotificationCenter& center, QUndoStack& undoStack,
                QWidget* parent = nullptr);
    ~ContentView() override;

    // The search field, for the window's toolbar (200 px wide). It has no parent until the
    // toolbar takes it; the view deletes it if nobody did.
    SearchField* searchField() const;

    // The commands a row's context menu offers, acting on the rows it was opened for; a null one
    // is a separator.
    void setRowActions(const QList<QAction*>& actions);
    // The command of the empty state's "Reset Ignore List".
    void setResetIgnoreListAction(QAction* action);
    // The bar above the table that tells what the user should hear of, or asks, for commands
    // outside the view too.
    MessageBar* messageBar() const;

    bool hasSelection() const;
    // The records of the selected rows, in table order, read now.
    QList<AppInfo> selectedApps() const;
    // Selects the rows that show the given ids, and no others.
    void setSelection(const QSet<AppId>& ids);
    // Whether the table has its "Your Rating" column: shown by default, and only worth its room
    // while the user's reviews are looked up.
    void setRatingsShown(bool shown);

signals:
    void hasSelectionChanged(bool hasSelection);
    // The desktop opened the page where app is reviewed.
    void reviewPageOpened(const AppInfo& app);

private:
    void observeCommands(NotificationCenter& center);
    void updateMainArea();
    void updateSummary();
    void updateHasSelection();
    void showContextMenu(const QList<QModelIndex>& rows, const QPoint& globalPos);
    void openReviewPage(const QModelIndex& index);
    void openReviewPage(const AppInfo& app);
    // Tries addresses from next on, until one opens.
    void openReviewAddress(const AppInfo& app, const QList<QUrl>& addresses, qsizetype next);
    // The rows a command acts on: those the open context menu was opened for, else the selected.
    QList<AppInfo> targetApps() const;
    // After Ignore and Clear Ignore: the rows acted on are gone; when they were the selected ones,
    // the row that took the place of the first of them is selected and current, else none is.
    void ignoreOrUnignore(const QList<AppInfo>& apps, bool ignore);
    void resetReviewDates(const QList<AppInfo>& apps);
    void resetIgnoreList();
    void copyIDs(const QList<AppInfo>& apps);

    AppModel& m_model;
    Workspace& m_workspace;
    QUndoStack& m_undoStack;
    bool m_hasSelection = false;

    QPointer<SearchField> m_searchField;
    QStackedWidget* m_mainArea;
    AppTableModel* m_tableModel;
    VisibleAppsModel* m_rows;
    AppTableView* m_table;
    EmptyStateView* m_emptyState;
    ScanningPlaceholder* m_placeholder;
    StatusBar* m_statusBar;
    QList<QAction*> m_rowActions;
    MessageBar* m_messageBar;
    QPointer<QMenu> m_contextMenu;
    // The records a context menu was opened on, taken when it opened, until it has closed and its
    // command, if one was chosen, has run.
    std::optional<QList<AppInfo>> m_menuApps;
};

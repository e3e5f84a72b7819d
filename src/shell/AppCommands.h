#pragma once

#include <QList>
#include <QObject>
#include <QUrl>

class AppModel;
class FocusedValues;
class MainWindow;
class QAction;
class QMenu;
class QWindow;
class Workspace;

// The menu bar of the main window. Catalogue commands do not reach into the window: they post the
// named notifications that the window carries out on its selection. The one exception is the
// View menu's show/hide of ignored applications, which flips the model directly. Titles and enabled
// states follow the model and the focused window's selection as they change.
class AppCommands : public QObject
{
    Q_OBJECT

public:
    // Builds the menus onto window's menu bar and lives as long as the window. checkForUpdates is
    // the update item, placed after "About Kudora"; without one the menu has no update item.
    // focusedValues and workspace must outlive the commands.
    AppCommands(AppModel& model, MainWindow& window, FocusedValues& focusedValues, Workspace& workspace,
                QAction* checkForUpdates);

    // The product's help page, opened by "Kudora Help".
    static QUrl helpPageUrl();

private:
    void buildApplicationMenu(QAction* checkForUpdates);
    void buildFileMenu();
    void buildEditMenu();
    void buildViewMenu();
    void buildDevelopMenu();
    void buildHelpMenu();

    void updateModelTitles();
    void updateSelectionItems();
    void updateEditItems();
    void updateToolBarItem();

    void lendWindowCommands(QWindow* window);
    void showAbout();
    void ignoreOrClearIgnore();
    static void showMainWindow();

    AppModel& m_model;
    MainWindow& m_window;
    FocusedValues& m_focusedValues;
    Workspace& m_workspace;

    // The commands about windows and the application, which every window of the program answers.
    QList<QAction*> m_windowCommands;
    QAction* m_cut = nullptr;
    QAction* m_copy = nullptr;
    QAction* m_paste = nullptr;
    QAction* m_selectAll = nullptr;
    QAction* m_resetReview = nullptr;
    QAction* m_ignore = nullptr;
    QAction* m_showIgnored = nullptr;
    QAction* m_toolBarToggle = nullptr;
    QAction* m_developMockMode = nullptr;
    QAction* m_developShowIgnored = nullptr;
};

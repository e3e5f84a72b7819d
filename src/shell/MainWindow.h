#pragma once

#include <QMainWindow>

class AppModel;
class ContentView;
class QToolBar;
class Workspace;

// The one window of the program: the catalogue's table view on the shared model, with the search
// field in the toolbar. Closing it hides it; nothing in the program creates a second one.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    // workspace opens review pages and gives icons; it and model must outlive the window.
    MainWindow(AppModel& model, Workspace& workspace, QWidget* parent = nullptr);

    ContentView* contentView() const { return m_contentView; }
    QToolBar* toolBar() const { return m_toolBar; }

    // "CFBundleName" of the information dictionary when it is text, even empty; else "Kudora".
    static QString titleFromInfoDictionary();

private:
    ContentView* m_contentView;
    QToolBar* m_toolBar;
};

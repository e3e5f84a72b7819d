#include "AppCommands.h"

#include "AppModel.h"
#include "CommandNames.h"
#include "FocusedValues.h"
#include "MainBundle.h"
#include "MainWindow.h"
#include "NotificationCenter.h"
#include "Workspace.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QToolBar>
#include <QWindow>

namespace {
// The menu bar belongs to the main window, yet the commands act on whichever window of the program
// is active, as they would in a global menu bar.
QAction* addCommand(QMenu* menu, const QString& title, const QKeySequence& shortcut = {})
{
    QAction* action = menu->addAction(title);
    if (!shortcut.isEmpty()) {
        action->setShortcut(shortcut);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    return action;
}

void post(const QString& name)
{
    NotificationCenter::defaultCenter().post(name);
}

QLineEdit* focusedLineEdit()
{
    return qobject_cast<QLineEdit*>(QApplication::focusWidget());
}

QAbstractItemView* focusedItemView()
{
    return qobject_cast<QAbstractItemView*>(QApplication::focusWidget());
}

bool selectsMany(const QAbstractItemView* view)
{
    const auto mode = view->selectionMode();
    return mode == QAbstractItemView::MultiSelection || mode == QAbstractItemView::ExtendedSelection
        || mode == QAbstractItemView::ContiguousSelection;
}
} // namespace

AppCommands::AppCommands(AppModel& model, MainWindow& window, FocusedValues& focusedValues,
                         Workspace& workspace, QAction* checkForUpdates)
    : QObject(&window)
    , m_model(model)
    , m_window(window)
    , m_focusedValues(focusedValues)
    , m_workspace(workspace)
{
    buildApplicationMenu(checkForUpdates);
    buildFileMenu();
    buildEditMenu();
    buildViewMenu();
    buildDevelopMenu();
    buildHelpMenu();

    connect(&m_model, &AppModel::showingIgnoredChanged, this, &AppCommands::updateModelTitles);
    connect(&m_model, &AppModel::isMockModeChanged, this, &AppCommands::updateModelTitles);
    connect(&m_focusedValues, &FocusedValues::changed, this, &AppCommands::updateSelectionItems);
    connect(qApp, &QApplication::focusChanged, this, &AppCommands::updateEditItems);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &AppCommands::lendWindowCommands);
    connect(m_window.toolBar(), &QToolBar::visibilityChanged, this, &AppCommands::updateToolBarItem);

    updateModelTitles();
    updateSelectionItems();
    updateEditItems();
    updateToolBarItem();
}

QUrl AppCommands::helpPageUrl()
{
    return QUrl(QStringLiteral("https://kudora.org/help/"));
}

void AppCommands::buildApplicationMenu(QAction* checkForUpdates)
{
    // Linux has no application menu of its own; this one stands in for it, first in the bar.
    QMenu* menu = m_window.menuBar()->addMenu(tr("Kudora"));
    connect(addCommand(menu, tr("About Kudora")), &QAction::triggered, this, &AppCommands::showAbout);
    if (checkForUpdates)
        menu->addAction(checkForUpdates);
    menu->addSeparator();
    connect(addCommand(menu, tr("Rescan Applications"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_R)),
            &QAction::triggered, this, [] { post(CommandNames::rescanRequested()); });
    connect(addCommand(menu, tr("Reset Ignore List"), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_I)),
            &QAction::triggered, this, [] { post(CommandNames::resetIgnoreListRequested()); });
    menu->addSeparator();
    QAction* quit = addCommand(menu, tr("Quit Kudora"), QKeySequence(Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });
    m_windowCommands.append(quit);
}

void AppCommands::buildFileMenu()
{
    QMenu* menu = m_window.menuBar()->addMenu(tr("File"));
    QAction* mainWindow = addCommand(menu, tr("Main Window"), QKeySequence(Qt::CTRL | Qt::Key_1));
    connect(mainWindow, &QAction::triggered, this, &AppCommands::showMainWindow);
    QAction* closeWindow = addCommand(menu, tr("Close Window"), QKeySequence(Qt::CTRL | Qt::Key_W));
    connect(closeWindow, &QAction::triggered, this, [] {
        if (QWidget* window = QApplication::activeWindow())
            window->close();
    });
    m_windowCommands.append({ mainWindow, closeWindow });
}

void AppCommands::buildEditMenu()
{
    QMenu* menu = m_window.menuBar()->addMenu(tr("Edit"));
    // Text fields answer these keys themselves; the items serve the menu and the table.
    m_cut = addCommand(menu, tr("Cut"), QKeySequence(Qt::CTRL | Qt::Key_X));
    connect(m_cut, &QAction::triggered, this, [] {
        if (QLineEdit* edit = focusedLineEdit())
            edit->cut();
    });
    m_copy = addCommand(menu, tr("Copy"), QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(m_copy, &QAction::triggered, this, [] {
        if (QLineEdit* edit = focusedLineEdit())
            edit->copy();
    });
    m_paste = addCommand(menu, tr("Paste"), QKeySequence(Qt::CTRL | Qt::Key_V));
    connect(m_paste, &QAction::triggered, this, [] {
        if (QLineEdit* edit = focusedLineEdit())
            edit->paste();
    });
    m_selectAll = addCommand(menu, tr("Select All"), QKeySequence(Qt::CTRL | Qt::Key_A));
    connect(m_selectAll, &QAction::triggered, this, [] {
        if (QLineEdit* edit = focusedLineEdit())
            edit->selectAll();
        else if (QAbstractItemView* view = focusedItemView())
            view->selectAll();
    });
    menu->addSeparator();
    m_resetReview = addCommand(menu, tr("Reset Last Reviewed Date"), QKeySequence(Qt::CTRL | Qt::Key_R));
    connect(m_resetReview, &QAction::triggered, this, [] { post(CommandNames::resetReviewRequested()); });
    m_ignore = addCommand(menu, tr("Ignore"), QKeySequence(Qt::CTRL | Qt::Key_I));
    connect(m_ignore, &QAction::triggered, this, &AppCommands::ignoreOrClearIgnore);
    connect(menu, &QMenu::aboutToShow, this, &AppCommands::updateEditItems);
}

void AppCommands::buildViewMenu()
{
    QMenu* menu = m_window.menuBar()->addMenu(tr("View"));
    m_showIgnored = addCommand(menu, tr("Show only ignored Apps"));
    connect(m_showIgnored, &QAction::triggered, this,
            [this] { m_model.setShowingIgnored(!m_model.showingIgnored()); });
    menu->addSeparator();
    m_toolBarToggle = addCommand(menu, tr("Hide Toolbar"));
    connect(m_toolBarToggle, &QAction::triggered, this, [this] {
        QToolBar* toolBar = m_window.toolBar();
        toolBar->setVisible(toolBar->isHidden());
        updateToolBarItem();
    });
}

void AppCommands::buildDevelopMenu()
{
#ifdef KUDORA_DEVELOPER
    // The only way into mock mode and the window's own ignored-apps switch; developer builds only.
    QMenu* menu = m_window.menuBar()->addMenu(tr("Develop"));
    m_developMockMode = addCommand(menu, tr("Mock Mode"));
    m_developMockMode->setCheckable(true);
    connect(m_developMockMode, &QAction::triggered, this, [this] {
        post(CommandNames::toggleMockModeRequested());
        updateModelTitles();
    });
    m_developShowIgnored = addCommand(menu, tr("Show Ignored Apps"));
    m_developShowIgnored->setCheckable(true);
    connect(m_developShowIgnored, &QAction::triggered, this, [this] {
        post(CommandNames::showIgnoredAppsToggled());
        updateModelTitles();
    });
#endif
}

void AppCommands::buildHelpMenu()
{
    QMenu* menu = m_window.menuBar()->addMenu(tr("Help"));
    connect(addCommand(menu, tr("Kudora Help")), &QAction::triggered, this,
            [this] { m_workspace.openUrl(helpPageUrl()); });
}

void AppCommands::updateModelTitles()
{
    const bool showingIgnored = m_model.showingIgnored();
    m_showIgnored->setText(showingIgnored ? tr("Hide ignored Apps") : tr("Show only ignored Apps"));
    m_ignore->setText(showingIgnored ? tr("Clear Ignore") : tr("Ignore"));
    // The checkmarks show the model's state, which a triggered item cannot change by itself when
    // no window carries the notification out.
    if (m_developMockMode)
        m_developMockMode->setChecked(m_model.isMockMode());
    if (m_developShowIgnored)
        m_developShowIgnored->setChecked(showingIgnored);
}

void AppCommands::updateSelectionItems()
{
    const bool enabled = m_focusedValues.hasSelection().value_or(false);
    m_resetReview->setEnabled(enabled);
    m_ignore->setEnabled(enabled);
}

void AppCommands::updateEditItems()
{
    const QLineEdit* edit = focusedLineEdit();
    const bool editable = edit && !edit->isReadOnly();
    // A password-style field never hands its text out.
    const bool readable = edit && edit->echoMode() == QLineEdit::Normal;
    const QAbstractItemView* view = focusedItemView();
    m_cut->setEnabled(editable && readable);
    m_copy->setEnabled(readable);
    m_paste->setEnabled(editable);
    m_selectAll->setEnabled(edit || (view && selectsMany(view)));
}

void AppCommands::updateToolBarItem()
{
    m_toolBarToggle->setText(m_window.toolBar()->isHidden() ? tr("Show Toolbar") : tr("Hide Toolbar"));
}

// A menu item's shortcut works only while its menu bar is shown, and the menu bar goes with the
// main window. A window that stays open without it (an update window) would leave the person no key
// back to the main window nor to quit, so every other window that becomes active answers those
// keys too. Popups are left alone: they show the actions they are given as items.
void AppCommands::lendWindowCommands(QWindow* window)
{
    if (!window)
        return;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() != window || widget == &m_window)
            continue;
        if (widget->windowType() != Qt::Window && widget->windowType() != Qt::Dialog)
            continue;
        const QList<QAction*> present = widget->actions();
        for (QAction* action : std::as_const(m_windowCommands)) {
            if (!present.contains(action))
                widget->addAction(action);
        }
    }
}

void AppCommands::showAbout()
{
    auto* box = new QMessageBox(&m_window);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowTitle(tr("About Kudora"));
    const QString version = MainBundle::shortVersion();
    QString text = QStringLiteral("<h3>%1</h3>").arg(QApplication::applicationName().toHtmlEscaped());
    if (!version.isEmpty())
        text +=
            QStringLiteral("<p>") + tr("Version %1").arg(version.toHtmlEscaped()) + QStringLiteral("</p>");
    box->setText(text);
    box->setTextFormat(Qt::RichText);
    const QIcon icon = QApplication::windowIcon();
    if (!icon.isNull())
        box->setIconPixmap(icon.pixmap(QSize(64, 64), box->devicePixelRatio()));
    box->setStandardButtons(QMessageBox::Ok);
    box->open();
}

void AppCommands::ignoreOrClearIgnore()
{
    // Read at the moment of the command, so that the name posted is the one the title shows.
    post(m_model.showingIgnored() ? CommandNames::clearIgnoreRequested() : CommandNames::ignoreRequested());
}

void AppCommands::showMainWindow()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!qobject_cast<QMainWindow*>(widget))
            continue;
        widget->setWindowState(widget->windowState() & ~Qt::WindowMinimized);
        widget->show();
        widget->raise();
        widget->activateWindow();
        // Activation gives the focus back to where it was; a window that never had any gets it.
        if (!widget->focusWidget())
            widget->setFocus(Qt::ActiveWindowFocusReason);
        return;
    }
    // Without a window there is nothing Qt can bring forward; the program stays as it is.
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppCommands.h"

#include "AboutBox.h"
#include "AppModel.h"
#include "CommandNames.h"
#include "ContentView.h"
#include "FocusedValues.h"
#include "MainWindow.h"
#include "MessageBar.h"
#include "NotificationCenter.h"
#include "Workspace.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QUndoStack>
#include <QWindow>

using Names = CommandNames;

namespace {
bool selectsMany(const QAbstractItemView* view)
{
    const auto mode = view->selectionMode();
    return mode == QAbstractItemView::MultiSelection || mode == QAbstractItemView::ExtendedSelection
        || mode == QAbstractItemView::ContiguousSelection;
}

// The platform's keys for a standard command, or the usual one where the platform has none (Windows'
// keyboard conventions, which some Qt platforms follow, have no key to quit).
QList<QKeySequence> keys(QKeySequence::StandardKey key, QKeyCombination usual)
{
    const QList<QKeySequence> bindings = QKeySequence::keyBindings(key);
    return bindings.isEmpty() ? QList<QKeySequence> { usual } : bindings;
}
} // namespace

AppCommands::AppCommands(AppModel& model, MainWindow& window, NotificationCenter& center,
                         FocusedValues& focusedValues, Workspace& workspace, QUndoStack& undoStack,
                         QAction* checkForUpdates, QAction* automaticChecks, QAction* onlineReviews)
    : m_model(model)
    , m_window(window)
    , m_center(center)
    , m_focusedValues(focusedValues)
    , m_workspace(workspace)
    , m_undoStack(undoStack)
{
    buildMenus(checkForUpdates, automaticChecks, onlineReviews);
    ContentView* content = m_window.contentView();
    content->setRowActions({ action(Names::OpenStorePageRequested), action(Names::CopyIDRequested), nullptr,
                             action(Names::ResetReviewRequested), action(Names::IgnoreRequested),
                             action(Names::ClearIgnoreRequested) });
    content->setResetIgnoreListAction(action(Names::ResetIgnoreListRequested));

    connect(&m_model, &AppModel::showingIgnoredChanged, this, &AppCommands::updateActions);
    connect(&m_model, &AppModel::isMockModeChanged, this, &AppCommands::updateActions);
    connect(&m_focusedValues, &FocusedValues::changed, this, &AppCommands::updateActions);
    connect(qApp, &QApplication::focusChanged, this, &AppCommands::updateActions);
    for (const auto changed : { &QUndoStack::canUndoChanged, &QUndoStack::canRedoChanged })
        connect(&m_undoStack, changed, this, &AppCommands::updateActions);
    connect(&m_undoStack, &QUndoStack::indexChanged, this, &AppCommands::updateActions);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &AppCommands::lendWindowCommands);
    connect(m_window.toolBar(), &QToolBar::visibilityChanged, this, &AppCommands::updateActions);
    updateActions();
}

QUrl AppCommands::helpPageUrl()
{
    return QUrl(QStringLiteral("https://kudora.org/help/"));
}

QAction* AppCommands::action(QLatin1StringView name) const
{
    return m_actions.value(name);
}

// The menu bar belongs to the main window, yet the commands act on whichever window of the program
// is active, as they would in a global menu bar.
QAction* AppCommands::add(QLatin1StringView name, const QString& title, const QList<QKeySequence>& shortcuts)
{
    auto* action = new QAction(title, this);
    action->setObjectName(name);
    if (!shortcuts.isEmpty()) {
        action->setShortcuts(shortcuts);
        action->setShortcutContext(Qt::ApplicationShortcut);
    }
    m_actions.insert(name, action);
    return action;
}

QAction* AppCommands::addPosted(QLatin1StringView name, const QString& title,
                                const QList<QKeySequence>& shortcuts)
{
    QAction* action = add(name, title, shortcuts);
    connect(action, &QAction::triggered, this, [this, name] { m_center.post(name); });
    return action;
}

void AppCommands::buildMenus(QAction* checkForUpdates, QAction* automaticChecks, QAction* onlineReviews)
{
    connect(add(Names::About, tr("&About Kudora")), &QAction::triggered, this, &AppCommands::showAbout);
    for (const auto& [name, item] : { std::pair(Names::CheckForUpdates, checkForUpdates),
                                      { Names::AutomaticUpdateChecks, automaticChecks },
                                      { Names::LookUpOnlineReviews, onlineReviews } }) {
        if (item) {
            item->setObjectName(name);
            m_actions.insert(name, item);
        }
    }
    // F5 as well: the key that reloads a view in file managers and browsers.
    addPosted(Names::RescanRequested, tr("&Rescan Applications"),
              { Qt::CTRL | Qt::SHIFT | Qt::Key_R, QKeyCombination(Qt::Key_F5) });
    addPosted(Names::ResetIgnoreListRequested, tr("Reset I&gnore List"),
              { Qt::CTRL | Qt::SHIFT | Qt::Key_I });
    QAction* quit = add(Names::Quit, tr("&Quit Kudora"), keys(QKeySequence::Quit, Qt::CTRL | Qt::Key_Q));
    quit->setMenuRole(QAction::QuitRole);
    connect(quit, &QAction::triggered, this, [] { QCoreApplication::quit(); });

    connect(add(Names::MainWindow, tr("&Main Window"), { Qt::CTRL | Qt::Key_1 }), &QAction::triggered, this,
            &AppCommands::showMainWindow);
    connect(add(Names::CloseWindow, tr("&Close Window"), keys(QKeySequence::Close, Qt::CTRL | Qt::Key_W)),
            &QAction::triggered, this, [] {
                if (QWidget* window = QApplication::activeWindow())
                    window->close();
            });

    // Text fields answer the editing keys themselves; the items serve the menu and the table.
    connect(add(Names::Undo, tr("&Undo"), keys(QKeySequence::Undo, Qt::CTRL | Qt::Key_Z)),
            &QAction::triggered, &m_undoStack, &QUndoStack::undo);
    connect(add(Names::Redo, tr("&Redo"), keys(QKeySequence::Redo, Qt::CTRL | Qt::SHIFT | Qt::Key_Z)),
            &QAction::triggered, &m_undoStack, &QUndoStack::redo);
    const auto onLineEdit = [this](auto change) {
        return [this, change] {
            if (auto* field = qobject_cast<QLineEdit*>(m_focusedValues.focusWidget()))
                (field->*change)();
        };
    };
    connect(add(Names::Cut, tr("Cu&t"), keys(QKeySequence::Cut, Qt::CTRL | Qt::Key_X)), &QAction::triggered,
            this, onLineEdit(&QLineEdit::cut));
    connect(add(Names::Copy, tr("&Copy"), keys(QKeySequence::Copy, Qt::CTRL | Qt::Key_C)),
            &QAction::triggered, this, onLineEdit(&QLineEdit::copy));
    connect(add(Names::Paste, tr("&Paste"), keys(QKeySequence::Paste, Qt::CTRL | Qt::Key_V)),
            &QAction::triggered, this, onLineEdit(&QLineEdit::paste));
    connect(add(Names::SelectAll, tr("Select &All"), keys(QKeySequence::SelectAll, Qt::CTRL | Qt::Key_A)),
            &QAction::triggered, this, [this] {
                QWidget* focus = m_focusedValues.focusWidget();
                if (auto* field = qobject_cast<QLineEdit*>(focus))
                    field->selectAll();
                else if (auto* view = qobject_cast<QAbstractItemView*>(focus))
                    view->selectAll();
            });
    QList<QKeySequence> find = keys(QKeySequence::Find, Qt::CTRL | Qt::Key_F);
    find.append(QKeySequence(Qt::Key_Find));
    QAction* findAction = add(Names::Find, tr("&Find"), find);
    // Only the main window has something to search.
    findAction->setShortcutContext(Qt::WindowShortcut);
    m_window.addAction(findAction);
    connect(findAction, &QAction::triggered, &m_window, &MainWindow::focusSearchField);
    addPosted(Names::ResetReviewRequested, tr("Reset Last Re&viewed Date"), { Qt::CTRL | Qt::Key_R });
    // One of the two is shown at a time, and only the one shown answers the key.
    addPosted(Names::IgnoreRequested, tr("&Ignore"), { Qt::CTRL | Qt::Key_I });
    addPosted(Names::ClearIgnoreRequested, tr("C&lear Ignore"), { Qt::CTRL | Qt::Key_I });
    // The rows' context menu only.
    addPosted(Names::OpenStorePageRequested, tr("&Open Store Page"));
    addPosted(Names::CopyIDRequested, tr("Copy &ID"));

    connect(add(Names::ShowIgnoredApps, tr("&Show only ignored Apps")), &QAction::triggered, this,
            [this] { m_model.setShowingIgnored(!m_model.showingIgnored()); });
    connect(add(Names::ToggleToolBar, tr("Hide &Toolbar")), &QAction::triggered, this, [this] {
        QToolBar* toolBar = m_window.toolBar();
        toolBar->setVisible(toolBar->isHidden());
        updateActions();
    });

#ifdef KUDORA_DEVELOPER
    // The only way into mock mode and the window's own ignored-apps switch; developer builds only.
    for (QAction* toggle : { addPosted(Names::ToggleMockModeRequested, tr("&Mock Mode")),
                             addPosted(Names::ShowIgnoredAppsToggled, tr("Show &Ignored Apps")) }) {
        toggle->setCheckable(true);
        // The checkmarks show the model's state, which a triggered item cannot change by itself
        // when no window carries the notification out.
        connect(toggle, &QAction::triggered, this, &AppCommands::updateActions);
    }
#endif

    connect(add(Names::Help, tr("Kudora &Help"), { QKeyCombination(Qt::Key_F1) }), &QAction::triggered, this,
            [this] {
                m_workspace.openUrl(helpPageUrl(), this, [this](bool opened) {
                    if (opened)
                        return;
                    // The message is the window's, so the window comes forward to show it.
                    showMainWindow();
                    m_window.contentView()->messageBar()->showPageNotOpened(helpPageUrl(),
                                                                            MessageBar::Purpose::Help);
                });
            });
    QAction* aboutQt = add(Names::AboutQt, tr("About &Qt"));
    aboutQt->setMenuRole(QAction::AboutQtRole);
    connect(aboutQt, &QAction::triggered, qApp, &QApplication::aboutQt);

    placeInMenus();
}

// Where the commands go: the other desktop's layout, with its application menu, in a macOS build;
// elsewhere as KDE and GNOME applications lay theirs out. A null name is a separator.
void AppCommands::placeInMenus()
{
    struct Menu
    {
        QString title;
        QList<QLatin1StringView> items;
        QLatin1StringView objectName {};
    };
    QList<Menu> menus {
#ifdef Q_OS_MACOS
        { tr("&Kudora"),
          { Names::About,
            Names::CheckForUpdates,
            Names::AutomaticUpdateChecks,
            {},
            Names::RescanRequested,
            Names::ResetIgnoreListRequested,
            {},
            Names::Quit } },
        { tr("&File"), { Names::MainWindow, Names::CloseWindow } },
        { tr("&Edit"),
          { Names::Undo,
            Names::Redo,
            {},
            Names::Cut,
            Names::Copy,
            Names::Paste,
            Names::SelectAll,
            Names::Find,
            {},
            Names::ResetReviewRequested,
            Names::IgnoreRequested,
            Names::ClearIgnoreRequested } },
        { tr("&View"), { Names::ShowIgnoredApps, Names::LookUpOnlineReviews, {}, Names::ToggleToolBar } },
#else
        { tr("&File"), { Names::RescanRequested, {}, Names::CloseWindow, Names::Quit } },
        { tr("&Edit"),
          { Names::Undo,
            Names::Redo,
            {},
            Names::Cut,
            Names::Copy,
            Names::Paste,
            Names::SelectAll,
            {},
            Names::Find,
            {},
            Names::IgnoreRequested,
            Names::ClearIgnoreRequested,
            Names::ResetReviewRequested,
            {},
            Names::ResetIgnoreListRequested } },
        { tr("&View"),
          { Names::ShowIgnoredApps,
            Names::ToggleToolBar,
            {},
            Names::LookUpOnlineReviews,
            {},
            Names::MainWindow } },
#endif
    };
#ifdef KUDORA_DEVELOPER
    // The only way into mock mode and the window's own ignored-apps switch; developer builds only.
    // Named so that a check of the installed program can tell it has none (its texts are in the
    // catalogues of every build).
    menus.append({ tr("&Develop"),
                   { Names::ToggleMockModeRequested, Names::ShowIgnoredAppsToggled },
                   QLatin1StringView("developMenu") });
#endif
#ifdef Q_OS_MACOS
    menus.append({ tr("&Help"), { Names::Help } });
#else
    menus.append({ tr("&Help"),
                   { Names::Help,
                     {},
                     Names::CheckForUpdates,
                     Names::AutomaticUpdateChecks,
                     {},
                     Names::About,
                     Names::AboutQt } });
#endif

    QMenuBar* bar = m_window.menuBar();
    for (const Menu& menu : std::as_const(menus)) {
        QMenu* shown = bar->addMenu(menu.title);
        if (!menu.objectName.isEmpty())
            shown->setObjectName(menu.objectName);
        for (const QLatin1StringView name : menu.items) {
            if (name.isEmpty())
                shown->addSeparator();
            else if (QAction* command = action(name))
                shown->addAction(command);
        }
        // The titles and enabled states are the focused window's as the menu opens.
        connect(shown, &QMenu::aboutToShow, this, &AppCommands::updateActions);
    }
}

void AppCommands::updateActions()
{
    const bool showingIgnored = m_model.showingIgnored();
    action(Names::ShowIgnoredApps)
        ->setText(showingIgnored ? tr("&Hide ignored Apps") : tr("&Show only ignored Apps"));
    action(Names::IgnoreRequested)->setVisible(!showingIgnored);
    action(Names::ClearIgnoreRequested)->setVisible(showingIgnored);
    const bool hasSelection = m_focusedValues.hasSelection().value_or(false);
    for (const QLatin1StringView name :
         { Names::ResetReviewRequested, Names::IgnoreRequested, Names::ClearIgnoreRequested,
           Names::OpenStorePageRequested, Names::CopyIDRequested })
        action(name)->setEnabled(hasSelection);

    // The menu says what would be undone or redone, in the program's own words.
    const QString undoText = m_undoStack.undoText(), redoText = m_undoStack.redoText();
    action(Names::Undo)->setText(undoText.isEmpty() ? tr("&Undo") : tr("&Undo %1").arg(undoText));
    action(Names::Undo)->setEnabled(m_undoStack.canUndo());
    action(Names::Redo)->setText(redoText.isEmpty() ? tr("&Redo") : tr("&Redo %1").arg(redoText));
    action(Names::Redo)->setEnabled(m_undoStack.canRedo());

    QWidget* focus = m_focusedValues.focusWidget();
    const auto* field = qobject_cast<const QLineEdit*>(focus);
    const bool editable = field && !field->isReadOnly();
    // A password-style field never hands its text out.
    const bool readable = field && field->echoMode() == QLineEdit::Normal;
    const auto* view = qobject_cast<const QAbstractItemView*>(focus);
    action(Names::Cut)->setEnabled(editable && readable);
    action(Names::Copy)->setEnabled(readable);
    action(Names::Paste)->setEnabled(editable);
    action(Names::SelectAll)->setEnabled(field || (view && selectsMany(view)));

    action(Names::ToggleToolBar)
        ->setText(m_window.toolBar()->isHidden() ? tr("Show &Toolbar") : tr("Hide &Toolbar"));
    if (QAction* mock = action(Names::ToggleMockModeRequested))
        mock->setChecked(m_model.isMockMode());
    if (QAction* ignored = action(Names::ShowIgnoredAppsToggled))
        ignored->setChecked(showingIgnored);
}

// A menu item's shortcut works only while its menu bar is shown, and the menu bar goes with the
// main window. A window that stays open without it (an update window) would leave the person no key
// back to the main window nor to quit, so every other window that becomes active answers those
// keys too. Popups are left alone: they show the actions they are given as items.
void AppCommands::lendWindowCommands(QWindow* window)
{
    if (!window)
        return;
    const QList<QAction*> lent { action(Names::Quit), action(Names::MainWindow), action(Names::CloseWindow) };
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->windowHandle() != window || widget == &m_window)
            continue;
        if (widget->windowType() != Qt::Window && widget->windowType() != Qt::Dialog)
            continue;
        const QList<QAction*> present = widget->actions();
        for (QAction* command : lent) {
            if (!present.contains(command))
                widget->addAction(command);
        }
    }
}

void AppCommands::showAbout()
{
    // One box at a time: asking again brings it forward.
    if (!m_about) {
        m_about = new AboutBox(m_workspace, &m_window);
        m_about->setAttribute(Qt::WA_DeleteOnClose);
    }
    m_about->show();
    m_about->raise();
    m_about->activateWindow();
}

void AppCommands::showMainWindow()
{
    m_window.setWindowState(m_window.windowState() & ~Qt::WindowMinimized);
    m_window.show();
    m_window.raise();
    m_window.activateWindow();
    // Activation gives the focus back to where it was; a window that never had any gets it.
    if (!m_window.focusWidget())
        m_window.setFocus(Qt::ActiveWindowFocusReason);
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainWindow.h"

#include "ContentView.h"
#include "SearchField.h"

#include <QGuiApplication>
#include <QMenuBar>
#include <QShortcut>
#include <QSizePolicy>
#include <QToolBar>
#include <QToolButton>

MainWindow::MainWindow(AppModel& model, Workspace& workspace, NotificationCenter& center,
                       QUndoStack& undoStack, QWidget* parent)
    : QMainWindow(parent)
    , m_contentView(new ContentView(model, workspace, center, undoStack, this))
    , m_toolBar(new QToolBar(tr("Toolbar"), this))
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(QGuiApplication::applicationDisplayName());
    setCentralWidget(m_contentView);

    m_toolBar->setObjectName(QStringLiteral("toolbar"));
    m_toolBar->setMovable(false);
    m_toolBar->setFloatable(false);
    // The search field sits at the trailing end, where desktop toolbars put theirs.
    auto* spacer = new QWidget(m_toolBar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_toolBar->addWidget(spacer);
    m_toolBar->addWidget(m_contentView->searchField());
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    // The button a toolbar too narrow for its items shows has no name of its own.
    if (auto* more = m_toolBar->findChild<QToolButton*>(QStringLiteral("qt_toolbar_ext_button")))
        more->setAccessibleName(tr("More Toolbar Items"));

    // The key that opens the menus on Linux desktops.
    auto* openMenus = new QShortcut(QKeySequence(Qt::Key_F10), this);
    connect(openMenus, &QShortcut::activated, this, [this] {
        if (QAction* first = menuBar()->actions().value(0))
            menuBar()->setActiveAction(first);
    });

    // The window opens on the table, where the keyboard commands act, not in the search field.
    m_contentView->setFocus(Qt::OtherFocusReason);
}

void MainWindow::focusSearchField()
{
    // A query typed into a hidden field would filter the list with nothing to show why.
    if (m_toolBar->isHidden())
        m_toolBar->show();
    SearchField* field = m_contentView->searchField();
    field->setFocus(Qt::ShortcutFocusReason);
    field->selectAll();
}

#pragma once

#include <QObject>
#include <QPointer>

class CheckForUpdatesViewModel;
class QAction;
class Updater;

// The "Check for Updates…" menu item. Each view has a view model of its own, so building the item
// again subscribes afresh and destroying the old view ends the old subscription. The action
// belongs to the view: put it in a menu with QMenu::addAction(view->action()); destroying the view
// removes it from the menu.
class CheckForUpdatesView : public QObject
{
    Q_OBJECT

public:
    explicit CheckForUpdatesView(Updater& updater, QObject* parent = nullptr);
    ~CheckForUpdatesView() override;

    QAction* action() const { return m_action; }
    CheckForUpdatesViewModel* viewModel() const { return m_viewModel; }

private:
    QPointer<Updater> m_updater;
    CheckForUpdatesViewModel* m_viewModel;
    QAction* m_action;
};

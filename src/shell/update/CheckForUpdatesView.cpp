#include "CheckForUpdatesView.h"

#include "CheckForUpdatesViewModel.h"
#include "Updater.h"

#include <QAction>

CheckForUpdatesView::CheckForUpdatesView(Updater& updater, QObject* parent)
    : QObject(parent)
    , m_updater(&updater)
    , m_viewModel(new CheckForUpdatesViewModel(updater, this))
    , m_action(new QAction(tr("Check for Updates…"), this))
{
    m_action->setMenuRole(QAction::ApplicationSpecificRole);
    m_action->setEnabled(m_viewModel->canCheckForUpdates());
    connect(m_viewModel, &CheckForUpdatesViewModel::canCheckForUpdatesChanged, m_action,
            &QAction::setEnabled);
    connect(m_action, &QAction::triggered, this, [this] {
        if (m_updater && m_viewModel->canCheckForUpdates())
            m_updater->checkForUpdates();
    });
}

CheckForUpdatesView::~CheckForUpdatesView()
{
    // The action may sit in a menu that outlives the view; it goes first so that no menu keeps an
    // item whose view model is gone.
    delete m_action;
}

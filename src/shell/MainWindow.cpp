#include "MainWindow.h"

#include "ContentView.h"
#include "MainBundle.h"
#include "SearchField.h"

#include <QSizePolicy>
#include <QToolBar>

MainWindow::MainWindow(AppModel& model, Workspace& workspace, QWidget* parent)
    : QMainWindow(parent)
    , m_contentView(new ContentView(model, workspace, this))
    , m_toolBar(new QToolBar(tr("Toolbar"), this))
{
    setObjectName(QStringLiteral("main"));
    setWindowTitle(titleFromInfoDictionary());
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
    // The window opens on the table, where the keyboard commands act, not in the search field.
    m_contentView->setFocus(Qt::OtherFocusReason);
}

QString MainWindow::titleFromInfoDictionary()
{
    const QVariant name = MainBundle::infoValue(QStringLiteral("CFBundleName"));
    if (name.typeId() == QMetaType::QString)
        return name.toString();
    return QStringLiteral("Kudora");
}

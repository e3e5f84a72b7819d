#include "FocusedValues.h"

#include "ContentView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>

FocusedValues::FocusedValues(QObject* parent)
    : QObject(parent)
{
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, &FocusedValues::update);
        connect(app, &QGuiApplication::focusWindowChanged, this, &FocusedValues::update);
    }
    update();
}

ContentView* FocusedValues::focusedContentView()
{
    QWidget* window = QApplication::activeWindow();
    QWidget* focus = QApplication::focusWidget();
    if (!window || !focus || focus->window() != window)
        return nullptr;
    for (QWidget* widget = focus; widget; widget = widget->parentWidget()) {
        if (auto* view = qobject_cast<ContentView*>(widget))
            return view;
    }
    return nullptr;
}

std::optional<bool> FocusedValues::hasSelection() const
{
    if (const ContentView* view = focusedContentView())
        return view->hasSelection();
    return std::nullopt;
}

void FocusedValues::update()
{
    ContentView* view = focusedContentView();
    if (static_cast<QObject*>(view) != m_observedView.data()) {
        disconnect(m_viewConnection);
        m_observedView = view;
        if (view)
            m_viewConnection = connect(view, &ContentView::hasSelectionChanged, this, &FocusedValues::update);
    }
    const std::optional<bool> value = hasSelection();
    if (value == m_lastHasSelection)
        return;
    m_lastHasSelection = value;
    emit changed();
}

#include "FocusedValues.h"

#include "ContentView.h"

#include <QApplication>
#include <QGuiApplication>
#include <QWindow>

FocusedValues& FocusedValues::instance()
{
    // Created on first use, after the application object; lives as long as the process.
    static FocusedValues* values = new FocusedValues;
    return *values;
}

FocusedValues::FocusedValues()
{
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, &FocusedValues::update);
        connect(app, &QGuiApplication::focusWindowChanged, this, &FocusedValues::update);
    }
    update();
}

ContentView* FocusedValues::activeContentView()
{
    QWidget* window = QApplication::activeWindow();
    if (!window)
        return nullptr;
    if (auto* view = qobject_cast<ContentView*>(window))
        return view;
    return window->findChild<ContentView*>();
}

std::optional<bool> FocusedValues::hasSelection() const
{
    if (const ContentView* view = activeContentView())
        return view->hasSelection();
    return std::nullopt;
}

void FocusedValues::update()
{
    ContentView* view = activeContentView();
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

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FocusedValues.h"

#include <QApplication>
#include <QMenuBar>
#include <QMetaProperty>
#include <QWindow>

FocusedValues::FocusedValues(QObject* parent)
    : QObject(parent)
{
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance())) {
        connect(app, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
            if (now && !qobject_cast<QMenuBar*>(now))
                m_lastFocus = now;
            update();
        });
        connect(app, &QGuiApplication::focusWindowChanged, this, &FocusedValues::update);
    }
    m_lastFocus = QApplication::focusWidget();
    update();
}

QWidget* FocusedValues::focusWidget() const
{
    // A menu dismissed with Escape leaves the focus with the menu bar until a second Escape or a
    // click; the commands meanwhile belong to where the person was.
    QWidget* focus = QApplication::focusWidget();
    if (qobject_cast<QMenuBar*>(focus) && m_lastFocus && m_lastFocus->window() == focus->window())
        return m_lastFocus;
    return focus;
}

QObject* FocusedValues::publisher(const char* key) const
{
    QWidget* window = QApplication::activeWindow();
    QWidget* focus = focusWidget();
    if (!window || !focus)
        return nullptr;
    for (QWidget* widget = focus; widget; widget = widget->parentWidget()) {
        if (widget->metaObject()->indexOfProperty(key) >= 0)
            return widget->window() == window ? widget : nullptr;
    }
    return nullptr;
}

std::optional<bool> FocusedValues::hasSelection() const
{
    if (const QObject* object = publisher(HasSelectionKey))
        return object->property(HasSelectionKey).toBool();
    return std::nullopt;
}

void FocusedValues::update()
{
    QObject* object = publisher(HasSelectionKey);
    if (object != m_observed.data()) {
        disconnect(m_observation);
        m_observed = object;
        if (object) {
            const QMetaProperty property =
                object->metaObject()->property(object->metaObject()->indexOfProperty(HasSelectionKey));
            const QMetaMethod refresh = metaObject()->method(metaObject()->indexOfMethod("update()"));
            if (property.hasNotifySignal())
                m_observation = connect(object, property.notifySignal(), this, refresh);
        }
    }
    const std::optional<bool> value = hasSelection();
    if (value == m_lastHasSelection)
        return;
    m_lastHasSelection = value;
    emit changed();
}

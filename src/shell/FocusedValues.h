// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <optional>

class QWidget;

// The values that the focused part of the active window publishes for the menu commands. A value
// is a property of its name on the focus widget or the nearest of its ancestors that has one (a
// popup counts as part of the widget it was opened from); it is absent while no window of the
// program is active or nothing along the focus chain publishes it. One per program, made by the
// application; it needs a QApplication.
class FocusedValues : public QObject
{
    Q_OBJECT

public:
    // The key of the Boolean that says whether the focused view has selected rows to act on.
    static constexpr const char* HasSelectionKey = "hasSelection";

    explicit FocusedValues(QObject* parent = nullptr);

    std::optional<bool> hasSelection() const;

    // Where the keyboard focus is for the commands: QApplication::focusWidget(), except while a
    // menu bar holds it on its way back from a menu: then the widget it will give it back to.
    QWidget* focusWidget() const;

signals:
    // Emitted when a value that hasSelection() gives changes.
    void changed();

private:
    QObject* publisher(const char* key) const;
    Q_INVOKABLE void update();

    QPointer<QWidget> m_lastFocus;
    // Held as a plain QObject: the publisher may be half destroyed when focus moves during its
    // teardown.
    QPointer<QObject> m_observed;
    QMetaObject::Connection m_observation;
    std::optional<bool> m_lastHasSelection;
};

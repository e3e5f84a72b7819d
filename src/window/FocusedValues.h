#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <optional>

class ContentView;

// The values that the focused window publishes for the menu commands. hasSelection is absent while
// no window of the program is active, or the active one publishes nothing.
class FocusedValues : public QObject
{
    Q_OBJECT

public:
    static FocusedValues& instance();

    // Read from the active window (QApplication::activeWindow()) at the moment of the call.
    std::optional<bool> hasSelection() const;

signals:
    // Emitted when the active window changes or the active window's published value changes.
    void changed();

private:
    FocusedValues();

    static ContentView* activeContentView();
    void update();

    // Held as a plain QObject: the view may be half destroyed when focus moves during its teardown,
    // and a QPointer<ContentView> would cast it to a type it no longer is.
    QPointer<QObject> m_observedView;
    QMetaObject::Connection m_viewConnection;
    std::optional<bool> m_lastHasSelection;
};

#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <optional>

class ContentView;

// The values that the focused window publishes for the menu commands. hasSelection is absent while
// no window of the program is active, or the keyboard focus is outside the active window's
// content view (in the toolbar's search field, say, where the selection commands have no business).
// One per program, made by the application; it needs a QApplication.
class FocusedValues : public QObject
{
    Q_OBJECT

public:
    explicit FocusedValues(QObject* parent = nullptr);

    // Read from the focus widget (QApplication::focusWidget()) at the moment of the call.
    std::optional<bool> hasSelection() const;

signals:
    // Emitted when the value that hasSelection() gives changes.
    void changed();

private:
    static ContentView* focusedContentView();
    void update();

    // Held as a plain QObject: the view may be half destroyed when focus moves during its teardown,
    // and a QPointer<ContentView> would cast it to a type it no longer is.
    QPointer<QObject> m_observedView;
    QMetaObject::Connection m_viewConnection;
    std::optional<bool> m_lastHasSelection;
};

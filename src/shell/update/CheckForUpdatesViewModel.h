#pragma once

#include <QMetaObject>
#include <QObject>

class Updater;

// Mirrors the updater's canCheckForUpdates for one "Check for Updates…" item. The updater's
// current value is taken during construction, later changes as they happen; the subscription ends
// with the view model.
class CheckForUpdatesViewModel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(bool canCheckForUpdates READ canCheckForUpdates NOTIFY canCheckForUpdatesChanged)

public:
    explicit CheckForUpdatesViewModel(Updater& updater, QObject* parent = nullptr);
    ~CheckForUpdatesViewModel() override;

    bool canCheckForUpdates() const { return m_canCheckForUpdates; }

signals:
    void canCheckForUpdatesChanged(bool canCheckForUpdates);

private:
    void setCanCheckForUpdates(bool value);

    bool m_canCheckForUpdates = false;
    QMetaObject::Connection m_subscription;
};

#pragma once

#include "UserDriver.h"

#include <QList>

#include <utility>

// Records what the updater shows; an update found is left unanswered.
class RecordingUserDriver : public UserDriver
{
public:
    enum class Shown { UpToDate, UpdateFound, Error };

    void showUpToDate() override { events.append({ Shown::UpToDate, {} }); }
    void showUpdateFound(const AppcastItem&, UpdateReply) override
    {
        events.append({ Shown::UpdateFound, {} });
    }
    void showError(const QString& reason) override { events.append({ Shown::Error, reason }); }

    QList<std::pair<Shown, QString>> events; // what was shown, and why
};

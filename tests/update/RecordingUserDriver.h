#pragma once

#include "UserDriver.h"

#include <QList>

#include <optional>

// Records what the updater shows. When answer is set, an update found is answered at once.
class RecordingUserDriver : public UserDriver
{
public:
    enum class Shown { UpToDate, UpdateFound, Error };
    struct Event
    {
        Shown shown;
        AppcastItem item;
        QString reason;
    };

    void showUpToDate() override { events.append({ Shown::UpToDate, {}, {} }); }
    void showUpdateFound(const AppcastItem& item, UpdateReply reply) override
    {
        events.append({ Shown::UpdateFound, item, {} });
        if (answer)
            reply(*answer);
        else
            pendingReply = std::move(reply);
    }
    void showError(const QString& reason) override { events.append({ Shown::Error, {}, reason }); }

    QList<Event> events;
    std::optional<UpdateChoice> answer;
    UpdateReply pendingReply;
};

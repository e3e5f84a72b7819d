// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UserDriver.h"

#include <QList>

#include <optional>
#include <utility>

// Records what the updater shows; an update found is answered at once when answer is set.
class RecordingUserDriver : public UserDriver
{
public:
    enum class Shown { UpToDate, UpdateFound, Error };

    void showUpToDate() override { events.append({ Shown::UpToDate, {} }); }
    void showUpdateFound(const AppcastItem&, UpdateReply reply) override
    {
        events.append({ Shown::UpdateFound, {} });
        if (answer)
            reply(*answer);
    }
    void showError(const QString& reason) override { events.append({ Shown::Error, reason }); }

    QList<std::pair<Shown, QString>> events; // what was shown, and why
    std::optional<UpdateChoice> answer;
};

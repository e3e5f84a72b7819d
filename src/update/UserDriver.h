// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppcastItem.h"

#include <QString>

#include <functional>

// How the updater shows what a check found. The updater calls each operation on the main thread
// and counts the result as shown when the call returns; what the person then chooses comes back
// through the reply.
class UserDriver
{
public:
    enum class UpdateChoice { Download, Skip, RemindLater };
    using UpdateReply = std::function<void(UpdateChoice)>;

    virtual ~UserDriver() = default;

    // The running version is the newest there is.
    virtual void showUpToDate() = 0;

    // item is newer than the running version. reply may be called at most once, later.
    virtual void showUpdateFound(const AppcastItem& item, UpdateReply reply) = 0;

    // A check failed; reason is a sentence for people.
    virtual void showError(const QString& reason) = 0;
};

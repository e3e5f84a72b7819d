// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppInfo.h"

#include <QList>

// The fixed sample catalogue shown in mock mode.
class MockCatalogue
{
public:
    // 41 records: 12 named sample applications, then the placeholders "dummy.01" to "dummy.29".
    // Review dates are relative to the moment of the call.
    static QList<AppInfo> makeSampleApps();

    // An RFC 3339 internet date-time ("2026-04-21T00:00:00Z"); the current time when the text
    // does not parse.
    static QDateTime parseISODate(const QString& text);
};

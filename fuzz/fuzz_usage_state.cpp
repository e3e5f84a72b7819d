// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// GNOME Shell's application state file, which anything running as the user may have written.
// Beyond not crashing, every use read must be a real time and name an application id, not a
// desktop file.
#include "UsageRecords.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto lastUse =
        UsageRecords::parseGnomeShellState(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!lastUse)
        return 0;
    const QDateTime epoch = QDateTime::fromSecsSinceEpoch(0, Qt::UTC);
    for (auto it = lastUse->cbegin(); it != lastUse->cend(); ++it) {
        if (it.key().isEmpty() || it.key().endsWith(u".desktop"_s)) {
            std::fprintf(stderr, "usage state: an id that names no application was kept\n");
            std::abort();
        }
        if (!it.value().isValid() || it.value() <= epoch || it.value().date().year() > 9999) {
            std::fprintf(stderr, "usage state: a time that is no use was kept\n");
            std::abort();
        }
    }
    return 0;
}

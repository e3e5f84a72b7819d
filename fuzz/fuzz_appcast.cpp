// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The appcast feed as served by anyone who controls the network path or the feed host. Beyond not
// crashing, what the feed offers must stay within the rules whatever it says: only an https
// address is ever offered, and never an item that the system cannot run or that a newer applicable
// item outranks.
#include "Appcast.h"
#include "VersionComparator.h"

#include <QByteArray>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "appcast: %s\n", what);
    std::abort();
}

bool applicable(const AppcastItem& item, const QString& systemVersion)
{
    return !item.downloadAddress().isEmpty()
        && (item.minimumSystemVersion.isEmpty() || systemVersion.isEmpty()
            || !VersionComparator::isNewer(item.minimumSystemVersion, systemVersion));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto appcast = Appcast::parse(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    if (!appcast)
        return 0;
    for (const AppcastItem& item : appcast->items()) {
        if (item.version.isEmpty())
            fail("an item without version was kept");
        const QUrl address = item.downloadAddress();
        if (!address.isEmpty() && (address.scheme() != u"https"_s || !address.isValid()))
            fail("an address other than https is offered");
        (void)item.displayVersion();
    }
    for (const QString& system : { QString(), u"10.9"_s, u"14.4.1"_s }) {
        const auto newest = appcast->newestApplicableItem(system);
        if (!newest)
            continue;
        if (!applicable(*newest, system))
            fail("an item that cannot be offered was chosen");
        for (const AppcastItem& item : appcast->items()) {
            if (applicable(item, system) && VersionComparator::isNewer(item.version, newest->version))
                fail("a newer applicable item was passed over");
        }
    }
    return 0;
}

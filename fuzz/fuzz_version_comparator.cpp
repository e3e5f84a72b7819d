// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Version texts from the feed and from the running bundle. The comparison must be a weak order
// whatever the texts hold, or the choice of the newest item (and the "up to date" answer) would
// depend on the order of the feed: reflexive, antisymmetric and transitive over three versions
// cut from the input.
#include "VersionComparator.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <compare>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
[[noreturn]] void fail(const char* what, const QString& a, const QString& b, const QString& c = {})
{
    std::fprintf(stderr, "version comparator: %s\n  a=\"%s\"\n  b=\"%s\"\n  c=\"%s\"\n", what,
                 a.toUtf8().constData(), b.toUtf8().constData(), c.toUtf8().constData());
    std::abort();
}

std::weak_ordering reversed(std::weak_ordering order)
{
    if (order == std::weak_ordering::less)
        return std::weak_ordering::greater;
    if (order == std::weak_ordering::greater)
        return std::weak_ordering::less;
    return order;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Three versions separated by NUL bytes, as UTF-8 (invalid sequences read as replacement
    // characters, as they would from a feed).
    const QList<QByteArray> parts =
        QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)).split('\0');
    QString v[3];
    for (int i = 0; i < 3 && i < parts.size(); ++i)
        v[i] = QString::fromUtf8(parts[i]);
    const QString &a = v[0], &b = v[1], &c = v[2];

    if (VersionComparator::compare(a, a) != std::weak_ordering::equivalent)
        fail("not reflexive", a, a);
    const auto ab = VersionComparator::compare(a, b);
    const auto bc = VersionComparator::compare(b, c);
    const auto ac = VersionComparator::compare(a, c);
    if (VersionComparator::compare(b, a) != reversed(ab))
        fail("not antisymmetric", a, b);
    if (ab != std::weak_ordering::greater && bc != std::weak_ordering::greater
        && ac == std::weak_ordering::greater)
        fail("not transitive (a <= b <= c but a > c)", a, b, c);
    if (ab != std::weak_ordering::less && bc != std::weak_ordering::less && ac == std::weak_ordering::less)
        fail("not transitive (a >= b >= c but a < c)", a, b, c);
    if (ab == std::weak_ordering::equivalent && bc == std::weak_ordering::equivalent
        && ac != std::weak_ordering::equivalent)
        fail("equivalence not transitive", a, b, c);
    return 0;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>

// Checks the structure of a binary property list ("bplist00") before any parser sees it. The
// libplist of the target systems follows offsets, lengths and object references without checking
// them against the input, and recurses without a depth limit, so a damaged or hostile file could
// crash the program or exhaust its memory. Only input that passes here is handed on.
//
// Checked: the trailer (field sizes, counts, the offset table lying wholly between the header
// and the trailer), every object offset inside the object area, every object's marker and length
// (extended lengths included) inside that area, every object reference in range, dictionary keys
// that are strings without NUL characters, dates that are finite numbers, and, walking from the top
// object, container nesting of at most MaximumDepth, no cycles and at most MaximumNodes values once shared
// objects are expanded into the tree the parser builds.
class BinaryPlistGuard
{
public:
    static constexpr int MaximumDepth = 64;
    static constexpr qint64 MaximumNodes = 1 << 20;

    static bool isAcceptable(QByteArrayView data);
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

// Prepares an XML property list for libplist, whose parser recurses once per nested element and
// reads numbers and dates leniently (text that is no number reads as 0, a leading 0 switches to
// octal, a malformed date becomes 1970). Rejects input with a NUL byte, elements nested deeper than
// MaximumDepth, or an integer, real or date whose text is not one; rewrites the text of every
// valid integer, real and date in the one form the parser reads exactly.
class XmlPlistGuard
{
public:
    // The <plist> element and a leaf value around the deepest nesting of containers that a
    // binary property list may have.
    static constexpr int MaximumDepth = 64 + 2;

    // The bytes to hand to the parser: data itself when nothing needed rewriting (the usual case,
    // which then costs no copy), else the rewritten text, held in buffer (whose allocation is
    // reused from call to call).
    static std::optional<QByteArrayView> sanitize(QByteArrayView data, QByteArray& buffer);
};

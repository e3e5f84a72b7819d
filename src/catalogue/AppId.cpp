// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppId.h"

#include <algorithm>

namespace {

QString nfc(const QString& text)
{
    // Below U+0300 there is no combining mark and nothing that composes or decomposes, so such
    // a text is its own NFC form; plain reverse-DNS ids, nearly all of them, need no copy.
    if (std::all_of(text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x300; }))
        return text;
    return text.normalized(QString::NormalizationForm_C);
}

} // namespace

AppId::AppId(const QString& text)
    : m_text(nfc(text))
{ }

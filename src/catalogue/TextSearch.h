// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringView>

// Localized, case-insensitive containment in the user's locale (QLocale()): letter case is ignored
// (with the locale's own rules, such as Turkish dotted and dotless i), accents and other marks
// count, and canonically equivalent texts are equal. Texts are folded once, so that one query can
// be tested against many prepared texts cheaply.
class TextSearch
{
public:
    // The form in which a text is compared: canonical decomposition of its case folding.
    static QString fold(QStringView text);

    // True when foldedText (a fold() result) contains foldedQuery at character boundaries: a match
    // never ends inside a letter with marks, so "cafe" is not found in "café".
    static bool containsFolded(QStringView foldedText, QStringView foldedQuery);

    // fold() both, then containsFolded(). An empty query is contained in every text.
    static bool contains(QStringView text, QStringView query);
};

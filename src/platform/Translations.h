// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The program's words in the user's language. Its own catalogues are built into it: a full one per
// language it speaks and an English one that holds only the plural forms of its counts, whose texts
// are written once with "%n" and get their singular from the catalogue.
class Translations
{
public:
    // Installs on the application object (a QCoreApplication suffices, and it must exist) the
    // program's catalogue for the first of the user's languages that it has (LANGUAGE, LC_ALL,
    // LC_MESSAGES, LANG, as QLocale::system().uiLanguages() reads them), else the English one; and
    // Qt's own catalogue, from Qt's translations folder, in the same language, so that a window never
    // mixes two. The catalogues live as long as the application object.
    static void install();
};

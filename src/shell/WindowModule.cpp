// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The window module's one entry point (Launcher::WindowEntry), which the launcher calls to run the
// program with its window.
#include "KudoraApp.h"

extern "C" Q_DECL_EXPORT int kudora_window_main(int* argc, char** argv)
{
    return KudoraApp::main(*argc, argv);
}

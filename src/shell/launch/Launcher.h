// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "CommandLine.h"

#include <optional>

// What main() runs. The program's window, and the libraries it needs (Qt Widgets, Qt GUI, Qt
// Network and theirs), live in a module of their own, loaded only for the window: a command line
// answered without one (kudora --list, --help, --version) loads, maps and links none of them, and
// libflatpak, when a listing loads it, is linked against fewer libraries.
class Launcher
{
    Q_DECLARE_TR_FUNCTIONS(Launcher)

public:
    // The life of the program: a command line that asks for no window is answered here;
    // otherwise the window module runs the program (KudoraApp::main). Returns its exit status.
    static int main(int& argc, char** argv);

    // When the arguments ask for no window, or are wrong, does that on a QCoreApplication, which
    // needs no display, and returns the exit status (see CommandLine::run). Nothing when they ask
    // for the window, or hold options the program does not know, which may be Qt's own: only
    // QApplication can read those.
    static std::optional<int> runWithoutWindow(int& argc, char** argv, CommandLine::Inputs inputs);

    // The name of the entry point of the window module: int (int* argc, char** argv).
    static constexpr const char* WindowEntry = "kudora_window_main";
};

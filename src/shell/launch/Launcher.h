// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ProgramParts.h"

#include <QCoreApplication>

// What main() runs. The program's window, and the libraries it needs (Qt Widgets, Qt GUI, Qt
// Network and theirs), live in a module of their own, loaded only for the window: a command line
// answered without one (kudora --list, --help, --version) loads, maps and links none of them, and
// libflatpak, when a listing loads it, is linked against fewer libraries.
class Launcher
{
    Q_DECLARE_TR_FUNCTIONS(Launcher)

public:
    // What runs the program once its arguments may ask for the window: KudoraApp::main.
    using Window = int (*)(int& argc, char** argv, ProgramParts parts);

    // The life of the program: a command line that asks for no window is answered here;
    // otherwise the window module runs the program (KudoraApp::main). Returns its exit status.
    static int main(int& argc, char** argv);

    // The same on parts of the caller's, with window run in place of the window module (a program
    // that links the window in, as tests do). A look at the arguments before any application object
    // exists tells whether they ask for no window, or are wrong: then this does that on a
    // QCoreApplication, which needs no display (see CommandLine::run). When they ask for the
    // window, or hold options the program does not know, which may be Qt's own that only
    // QApplication can read, window reads them again, on a QApplication.
    static int main(int& argc, char** argv, ProgramParts parts, Window window);

    // Whether Qt will find a display for the window under these arguments and this environment:
    // the X server or Wayland compositor its platform needs is named.
    static bool hasDisplay(const QStringList& arguments);

    // The name of the entry point of the window module: int (int* argc, char** argv).
    static constexpr const char* WindowEntry = "kudora_window_main";
};

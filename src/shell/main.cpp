// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Launcher.h"

int main(int argc, char** argv)
{
    return Launcher::main(argc, argv);
}

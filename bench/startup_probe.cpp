// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program as its main() runs it, with StartupProbe watching the application from the moment it
// exists, for the start-up measurement. Everything else (the sources it lists, its settings, the
// single-instance lock) comes from the environment bench_startup gives it.

#include "KudoraApp.h"
#include "StartupProbe.h"

#include <QCoreApplication>

namespace {
void installProbe()
{
    StartupProbe::install();
}
} // namespace

Q_COREAPP_STARTUP_FUNCTION(installProbe)

int main(int argc, char** argv)
{
    return KudoraApp::main(argc, argv);
}

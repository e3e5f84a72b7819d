// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// What a program measured by bench_startup reports of its start: the time of the first paint of
// its main window, and of the first paint that shows a table of at least $KUDORA_BENCH_ROWS rows,
// as times of the monotonic clock in nanoseconds, into the file $KUDORA_BENCH_REPORT, together with
// whether libflatpak was loaded by the first paint; then it quits the application (at the first
// paint when $KUDORA_BENCH_ROWS is 0 or unset). A paint counts once the paint round that delivered
// it has ended (the backing store flushed).
namespace StartupProbe {

// Watches the paints of the QApplication that exists now; does nothing without one, or without
// $KUDORA_BENCH_REPORT.
void install();

} // namespace StartupProbe

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The program as main() builds it, with the scanner pointed at a fixture folder, for the start-up
// measurement: writes the time of the main window's first paint and of its first paint with the
// table filled after the first scan to the file named by its argument, and whether libflatpak was
// loaded at the first paint, then exits.
//
// Usage: startup_probe <report file> <applications folder> <home folder> [--without-flatpak]
// --without-flatpak leaves the Flatpak source out, for the measure of what it adds.

#include "AppModel.h"
#include "AppScanner.h"
#include "AppTableView.h"
#include "ContentView.h"
#include "FlatpakSource.h"
#include "KudoraApp.h"
#include "MainWindow.h"
#include "PaintProbe.h"
#include "SnapSource.h"
#include "VisibleAppsModel.h"

#include <QApplication>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    if (argc < 4)
        return 2;
    const QByteArray reportPath = argv[1];

    const bool withFlatpak = argc < 5 || qstrcmp(argv[4], "--without-flatpak") != 0;

    KudoraApp::Parts parts;
    // The Flatpak source as the program has it, so that loading libflatpak counts where it happens.
    parts.sources = AppSources { std::make_shared<const AppScanner>(QFile::decodeName(argv[2]),
                                                                    QFile::decodeName(argv[3])) };
    if (withFlatpak)
        parts.sources->append(std::make_shared<const FlatpakSource>());
    // The snap source as on a machine without snapd.
    parts.sources->append(std::make_shared<const SnapSource>(QFile::decodeName(argv[3]) + u"/snapd.socket"));
    KudoraApp kudora(std::move(parts));

    MainWindow& window = kudora.mainWindow();
    qint64 firstPaint = 0;
    bool scanned = false;
    QObject::connect(&kudora.model(), &AppModel::rescanFinished, [&] { scanned = true; });
    ContentView* content = window.contentView();
    auto* first = new PaintProbe(window);
    // Whether libflatpak is in the process when the window first paints: it belongs to the scan.
    bool flatpakAtPaint = false;
    QObject::connect(first, &PaintProbe::painted, [&](qint64 time) {
        firstPaint = time;
        QFile maps(QStringLiteral("/proc/self/maps"));
        flatpakAtPaint = maps.open(QIODevice::ReadOnly) && maps.readAll().contains("libflatpak");
    });
    // The table counts as filled once the first scan is in and its rows are on screen.
    auto* filled = new PaintProbe(window, [&] {
        return scanned && content->rows()->rowCount() > 0 && content->tableView()->isVisible();
    });
    QObject::connect(filled, &PaintProbe::painted, [&](qint64 time) {
        if (std::FILE* report = std::fopen(reportPath.constData(), "w")) {
            std::fprintf(report, "paint %lld\nfilled %lld\nflatpak %d\n",
                         qlonglong(firstPaint ? firstPaint : time), qlonglong(time), flatpakAtPaint ? 1 : 0);
            std::fclose(report);
        }
        QApplication::quit();
    });

    kudora.openMainWindow();
    return QApplication::exec();
}

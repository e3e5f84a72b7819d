// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// Not a test: the program as main() runs it, arguments and all, with the window linked in rather
// than loaded as a module, listing the App Store applications of the folders given, without update
// checks; its store, window state and single-instance socket are where the environment says. With
// --hang first, the scan hangs on the first application as on a hung network folder: once
// scanning, it prints "scanning" and closes its windows; exit-time destruction of static objects,
// which would pull them from under the hung scan, would print its own line. With --linux first, the
// Linux stores come after the folders given, as the program has them, their snapd socket in the home
// folder given.
// Usage: kudora_probe [--hang|--linux] <applications folder> <home folder> [program arguments...]
#include "AppScanner.h"
#include "DistroSource.h"
#include "FlatpakSource.h"
#include "KudoraApp.h"
#include "Launcher.h"
#include "MetadataItem.h"
#include "MetadataSource.h"
#include "SnapSource.h"
#include "UpdaterController.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {
class HungMetadataSource : public MetadataSource
{
public:
    std::optional<MetadataItem> itemForPath(const QString&) const override
    {
        std::puts("scanning");
        std::fflush(stdout);
        QTimer::singleShot(0, qApp, &QApplication::closeAllWindows);
        for (;;)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
};
} // namespace

int main(int argc, char** argv)
{
    const bool hang = argc > 1 && std::strcmp(argv[1], "--hang") == 0;
    const bool linuxStores = argc > 1 && std::strcmp(argv[1], "--linux") == 0;
    const int first = hang || linuxStores ? 2 : 1;
    if (argc < first + 2)
        return 2;
    if (hang)
        std::atexit([] { std::puts("static objects destroyed"); });
    ProgramParts parts;
    parts.sources = AppSources { std::make_shared<const AppScanner>(
        QFile::decodeName(argv[first]), QFile::decodeName(argv[first + 1]),
        hang ? std::make_shared<const HungMetadataSource>() : std::shared_ptr<const HungMetadataSource>()) };
    if (linuxStores) {
        parts.sources->append(std::make_shared<const FlatpakSource>());
        parts.sources->append(std::make_shared<const SnapSource>(QFile::decodeName(argv[first + 1])
                                                                 + QStringLiteral("/snapd.socket")));
        parts.sources->append(std::make_shared<const DistroSource>());
    }
    parts.makeUpdaterController = [](const QVariantMap&, Workspace&) -> std::unique_ptr<UpdaterController> {
        return nullptr;
    };
    std::vector<char*> arguments { argv[0] };
    arguments.insert(arguments.end(), argv + first + 2, argv + argc);
    int count = int(arguments.size());
    arguments.push_back(nullptr);
    return Launcher::main(count, arguments.data(), std::move(parts), KudoraApp::main);
}

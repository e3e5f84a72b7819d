// Not a test: the program as main() runs it, with a scan that hangs on the first application as on a
// hung network folder. Once scanning it prints "scanning" and closes its windows; exit-time destruction
// of static objects, which would pull them from under the hung scan, would print its own line.
// Usage: kudora_quit_probe <applications folder> <home folder>
#include "KudoraApp.h"
#include "MemoryDefaultsDomain.h"
#include "MetadataItem.h"
#include "MetadataSource.h"
#include "PreferencesService.h"
#include "UpdaterController.h"

#include <QApplication>
#include <QFile>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>

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
    if (argc < 3)
        return 2;
    std::atexit([] { std::puts("static objects destroyed"); });
    PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
    KudoraApp::Parts parts;
    parts.preferences = &preferences;
    parts.sources = AppSources { std::make_shared<const AppScanner>(
        QFile::decodeName(argv[1]), QFile::decodeName(argv[2]), std::make_shared<HungMetadataSource>()) };
    parts.makeUpdaterController = [](const QVariantMap&, Workspace&) -> std::unique_ptr<UpdaterController> {
        return nullptr;
    };
    KudoraApp::run(argc, argv, std::move(parts));
    return 0;
}

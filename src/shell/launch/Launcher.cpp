// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Launcher.h"

#include "CommandLine.h"
#include "MainBundle.h"

#include <QFileInfo>
#include <QLibrary>
#include <QTextStream>

namespace {
// Beside the program in the build folder; installed, in the program's own folder of libraries.
QStringList moduleCandidates()
{
    const QString programFolder = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    const QString name = QStringLiteral(KUDORA_WINDOW_MODULE);
    return { programFolder + u'/' + name,
             programFolder + u'/' + QStringLiteral(KUDORA_INSTALLED_MODULE_FOLDER) + u'/' + name };
}

// The program's own parts are the module's to make: main() has none of its own to give.
int runWindowModule(int& argc, char** argv, ProgramParts)
{
    QString failure;
    for (const QString& candidate : moduleCandidates()) {
        if (!QFileInfo::exists(candidate))
            continue;
        // Kept loaded for the life of the process: QLibrary never unloads on its own.
        QLibrary module(candidate);
        using Entry = int (*)(int*, char**);
        if (const auto entry = reinterpret_cast<Entry>(module.resolve(Launcher::WindowEntry)))
            return entry(&argc, argv);
        failure = module.errorString();
        break;
    }
    if (failure.isEmpty())
        failure = moduleCandidates().join(u", ");
    QTextStream(stderr) << Launcher::tr("Kudora cannot open its window: %1").arg(failure) << Qt::endl;
    return 1;
}
} // namespace

int Launcher::main(int& argc, char** argv)
{
    return main(argc, argv, {}, runWindowModule);
}

int Launcher::main(int& argc, char** argv, ProgramParts parts, Window window)
{
    const CommandLine early(CommandLine::arguments(argc, argv));
    if (early.hasUnknownOptions() || (early.isValid() && early.mode() == CommandLine::Mode::Window))
        return window(argc, argv, std::move(parts));
    QCoreApplication application(argc, argv);
    return CommandLine::run(parts, MainBundle::nameApplication);
}

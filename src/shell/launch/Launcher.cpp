// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Launcher.h"

#include "CommandLine.h"
#include "MainBundle.h"
#include "Translations.h"

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
    const QStringList arguments = CommandLine::arguments(argc, argv);
    const CommandLine early(arguments);
    if (early.hasQtOptions() || (early.isValid() && early.mode() == CommandLine::Mode::Window)) {
        if (hasDisplay(arguments))
            return window(argc, argv, std::move(parts));
        // Without one, QApplication would end the process with Qt's abort and its advice to
        // reinstall: the user is better told what works.
        QCoreApplication application(argc, argv);
        Translations::install();
        QTextStream(stderr) << tr("Kudora needs a graphical session to show its window, and there is no "
                                  "display here. \"%1 --list\" prints your applications without one.")
                                   .arg(QFileInfo(arguments.value(0)).fileName())
                            << Qt::endl;
        return 1;
    }
    QCoreApplication application(argc, argv);
    return CommandLine::run(parts, MainBundle::nameApplication);
}

bool Launcher::hasDisplay(const QStringList& arguments)
{
    // The platform Qt will use: the -platform option, else QT_QPA_PLATFORM (its first choice).
    QString platform = QString::fromLocal8Bit(qgetenv("QT_QPA_PLATFORM")).section(u';', 0, 0);
    for (qsizetype i = 1; i + 1 < arguments.size(); ++i) {
        if (arguments.at(i) == u"-platform" || arguments.at(i) == u"--platform")
            platform = arguments.at(i + 1).section(u':', 0, 0);
    }
    const bool x11 = !qEnvironmentVariableIsEmpty("DISPLAY");
    const bool wayland = !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
    if (platform.isEmpty())
        return x11 || wayland;
    if (platform == u"xcb")
        return x11;
    if (platform.startsWith(u"wayland"))
        return wayland;
    // offscreen, minimal, vnc, eglfs, linuxfb…: no session is needed, or Qt knows better.
    return true;
}

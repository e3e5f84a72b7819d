// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppModel.h"
#include "AppSource.h"
#include "ProgramParts.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QStringList>
#include <QVariantMap>

class DefaultsDomain;
class PreferencesService;
class QTextStream;

// What the program's arguments ask for: the window, or one of the things it does without one
// (--help, --version, --list, --list --json), each printed on the standard output.
class CommandLine
{
    Q_DECLARE_TR_FUNCTIONS(CommandLine)

public:
    enum class Mode { Window, Help, Version, List };

    // Names the application after an information dictionary (MainBundle::nameApplication, or
    // KudoraApp::describeApplication on a QApplication).
    using Naming = void (*)(const QVariantMap& info);

    // What the program does once its application object exists: installs the translations, names
    // the application with name after the information dictionary (which it puts in parts when
    // absent), reads the arguments the application object kept and does what they ask for without
    // a window, printing on the standard and error outputs. A listing takes the preferences and
    // sources of parts. Returns the exit status, or -1 when they ask for the window.
    static int run(ProgramParts& parts, Naming name);

    // Reads arguments, the program's path first. The texts are those of the catalogues installed
    // by then. Qt's own options (-platform, -style, …) are read by QApplication, which takes them
    // out of its arguments(); before then they are unknown options, and the line is invalid.
    explicit CommandLine(const QStringList& arguments);

    // The arguments of main(), decoded as the system encodes file names.
    static QStringList arguments(int argc, char** argv);

    bool isValid() const { return m_error.isEmpty(); }
    // True when every option the program does not know is one of Qt's own (-platform, -style, …),
    // which only QApplication reads; any other option it does not know makes the line wrong.
    bool hasQtOptions() const { return m_hasQtOptions; }
    // Why the line is not valid, for the error output, with a pointer to --help.
    QString errorText() const;
    Mode mode() const { return m_mode; }
    bool json() const { return m_json; }
    // Qt's help text, its usage line naming the program as errorText() does: by the name it was
    // started under, without the folder.
    QString helpText() const;

    // The exit status of a listing that printed what it could but is not the whole: some
    // applications could not be read, or the settings file (and with it the review dates and
    // ignores) could not.
    static constexpr int IncompleteStatus = 3;

    // Prints the catalogue: the applications the window lists, without the ignored ones, in the
    // window's first order (last use, newest first), as an aligned table or, with --json, as JSON.
    // It reads the store through preferences and scans the sources; it writes nothing (the caller
    // gives a store that cannot). A scan that could not read everything is said on err. Returns
    // the exit status: 0, or IncompleteStatus.
    // Each shows the user's own review online as the cache of the ratings service's answers in
    // reviewCacheFolder has it; with the choice in preferences on, the missing and stale answers
    // are asked for first (the user's hash made of machineIdFile), and still kept in memory only.
    int list(const AppSources& sources, PreferencesService& preferences, const QString& reviewCacheFolder,
             const QString& machineIdFile, QTextStream& out, QTextStream& err) const;

private:
    // The user's own reviews of apps the ratings service's cache has, after the lookups the choice
    // in domain allows.
    static AppModel::OnlineReviews onlineReviews(const QList<AppInfo>& apps, const DefaultsDomain& domain,
                                                 const QString& cacheFolder, const QString& machineIdFile);

    QCommandLineParser m_parser;
    QString m_program;
    Mode m_mode = Mode::Window;
    bool m_json = false;
    QString m_error;
    bool m_hasQtOptions = false;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixtureFlatpak.h"

#include "BenchFiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace FixtureFlatpak {

namespace {

bool run(const QString& root, const QString& program, const QStringList& arguments)
{
    QProcess process;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    for (const auto& [name, value] : environment(root))
        variables.insert(QString::fromLatin1(name), QFile::decodeName(value));
    process.setProcessEnvironment(variables);
    process.setWorkingDirectory(root + u"/work"_s);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForFinished(600000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "%s %s: %s\n", qPrintable(program), qPrintable(arguments.join(u' ')),
                     process.readAll().constData());
        return false;
    }
    return true;
}

} // namespace

QString appID(int i)
{
    return u"org.kudora.bench.App%1"_s.arg(i, 3, 10, QChar(u'0'));
}

QList<QPair<QByteArray, QByteArray>> environment(const QString& root)
{
    return { { "FLATPAK_USER_DIR", QFile::encodeName(root + u"/user"_s) },
             { "FLATPAK_SYSTEM_DIR", QFile::encodeName(root + u"/system"_s) },
             { "FLATPAK_CONFIG_DIR", QFile::encodeName(root + u"/config"_s) } };
}

bool create(const QString& root, int apps)
{
    if (BenchFiles::isComplete(root, apps))
        return true;
    for (const char* folder : { "/user", "/system", "/config", "/work" })
        QDir(root + QString::fromLatin1(folder)).removeRecursively();
    const QString work = root + u"/work"_s;
    const QString repo = work + u"/repo"_s;
    QDir().mkpath(work + u"/runtime/files"_s);
    const QByteArray runtime = "org.kudora.bench.Platform/x86_64/1";
    BenchFiles::writeFile(work + u"/runtime/metadata"_s,
                          "[Runtime]\nname=org.kudora.bench.Platform\nruntime=" + runtime + "\nsdk=" + runtime
                              + '\n');
    BenchFiles::writeFile(work + u"/runtime/usr/README"_s, "bench runtime\n");
    if (!run(root, u"ostree"_s, { u"init"_s, u"--mode=archive-z2"_s, u"--repo="_s + repo })
        // A throwaway repository need not survive a crash; syncing every commit would take minutes.
        || !run(root, u"ostree"_s,
                { u"config"_s, u"--repo="_s + repo, u"set"_s, u"core.fsync"_s, u"false"_s })
        || !run(root, u"flatpak"_s,
                { u"build-export"_s, u"--runtime"_s, u"--no-update-summary"_s, repo, u"runtime"_s, u"1"_s }))
        return false;
    // One build folder serves every application under a new name.
    BenchFiles::writeFile(work + u"/app/files/bin/app"_s, "#!/bin/sh\n");
    QStringList systemApps { u"org.kudora.bench.Platform"_s };
    QStringList userApps;
    for (int i = 0; i < apps; ++i) {
        const QString id = appID(i);
        (i < apps / 2 ? systemApps : userApps).append(id);
        BenchFiles::writeFile(work + u"/app/metadata"_s,
                              "[Application]\nname=" + id.toUtf8() + "\nruntime=" + runtime
                                  + "\nsdk=" + runtime + "\ncommand=app\n");
        QDir(work + u"/app/export"_s).removeRecursively();
        BenchFiles::writeFile(work + u"/app/export/share/applications/"_s + id + u".desktop"_s,
                              "[Desktop Entry]\nType=Application\nName=Bench App " + QByteArray::number(i)
                                  + "\nExec=app\n");
        if (!run(root, u"flatpak"_s, { u"build-export"_s, u"--no-update-summary"_s, repo, u"app"_s }))
            return false;
    }
    const QStringList install { u"install"_s, u"-y"_s, u"--noninteractive"_s, u"bench"_s };
    const bool made = run(root, u"flatpak"_s, { u"build-update-repo"_s, repo })
        && run(root, u"flatpak"_s,
               { u"--system"_s, u"remote-add"_s, u"--no-gpg-verify"_s, u"bench"_s, u"file://"_s + repo })
        && run(root, u"flatpak"_s,
               { u"--user"_s, u"remote-add"_s, u"--no-gpg-verify"_s, u"bench"_s, u"file://"_s + repo })
        && run(root, u"flatpak"_s, QStringList { u"--system"_s } + install + systemApps)
        && (userApps.isEmpty() || run(root, u"flatpak"_s, QStringList { u"--user"_s } + install + userApps));
    return made && BenchFiles::markComplete(root, apps);
}

} // namespace FixtureFlatpak

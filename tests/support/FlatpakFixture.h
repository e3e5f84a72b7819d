// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FixtureTree.h"

#include <QImage>
#include <QProcess>
#include <QStringList>

// Real Flatpak installations in TestEnvironment's FLATPAK_USER_DIR and FLATPAK_SYSTEM_DIR, built
// with the flatpak and ostree tools from a tiny runtime and a local repository (remote "test"):
//   UserApp       user, desktop Name "User App", a blue 64 px icon
//   SystemApp     system, no desktop entry
//   BothApp       both installations, desktop Name "Both App"
//   LocalisedApp  user, desktop Name "Plain", Name[en] "English", Name[en_US] "American"
//   AppDataApp    user, AppStream name "AppStream Name", desktop Name "Desktop Name"
//   FlathubApp    user, from remote "flathub", which then moves to Flathub's address
//   SideloadedApp user, from a bundle file (its origin remote is not enumerable)
class FlatpakFixture
{
public:
    static constexpr const char* UserApp = "org.kudora.test.UserApp";
    static constexpr const char* SystemApp = "org.kudora.test.SystemApp";
    static constexpr const char* BothApp = "org.kudora.test.BothApp";
    static constexpr const char* LocalisedApp = "org.kudora.test.LocalisedApp";
    static constexpr const char* AppDataApp = "org.kudora.test.AppDataApp";
    static constexpr const char* FlathubApp = "org.kudora.test.FlathubApp";
    static constexpr const char* SideloadedApp = "org.kudora.test.SideloadedApp";

    // Built on the first call; error() is empty when that worked, else says what failed.
    static const FlatpakFixture& shared()
    {
        static const FlatpakFixture fixture;
        return fixture;
    }
    const QString& error() const { return m_error; }

    static QString userDir() { return QString::fromLocal8Bit(qgetenv("FLATPAK_USER_DIR")); }
    static QString systemDir() { return QString::fromLocal8Bit(qgetenv("FLATPAK_SYSTEM_DIR")); }

private:
    FlatpakFixture()
    {
        using namespace Qt::StringLiterals;
        using F = FixtureTree;
        const QString work = QFileInfo(systemDir()).path() + u"/work"_s;
        const QString repo = work + u"/repo"_s;
        QDir().mkpath(work);
        // Each step only while all before it succeeded; the first failure is the error.
        const auto run = [&](const QString& program, const QStringList& arguments) {
            if (!m_error.isEmpty())
                return;
            QProcess process;
            process.setWorkingDirectory(work);
            process.setProcessChannelMode(QProcess::MergedChannels);
            process.start(program, arguments);
            if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
                || process.exitCode() != 0)
                m_error = program + u' ' + arguments.join(u' ') + u": "_s
                    + QString::fromLocal8Bit(process.readAll()) + process.errorString();
        };
        const auto flatpak = [&](const QStringList& arguments) { run(u"flatpak"_s, arguments); };
        const auto install = [&](const QString& scope, const QStringList& what) {
            flatpak(QStringList { scope, u"install"_s, u"-y"_s, u"--noninteractive"_s } + what);
        };

        // A metadata file and one file are all a runtime needs.
        const QString runtime = u"org.kudora.test.Platform"_s;
        F::write(work + u"/runtime/metadata"_s,
                 u"[Runtime]\nname=%1\nruntime=%1/x86_64/1\nsdk=%1/x86_64/1\n"_s.arg(runtime).toUtf8());
        F::write(work + u"/runtime/usr/README"_s, "test runtime\n");
        QDir().mkpath(work + u"/runtime/files"_s);
        run(u"ostree"_s, { u"init"_s, u"--mode=archive-z2"_s, u"--repo="_s + repo });
        flatpak({ u"build-export"_s, u"--runtime"_s, u"--no-update-summary"_s, repo, u"runtime"_s, u"1"_s });
        flatpak({ u"build-update-repo"_s, repo });
        for (const QString& scope : { u"--user"_s, u"--system"_s })
            flatpak({ scope, u"remote-add"_s, u"--no-gpg-verify"_s, u"test"_s, u"file://"_s + repo });
        // Applications are built against an installed runtime.
        install(u"--system"_s, { u"test"_s, runtime });

        const QList<std::tuple<const char*, QByteArray, QByteArray>> apps {
            { UserApp, "Name=User App", {} },
            { SystemApp, {}, {} },
            { BothApp, "Name=Both App", {} },
            { LocalisedApp, "Name=Plain\nName[en]=English\nName[en_US]=American\nName[de]=Deutsch", {} },
            { AppDataApp, "Name=Desktop Name", "AppStream Name" },
            { FlathubApp, "Name=Flathub App", {} },
            { SideloadedApp, "Name=Sideloaded App", {} },
        };
        for (const auto& [app, nameLines, appdataName] : apps) {
            const QString id = QString::fromLatin1(app);
            const QString files = work + u"/build-"_s + id + u"/files/"_s;
            flatpak({ u"build-init"_s, u"build-"_s + id, id, runtime, runtime, u"1"_s });
            F::write(files + u"bin/app"_s, "#!/bin/sh\n");
            if (!nameLines.isEmpty())
                F::write(files + u"share/applications/"_s + id + u".desktop"_s,
                         "[Desktop Entry]\nType=Application\nExec=true\n" + nameLines + '\n');
            if (id == QLatin1StringView(UserApp)) {
                QImage icon(64, 64, QImage::Format_ARGB32);
                icon.fill(Qt::blue);
                QDir().mkpath(files + u"share/icons/hicolor/64x64/apps"_s);
                icon.save(files + u"share/icons/hicolor/64x64/apps/"_s + id + u".png"_s);
            }
            if (!appdataName.isEmpty()) {
                // The repository's AppStream data is where an installation takes the name from.
                F::write(files + u"share/app-info/xmls/"_s + id + u".xml"_s,
                         "<components version=\"0.8\"><component type=\"desktop\"><id>" + id.toUtf8()
                             + "</id><name>" + appdataName
                             + "</name><summary>s</summary></component></components>\n");
                run(u"gzip"_s, { files + u"share/app-info/xmls/"_s + id + u".xml"_s });
            }
            flatpak({ u"build-finish"_s, u"--command=app"_s, u"build-"_s + id });
            flatpak({ u"build-export"_s, u"--no-update-summary"_s, repo, u"build-"_s + id });
        }
        flatpak({ u"build-update-repo"_s, repo });
        install(u"--system"_s, { u"test"_s, QLatin1StringView(SystemApp), QLatin1StringView(BothApp) });
        install(u"--user"_s,
                { u"test"_s, QLatin1StringView(UserApp), QLatin1StringView(BothApp),
                  QLatin1StringView(LocalisedApp), QLatin1StringView(AppDataApp) });
        // Flathub cannot be reached from a test: the same repository under its name, moved to its
        // address after the install, is what the installation then describes.
        flatpak({ u"--user"_s, u"remote-add"_s, u"--no-gpg-verify"_s, u"flathub"_s, u"file://"_s + repo });
        install(u"--user"_s, { u"flathub"_s, QLatin1StringView(FlathubApp) });
        flatpak({ u"--user"_s, u"remote-modify"_s, u"--url=https://dl.flathub.org/repo/"_s, u"flathub"_s });
        flatpak({ u"build-bundle"_s, repo, work + u"/side.flatpak"_s, QLatin1StringView(SideloadedApp) });
        install(u"--user"_s, { u"--bundle"_s, work + u"/side.flatpak"_s });
    }

    QString m_error;
};

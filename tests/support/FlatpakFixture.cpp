#include "FlatpakFixture.h"

#include <QBuffer>
#include <QColor>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>

using namespace Qt::StringLiterals;

namespace {

QString environmentPath(const char* name)
{
    return QFile::decodeName(qgetenv(name));
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray desktopEntry(const QByteArray& nameLines)
{
    return "[Desktop Entry]\nType=Application\nExec=true\n" + nameLines + '\n';
}

} // namespace

const FlatpakFixture& FlatpakFixture::shared()
{
    static const FlatpakFixture fixture;
    return fixture;
}

FlatpakFixture::FlatpakFixture()
{
    QElapsedTimer timer;
    timer.start();
    build();
    m_buildSeconds = double(timer.elapsed()) / 1000;
}

QString FlatpakFixture::userDir() const
{
    return environmentPath("FLATPAK_USER_DIR");
}

QString FlatpakFixture::systemDir() const
{
    return environmentPath("FLATPAK_SYSTEM_DIR");
}

QStringList FlatpakFixture::listedIDs()
{
    return { QString::fromLatin1(UserApp),    QString::fromLatin1(SystemApp),
             QString::fromLatin1(BothApp),    QString::fromLatin1(LocalisedApp),
             QString::fromLatin1(AppDataApp), QString::fromLatin1(FlathubApp) };
}

bool FlatpakFixture::build()
{
    if (userDir().isEmpty() || systemDir().isEmpty()) {
        m_error = u"FLATPAK_USER_DIR and FLATPAK_SYSTEM_DIR are not set"_s;
        return false;
    }
    m_work = QFileInfo(systemDir()).path() + u"/work"_s;
    QDir().mkpath(m_work);
    const QString repo = m_work + u"/repo"_s;
    const QString repoURL = u"file://"_s + repo;

    auto run = [this](const QString& program, const QStringList& arguments) {
        if (!m_error.isEmpty())
            return false;
        QProcess process;
        process.setWorkingDirectory(m_work);
        process.setProcessChannelMode(QProcess::MergedChannels);
        process.start(program, arguments);
        if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit
            || process.exitCode() != 0) {
            m_error = program + u' ' + arguments.join(u' ') + u": "_s
                + QString::fromLocal8Bit(process.readAll()) + process.errorString();
            return false;
        }
        return true;
    };
    const QString flatpak = u"flatpak"_s;
    const QStringList quietInstall { u"install"_s, u"-y"_s, u"--noninteractive"_s };

    // The runtime: a metadata file and one file are all an application needs to be installed.
    const QString runtime = QString::fromLatin1(Runtime);
    const QString runtimeRef = runtime + u"/x86_64/1"_s;
    writeFile(m_work + u"/runtime/metadata"_s,
              QString(u"[Runtime]\nname="_s + runtime + u"\nruntime="_s + runtimeRef + u"\nsdk="_s
                      + runtimeRef + u'\n')
                  .toUtf8());
    writeFile(m_work + u"/runtime/usr/README"_s, "test runtime\n");
    QDir().mkpath(m_work + u"/runtime/files"_s);
    run(u"ostree"_s, { u"init"_s, u"--mode=archive-z2"_s, u"--repo="_s + repo });
    run(flatpak, { u"build-export"_s, u"--runtime"_s, u"--no-update-summary"_s, repo, u"runtime"_s, u"1"_s });
    run(flatpak, { u"build-update-repo"_s, repo });
    for (const QString& scope : { u"--user"_s, u"--system"_s })
        run(flatpak, { scope, u"remote-add"_s, u"--no-gpg-verify"_s, u"test"_s, repoURL });
    run(flatpak, QStringList { u"--system"_s } + quietInstall + QStringList { u"test"_s, runtime });

    QImage icon(64, 64, QImage::Format_ARGB32);
    icon.fill(QColor(0, 0, 255));
    QByteArray iconBytes;
    {
        QBuffer buffer(&iconBytes);
        buffer.open(QIODevice::WriteOnly);
        icon.save(&buffer, "PNG");
    }

    struct App
    {
        const char* id;
        QByteArray nameLines;
        QByteArray appdataName;
        bool icon = false;
    };
    const QList<App> apps {
        { UserApp, "Name=User App", {}, true },
        { SystemApp, {}, {}, false },
        { BothApp, "Name=Both App", {}, false },
        { LocalisedApp, "Name=Plain\nName[en]=English\nName[en_US]=American\nName[de]=Deutsch", {}, false },
        { AppDataApp, "Name=Desktop Name", "AppStream Name", false },
        { FlathubApp, "Name=Flathub App", {}, false },
        { SideloadedApp, "Name=Sideloaded App", {}, false },
    };
    for (const App& app : apps) {
        const QString id = QString::fromLatin1(app.id);
        const QString folder = u"build-"_s + id;
        run(flatpak, { u"build-init"_s, folder, id, runtime, runtime, u"1"_s });
        const QString files = m_work + u'/' + folder + u"/files/"_s;
        writeFile(files + u"bin/app"_s, "#!/bin/sh\n");
        if (!app.nameLines.isEmpty())
            writeFile(files + u"share/applications/"_s + id + u".desktop"_s, desktopEntry(app.nameLines));
        if (app.icon)
            writeFile(files + u"share/icons/hicolor/64x64/apps/"_s + id + u".png"_s, iconBytes);
        if (!app.appdataName.isEmpty()) {
            // The repository's AppStream data is where an installation takes the name from.
            const QByteArray xml =
                QByteArray("<?xml version=\"1.0\"?>\n<components version=\"0.8\"><component "
                           "type=\"desktop\"><id>")
                + id.toUtf8() + "</id><name>" + app.appdataName
                + "</name><summary>s</summary></component></components>\n";
            writeFile(files + u"share/app-info/xmls/"_s + id + u".xml"_s, xml);
            run(u"gzip"_s, { u"-f"_s, files + u"share/app-info/xmls/"_s + id + u".xml"_s });
        }
        run(flatpak, { u"build-finish"_s, u"--command=app"_s, folder });
        run(flatpak, { u"build-export"_s, u"--no-update-summary"_s, repo, folder });
    }
    run(flatpak, { u"build-update-repo"_s, repo });

    run(flatpak,
        QStringList { u"--user"_s } + quietInstall
            + QStringList { u"test"_s, QString::fromLatin1(UserApp), QString::fromLatin1(BothApp),
                            QString::fromLatin1(LocalisedApp), QString::fromLatin1(AppDataApp) });
    run(flatpak,
        QStringList { u"--system"_s } + quietInstall
            + QStringList { u"test"_s, QString::fromLatin1(SystemApp), QString::fromLatin1(BothApp) });
    // Flathub's own remote cannot be reached from a test; the same repository under its name,
    // moved to its address after the install, is what the installation then describes.
    run(flatpak, { u"--user"_s, u"remote-add"_s, u"--no-gpg-verify"_s, u"flathub"_s, repoURL });
    run(flatpak,
        QStringList { u"--user"_s } + quietInstall
            + QStringList { u"flathub"_s, QString::fromLatin1(FlathubApp) });
    run(flatpak, { u"--user"_s, u"remote-modify"_s, u"--url=https://dl.flathub.org/repo/"_s, u"flathub"_s });
    const QString bundle = m_work + u"/sideloaded.flatpak"_s;
    run(flatpak, { u"build-bundle"_s, repo, bundle, QString::fromLatin1(SideloadedApp) });
    run(flatpak, QStringList { u"--user"_s } + quietInstall + QStringList { u"--bundle"_s, bundle });
    return m_error.isEmpty();
}

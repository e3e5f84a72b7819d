// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FlatpakInstallations.h"

#include "SafeFile.h"

#include <QFile>
#include <QStandardPaths>

namespace {

using Outcome = FileSystem::Outcome;

QString pathFromEnvironment(const char* variable, const QString& fallback)
{
    const QString value = QFile::decodeName(qgetenv(variable));
    return value.isEmpty() ? fallback : value;
}

FlatpakInstallations::Installation userInstallation()
{
    return { {},
             pathFromEnvironment("FLATPAK_USER_DIR",
                                 QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)
                                     + QStringLiteral("/flatpak")),
             false };
}

// The groups [Installation "<id>"] of a file of installations.d, with their Path.
QList<FlatpakInstallations::Installation> installationsIn(const QByteArray& file)
{
    static const QByteArray Header = "[Installation \"";
    QList<FlatpakInstallations::Installation> found;
    bool inGroup = false;
    for (const QByteArray& rawLine : file.split('\n')) {
        const QByteArray line = rawLine.trimmed();
        if (line.startsWith('[')) {
            inGroup = line.startsWith(Header) && line.endsWith("\"]") && line.size() > Header.size() + 2;
            if (inGroup)
                found.append({ line.mid(Header.size(), line.size() - Header.size() - 2), {}, true });
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (inGroup && equals > 0 && line.left(equals).trimmed() == "Path")
            found.last().path = QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return found;
}

// The default system installation, then those installations.d configures in the order of its
// files; the reads of the folder and its files are noted in completeness.
QList<FlatpakInstallations::Installation> systemInstallations(Completeness& completeness)
{
    QList<FlatpakInstallations::Installation> installations {
        { QByteArrayLiteral("default"),
          pathFromEnvironment("FLATPAK_SYSTEM_DIR", QStringLiteral("/var/lib/flatpak")), false }
    };
    const QString folder =
        FileSystem::joinPath(pathFromEnvironment("FLATPAK_CONFIG_DIR", QStringLiteral("/etc/flatpak")),
                             QStringLiteral("installations.d"));
    QStringList files = completeness.note(FileSystem::listDirectory(folder)).value_or(QStringList());
    files.sort();
    for (const QString& name : std::as_const(files)) {
        if (!name.endsWith(QStringLiteral(".conf")))
            continue;
        const ReadResult<QByteArray> file =
            completeness.note(SafeFile::readRegularFile(FileSystem::joinPath(folder, name), 1024 * 1024));
        if (file)
            installations.append(installationsIn(*file));
    }
    return installations;
}

} // namespace

QList<FlatpakInstallations::Installation> FlatpakInstallations::configured(Completeness& completeness)
{
    QList<Installation> installations { userInstallation() };
    installations.append(systemInstallations(completeness));
    return installations;
}

FileSystem::Outcome FlatpakInstallations::repositoryOf(const Installation& installation)
{
    const Outcome folder = FileSystem::status(installation.path).outcome;
    if (folder != Outcome::Read)
        return folder == Outcome::Absent && !installation.configured ? Outcome::Absent : Outcome::Failed;
    return FileSystem::status(FileSystem::joinPath(installation.path, QStringLiteral("repo"))).outcome;
}

FileSystem::Outcome FlatpakInstallations::onDisk()
{
    Completeness configuration;
    const QList<Installation> installations = configured(configuration);
    Outcome found = configuration.isComplete() ? Outcome::Absent : Outcome::Failed;
    for (const Installation& installation : std::as_const(installations)) {
        const Outcome repository = repositoryOf(installation);
        if (repository == Outcome::Read)
            return Outcome::Read;
        if (repository == Outcome::Failed)
            found = Outcome::Failed;
    }
    return found;
}

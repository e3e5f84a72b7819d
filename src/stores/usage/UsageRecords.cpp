// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "UsageRecords.h"

#include "FileSystem.h"
#include "Posix.h"
#include "SafeFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <memory>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const QString DesktopSuffix = u".desktop"_s;
const QString ApplicationsScheme = u"applications:"_s;

// The last second of year 9999: later times are no real use, and no date text could show them.
constexpr qint64 LatestSeconds = 253402300799;

// Seconds since 1970; zero means never.
std::optional<QDateTime> fromSeconds(qint64 seconds)
{
    if (seconds <= 0 || seconds > LatestSeconds)
        return std::nullopt;
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

// ASCII digits, as GNOME Shell writes them.
std::optional<QDateTime> unixTime(QStringView digits)
{
    if (digits.isEmpty() || digits.size() > 12)
        return std::nullopt;
    qint64 seconds = 0;
    for (const QChar c : digits) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        seconds = seconds * 10 + (c.unicode() - u'0');
    }
    return fromSeconds(seconds);
}

void keepNewest(UsageRecords::LastUse& lastUse, const QString& id, const QDateTime& time)
{
    if (id.isEmpty())
        return;
    auto known = lastUse.find(id);
    if (known == lastUse.end())
        lastUse.insert(id, time);
    else if (*known < time)
        *known = time;
}

struct DatabaseCloser
{
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
struct StatementFinalizer
{
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};

bool writeCopy(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::NewOnly) && file.write(bytes) == bytes.size();
}

// The copies of the database live in folders named so, each locked while a read uses it.
const QString CopyFolderPrefix = u"kudora-activity-"_s;

QString copiesFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    return runtime.startsWith(u'/') && FileSystem::status(runtime).isDirectory ? runtime : QDir::tempPath();
}

// A copy holds the user's activity history: one that a killed process left behind is removed, so
// that none lingers in a shared temporary folder. A folder still locked is another read's.
void removeLeftoverCopies(const QString& base)
{
    for (const QString& name : FileSystem::listDirectory(base).value_or(QStringList())) {
        if (!name.startsWith(CopyFolderPrefix))
            continue;
        const QString folder = FileSystem::joinPath(base, name);
        struct stat info;
        if (::lstat(QFile::encodeName(folder).constData(), &info) != 0 || !S_ISDIR(info.st_mode)
            || info.st_uid != ::geteuid())
            continue;
        if (const UniqueFd lock = Posix::lock(folder, Posix::LockWait::DontWait, true); lock.isValid())
            QDir(folder).removeRecursively();
    }
}

int stopWhenSpent(void* remaining)
{
    return --*static_cast<int*>(remaining) < 0;
}

} // namespace

UsageRecords::Result UsageRecords::read(const QString& dataHome)
{
    removeLeftoverCopies(copiesFolder());
    Result result;
    const QString statePath = FileSystem::joinPath(dataHome, u"gnome-shell/application_state"_s);
    if (const std::optional<QByteArray> document = SafeFile::readRegularFile(statePath, StateFileLimit)) {
        if (const std::optional<LastUse> gnome = parseGnomeShellState(*document))
            result.lastUse = *gnome;
    }
    const QString databasePath = FileSystem::joinPath(dataHome, u"kactivitymanagerd/resources/database"_s);
    if (const std::optional<LastUse> kde = readActivityDatabase(databasePath)) {
        for (auto it = kde->cbegin(); it != kde->cend(); ++it)
            keepNewest(result.lastUse, it.key(), it.value());
    }
    return result;
}

std::optional<UsageRecords::LastUse> UsageRecords::parseGnomeShellState(const QByteArray& document)
{
    LastUse lastUse;
    QXmlStreamReader reader(document);
    bool sawRoot = false;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (!sawRoot) {
            if (reader.name() != u"application-state")
                return std::nullopt;
            sawRoot = true;
            continue;
        }
        if (reader.name() != u"application")
            continue;
        const QXmlStreamAttributes attributes = reader.attributes();
        if (const std::optional<QDateTime> seen = unixTime(attributes.value(u"last-seen"_s)))
            keepNewest(lastUse, applicationID(attributes.value(u"id"_s).toString()), *seen);
    }
    if (reader.hasError() || !sawRoot)
        return std::nullopt;
    return lastUse;
}

std::optional<UsageRecords::LastUse> UsageRecords::readActivityDatabase(const QString& path, int workBudget)
{
    // The activity manager keeps the database open and writes it at any time. Reading a private
    // copy never takes a lock on the original, so the manager never waits and nothing of ours can
    // reach its file; the log goes along so that recent uses not yet merged into the main file count.
    const std::optional<QByteArray> database = SafeFile::readRegularFile(path, DatabaseLimit);
    if (!database)
        return std::nullopt;
    const QString logPath = path + u"-wal"_s;
    const ReadResult<QByteArray> log = SafeFile::readRegularFile(logPath, DatabaseLimit);
    if (log.outcome() == ReadOutcome::Failed)
        return std::nullopt;
    const QTemporaryDir folder(FileSystem::joinPath(copiesFolder(), CopyFolderPrefix + u"XXXXXX"_s));
    const UniqueFd inUse = Posix::lock(folder.path(), Posix::LockWait::Wait, true);
    if (!folder.isValid() || !inUse.isValid())
        return std::nullopt;
    const QString copyPath = folder.filePath(u"database"_s);
    if (!writeCopy(copyPath, *database) || (log && !writeCopy(copyPath + u"-wal"_s, *log)))
        return std::nullopt;

    sqlite3* opened = nullptr;
    const int status = sqlite3_open_v2(QFile::encodeName(copyPath).constData(), &opened,
                                       SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr);
    const std::unique_ptr<sqlite3, DatabaseCloser> db(opened);
    if (status != SQLITE_OK)
        return std::nullopt;
    // The file is untrusted: nothing in its schema may run functions or write through views, and
    // however it is made, reading it ends. A view of that name could query itself for ever.
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(db.get(), SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    constexpr int InstructionsPerCheck = 1000;
    int checksLeft = workBudget / InstructionsPerCheck;
    sqlite3_progress_handler(db.get(), InstructionsPerCheck, stopWhenSpent, &checksLeft);

    const auto prepare = [&db](const char* sql) {
        sqlite3_stmt* prepared = nullptr;
        sqlite3_prepare_v2(db.get(), sql, -1, &prepared, nullptr);
        return std::unique_ptr<sqlite3_stmt, StatementFinalizer>(prepared);
    };
    // A table with pages of its own: no view, no virtual table.
    const auto table = prepare("SELECT 1 FROM main.sqlite_master WHERE type = 'table' AND rootpage > 0 "
                               "AND name = 'ResourceScoreCache' COLLATE NOCASE");
    if (!table || sqlite3_step(table.get()) != SQLITE_ROW)
        return std::nullopt;
    const auto statement =
        prepare("SELECT targettedResource, MAX(lastUpdate) FROM main.ResourceScoreCache "
                "WHERE targettedResource LIKE 'applications:%' GROUP BY targettedResource");
    if (!statement)
        return std::nullopt;
    LastUse lastUse;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement.get())) == SQLITE_ROW) {
        const auto* resource = reinterpret_cast<const char*>(sqlite3_column_text(statement.get(), 0));
        const std::optional<QDateTime> used = fromSeconds(sqlite3_column_int64(statement.get(), 1));
        if (!resource || !used)
            continue;
        QString id = QString::fromUtf8(resource);
        if (id.startsWith(ApplicationsScheme))
            id.remove(0, ApplicationsScheme.size());
        keepNewest(lastUse, applicationID(std::move(id)), *used);
    }
    if (step != SQLITE_DONE)
        return std::nullopt;
    return lastUse;
}

QString UsageRecords::applicationID(QString desktopID)
{
    if (desktopID.endsWith(DesktopSuffix))
        desktopID.chop(DesktopSuffix.size());
    return desktopID;
}

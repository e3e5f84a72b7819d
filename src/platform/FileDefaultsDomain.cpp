// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDefaultsDomain.h"

#include "PropertyList.h"
#include "SafeFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
int retryOnInterrupt(const auto& call)
{
    int result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

QByteArray nativePath(const QString& path)
{
    return QFile::encodeName(path);
}

// Creates folder and its missing parents, each readable by the owner only.
bool makeFolder(const QString& folder)
{
    const QByteArray native = nativePath(folder);
    if (native.isEmpty() || native.contains('\0'))
        return false;
    struct stat info;
    if (::stat(native.constData(), &info) == 0)
        return S_ISDIR(info.st_mode);
    const QString parent = QFileInfo(folder).path();
    if (parent != folder && !makeFolder(parent))
        return false;
    return ::mkdir(native.constData(), 0700) == 0
        || (errno == EEXIST && ::stat(native.constData(), &info) == 0 && S_ISDIR(info.st_mode));
}

bool writeAll(int fd, const QByteArray& bytes)
{
    qsizetype written = 0;
    while (written < bytes.size()) {
        const ssize_t count = ::write(fd, bytes.constData() + written, size_t(bytes.size() - written));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        written += count;
    }
    return true;
}

// Replaces filePath with bytes so that a crash at any moment leaves either the old or the new
// file whole: a private temporary file in the same folder, flushed to disk, renamed over it.
bool replaceAtomically(const QString& filePath, const QByteArray& bytes)
{
    const QFileInfo file(filePath);
    QByteArray temporary =
        nativePath(file.path() + QStringLiteral("/.") + file.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkostemp(temporary.data(), O_CLOEXEC); // created 0600
    if (fd < 0)
        return false;
    const bool written = writeAll(fd, bytes) && ::fchmod(fd, 0600) == 0 && ::fsync(fd) == 0;
    const bool closed = ::close(fd) == 0;
    if (!written || !closed || ::rename(temporary.constData(), nativePath(filePath).constData()) != 0) {
        ::unlink(temporary.constData());
        return false;
    }
    // The rename itself must reach the disk too.
    const int folder = ::open(nativePath(file.path()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

// Removes the temporary files of writers that died before their rename (mkostemp names them
// ".<file>.XXXXXX"). Every writer holds the lock while its temporary file exists, so under the lock
// any such file is a leftover, and without this each crash mid-write would leave one for good.
void removeLeftoverTemporaries(const QString& filePath)
{
    const QFileInfo file(filePath);
    const QByteArray prefix = nativePath(QStringLiteral(".") + file.fileName() + QStringLiteral("."));
    DIR* folder = ::opendir(nativePath(file.path()).constData());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder)) {
        if (std::strlen(entry->d_name) == size_t(prefix.size()) + 6
            && std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) == 0)
            ::unlinkat(::dirfd(folder), entry->d_name, 0); // never a folder
    }
    ::closedir(folder);
}

// Keeps a damaged file for whoever wants to look at it, under a name no later write touches; the
// name it now has, or empty when it could not be moved.
QString moveAside(const QString& filePath)
{
    const QString stamp = QDateTime::currentDateTimeUtc().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = filePath + QStringLiteral(".corrupt-") + stamp;
    struct stat info;
    for (int n = 1; ::lstat(nativePath(target).constData(), &info) == 0; ++n)
        target = filePath + QStringLiteral(".corrupt-") + stamp + u'-' + QString::number(n);
    return ::rename(nativePath(filePath).constData(), nativePath(target).constData()) == 0 ? target
                                                                                           : QString();
}
} // namespace

// An exclusive advisory lock on "<file>.lock", held while the object lives. The kernel drops it
// when the process ends, so a crashed writer never blocks the next one.
class FileDefaultsDomain::Lock
{
public:
    explicit Lock(const QString& filePath)
    {
        const QByteArray path = nativePath(filePath + QStringLiteral(".lock"));
        m_fd = retryOnInterrupt(
            [&] { return ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600); });
        if (m_fd >= 0 && retryOnInterrupt([&] { return ::flock(m_fd, LOCK_EX); }) != 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }
    ~Lock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
    bool isLocked() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

FileDefaultsDomain::FileDefaultsDomain(QString filePath)
    : m_filePath(std::move(filePath))
{ }

// Out of line: the lock type is complete only here.
FileDefaultsDomain::~FileDefaultsDomain() = default;

bool FileDefaultsDomain::isUsable(const QString& filePath)
{
    const QFileInfo file(filePath);
    if (!file.isAbsolute() || file.fileName().isEmpty() || !makeFolder(file.path()))
        return false;
    // Creating the lock file proves that the folder takes new files (even for root on a
    // read-only mount, where access() would say yes).
    const QByteArray lockPath = nativePath(filePath + QStringLiteral(".lock"));
    const int fd = ::open(lockPath.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    struct stat info;
    // Something at the path that is no file (a folder, say) could never be replaced by one.
    return ::lstat(nativePath(filePath).constData(), &info) != 0 || S_ISREG(info.st_mode)
        || S_ISLNK(info.st_mode);
}

std::optional<QVariantMap> FileDefaultsDomain::readStored(bool& readFailed) const
{
    FileSystem::Outcome outcome;
    const std::optional<QByteArray> bytes =
        SafeFile::readRegularFile(m_filePath, SafeFile::DefaultLimit, &outcome);
    readFailed = outcome == FileSystem::Outcome::Failed;
    if (!bytes)
        return outcome == FileSystem::Outcome::Absent ? std::optional(QVariantMap()) : std::nullopt;
    const QMutexLocker locker(&m_lastReadMutex);
    // The same bytes parse to the same dictionary; comparing them costs far less than parsing.
    if (!m_lastReadBytes.isNull() && *bytes == m_lastReadBytes)
        return m_lastReadDictionary;
    m_lastReadDictionary = PropertyList::parseDictionary(*bytes);
    m_lastReadBytes = *bytes;
    return m_lastReadDictionary;
}

QVariantMap FileDefaultsDomain::currentLocked(bool lockHeld) const
{
    if (m_memory)
        return *m_memory;
    bool readFailed = false;
    if (const std::optional<QVariantMap> stored = readStored(readFailed))
        return *stored;
    if (!readFailed) {
        // Damaged. Another instance may have replaced it meanwhile: read once more under the lock.
        const auto lock = lockHeld ? nullptr : std::make_unique<Lock>(m_filePath);
        if (const std::optional<QVariantMap> stored = readStored(readFailed))
            return *stored;
        if (const QString kept = readFailed ? QString() : moveAside(m_filePath); !kept.isEmpty()) {
            m_trouble.damagedFileCopy = kept;
            return {};
        }
    }
    // A file that could not be read (or kept aside) may hold everything the user chose: it is never
    // written over, and the values live in memory, from the last read that worked, until the end.
    m_trouble.unreadableFile = m_filePath;
    const QMutexLocker locker(&m_lastReadMutex);
    m_memory = m_lastReadDictionary.value_or(QVariantMap());
    return *m_memory;
}

QVariant FileDefaultsDomain::value(const QString& key) const
{
    const QMutexLocker locker(&m_batchMutex);
    if (m_batch.depth > 0)
        return m_batch.dictionary.value(key);
    return currentLocked(false).value(key);
}

void FileDefaultsDomain::modify(const QString& key, const Modifier& modifier)
{
    const QMutexLocker locker(&m_batchMutex);
    // A change outside a batch is a batch of its own.
    openBatchLocked();
    const bool alone = m_batch.depth == 1;
    const Change change = modifier(m_batch.dictionary.value(key));
    if (change.kind == Change::Kind::Set) {
        // A value no property list can carry is not stored; the old one stays. Alone, the write
        // finds that out without converting the value twice; in a batch, the end could no longer
        // tell which change brought the value in.
        if ((!alone || m_memory)
            && PropertyList::serialize(QVariantMap { { key, change.value } }, PropertyList::Format::Binary)
                   .isEmpty()) {
            closeBatchLocked();
            return;
        }
        m_batch.dictionary.insert(key, change.value);
        m_batch.changed = true;
        if (alone)
            m_batch.uncheckedKey = key;
    } else if (change.kind == Change::Kind::Remove) {
        m_batch.dictionary.remove(key);
        m_batch.changed = true;
    }
    closeBatchLocked();
}

void FileDefaultsDomain::beginBatch()
{
    const QMutexLocker locker(&m_batchMutex);
    openBatchLocked();
}

void FileDefaultsDomain::endBatch()
{
    const QMutexLocker locker(&m_batchMutex);
    closeBatchLocked();
}

void FileDefaultsDomain::openBatchLocked()
{
    if (m_batch.depth++ > 0)
        return;
    m_batch.changed = false;
    if (m_memory) {
        m_batch.dictionary = *m_memory;
        return;
    }
    makeFolder(QFileInfo(m_filePath).path());
    // Without the lock the write still goes ahead: in a folder that takes no lock file it
    // fails anyway, and elsewhere losing the change would be worse than the rare race.
    m_batch.lock = std::make_unique<Lock>(m_filePath);
    if (m_batch.lock->isLocked())
        removeLeftoverTemporaries(m_filePath);
    m_batch.dictionary = currentLocked(true);
    if (m_memory)
        m_batch.lock.reset();
}

void FileDefaultsDomain::closeBatchLocked()
{
    if (m_batch.depth == 0 || --m_batch.depth > 0)
        return;
    if (m_batch.changed && m_memory)
        m_memory = m_batch.dictionary;
    else if (m_batch.changed)
        writeBatchLocked();
    m_batch = OpenBatch();
}

void FileDefaultsDomain::writeBatchLocked()
{
    QVariantMap& dictionary = m_batch.dictionary;
    // Binary, as the platform's own preference files are: it keeps dates to the millisecond, where
    // XML keeps whole seconds.
    QByteArray bytes = PropertyList::serialize(dictionary, PropertyList::Format::Binary);
    if (bytes.isEmpty()) {
        if (m_batch.uncheckedKey
            && PropertyList::serialize(
                   QVariantMap { { *m_batch.uncheckedKey, dictionary.value(*m_batch.uncheckedKey) } },
                   PropertyList::Format::Binary)
                   .isEmpty())
            return;
        // Every value changed here can be written on its own, so what cannot be written is an
        // entry read from the file: a binary file of another program may hold a text with a NUL
        // character, which reads but cannot be written back. Keeping such an entry would make
        // every later write fail, so it is dropped.
        dictionary.removeIf([](const std::pair<const QString&, QVariant&>& entry) {
            return PropertyList::serialize(QVariantMap { { entry.first, entry.second } },
                                           PropertyList::Format::Binary)
                .isEmpty();
        });
        bytes = PropertyList::serialize(dictionary, PropertyList::Format::Binary);
        if (bytes.isEmpty())
            return;
    }
    replaceAtomically(m_filePath, bytes);
}

QString FileDefaultsDomain::location() const
{
    return m_filePath;
}

DefaultsDomain::Trouble FileDefaultsDomain::trouble() const
{
    const QMutexLocker locker(&m_batchMutex);
    return m_trouble;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FileDefaultsDomain.h"

#include "Posix.h"
#include "PropertyList.h"
#include "SafeFile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>

namespace {
QByteArray nativePath(const QString& path)
{
    return Posix::nativePath(path);
}

// Removes the temporary files of writers that died before their rename (mkostemp names them
// ".<file>.XXXXXX"). Every writer holds the lock while its temporary file exists, so under the lock
// any such file is a leftover, and without this each crash mid-write would leave one for good.
void removeLeftoverTemporaries(const QString& filePath)
{
    const QFileInfo file(filePath);
    const QByteArray prefix = nativePath(QStringLiteral(".") + file.fileName() + QStringLiteral("."));
    const Posix::Directory folder = Posix::openDirectory(file.path());
    if (!folder)
        return;
    while (const dirent* entry = ::readdir(folder.get())) {
        if (std::strlen(entry->d_name) == size_t(prefix.size()) + 6
            && std::strncmp(entry->d_name, prefix.constData(), size_t(prefix.size())) == 0)
            ::unlinkat(::dirfd(folder.get()), entry->d_name, 0); // never a folder
    }
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
        : m_fd(Posix::lock(filePath + QStringLiteral(".lock"), Posix::LockWait::Wait))
    { }
    bool isLocked() const { return m_fd.isValid(); }

private:
    UniqueFd m_fd;
};

FileDefaultsDomain::FileDefaultsDomain(QString filePath)
    : m_filePath(std::move(filePath))
{
    const QMutexLocker locker(&m_batchMutex);
    loadLocked(false);
}

// Out of line: the lock type is complete only here.
FileDefaultsDomain::~FileDefaultsDomain() = default;

bool FileDefaultsDomain::isUsable(const QString& filePath)
{
    const QFileInfo file(filePath);
    if (!file.isAbsolute() || file.fileName().isEmpty() || !Posix::makePrivateFolder(file.path()))
        return false;
    // Creating the lock file proves that the folder takes new files (even for root on a
    // read-only mount, where access() would say yes).
    if (!Posix::open(filePath + QStringLiteral(".lock"), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600)
             .isValid())
        return false;
    struct stat info;
    // Something at the path that is no file (a folder, say) could never be replaced by one.
    return ::lstat(nativePath(filePath).constData(), &info) != 0 || S_ISREG(info.st_mode)
        || S_ISLNK(info.st_mode);
}

ReadResult<QVariantMap> FileDefaultsDomain::readStored() const
{
    const ReadResult<QByteArray> bytes = SafeFile::readRegularFile(m_filePath, SafeFile::DefaultLimit);
    if (!bytes)
        return bytes.outcome();
    const QMutexLocker locker(&m_parseCache.mutex);
    // The same bytes parse to the same dictionary; comparing them costs far less than parsing.
    if (m_parseCache.bytes.isNull() || *bytes != m_parseCache.bytes) {
        m_parseCache.dictionary = PropertyList::parseDictionary(*bytes);
        m_parseCache.bytes = *bytes;
        if (m_parseCache.dictionary)
            m_parseCache.lastDictionary = *m_parseCache.dictionary;
    }
    return { m_parseCache.dictionary, ReadOutcome::Read };
}

QVariantMap FileDefaultsDomain::readValuesLocked() const
{
    if (m_memory)
        return *m_memory;
    const ReadResult<QVariantMap> stored = readStored();
    if (stored || stored.outcome() == ReadOutcome::Absent)
        return stored.value_or(QVariantMap());
    const QMutexLocker locker(&m_parseCache.mutex);
    return m_parseCache.lastDictionary;
}

QVariantMap FileDefaultsDomain::loadLocked(bool lockHeld)
{
    if (m_memory)
        return *m_memory;
    ReadResult<QVariantMap> stored = readStored();
    if (stored || stored.outcome() == ReadOutcome::Absent)
        return stored.value_or(QVariantMap());
    if (stored.outcome() == ReadOutcome::Read) {
        // Damaged. Another instance may have replaced it meanwhile: read once more under the lock.
        const auto lock = lockHeld ? nullptr : std::make_unique<Lock>(m_filePath);
        stored = readStored();
        if (stored || stored.outcome() == ReadOutcome::Absent)
            return stored.value_or(QVariantMap());
        if (const QString kept = stored.outcome() == ReadOutcome::Failed ? QString() : moveAside(m_filePath);
            !kept.isEmpty()) {
            m_trouble.damagedFileCopy = kept;
            return {};
        }
    }
    // A file that could not be read (or kept aside) may hold everything the user chose: it is never
    // written over, and the values live in memory, from the last read that worked, until the end.
    m_trouble.unreadableFile = m_filePath;
    const QMutexLocker locker(&m_parseCache.mutex);
    m_memory = m_parseCache.lastDictionary;
    return *m_memory;
}

QVariant FileDefaultsDomain::value(const QString& key) const
{
    const QMutexLocker locker(&m_batchMutex);
    if (m_batch.depth > 0)
        return m_batch.dictionary.value(key);
    return readValuesLocked().value(key);
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
    Posix::makePrivateFolder(QFileInfo(m_filePath).path());
    // Without the lock the write still goes ahead: in a folder that takes no lock file it
    // fails anyway, and elsewhere losing the change would be worse than the rare race.
    m_batch.lock = std::make_unique<Lock>(m_filePath);
    if (m_batch.lock->isLocked())
        removeLeftoverTemporaries(m_filePath);
    m_batch.dictionary = loadLocked(true);
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
    if (!Posix::replaceAtomically(m_filePath, bytes))
        return;
    // Parsed as a read would (a list of texts comes back as a list): what the next read finds, and
    // what reads go on with should another program damage the file.
    const QMutexLocker locker(&m_parseCache.mutex);
    m_parseCache.bytes = bytes;
    m_parseCache.dictionary = PropertyList::parseDictionary(bytes);
    if (m_parseCache.dictionary)
        m_parseCache.lastDictionary = *m_parseCache.dictionary;
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

#pragma once

#include "DefaultsDomain.h"

#include <QByteArray>
#include <QMutex>
#include <QVariantMap>

#include <memory>
#include <optional>

// A domain stored as one property-list file. Every write replaces the file atomically (temporary
// file, then rename) under an advisory lock on "<file>.lock", so that a crash mid-write leaves the
// old file whole and two running instances never lose each other's writes. The file is readable
// by its owner only. A file that cannot be parsed is moved aside, not deleted, before the first
// write replaces it.
class FileDefaultsDomain : public DefaultsDomain
{
public:
    explicit FileDefaultsDomain(QString filePath);
    ~FileDefaultsDomain() override;

    // True when the file's folder exists (or could be created) and a file can be written in it.
    static bool isUsable(const QString& filePath);

    QVariant value(const QString& key) const override;
    void modify(const QString& key, const Modifier& modifier) override;
    QString location() const override;

protected:
    void beginBatch() override;
    void endBatch() override;

private:
    class Lock;
    // The state of the open batch: the dictionary every read and change of this process works on
    // until the batch ends, and the lock that keeps other writers out meanwhile.
    struct OpenBatch
    {
        int depth = 0;
        std::unique_ptr<Lock> lock;
        bool storedIsDamaged = false;
        bool changed = false;
        QVariantMap dictionary;
        // The key of a change made outside any batch, whose value the write checks.
        std::optional<QString> uncheckedKey;
    };

    void openBatchLocked();
    void closeBatchLocked();
    void writeBatchLocked();

    // The stored dictionary, or nothing when the file is missing or damaged. The last parse is
    // kept with the bytes it came from and reused while the file holds the same bytes, so that a
    // read that follows a read (the store is read back after every change) parses nothing.
    std::optional<QVariantMap> readStored() const;

    QString m_filePath;
    // Held while a read or change looks at the open batch; the modifier runs under it.
    mutable QMutex m_batchMutex;
    OpenBatch m_batch;
    mutable QMutex m_lastReadMutex;
    mutable QByteArray m_lastReadBytes;
    mutable std::optional<QVariantMap> m_lastReadDictionary;
};

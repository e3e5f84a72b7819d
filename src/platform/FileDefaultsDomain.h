// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "DefaultsDomain.h"
#include "ReadResult.h"

#include <QByteArray>
#include <QMutex>
#include <QVariantMap>

#include <memory>
#include <optional>

// A domain stored as one property-list file. Every write replaces the file atomically (temporary
// file, then rename) under an advisory lock on "<file>.lock", so that a crash mid-write leaves the
// old file whole and two running instances never lose each other's writes. The file is readable
// by its owner only. Loading the file (when the domain is made, and under the lock before each
// change) moves a file that was read but holds no dictionary aside, not deleted; a file that cannot
// be read at all is never replaced: the domain then lives in memory, from what it last read, until
// it goes (see trouble()). Reads only read: what another program did to the file meanwhile is
// dealt with by the next change.
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
    Trouble trouble() const override;

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
        bool changed = false;
        QVariantMap dictionary;
        // The key of a change made outside any batch, whose value the write checks.
        std::optional<QString> uncheckedKey;
    };

    void openBatchLocked();
    void closeBatchLocked();
    void writeBatchLocked();

    // The stored dictionary; nothing when there is no file (Absent), when it could not be read
    // (Failed) or when it held no dictionary (Read, but no value).
    ReadResult<QVariantMap> readStored() const;
    // What a read sees: the stored dictionary, or while the file holds none, the last one read.
    // Under the batch mutex.
    QVariantMap readValuesLocked() const;
    // The stored dictionary as the domain goes on with it: a damaged file moved aside (lock held
    // or taken) gives an empty one, an unreadable file turns the domain to memory. Under the
    // batch mutex.
    QVariantMap loadLocked(bool lockHeld);

    // The last parse, kept with the bytes it came from and reused while the file holds the same
    // bytes, so that a read that follows a read (the store is read back after every change)
    // parses nothing; and the last dictionary any parse gave.
    struct ParseCache
    {
        QMutex mutex;
        QByteArray bytes;
        std::optional<QVariantMap> dictionary;
        QVariantMap lastDictionary;
    };

    QString m_filePath;
    // Held while a read or change looks at the open batch or the memory; the modifier runs under it.
    mutable QMutex m_batchMutex;
    OpenBatch m_batch;
    // Once the file could not be read: the values from then on.
    std::optional<QVariantMap> m_memory;
    Trouble m_trouble;
    mutable ParseCache m_parseCache;
};

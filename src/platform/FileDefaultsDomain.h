#pragma once

#include "DefaultsDomain.h"

// A domain stored as one property-list file. Every write replaces the file atomically (temporary
// file, then rename) under an advisory lock on "<file>.lock", so that a crash mid-write leaves the
// old file whole and two running instances never lose each other's writes. The file is readable
// by its owner only. A file that cannot be parsed is moved aside, not deleted, before the first
// write replaces it.
class FileDefaultsDomain : public DefaultsDomain
{
public:
    explicit FileDefaultsDomain(QString filePath);

    // True when the file's folder exists (or could be created) and a file can be written in it.
    static bool isUsable(const QString& filePath);

    QVariant value(const QString& key) const override;
    void modify(const QString& key, const Modifier& modifier) override;
    QString location() const override;

private:
    QString m_filePath;
};

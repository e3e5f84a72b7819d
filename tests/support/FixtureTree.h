// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "PropertyList.h"

#include <QDateTime>
#include <QTemporaryDir>
#include <QVariantMap>

#include <optional>

// A folder tree that a test builds for itself, removed when the object goes. Every method takes
// paths relative to the tree and returns the absolute path.
class FixtureTree
{
public:
    FixtureTree();

    QString path() const { return m_dir.path(); }
    QString pathOf(const QString& relative) const { return path() + u'/' + relative; }

    QString makeFolder(const QString& relative);
    QString writeFile(const QString& to, const QByteArray& bytes) { return write(pathOf(to), bytes); }
    // Anywhere: the folders on the way are made too.
    static QString write(const QString& path, const QByteArray& bytes);
    QString writePlist(const QString& relative, const QVariantMap& dictionary,
                       PropertyList::Format format = PropertyList::Format::Xml);
    // relative/Contents/Info.plist with CFBundleIdentifier (when given) and moreInfo, and
    // relative/Contents/iTunesMetadata.plist with itemId when given.
    QString makeBundle(const QString& relative, const std::optional<QString>& bundleIdentifier,
                       const std::optional<qlonglong>& itemId = std::nullopt,
                       const QVariantMap& moreInfo = {},
                       PropertyList::Format format = PropertyList::Format::Xml);
    // Of a symbolic link too, not of its target.
    void setModificationTime(const QString& relative, const QDateTime& time);

private:
    QTemporaryDir m_dir;
};

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "AppInfo.h"
#include "AppSource.h"

#include <QHash>
#include <QList>
#include <QString>

#include <memory>
#include <optional>

class MetadataItem;
class MetadataSource;

// Finds the App Store applications in the system and the user's Applications folders. Stateless
// and synchronous; safe to run on a worker thread.
class AppScanner : public AppSource
{
public:
    // Incomplete when anything that may hold an application could not be read: a folder that
    // exists but cannot be listed, a bundle that cannot be looked at, or a bundle file that is there
    // but cannot be read or parsed, where it could decide the bundle's id or whether it is from the
    // App Store. A missing folder, or a path that is not a folder at all, holds no applications.
    using Result = AppSource::Result;

    // systemFolder is scanned always, homeFolder + "/Applications" when something exists there;
    // an empty homeFolder stands for the current user's home. Without a metadata source, the file
    // system's own (FileSystemMetadataSource) is used.
    explicit AppScanner(QString systemFolder = QStringLiteral("/Applications"), QString homeFolder = {},
                        std::shared_ptr<const MetadataSource> metadata = {});

    Result scanInstalledApps(const ReviewDateMap& reviewDates) const;
    Result scan(const ReviewDateMap& reviewDates) const override { return scanInstalledApps(reviewDates); }
    std::optional<AppInfo::Store> store() const override { return AppInfo::Store::AppStore; }
    // The system and the home Applications folders.
    QStringList watchedFolders() const override;

    // The records of one folder in listing order, complete when everything was read.
    Result scanFolder(const QString& folderPath, const ReviewDateMap& reviewDates) const;

    // Each notes in completeness a read that failed where it could have changed its answer.
    std::optional<QString> resolveAppStoreID(const std::optional<MetadataItem>& item,
                                             const QString& bundlePath, Completeness& completeness) const;
    QString resolveBundleID(const QString& bundlePath, const QString& entryName,
                            Completeness& completeness) const;

    // The attribute the metadata service may carry the App Store id under.
    static const QString& appStoreAdamIDAttribute();

private:
    // The record of the bundle entryName in folderPath, or nothing when it is not from the App Store
    // (then completeness tells whether a failed read left that open).
    std::optional<AppInfo> scanBundle(const QString& folderPath, const QString& entryName,
                                      const ReviewDateMap& reviewDates, Completeness& completeness) const;

    QString m_systemFolder;
    QString m_homeFolder;
    std::shared_ptr<const MetadataSource> m_metadata;
};

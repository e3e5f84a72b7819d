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
    // Incomplete when a scanned folder that exists could not be listed. A folder that is missing,
    // or a path that is not a folder at all, holds no applications and leaves the result complete.
    using Result = AppSource::Result;

    // systemFolder is scanned always, homeFolder + "/Applications" when something exists there;
    // an empty homeFolder stands for the current user's home. Without a metadata source, the file
    // system's own (FileSystemMetadataSource) is used.
    explicit AppScanner(QString systemFolder = QStringLiteral("/Applications"), QString homeFolder = {},
                        std::shared_ptr<const MetadataSource> metadata = {});

    Result scanInstalledApps(const ReviewDateMap& reviewDates) const;
    Result scan(const ReviewDateMap& reviewDates) const override { return scanInstalledApps(reviewDates); }
    std::optional<AppInfo::Store> store() const override { return AppInfo::Store::AppStore; }

    // The records of one folder in listing order; listed says whether the folder could be listed.
    QList<AppInfo> scanFolder(const QString& folderPath, const ReviewDateMap& reviewDates,
                              bool* listed = nullptr) const;

    std::optional<QString> resolveAppStoreID(const std::optional<MetadataItem>& item,
                                             const QString& bundlePath) const;
    QString resolveBundleID(const QString& bundlePath, const QString& entryName) const;
    static QList<AppInfo> removeDuplicateIDs(const QList<AppInfo>& apps);

    // The attribute the metadata service may carry the App Store id under.
    static const QString& appStoreAdamIDAttribute();

private:
    // The record of the bundle entryName in folderPath, or nothing when it is not from the App Store.
    std::optional<AppInfo> scanBundle(const QString& folderPath, const QString& entryName,
                                      const ReviewDateMap& reviewDates) const;

    QString m_systemFolder;
    QString m_homeFolder;
    std::shared_ptr<const MetadataSource> m_metadata;
};

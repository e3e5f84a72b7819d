#pragma once

#include "PropertyList.h"

#include <QDateTime>
#include <QString>
#include <QTemporaryDir>
#include <QVariantMap>

#include <optional>

// A folder tree that a test builds for itself: application bundles, property lists in either form,
// odd names. Removed when the object goes.
class FixtureTree
{
public:
    FixtureTree();

    QString path() const { return m_dir.path(); }
    // path() + "/" + relative
    QString pathOf(const QString& relative) const;

    // Creates the folder (and its parents) at relative; returns its path.
    QString makeFolder(const QString& relative);
    // Writes bytes to relative, creating folders on the way; returns the path.
    QString writeFile(const QString& relative, const QByteArray& bytes);
    QString writePlist(const QString& relative, const QVariantMap& dictionary,
                       PropertyList::Format format = PropertyList::Format::Xml);

    // A desktop bundle: relative/Contents/Info.plist holding CFBundleIdentifier (when given) and
    // any further keys; relative/Contents/iTunesMetadata.plist holding itemId when given.
    QString makeBundle(const QString& relative, const std::optional<QString>& bundleIdentifier,
                       const std::optional<qlonglong>& itemId = std::nullopt,
                       const QVariantMap& moreInfo = {},
                       PropertyList::Format format = PropertyList::Format::Xml);
    // An iOS-style wrapped bundle: relative/Wrapper/<innerName>/Info.plist with the identifier, and
    // relative/Wrapper/iTunesMetadata.plist holding itemId when given.
    QString makeWrappedBundle(const QString& relative, const QString& innerName,
                              const std::optional<QString>& bundleIdentifier,
                              const std::optional<qlonglong>& itemId = std::nullopt,
                              PropertyList::Format format = PropertyList::Format::Binary);

    // Sets the file-system modification time of relative.
    void setModificationTime(const QString& relative, const QDateTime& time);

private:
    QTemporaryDir m_dir;
};

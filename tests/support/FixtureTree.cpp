#include "FixtureTree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

FixtureTree::FixtureTree()
    : m_dir(QDir::tempPath() + QStringLiteral("/kudora-fixture-XXXXXX"))
{
    if (!m_dir.isValid())
        ADD_FAILURE() << "cannot create a fixture folder: " << qPrintable(m_dir.errorString());
}

QString FixtureTree::pathOf(const QString& relative) const
{
    return path() + u'/' + relative;
}

QString FixtureTree::makeFolder(const QString& relative)
{
    const QString folder = pathOf(relative);
    if (!QDir().mkpath(folder))
        ADD_FAILURE() << "cannot create folder " << qPrintable(folder);
    return folder;
}

QString FixtureTree::writeFile(const QString& relative, const QByteArray& bytes)
{
    const QString file = pathOf(relative);
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) || out.write(bytes) != bytes.size())
        ADD_FAILURE() << "cannot write " << qPrintable(file);
    return file;
}

QString FixtureTree::writePlist(const QString& relative, const QVariantMap& dictionary,
                                PropertyList::Format format)
{
    const QByteArray bytes = PropertyList::serialize(dictionary, format);
    if (bytes.isEmpty())
        ADD_FAILURE() << "cannot serialize the property list for " << qPrintable(relative);
    return writeFile(relative, bytes);
}

QString FixtureTree::makeBundle(const QString& relative, const std::optional<QString>& bundleIdentifier,
                                const std::optional<qlonglong>& itemId, const QVariantMap& moreInfo,
                                PropertyList::Format format)
{
    QVariantMap info = moreInfo;
    if (bundleIdentifier)
        info.insert(QStringLiteral("CFBundleIdentifier"), *bundleIdentifier);
    writePlist(relative + QStringLiteral("/Contents/Info.plist"), info, format);
    if (itemId) {
        writePlist(relative + QStringLiteral("/Contents/iTunesMetadata.plist"),
                   { { QStringLiteral("itemId"), QVariant(*itemId) } }, format);
    }
    return pathOf(relative);
}

QString FixtureTree::makeWrappedBundle(const QString& relative, const QString& innerName,
                                       const std::optional<QString>& bundleIdentifier,
                                       const std::optional<qlonglong>& itemId, PropertyList::Format format)
{
    QVariantMap info;
    if (bundleIdentifier)
        info.insert(QStringLiteral("CFBundleIdentifier"), *bundleIdentifier);
    writePlist(relative + QStringLiteral("/Wrapper/") + innerName + QStringLiteral("/Info.plist"), info,
               format);
    if (itemId) {
        writePlist(relative + QStringLiteral("/Wrapper/iTunesMetadata.plist"),
                   { { QStringLiteral("itemId"), QVariant(*itemId) } }, format);
    }
    return pathOf(relative);
}

void FixtureTree::setModificationTime(const QString& relative, const QDateTime& time)
{
    const qint64 msecs = time.toMSecsSinceEpoch();
    qint64 seconds = msecs / 1000;
    qint64 milliseconds = msecs % 1000;
    if (milliseconds < 0) {
        --seconds;
        milliseconds += 1000;
    }
    const timespec times[2] = { { time_t(seconds), long(milliseconds * 1000000) },
                                { time_t(seconds), long(milliseconds * 1000000) } };
    // Without following a final symbolic link, so that a link's own time can be set too.
    if (::utimensat(AT_FDCWD, QFile::encodeName(pathOf(relative)).constData(), times, AT_SYMLINK_NOFOLLOW)
        != 0)
        ADD_FAILURE() << "cannot set the modification time of " << qPrintable(relative);
}

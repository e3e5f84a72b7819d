#include "FileSystemMetadataSource.h"

#include "BundleInfo.h"

#include <QDateTime>
#include <QFile>

#include <cstring>
#include <limits>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {
constexpr char LastUsedDateAttribute[] = "user.com.apple.lastuseddate#PS";

qint64 readLittleEndian64(const unsigned char* bytes)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = (value << 8) | bytes[i];
    return qint64(value);
}

// QDateTime holds milliseconds; the finer part of a time stamp is dropped.
QDateTime dateFrom(qint64 seconds, qint64 nanoseconds)
{
    if (nanoseconds < 0 || nanoseconds >= 1000000000)
        return {};
    // Beyond this, milliseconds would overflow 64 bits; no real time stamp is there.
    constexpr qint64 Limit = std::numeric_limits<qint64>::max() / 1000 - 1;
    if (seconds < -Limit || seconds > Limit)
        return {};
    return QDateTime::fromMSecsSinceEpoch(seconds * 1000 + nanoseconds / 1000000, Qt::UTC);
}

QDateTime lastUsedDate(const QByteArray& nativePath)
{
    unsigned char value[16];
    const ssize_t size = ::getxattr(nativePath.constData(), LastUsedDateAttribute, value, sizeof value);
    if (size != ssize_t(sizeof value))
        return {};
    return dateFrom(readLittleEndian64(value), readLittleEndian64(value + 8));
}
} // namespace

std::optional<MetadataItem> FileSystemMetadataSource::itemForPath(const QString& path) const
{
    const QByteArray nativePath = QFile::encodeName(path);
    struct stat info;
    if (nativePath.isEmpty() || nativePath.contains('\0') || ::stat(nativePath.constData(), &info) != 0)
        return std::nullopt;

    MetadataItem item;
    if (const auto dictionary = BundleInfo::infoDictionary(path)) {
        for (const auto& key : { QStringLiteral("CFBundleDisplayName"), QStringLiteral("CFBundleName") }) {
            const QVariant name = dictionary->value(key);
            if (name.typeId() == QMetaType::QString) {
                item.setAttribute(kMDItemDisplayName.toString(), name);
                break;
            }
        }
    }
    const QDateTime modified = dateFrom(info.st_mtim.tv_sec, info.st_mtim.tv_nsec);
    if (modified.isValid())
        item.setAttribute(kMDItemFSContentChangeDate.toString(), modified);
    const QDateTime lastUsed = lastUsedDate(nativePath);
    if (lastUsed.isValid())
        item.setAttribute(kMDItemLastUsedDate.toString(), lastUsed);
    return item;
}

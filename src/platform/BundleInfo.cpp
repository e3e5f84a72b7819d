#include "BundleInfo.h"

#include "FileSystem.h"
#include "PropertyList.h"

#include <QFile>

#include <sys/stat.h>

namespace {
bool isDirectory(const QString& path)
{
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    return !native.isEmpty() && !native.contains('\0') && ::stat(native.constData(), &info) == 0
        && S_ISDIR(info.st_mode);
}
} // namespace

std::optional<QVariantMap> BundleInfo::infoDictionary(const QString& bundlePath)
{
    if (!isDirectory(bundlePath))
        return std::nullopt;
    if (auto dictionary = PropertyList::readDictionary(
            FileSystem::joinPath(bundlePath, QStringLiteral("Contents/Info.plist"))))
        return dictionary;
    return PropertyList::readDictionary(FileSystem::joinPath(bundlePath, QStringLiteral("Info.plist")));
}

std::optional<QString> BundleInfo::bundleIdentifier(const QString& bundlePath)
{
    const auto dictionary = infoDictionary(bundlePath);
    if (!dictionary)
        return std::nullopt;
    const QVariant identifier = dictionary->value(QStringLiteral("CFBundleIdentifier"));
    if (identifier.typeId() != QMetaType::QString)
        return std::nullopt;
    return identifier.toString();
}

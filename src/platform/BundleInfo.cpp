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

std::optional<QVariantMap> readInfoDictionary(const QString& bundlePath)
{
    if (!isDirectory(bundlePath))
        return std::nullopt;
    if (auto dictionary = PropertyList::readDictionary(
            FileSystem::joinPath(bundlePath, QStringLiteral("Contents/Info.plist"))))
        return dictionary;
    return PropertyList::readDictionary(FileSystem::joinPath(bundlePath, QStringLiteral("Info.plist")));
}

// The last read of the innermost ReadScope of this thread.
struct ScopeCache
{
    int depth = 0;
    bool filled = false;
    QString bundlePath;
    std::optional<QVariantMap> dictionary;
};

thread_local ScopeCache t_scope;
} // namespace

BundleInfo::ReadScope::ReadScope()
{
    ++t_scope.depth;
}

BundleInfo::ReadScope::~ReadScope()
{
    if (--t_scope.depth == 0)
        t_scope = ScopeCache();
}

std::optional<QVariantMap> BundleInfo::infoDictionary(const QString& bundlePath)
{
    if (t_scope.depth == 0)
        return readInfoDictionary(bundlePath);
    if (!t_scope.filled || t_scope.bundlePath != bundlePath) {
        t_scope.dictionary = readInfoDictionary(bundlePath);
        t_scope.bundlePath = bundlePath;
        t_scope.filled = true;
    }
    return t_scope.dictionary;
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

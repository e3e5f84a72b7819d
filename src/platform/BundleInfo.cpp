#include "BundleInfo.h"

#include "FileSystem.h"
#include "PropertyList.h"

#include <QStringList>

using namespace Qt::StringLiterals;

namespace {
// Reads the dictionary with read (a PropertyList reader taking the file's path). Whether
// bundlePath is a directory needs no test of its own: a file below anything else cannot be opened.
template<typename Read>
auto readInfo(const QString& bundlePath, const Read& read) -> decltype(read(bundlePath))
{
    if (bundlePath.isEmpty())
        return std::nullopt;
    if (auto dictionary = read(FileSystem::joinPath(bundlePath, u"Contents/Info.plist"_s)))
        return dictionary;
    return read(FileSystem::joinPath(bundlePath, u"Info.plist"_s));
}

std::optional<QVariantMap> readNameEntries(const QString& bundlePath)
{
    static const QStringList keys { u"CFBundleIdentifier"_s, u"CFBundleDisplayName"_s, u"CFBundleName"_s };
    return readInfo(bundlePath,
                    [](const QString& path) { return PropertyList::readDictionaryValues(path, keys); });
}

// The last read of the innermost ReadScope of this thread.
struct ScopeCache
{
    int depth = 0;
    bool filled = false;
    QString bundlePath;
    std::optional<QVariantMap> entries;
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
    return readInfo(bundlePath, [](const QString& path) { return PropertyList::readDictionary(path); });
}

std::optional<QVariantMap> BundleInfo::nameEntries(const QString& bundlePath)
{
    if (t_scope.depth == 0)
        return readNameEntries(bundlePath);
    if (!t_scope.filled || t_scope.bundlePath != bundlePath) {
        t_scope.entries = readNameEntries(bundlePath);
        t_scope.bundlePath = bundlePath;
        t_scope.filled = true;
    }
    return t_scope.entries;
}

std::optional<QString> BundleInfo::bundleIdentifier(const QString& bundlePath)
{
    const auto entries = nameEntries(bundlePath);
    if (!entries)
        return std::nullopt;
    const QVariant identifier = entries->value(u"CFBundleIdentifier"_s);
    if (identifier.typeId() != QMetaType::QString)
        return std::nullopt;
    return identifier.toString();
}

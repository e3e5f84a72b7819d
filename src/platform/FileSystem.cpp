#include "FileSystem.h"

#include <QFile>
#include <QStringDecoder>

#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <sys/stat.h>

namespace {
// A name the file system gives back as raw bytes becomes a QString only when it is valid UTF-8;
// otherwise no path built from it would find the same entry again.
std::optional<QString> decodeName(const char* name)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(QByteArrayView(name, qsizetype(std::strlen(name))));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

// The native form of path; nothing when the path holds a NUL, which would name another file.
std::optional<QByteArray> nativePath(const QString& path)
{
    QByteArray native = QFile::encodeName(path);
    if (native.isEmpty() || native.contains('\0'))
        return std::nullopt;
    return native;
}
} // namespace

std::optional<QStringList> FileSystem::listDirectory(const QString& path)
{
    const auto native = nativePath(path);
    if (!native)
        return std::nullopt;
    DIR* dir = ::opendir(native->constData());
    if (!dir)
        return std::nullopt;
    QStringList names;
    for (;;) {
        errno = 0;
        const dirent* entry = ::readdir(dir);
        if (!entry) {
            // A listing cut short by an error is no listing: a partial one would make entries
            // seem to have gone.
            const bool failed = errno != 0;
            ::closedir(dir);
            if (failed)
                return std::nullopt;
            return names;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0)
            continue;
        if (auto name = decodeName(entry->d_name))
            names.append(*name);
    }
}

bool FileSystem::exists(const QString& path)
{
    const auto native = nativePath(path);
    struct stat info;
    return native && ::stat(native->constData(), &info) == 0;
}

QString FileSystem::joinPath(const QString& path, const QString& component)
{
    if (path.isEmpty())
        return component;
    if (path.endsWith(u'/'))
        return path + component;
    return path + u'/' + component;
}

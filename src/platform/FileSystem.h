#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Directory listing and existence tests in the form the scanner needs them.
class FileSystem
{
public:
    // Names (not paths) of the entries directly inside path, in the order the file system gives
    // them, without "." and "..". Names that are not valid UTF-8 are left out, since no QString could
    // name them again. Nothing when the path cannot be listed.
    static std::optional<QStringList> listDirectory(const QString& path);

    // True when anything at all is at path (a dangling symbolic link does not count).
    static bool exists(const QString& path);

    // path + "/" + component, without doubling a trailing "/".
    static QString joinPath(const QString& path, const QString& component);
};

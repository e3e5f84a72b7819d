// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "UniqueFd.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cerrno>
#include <dirent.h>
#include <memory>

// The system calls the program makes itself, each written once: the retry after a signal, the
// private folder, the atomic replace, the advisory lock. Paths that hold a NUL character name no
// file and fail with EINVAL.
class Posix
{
public:
    // Calls call until it ends other than by a signal arriving (-1 with EINTR) and gives its result.
    template<typename Call>
    static auto retryOnInterrupt(const Call& call)
    {
        for (;;) {
            const auto result = call();
            if (!(result < 0 && errno == EINTR))
                return result;
        }
    }

    // The native form of path; empty when the path is empty or holds a NUL, which would name
    // another file.
    static QByteArray nativePath(const QString& path);

    // open(2) of path, retried after a signal; an invalid descriptor on failure, errno set.
    static UniqueFd open(const QString& path, int flags, int mode = 0);

    // Creates folder and its missing parents, each new one readable by the owner only; true when a
    // folder is there afterwards.
    static bool makePrivateFolder(const QString& folder);

    // Writes all of bytes to fd, however many calls that takes.
    static bool writeAll(int fd, QByteArrayView bytes);

    // Replaces filePath with bytes so that a crash at any moment leaves either the old or the new
    // file whole: a temporary file in the same folder, readable by the owner only, flushed to disk,
    // renamed over it. On failure the old file is untouched and no temporary file stays behind.
    static bool replaceAtomically(const QString& filePath, QByteArrayView bytes);

    enum class LockWait { Wait, DontWait };
    // An exclusive advisory lock (flock) on the file at path, created (owner only) when missing, or
    // on the folder at path when folder is true; held while the returned descriptor is open, and
    // dropped by the kernel when the process ends. A link at the end of the path is never
    // followed. Invalid when no lock was taken; errno is then EWOULDBLOCK when another descriptor
    // holds it and DontWait was asked.
    static UniqueFd lock(const QString& path, LockWait wait, bool folder = false);

    struct DirectoryCloser
    {
        void operator()(DIR* directory) const { ::closedir(directory); }
    };
    using Directory = std::unique_ptr<DIR, DirectoryCloser>;
    // opendir(3) of path; null on failure, errno set.
    static Directory openDirectory(const QString& path);

    // The login name of the real user as GLib's g_get_user_name() gives it, which the software
    // centres build the user's identity from: the passwd entry named by $LOGNAME when it belongs to
    // the real user id, else the entry of that id. Empty when the user has no passwd entry (GLib
    // would then say "somebody", a name that stands for no one in particular).
    static QByteArray loginName();
};

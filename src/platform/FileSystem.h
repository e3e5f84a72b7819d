// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "ReadResult.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// Directory listings and file status in the form the scanner needs them. Every read of the
// catalogue ends here or in SafeFile, and each says how it ended.
class FileSystem
{
public:
    using Outcome = ReadOutcome;

    struct Status
    {
        Outcome outcome = Outcome::Failed;
        bool isDirectory = false;
        // The modification time, to the nanosecond as far as QDateTime keeps it (milliseconds).
        QDateTime modified;
        // The status-change time (ctime): when the file was last written here. A package manager
        // keeps the modification time the file had when the package was built.
        QDateTime statusChanged;
    };

    // Names (not paths) of the entries directly inside path, in the order the file system gives
    // them, without "." and "..". Names that are not valid UTF-8 are left out, since no QString could
    // name them again. Nothing when the path cannot be listed; the outcome says why.
    static ReadResult<QStringList> listDirectory(const QString& path);

    // What is at path, symbolic links followed.
    static Status status(const QString& path);

    // The outcome of a call on path that failed with error (an errno value).
    static Outcome outcomeOf(int error, const QString& path);

    // path + "/" + component, without doubling a trailing "/".
    static QString joinPath(const QString& path, const QString& component);

    // For tests: while a FaultScope lives, every listing, status and SafeFile read of a path for
    // which errorAt gives an errno value fails with it, on every thread, as the system call would
    // have. Scopes nest, the inner one in charge. Without one, nothing is looked up.
    class FaultScope
    {
    public:
        explicit FaultScope(std::function<int(const QString& path)> errorAt);
        ~FaultScope();
        FaultScope(const FaultScope&) = delete;
        FaultScope& operator=(const FaultScope&) = delete;

    private:
        std::function<int(const QString&)> m_previous;
    };

    // The errno value a FaultScope gives for path; 0 outside one.
    static int injectedError(const QString& path);
};

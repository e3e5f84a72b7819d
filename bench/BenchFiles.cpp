// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BenchFiles.h"

#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

QString stampPath(const QString& root)
{
    return root + u"/complete"_s;
}

QByteArray stamp(int apps)
{
    return "applications " + QByteArray::number(apps) + '\n';
}

} // namespace

bool BenchFiles::writeFile(const QString& path, const QByteArray& bytes)
{
    QDir().mkpath(path.section(u'/', 0, -2));
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool BenchFiles::isComplete(const QString& root, int apps)
{
    QFile done(stampPath(root));
    return done.open(QIODevice::ReadOnly) && done.readAll() == stamp(apps);
}

bool BenchFiles::markComplete(const QString& root, int apps)
{
    return writeFile(stampPath(root), stamp(apps));
}

bool BenchFiles::readBytes(const std::string& path, std::string& into)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    char buffer[64 * 1024];
    ssize_t count;
    while ((count = ::read(fd, buffer, sizeof buffer)) > 0)
        into.append(buffer, size_t(count));
    ::close(fd);
    return true;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// The defaults domain opened on a file with the given bytes, as left behind by another program,
// an older version or a damaged disk. Reading must not crash; the first write must keep a damaged
// file aside and leave a file that reads back with the written value.
#include "FileDefaultsDomain.h"
#include "PropertyList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

using namespace Qt::StringLiterals;

namespace {
QString workFolder()
{
    // On a memory file system where there is one, since every write flushes to disk.
    static QTemporaryDir dir(QDir(u"/dev/shm"_s).exists() ? u"/dev/shm/kudora-fuzz-XXXXXX"_s
                                                          : QDir::tempPath() + u"/kudora-fuzz-XXXXXX"_s);
    if (!dir.isValid())
        std::abort();
    return dir.path();
}

[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "defaults domain: %s\n", what);
    std::abort();
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString folder = workFolder();
    const QString file = folder + u"/domain.plist"_s;
    {
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)
            || out.write(reinterpret_cast<const char*>(data), qint64(size)) != qint64(size))
            fail("cannot write the input file");
    }
    const QByteArray original(reinterpret_cast<const char*>(data), qsizetype(size));
    const bool readable = PropertyList::parseDictionary(original).has_value();

    FileDefaultsDomain domain(file);
    const QVariant before = domain.value(u"ignoredIDs"_s);
    if (!readable && before.isValid())
        fail("a value came out of a file that is no dictionary");

    domain.modify(u"ignoredIDs"_s, [](const QVariant& current) {
        QVariantList list;
        if (current.typeId() == QMetaType::QVariantList)
            list = current.toList();
        list.append(u"fuzz.written"_s);
        return DefaultsDomain::Change::set(list);
    });
    const QVariantList after = domain.value(u"ignoredIDs"_s).toList();
    if (after.isEmpty() || after.last() != QVariant(u"fuzz.written"_s))
        fail("the write was lost");

    const QStringList aside = QDir(folder).entryList({ u"domain.plist.corrupt-*"_s }, QDir::Files);
    if (readable != aside.isEmpty())
        fail(readable ? "a readable file was moved aside" : "a damaged file was not kept");
    for (const QString& name : aside) {
        QFile kept(folder + u'/' + name);
        if (!kept.open(QIODevice::ReadOnly) || kept.readAll() != original)
            fail("the file kept aside differs from the damaged one");
        kept.remove();
    }
    QFile::remove(file);
    return 0;
}

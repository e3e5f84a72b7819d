#include "DefaultsDomain.h"
#include "FileDefaultsDomain.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QPoint>
#include <QScopeGuard>

#include <gtest/gtest.h>

#include <sys/stat.h>

using namespace Qt::StringLiterals;

namespace {
// Points an environment variable elsewhere until the returned guard goes.
[[nodiscard]] auto scopedEnvironment(const char* name, const QString& value)
{
    auto restore = qScopeGuard([name, old = qgetenv(name)] { qputenv(name, old); });
    qputenv(name, QFile::encodeName(value));
    return restore;
}

mode_t permissions(const QString& path)
{
    struct stat info;
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_mode & 07777 : 0;
}

void appendToList(DefaultsDomain& domain, const QString& entry)
{
    domain.modify(u"list"_s, [&entry](const QVariant& current) {
        return DefaultsDomain::Change::set(current.toList() << entry);
    });
}
} // namespace

TEST(FileDefaultsDomain, KeepsTypedValuesInAPrivateBinaryFile)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"new/folder/org.example.plist"_s);
    QVariantMap values {
        { u"ignoredIDs"_s, QVariantList { u"a.b"_s, u"c.d"_s } },
        { u"reviewDates"_s,
          QVariantMap { { u"a.b"_s, QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC) },
                        { u"c.d"_s, u"text"_s } } },
        { u"count"_s, qlonglong(-3) },
        { u"ratio"_s, 0.5 },
        { u"flag"_s, true },
    };
    FileDefaultsDomain writer(file);
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        writer.setValue(it.key(), it.value());

    const FileDefaultsDomain reader(file);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        EXPECT_EQ(reader.value(it.key()), it.value()) << qPrintable(it.key());
        EXPECT_EQ(reader.value(it.key()).metaType(), it.value().metaType()) << qPrintable(it.key());
    }
    writer.removeValue(u"count"_s);
    EXPECT_FALSE(reader.value(u"count"_s).isValid());

    EXPECT_EQ(permissions(file), mode_t(0600));
    EXPECT_EQ(permissions(tree.pathOf(u"new/folder"_s)), mode_t(0700));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("bplist00"));
    values.remove(u"count"_s);
    EXPECT_EQ(PropertyList::parseDictionary(bytes), values);
    // No temporary file is left behind.
    EXPECT_EQ(QDir(tree.pathOf(u"new/folder"_s)).entryList(QDir::Files | QDir::Hidden),
              (QStringList { u"org.example.plist"_s, u"org.example.plist.lock"_s }));
}

TEST(DefaultsDomain, KeepAndUnsupportedValuesChangeNothing)
{
    FixtureTree tree;
    const QString path = tree.pathOf(u"f.plist"_s);
    FileDefaultsDomain file(path);
    file.modify(u"ids"_s, [](const QVariant&) { return DefaultsDomain::Change::keep(); });
    EXPECT_FALSE(QFile::exists(path));
    MemoryDefaultsDomain memory;
    for (DefaultsDomain* domain :
         { static_cast<DefaultsDomain*>(&memory), static_cast<DefaultsDomain*>(&file) }) {
        domain->setValue(u"ids"_s, QStringList { u"a"_s });
        EXPECT_EQ(domain->value(u"ids"_s).typeId(), QMetaType::QVariantList);
        domain->setValue(u"ids"_s, QPoint());
        EXPECT_EQ(domain->value(u"ids"_s).toStringList(), QStringList { u"a"_s });
        domain->removeValue(u"ids"_s);
        EXPECT_FALSE(domain->value(u"ids"_s).isValid());
    }
}

TEST(FileDefaultsDomain, BatchWritesTheFileOnceWhenTheOutermostBatchEnds)
{
    FixtureTree tree;
    const QString path = tree.pathOf(u"org.example.plist"_s);
    FileDefaultsDomain domain(path);
    domain.setValue(u"kept"_s, u"old"_s);
    const auto fileBytes = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = fileBytes();
    const qsizetype descriptors =
        QDir(u"/proc/self/fd"_s).entryList(QDir::System | QDir::NoDotAndDotDot).size();
    {
        const DefaultsDomain::Batch outer(domain);
        {
            const DefaultsDomain::Batch inner(domain);
            appendToList(domain, u"a"_s);
        }
        appendToList(domain, u"b"_s);
        domain.setValue(u"kept"_s, QPoint()); // cannot be stored: the old value stays
        domain.removeValue(u"missing"_s);
        // Every read of this process sees the changes at once; the file waits for the end.
        EXPECT_EQ(domain.value(u"list"_s).toStringList(), (QStringList { u"a"_s, u"b"_s }));
        EXPECT_EQ(fileBytes(), before);
    }
    EXPECT_EQ(PropertyList::parseDictionary(fileBytes()),
              (QVariantMap { { u"kept"_s, u"old"_s }, { u"list"_s, QVariantList { u"a"_s, u"b"_s } } }));
    EXPECT_EQ(FileDefaultsDomain(path).value(u"list"_s).toStringList(), (QStringList { u"a"_s, u"b"_s }));

    // A batch that changes nothing writes nothing.
    ASSERT_TRUE(QFile::remove(path));
    {
        const DefaultsDomain::Batch idle(domain);
    }
    EXPECT_FALSE(QFile::exists(path));
    // The lock of each batch and the file of each write are closed again.
    EXPECT_EQ(QDir(u"/proc/self/fd"_s).entryList(QDir::System | QDir::NoDotAndDotDot).size(), descriptors);
}

TEST(DefaultsDomain, OpensTheConfigFileThenTheStandardDomainThenMemory)
{
    const auto domain = DefaultsDomain::open(u"org.example.app"_s);
    EXPECT_EQ(domain->location(), TestEnvironment::configPath() + u"/org.example.app.plist"_s);
    domain->setValue(u"k"_s, qlonglong(1));
    EXPECT_EQ(DefaultsDomain::open(u"org.example.app"_s)->value(u"k"_s), QVariant(qlonglong(1)));
    {
        // Two parts of the program opening the same domain share it: a write through one while
        // the other holds a batch open joins the batch instead of waiting for the file's lock.
        const auto other = DefaultsDomain::open(u"org.example.app"_s);
        EXPECT_EQ(other.get(), domain.get());
        const DefaultsDomain::Batch batch(*domain);
        other->setValue(u"k"_s, qlonglong(2));
        EXPECT_EQ(domain->value(u"k"_s), QVariant(qlonglong(2)));
    }

    FixtureTree tree;
    const QString blocker = tree.writeFile(u"plain-file"_s, "x");
    const auto config = scopedEnvironment("XDG_CONFIG_HOME", blocker);
    for (const auto& [dataHome, location] :
         { std::pair { tree.pathOf(u"data"_s), tree.pathOf(u"data/org.example.app/standard.plist"_s) },
           std::pair { blocker, QString() } }) {
        const auto data = scopedEnvironment("XDG_DATA_HOME", dataHome);
        const auto fallback = DefaultsDomain::open(u"org.example.app"_s);
        EXPECT_EQ(fallback->location(), location);
        fallback->setValue(u"k"_s, u"v"_s);
        EXPECT_EQ(fallback->value(u"k"_s), QVariant(u"v"_s));
    }
    // A relative folder counts as unset.
    const auto relative = scopedEnvironment("XDG_CONFIG_HOME", u"relative/config"_s);
    EXPECT_EQ(DefaultsDomain::open(u"org.example.app"_s)->location(),
              TestEnvironment::homePath() + u"/.config/org.example.app.plist"_s);
}

#include "DefaultsDomain.h"
#include "FileDefaultsDomain.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "PropertyList.h"
#include "TestEnvironment.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPoint>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {
// Points an environment variable elsewhere for one test.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const QString& value)
        : m_name(name)
        , m_old(qgetenv(name))
    {
        qputenv(name, QFile::encodeName(value));
    }
    ~ScopedEnvironment() { qputenv(m_name, m_old); }

private:
    const char* m_name;
    QByteArray m_old;
};

mode_t permissions(const QString& path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return 0;
    return info.st_mode & 07777;
}

QVariantMap typedValues()
{
    return {
        { u"ignoredIDs"_s, QVariantList { u"a.b"_s, u"c.d"_s } },
        { u"reviewDates"_s,
          QVariantMap { { u"a.b"_s, QDateTime::fromSecsSinceEpoch(1700000000, Qt::UTC) },
                        { u"c.d"_s, u"text"_s } } },
        { u"count"_s, qlonglong(-3) },
        { u"ratio"_s, 0.5 },
        { u"flag"_s, true },
    };
}

void appendToList(DefaultsDomain& domain, const QString& entry)
{
    domain.modify(u"list"_s, [&entry](const QVariant& current) {
        QVariantList list = current.toList();
        list.append(entry);
        return DefaultsDomain::Change::set(list);
    });
}
} // namespace

TEST(FileDefaultsDomain, KeepsTypedValuesAcrossInstances)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"prefs/org.example.plist"_s);
    FileDefaultsDomain writer(file);
    const QVariantMap values = typedValues();
    for (auto it = values.cbegin(); it != values.cend(); ++it)
        writer.setValue(it.key(), it.value());

    const FileDefaultsDomain reader(file);
    for (auto it = values.cbegin(); it != values.cend(); ++it) {
        EXPECT_EQ(reader.value(it.key()), it.value()) << qPrintable(it.key());
        EXPECT_EQ(reader.value(it.key()).metaType(), it.value().metaType()) << qPrintable(it.key());
    }
    EXPECT_FALSE(reader.value(u"absent"_s).isValid());
    writer.removeValue(u"count"_s);
    EXPECT_FALSE(reader.value(u"count"_s).isValid());
    EXPECT_EQ(reader.value(u"flag"_s), QVariant(true));
}

TEST(FileDefaultsDomain, WritesAPrivateBinaryFileInAPrivateFolder)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"new/folder/org.example.plist"_s);
    FileDefaultsDomain domain(file);
    domain.setValue(u"k"_s, u"v"_s);
    EXPECT_EQ(permissions(file), mode_t(0600));
    EXPECT_EQ(permissions(tree.pathOf(u"new/folder"_s)), mode_t(0700));
    QFile written(file);
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray bytes = written.readAll();
    EXPECT_TRUE(bytes.startsWith("bplist00"));
    EXPECT_EQ(PropertyList::parseDictionary(bytes), (QVariantMap { { u"k"_s, u"v"_s } }));
    // No temporary file is left behind.
    EXPECT_EQ(QDir(tree.pathOf(u"new/folder"_s)).entryList(QDir::Files | QDir::Hidden),
              (QStringList { u"org.example.plist"_s, u"org.example.plist.lock"_s }));
}

TEST(FileDefaultsDomain, KeepAndUnsupportedValuesChangeNothing)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"org.example.plist"_s);
    FileDefaultsDomain domain(file);
    domain.modify(u"k"_s, [](const QVariant&) { return DefaultsDomain::Change::keep(); });
    EXPECT_FALSE(QFile::exists(file));
    domain.setValue(u"k"_s, u"v"_s);
    domain.setValue(u"k"_s, QPoint(1, 2));
    EXPECT_EQ(domain.value(u"k"_s), QVariant(u"v"_s));
}

TEST(FileDefaultsDomain, DamagedFileIsMovedAsideBeforeTheFirstWrite)
{
    for (const QByteArray& damaged :
         { QByteArray("not a plist"), PropertyList::serialize(QVariantList { u"x"_s }) }) {
        FixtureTree tree;
        const QString file = tree.writeFile(u"org.example.plist"_s, damaged);
        FileDefaultsDomain domain(file);
        EXPECT_FALSE(domain.value(u"k"_s).isValid());
        domain.setValue(u"k"_s, u"v"_s);
        EXPECT_EQ(domain.value(u"k"_s), QVariant(u"v"_s));

        const QStringList aside =
            QDir(tree.path()).entryList({ u"org.example.plist.corrupt-*"_s }, QDir::Files);
        ASSERT_EQ(aside.size(), 1);
        QFile kept(tree.pathOf(aside.first()));
        ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
        EXPECT_EQ(kept.readAll(), damaged);
    }
}

TEST(FileDefaultsDomain, TwoProcessesWritingAtOnceLoseNothing)
{
    FixtureTree tree;
    const QString file = tree.pathOf(u"shared.plist"_s);
    constexpr int Count = 200;
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        FileDefaultsDomain domain(file);
        for (int i = 0; i < Count; ++i)
            appendToList(domain, u"child-"_s + QString::number(i));
        ::_exit(0);
    }
    FileDefaultsDomain domain(file);
    for (int i = 0; i < Count; ++i)
        appendToList(domain, u"parent-"_s + QString::number(i));
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

    const QStringList list = domain.value(u"list"_s).toStringList();
    EXPECT_EQ(list.size(), 2 * Count);
    for (int i = 0; i < Count; ++i) {
        EXPECT_TRUE(list.contains(u"child-"_s + QString::number(i))) << i;
        EXPECT_TRUE(list.contains(u"parent-"_s + QString::number(i))) << i;
    }
}

TEST(DefaultsDomain, OpensTheNamedFileInTheConfigFolder)
{
    const auto domain = DefaultsDomain::open(u"org.example.app"_s);
    EXPECT_EQ(domain->location(), TestEnvironment::configPath() + u"/org.example.app.plist"_s);
    domain->setValue(u"k"_s, qlonglong(1));
    EXPECT_EQ(DefaultsDomain::open(u"org.example.app"_s)->value(u"k"_s), QVariant(qlonglong(1)));
}

TEST(DefaultsDomain, FallsBackToTheStandardDomainThenToMemory)
{
    FixtureTree tree;
    const QString blocker = tree.writeFile(u"plain-file"_s, "x");
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", blocker);
        const ScopedEnvironment data("XDG_DATA_HOME", tree.pathOf(u"data"_s));
        const auto domain = DefaultsDomain::open(u"org.example.app"_s);
        EXPECT_EQ(domain->location(), tree.pathOf(u"data/org.example.app/standard.plist"_s));
        domain->setValue(u"k"_s, u"v"_s);
        EXPECT_EQ(domain->value(u"k"_s), QVariant(u"v"_s));
    }
    {
        const ScopedEnvironment config("XDG_CONFIG_HOME", blocker);
        const ScopedEnvironment data("XDG_DATA_HOME", blocker);
        const auto domain = DefaultsDomain::open(u"org.example.app"_s);
        EXPECT_TRUE(domain->location().isEmpty());
        domain->setValue(u"k"_s, u"v"_s);
        EXPECT_EQ(domain->value(u"k"_s), QVariant(u"v"_s));
    }
    // A relative folder counts as unset.
    const ScopedEnvironment config("XDG_CONFIG_HOME", u"relative/config"_s);
    EXPECT_EQ(DefaultsDomain::open(u"org.example.app"_s)->location(),
              TestEnvironment::homePath() + u"/.config/org.example.app.plist"_s);
}

TEST(MemoryDefaultsDomain, GivesBackWhatAFileDomainWould)
{
    MemoryDefaultsDomain memory;
    FixtureTree tree;
    FileDefaultsDomain file(tree.pathOf(u"f.plist"_s));
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

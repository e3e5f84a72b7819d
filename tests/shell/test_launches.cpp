// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
// What a launch of the program does: what its arguments ask for, and one running instance per user.
#include "MainBundle.h"
#include "MainWindow.h"
#include "ShellHarness.h"
#include "SingleInstance.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {
// The program's, which names its store and its socket.
QString identifier()
{
    return MainBundle::infoDictionary().value(u"CFBundleIdentifier"_s).toString();
}

// The program on fixture's Applications folder, started as a launcher would, in environment.
void start(QProcess& program, const FixtureTree& fixture, const QStringList& arguments,
           const QProcessEnvironment& environment)
{
    program.setProcessEnvironment(environment);
    program.start(QCoreApplication::applicationDirPath() + u"/kudora_probe"_s,
                  QStringList { fixture.pathOf(u"Applications"_s), fixture.pathOf(u"home"_s) } + arguments);
}

// Every file and folder below folder with its time of change, and each file's content.
QMap<QString, QByteArray> snapshot(const QString& folder)
{
    QMap<QString, QByteArray> entries;
    for (QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                         QDirIterator::Subdirectories);
         it.hasNext();) {
        const QFileInfo entry(it.next());
        QFile file(entry.filePath());
        entries.insert(QDir(folder).relativeFilePath(entry.filePath()),
                       QByteArray::number(entry.lastModified().toMSecsSinceEpoch()) + ' '
                           + (entry.isFile() && file.open(QIODevice::ReadOnly) ? file.readAll() : "folder"));
    }
    return entries;
}
} // namespace

TEST(Launches, TheCommandLinePrintsWithoutAWindowAndWritesNothing)
{
    FixtureTree fixture;
    const QDateTime now = QDateTime::currentDateTimeUtc();
    fixture.makeBundle(u"Applications/Alpha.app"_s, ShellHarness::AlphaID, 111);
    fixture.makeBundle(u"Applications/Beta.app"_s, ShellHarness::BetaID, 222);
    fixture.makeBundle(u"Applications/Ignored.app"_s, u"com.example.ignored"_s, 333);
    fixture.setModificationTime(u"Applications/Alpha.app"_s,
                                QDateTime(QDate(2026, 3, 1), QTime(12, 0), Qt::UTC));
    fixture.setModificationTime(u"Applications/Beta.app"_s,
                                QDateTime(QDate(2025, 1, 2), QTime(12, 0), Qt::UTC));
    // A review of an application no longer installed, which the window would prune.
    fixture.writePlist(
        u"home/.config/%1.plist"_s.arg(identifier()),
        { { u"reviewDates"_s,
            QVariantMap { { ShellHarness::BetaID, now.addDays(-3) }, { u"com.example.gone"_s, now } } },
          { u"ignoredIDs"_s, QStringList { u"com.example.ignored"_s } } },
        PropertyList::Format::Binary);
    const QMap<QString, QByteArray> before = snapshot(fixture.path());

    // No display: a program that made a QApplication would end at once.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"HOME"_s, fixture.pathOf(u"home"_s));
    for (const QString& variable : { u"XDG_CONFIG_HOME"_s, u"XDG_DATA_HOME"_s, u"XDG_STATE_HOME"_s,
                                     u"XDG_RUNTIME_DIR"_s, u"DISPLAY"_s, u"WAYLAND_DISPLAY"_s })
        environment.remove(variable);
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);

    // clang-format off
    const QByteArray json = QJsonDocument::fromJson(R"([
        { "name": "Alpha", "store": "app-store", "lastUsed": "2026-03-01T12:00:00Z", "lastReviewed": null, "id": "com.example.alpha" },
        { "name": "Beta", "store": "app-store", "lastUsed": "2025-01-02T12:00:00Z", "lastReviewed": "R", "id": "com.example.beta" }])")
        .toJson().replace("\"R\"", QByteArray('"' + now.addDays(-3).toString(Qt::ISODate).toUtf8() + '"'));
    const std::tuple<QStringList, int, QString> cases[] = {
        // arguments, exit status, what is printed
        { { u"--version"_s }, 0, u"Kudora "_s + MainBundle::infoDictionary().value(u"CFBundleShortVersionString"_s).toString() + u'\n' },
        { { u"--help"_s }, 0, u"  --list "_s },
        { { u"--list"_s }, 0, u"Name   Store      Last Used    Last Reviewed  ID\n"
                              u"Alpha  App Store  Mar 1, 2026  Never          com.example.alpha\n"
                              u"Beta   App Store  Jan 2, 2025  3 days ago     com.example.beta\n"_s },
        { { u"--list"_s, u"--json"_s }, 0, QString::fromUtf8(json) },
        { { u"--json"_s }, 1, u"--json goes with --list."_s },
    };
    // clang-format on
    for (const auto& [arguments, status, printed] : cases) {
        QProcess program;
        start(program, fixture, arguments, environment);
        ASSERT_TRUE(program.waitForFinished(30'000));
        const QString out =
            QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError());
        EXPECT_TRUE(program.exitStatus() == QProcess::NormalExit && program.exitCode() == status
                    && out.contains(printed))
            << qPrintable(arguments.join(u' ') + u":\n"_s + out);
        EXPECT_EQ(snapshot(fixture.path()), before) << qPrintable(arguments.join(u' '));
    }
}

TEST(Launches, ASecondLaunchShowsTheRunningInstancesWindowAndEnds)
{
    ShellHarness harness;
    ASSERT_TRUE(harness.openAndActivate());
    FixtureTree runtime;
    SingleInstance instance(runtime.path(), identifier());
    ASSERT_EQ(instance.role(), SingleInstance::Role::Running);
    harness.app().answerLaunches(instance);
    harness.window().close();

    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    QProcess second;
    start(second, harness.fixture, {}, environment);
    ASSERT_TRUE(QTest::qWaitFor([&] { return second.state() == QProcess::NotRunning; }, 30'000));
    EXPECT_TRUE(second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0)
        << second.readAllStandardError().constData();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&harness.window()));
}

TEST(Launches, OfTwoLaunchesAtOnceAfterACrashExactlyOneRuns)
{
    FixtureTree runtime;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"XDG_RUNTIME_DIR"_s, runtime.path());
    FixtureTree fixture;
    // A crashed instance leaves its lock file and a socket nobody listens on.
    QProcess crashed;
    start(crashed, fixture, {}, environment);
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QFile::exists(runtime.pathOf(identifier() + u".socket"_s)); }, 30'000));
    crashed.kill();
    crashed.waitForFinished();

    QProcess launches[3];
    start(launches[0], fixture, {}, environment);
    start(launches[1], fixture, {}, environment);
    const auto ended = [](const QProcess& launch) { return launch.state() == QProcess::NotRunning; };
    ASSERT_TRUE(QTest::qWaitFor([&] { return ended(launches[0]) || ended(launches[1]); }, 30'000));
    QProcess& running = ended(launches[0]) ? launches[1] : launches[0];
    QProcess& forwarded = ended(launches[0]) ? launches[0] : launches[1];
    EXPECT_EQ(forwarded.exitCode(), 0) << forwarded.readAllStandardError().constData();
    // The one that runs answers the next launch, and goes on running.
    start(launches[2], fixture, {}, environment);
    ASSERT_TRUE(launches[2].waitForFinished(30'000));
    EXPECT_EQ(launches[2].exitCode(), 0) << launches[2].readAllStandardError().constData();
    EXPECT_EQ(running.state(), QProcess::Running);
    running.kill();
    running.waitForFinished();
}

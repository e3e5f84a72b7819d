// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppLists.h"
#include "AppModel.h"
#include "DesktopWorkspace.h"
#include "FixtureTree.h"
#include "MemoryDefaultsDomain.h"
#include "PreferencesService.h"
#include "SnapSource.h"
#include "SnapdClient.h"
#include "SnapdDouble.h"

#include <QImage>
#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

using Framing = SnapdDouble::Framing;

const auto at = [](qint64 seconds) { return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC); };

QJsonObject snap(const QString& name, const QString& title, const QStringList& desktopFiles,
                 const QJsonObject& changes = {})
{
    return SnapdDouble::storeSnap(name, title, desktopFiles, at(1690000000), changes);
}

} // namespace

// Desktop entries as snapd writes them, and the uses recorded under their names (the records
// themselves are the Flatpak tests').
TEST(SnapSource, ListsStoreApplicationsWithTheirNamesDatesIconsAndLastUse)
{
    FixtureTree tree;
    const auto entry = [&](const QString& file, const QByteArray& lines) {
        return tree.writeFile(u"applications/"_s + file, "[Desktop Entry]\n" + lines + '\n');
    };
    QImage red(48, 48, QImage::Format_ARGB32);
    red.fill(Qt::red);
    const QString icon = tree.pathOf(u"firefox.png"_s);
    ASSERT_TRUE(red.save(icon));
    const QString firefox =
        entry(u"firefox_firefox.desktop"_s, "Name=Firefox Web Browser\nIcon=" + icon.toUtf8());
    // Since snapd 2.66 a snap may keep its own desktop file name.
    const QString multiOne = entry(u"multi_one.desktop"_s, "Name=One");
    const QString multiTwo = entry(u"org.example.Multi.desktop"_s, "Name=Two");
    const QString untitled =
        entry(u"untitled_untitled.desktop"_s, "Name=Plain\nName[en_US]=American\nIcon=untitled");
    const QString nameless =
        entry(u"nameless_nameless.desktop"_s, "Icon=" + icon.chopped(4).toUtf8() + "-gone.png");
    tree.writeFile(u"data/gnome-shell/application_state"_s, R"(<application-state><context id="">
        <application id="firefox_firefox.desktop" last-seen="1700000000"/>
        <application id="multi_one.desktop" last-seen="1700001000"/>
        <application id="org.example.Multi.desktop" last-seen="1700002000"/>
        <application id="untitled_untitled.desktop" last-seen="1700003000"/></context></application-state>)");
    SnapdDouble snapd;
    snapd.setReply({ SnapdDouble::syncBody({
        snap(u"firefox"_s, u"Firefox"_s, { firefox }),
        snap(u"multi"_s, u"Multi"_s, { multiOne, multiTwo }),
        snap(u"untitled"_s, {}, { untitled },
             { { u"install-date"_s, u"2023-05-05T14:34:56.123456789+02:00"_s } }),
        snap(u"nameless"_s, u" "_s, { nameless },
             { { u"revision"_s, 7 }, { u"store-url"_s, u"http://x.org/n"_s } }),
        // Installed from a file, not a program, no desktop entry, no store id: none is a store application.
        snap(u"local"_s, u"Local"_s, { firefox }, { { u"revision"_s, u"x1"_s } }),
        snap(u"core22"_s, u"Core 22"_s, { firefox }, { { u"type"_s, u"base"_s } }),
        snap(u"cli-only"_s, u"Tool"_s, {}),
        snap(u"sideloaded"_s, u"Sideloaded"_s, { firefox }, { { u"id"_s, u""_s } }),
    }) });

    const AppSource::Result result = SnapSource(snapd.socketPath(), tree.pathOf(u"data"_s))
                                         .scan({ { AppId(u"snap:multi"_s), at(1600000000) } });
    // Id, name, desktop entry, install date, last use, icon from the entry, web page.
    // clang-format off
    const QList<std::tuple<QString, QString, QString, QDateTime, OptionalDate, bool, QString>> cases {
        { u"firefox"_s, u"Firefox"_s, firefox, at(1690000000), at(1700000000), true, u"https://snapcraft.io/firefox"_s },
        // The newest use of any of its applications.
        { u"multi"_s, u"Multi"_s, multiOne, at(1690000000), at(1700002000), false, u"https://snapcraft.io/multi"_s },
        { u"untitled"_s, u"American"_s, untitled, QDateTime(QDate(2023, 5, 5), QTime(12, 34, 56, 123), Qt::UTC), at(1700003000), false, u"https://snapcraft.io/untitled"_s },
        // The web page is only ever an https one.
        { u"nameless"_s, u"nameless"_s, nameless, at(1690000000), std::nullopt, false, {} },
    };
    // clang-format on
    EXPECT_EQ(std::tuple(result.complete, result.apps.size()), std::tuple(true, cases.size()));
    DesktopWorkspace workspace;
    for (const auto& [name, title, desktopFile, installed, lastUse, redIcon, webPage] : cases) {
        SCOPED_TRACE(qPrintable(name));
        const AppInfo* app = findApp(result.apps, u"snap:"_s + name);
        ASSERT_NE(app, nullptr);
        EXPECT_EQ(std::tuple(app->name(), app->bundlePath(), app->modificationDate(), app->lastAccessedDate(),
                             app->reviewURL(), app->reviewFallbackURL().value_or(QUrl()),
                             app->lastReviewedDate()),
                  std::tuple(title, desktopFile, OptionalDate(installed), lastUse, QUrl(u"snap://"_s + name),
                             QUrl(webPage), name == u"multi" ? OptionalDate(at(1600000000)) : std::nullopt));
        const QIcon shown = workspace.iconForFile(app->bundlePath());
        EXPECT_EQ(
            std::tuple(shown.isNull(), shown.pixmap(16, 16).toImage().pixelColor(8, 8) == QColor(Qt::red)),
            std::tuple(false, redIcon));
    }
}

// Whatever keeps snapd from answering in full may hide snaps that are still installed: the user's
// review dates and ignores for them stay. Only a snapd that is not there has no snaps.
TEST(SnapSource, OnlyAFullAnswerOrNoSnapdPrunesTheHistoryOfSnaps)
{
    const QJsonObject other = snap(u"other"_s, u"Other"_s, { u"/nowhere/other_other.desktop"_s });
    const QByteArray others = SnapdDouble::syncBody({ other });
    const QByteArray error404 =
        R"({"type":"error","status-code":404,"status":"Not Found","result":{"kind":"snap-not-found"}})";
    // clang-format off
    const QList<std::tuple<const char*, std::function<void(SnapdDouble&)>, QString, bool>> cases {
        { "Content-Length", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::ContentLength }); }, u"snap:other"_s, false },
        { "close-delimited", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::CloseDelimited }); }, u"snap:other"_s, false },
        { "no socket", [&](SnapdDouble& d) { d.refuse(); QFile::remove(d.socketPath()); }, {}, false },
        // An answer to an HTTP/1.1 request, which was not asked.
        { "chunked", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::Chunked }); }, {}, true },
        { "error 404", [&](SnapdDouble& d) { d.setReply({ error404, "404 Not Found" }); }, {}, true },
        { "error as 200", [&](SnapdDouble& d) { d.setReply({ error404 }); }, {}, true },
        { "malformed", [&](SnapdDouble& d) { d.setReply({ others.chopped(1) + ',' }); }, {}, true },
        { "no list", [&](SnapdDouble& d) { d.setReply({ R"({"type":"sync","status-code":200,"result":{}})" }); }, {}, true },
        { "not a snap", [&](SnapdDouble& d) { d.setReply({ SnapdDouble::syncBody({ other, 5 }) }); }, u"snap:other"_s, true },
        // Short of its length, though what came is a whole document.
        { "cut short", [&](SnapdDouble& d) { d.setReply({ others + "\n\n", "200 OK", Framing::ContentLength, others.size() }); }, {}, true },
        { "cut short, no length", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::CloseDelimited, 60 }); }, {}, true },
        { "over the limit", [&](SnapdDouble& d) { d.setReply({ others + QByteArray(SnapdClient::ReplyLimit, ' '), "200 OK", Framing::CloseDelimited }); }, {}, true },
        { "hang", [&](SnapdDouble& d) { d.setReply({ others, "200 OK", Framing::ContentLength, -1, true }); }, {}, true },
        { "refused", [&](SnapdDouble& d) { d.refuse(); }, {}, true },
        { "dangling link", [&](SnapdDouble& d) { d.refuse(); QFile::remove(d.socketPath()); QFile::link(u"gone"_s, d.socketPath()); }, {}, true },
    };
    // clang-format on
    for (const auto& [what, setUp, listed, kept] : cases) {
        SCOPED_TRACE(what);
        SnapdDouble snapd;
        setUp(snapd);
        PreferencesService preferences(std::make_shared<MemoryDefaultsDomain>());
        preferences.addIgnoredID(AppId(u"snap:firefox"_s));
        preferences.recordReviewDate(AppId(u"snap:firefox"_s));
        // An empty catalogue never prunes; an App Store application keeps it from being one.
        AppModel model(
            preferences,
            { std::make_shared<const FixedSource>(AppSource::Result { { AppInfo(
                  AppId(u"pastel"_s), u"Pastel"_s, u"/Applications/Pastel.app"_s, u"1"_s, {}, {}, {}) } }),
              std::make_shared<const SnapSource>(snapd.socketPath(), u"/nowhere"_s,
                                                 std::string_view(what) == "hang" ? 300ms : 5s) });
        QSignalSpy finished(&model, &AppModel::rescanFinished);
        ASSERT_TRUE(finished.wait(20000));
        EXPECT_EQ(std::tuple(idsOf(model.apps()).mid(1).join(u' '),
                             preferences.loadIgnoredIDs().contains(AppId(u"snap:firefox"_s)),
                             preferences.reviewDate(AppId(u"snap:firefox"_s)).has_value()),
                  std::tuple(listed, kept, kept));
    }
}

TEST(SnapRecord, TheReviewAddressNamesTheSnapAsTheStoreKnowsIt)
{
    const auto address = [](const QString& name) {
        return AppInfo::snapApp(name, {}, {}, {}, {}, {}, {}).reviewURL().value_or(QUrl());
    };
    // A parallel install's instance key is the machine's own.
    EXPECT_EQ(std::pair(address(u"firefox_beta2"_s), address(u"0ad"_s)),
              std::pair(QUrl(u"snap://firefox"_s), QUrl(u"snap://0ad"_s)));
    for (const QString& name : { u"Firefox"_s, u"-ab"_s, u"ab_"_s, u"ab_CD"_s, u"a/b"_s })
        EXPECT_TRUE(address(name).isEmpty()) << qPrintable(name);
}

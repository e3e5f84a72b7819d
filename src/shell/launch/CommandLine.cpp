// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "AppModel.h"
#include "AppStreamId.h"
#include "DefaultsDomain.h"
#include "MainBundle.h"
#include "OnlineReviews.h"
#include "PreferencesService.h"
#include "ReviewCache.h"
#include "ReviewChoice.h"
#include "ReviewPage.h"
#include "SchemeHandlers.h"
#include "StandardSources.h"
#include "Translations.h"

#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <unicode/uchar.h>

#include <algorithm>
#include <optional>

using namespace Qt::StringLiterals;

namespace {
QString storeKey(AppInfo::Store store)
{
    switch (store) {
    case AppInfo::Store::AppStore:
        return u"app-store"_s;
    case AppInfo::Store::Flatpak:
        return u"flatpak"_s;
    case AppInfo::Store::Snap:
        return u"snap"_s;
    case AppInfo::Store::Distribution:
        return u"distribution"_s;
    }
    return {};
}

// The date the window shows and sorts by: the last use, else when the installed version came.
QJsonValue dateValue(const OptionalDate& date)
{
    return date ? QJsonValue(date->toUTC().toString(Qt::ISODate)) : QJsonValue();
}

// The user's own review on the ratings service, as the service has it; null without one.
QJsonValue onlineReviewValue(const std::optional<OnlineReview>& review)
{
    if (!review)
        return QJsonValue();
    return QJsonObject { { u"date"_s, review->date.toUTC().toString(Qt::ISODate) },
                         { u"rating"_s, review->rating },
                         { u"summary"_s, review->summary } };
}

QJsonValue addressValue(const std::optional<QUrl>& address)
{
    return address ? QJsonValue(address->toString(QUrl::FullyEncoded)) : QJsonValue();
}

// What a script needs of an application: when it was last used and came (never one for the
// other), whether and when it was reviewed, where it is and where it is reviewed on this desktop.
QJsonObject record(const AppInfo& app)
{
    const ReviewPage page(app);
    QJsonObject record { { u"name"_s, app.name() },
                         { u"store"_s, storeKey(app.store()) },
                         { u"lastUsed"_s, dateValue(app.lastAccessedDate()) },
                         { u"installed"_s, dateValue(app.modificationDate()) },
                         { u"lastReviewed"_s, dateValue(app.lastReviewedDate()) },
                         { u"id"_s, app.id().text() },
                         { u"path"_s, app.bundlePath() },
                         { u"reviewAddress"_s, addressValue(page.address(SchemeHandlers::isRegistered)) },
                         { u"webAddress"_s, addressValue(page.webAddress()) },
                         { u"onlineReview"_s, onlineReviewValue(app.onlineReview()) } };
    if (app.store() == AppInfo::Store::AppStore)
        record.insert(u"storeItemId"_s, app.adamID());
    return record;
}

// Names come from the applications themselves: a control character in one must not reach the
// terminal, where it could move the cursor or change what the rest of the table shows.
QString printable(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

// The columns a text takes on a terminal: wide and full-width characters two, marks and other
// characters of no width none. Told by ICU's properties rather than by wcwidth(), which knows only
// what the C library's LC_CTYPE covers and gives nothing under "C".
int columns(const QString& text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const auto category = UCharCategory(u_charType(UChar32(c)));
        if (category == U_NON_SPACING_MARK || category == U_ENCLOSING_MARK || category == U_FORMAT_CHAR
            || category == U_CONTROL_CHAR || (c >= 0x1160 && c <= 0x11FF) || c == 0x200B)
            continue;
        const int eastAsian = u_getIntPropertyValue(UChar32(c), UCHAR_EAST_ASIAN_WIDTH);
        width += eastAsian == U_EA_WIDE || eastAsian == U_EA_FULLWIDTH ? 2 : 1;
    }
    return width;
}
} // namespace

namespace {
// What QGuiApplication and QApplication read from the arguments, on any platform.
bool isQtOption(const QString& name)
{
    static const QStringList Names {
        u"platform"_s,
        u"platformpluginpath"_s,
        u"platformtheme"_s,
        u"plugin"_s,
        u"qwindowgeometry"_s,
        u"qwindowicon"_s,
        u"qwindowtitle"_s,
        u"reverse"_s,
        u"session"_s,
        u"display"_s,
        u"geometry"_s,
        u"name"_s,
        u"title"_s,
        u"style"_s,
        u"stylesheet"_s,
        u"widgetcount"_s,
        u"qmljsdebugger"_s,
        u"nograb"_s,
        u"dograb"_s,
        u"visual"_s,
        u"ncols"_s,
        u"cmap"_s,
        u"sync"_s,
        u"testability"_s,
    };
    return Names.contains(name);
}
} // namespace

CommandLine::CommandLine(const QStringList& arguments)
{
    m_parser.setApplicationDescription(
        tr("Lists the store applications you installed with when you last used and "
           "last reviewed each one, and opens their store pages to review them.\n\n"
           "Exit status of --list: 0 when every application was read; 3 when some applications or "
           "the settings file could not be read, after printing what could be."));
    // As Qt's own options are written (-platform, -style): a word after one dash is one option.
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addHelpOption();
    m_parser.addVersionOption();
    const QCommandLineOption list(u"list"_s,
                                  tr("Prints the applications the window lists and exits: name, store, last "
                                     "used, last reviewed and id, most recently used first."));
    const QCommandLineOption json(u"json"_s, tr("With --list: prints them as JSON, for scripts."));
    m_parser.addOptions({ list, json });
    m_program = QFileInfo(arguments.value(0)).fileName();
    if (!m_parser.parse(arguments)) {
        m_error = m_parser.errorText();
        const QStringList unknown = m_parser.unknownOptionNames();
        m_hasQtOptions = !unknown.isEmpty() && std::all_of(unknown.cbegin(), unknown.cend(), isQtOption);
        return;
    }
    if (!m_parser.positionalArguments().isEmpty()) {
        m_error = tr("Unexpected argument: %1").arg(m_parser.positionalArguments().constFirst());
        return;
    }
    m_json = m_parser.isSet(json);
    if (m_parser.isSet(u"help"_s) || m_parser.isSet(u"help-all"_s))
        m_mode = Mode::Help;
    else if (m_parser.isSet(u"version"_s))
        m_mode = Mode::Version;
    else if (m_parser.isSet(list))
        m_mode = Mode::List;
    else if (m_json)
        m_error = tr("--json goes with --list.");
}

int CommandLine::run(ProgramParts& parts, Naming name)
{
    Translations::install();
    if (!parts.info)
        parts.info = MainBundle::infoDictionary();
    name(*parts.info);
    const CommandLine line(QCoreApplication::arguments());
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!line.isValid()) {
        err << line.errorText() << Qt::endl;
        return 1;
    }
    switch (line.mode()) {
    case Mode::Window:
        break;
    case Mode::Help:
        out << line.helpText();
        return 0;
    case Mode::Version:
        out << QCoreApplication::applicationName() << u' ' << QCoreApplication::applicationVersion()
            << Qt::endl;
        return 0;
    case Mode::List: {
        // The stored choices as they are: a listing creates, prunes and writes nothing.
        std::optional<PreferencesService> ownPreferences;
        PreferencesService* preferences = parts.preferences;
        if (!preferences)
            preferences =
                &ownPreferences.emplace(DefaultsDomain::openForReading(MainBundle::identifier(*parts.info)));
        return line.list(parts.sources ? *parts.sources : StandardSources::make(), *preferences,
                         parts.reviewCacheFolder.value_or(ReviewCache::defaultFolder()),
                         parts.machineIdFile.value_or(UserHash::defaultMachineIdPath()), out, err);
    }
    }
    return -1;
}

AppModel::OnlineReviews CommandLine::onlineReviews(const QList<AppInfo>& apps, const DefaultsDomain& domain,
                                                   const QString& cacheFolder, const QString& machineIdFile)
{
    ReviewCache cache(cacheFolder);
    cache.keepInMemory();
    cache.load();
    if (ReviewChoice::in(domain) == ReviewChoice::Choice::On) {
        const UserHash hash = UserHash::ofThisUser(machineIdFile);
        OnlineReviews lookups(cache, hash, ReviewChoice::serverIn(domain));
        QEventLoop loop;
        QObject::connect(&lookups, &OnlineReviews::finished, &loop, &QEventLoop::quit);
        // Without a hash nothing is asked, and the listing shows what the cache has.
        if (lookups.lookUpStale(AppStreamId::of(apps)))
            loop.exec();
    }
    AppModel::OnlineReviews reviews;
    for (const AppInfo& app : apps) {
        const std::optional<QString> id = AppStreamId::of(app);
        if (const std::optional<ReviewCache::Answer> answer = id ? cache.answer(*id) : std::nullopt;
            answer && answer->review)
            reviews.insert(app.id(), *answer->review);
    }
    return reviews;
}

QStringList CommandLine::arguments(int argc, char** argv)
{
    QStringList decoded;
    for (int i = 0; i < argc; ++i)
        decoded.append(QFile::decodeName(argv[i]));
    return decoded;
}

QString CommandLine::helpText() const
{
    // Qt names the program by the whole first argument of the application object.
    QString text = m_parser.helpText();
    const QString started = QCoreApplication::instance() ? QCoreApplication::arguments().value(0) : QString();
    const qsizetype at = started.isEmpty() ? -1 : text.indexOf(started);
    if (at >= 0 && at < text.indexOf(u'\n'))
        text.replace(at, started.size(), m_program);
    return text;
}

QString CommandLine::errorText() const
{
    return m_error + u'\n' + tr("Try “%1 --help” for what it takes.").arg(m_program);
}

int CommandLine::list(const AppSources& sources, PreferencesService& preferences,
                      const QString& reviewCacheFolder, const QString& machineIdFile, QTextStream& out,
                      QTextStream& err) const
{
    const AppSource::Result scanned = AppSource::scanAll(sources, preferences.loadReviewDates());
    // The ratings service's answers come first: the event loop they run in would also start the
    // model's own first scan, which empties its catalogue until that scan ends.
    AppModel::OnlineReviews reviews =
        onlineReviews(scanned.apps, preferences.domain(), reviewCacheFolder, machineIdFile);
    // The window's own rules of what it lists and in which order; no event loop runs from here on.
    AppModel model(preferences, sources);
    model.setApps(scanned.apps);
    model.setOnlineReviews(std::move(reviews));
    const QList<AppInfo> apps = model.visibleApps();

    if (m_json) {
        QJsonArray array;
        for (const AppInfo& app : apps)
            array.append(record(app));
        out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    } else {
        QList<QStringList> rows { { tr("Name"), tr("Store"), tr("Last Accessed"), tr("Last Reviewed"),
                                    tr("Your Rating"), tr("ID") } };
        for (const AppInfo& app : apps) {
            rows.append({ printable(app.name()), AppInfo::storeName(app.store()), app.lastAccessedText(),
                          app.lastReviewedText(), app.ratingText(), printable(app.id().text()) });
        }
        QList<int> widths(rows.constFirst().size(), 0);
        for (const QStringList& row : rows) {
            for (qsizetype column = 0; column < row.size(); ++column)
                widths[column] = std::max(widths[column], columns(row[column]));
        }
        for (const QStringList& row : rows) {
            QString line;
            for (qsizetype column = 0; column < row.size(); ++column) {
                line += row[column];
                if (column + 1 < row.size())
                    line += QString(widths[column] - columns(row[column]) + 2, u' ');
            }
            out << line << u'\n';
        }
    }
    out.flush();
    if (const QString file = preferences.trouble().unreadableFile; !file.isEmpty())
        err << tr("Kudora cannot read its settings file “%1”, so the list has no review dates and shows "
                  "ignored apps too.")
                   .arg(file)
            << Qt::endl;
    if (!scanned.completeness.isComplete())
        err << tr("Some applications could not be read; the list may miss some.") << Qt::endl;
    // A script must not take a partial list, or one without the user's choices, for the whole.
    return scanned.completeness.isComplete() && preferences.trouble().unreadableFile.isEmpty()
        ? 0
        : IncompleteStatus;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "AppModel.h"
#include "DefaultsDomain.h"
#include "MainBundle.h"
#include "PreferencesService.h"
#include "StandardSources.h"
#include "Translations.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextStream>

#include <algorithm>
#include <cwchar>
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
QJsonValue lastUsed(const AppInfo& app)
{
    const QDateTime date = app.lastAccessedSortDate();
    return date == AppInfo::distantPast() ? QJsonValue() : QJsonValue(date.toUTC().toString(Qt::ISODate));
}

QJsonValue lastReviewed(const AppInfo& app)
{
    const OptionalDate& date = app.lastReviewedDate();
    return date ? QJsonValue(date->toUTC().toString(Qt::ISODate)) : QJsonValue();
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

// The columns a text takes on a terminal: wide characters two, combining marks none.
int columns(const QString& text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4())
        width += std::max(0, ::wcwidth(static_cast<wchar_t>(c)));
    return width;
}
} // namespace

QString CommandLine::storeName(AppInfo::Store store)
{
    switch (store) {
    case AppInfo::Store::AppStore:
        return tr("App Store");
    case AppInfo::Store::Flatpak:
        return tr("Flatpak");
    case AppInfo::Store::Snap:
        return tr("Snap");
    case AppInfo::Store::Distribution:
        return tr("Distribution");
    }
    return {};
}

CommandLine::CommandLine(const QStringList& arguments)
{
    m_parser.setApplicationDescription(
        tr("Lists the store applications you installed with when you last used and "
           "last reviewed each one, and opens their store pages to review them."));
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
        m_hasUnknownOptions = !m_parser.unknownOptionNames().isEmpty();
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
        return line.list(parts.sources ? *parts.sources : StandardSources::make(), *preferences, out, err);
    }
    }
    return -1;
}

QStringList CommandLine::arguments(int argc, char** argv)
{
    QStringList decoded;
    for (int i = 0; i < argc; ++i)
        decoded.append(QFile::decodeName(argv[i]));
    return decoded;
}

QString CommandLine::errorText() const
{
    return m_error + u'\n' + tr("Try “%1 --help” for what it takes.").arg(m_program);
}

int CommandLine::list(const AppSources& sources, PreferencesService& preferences, QTextStream& out,
                      QTextStream& err) const
{
    // The window's own rules of what it lists and in which order. The model's first scan waits
    // for an event loop, which never runs here.
    AppModel model(preferences, sources);
    const AppSource::Result scanned = AppSource::scanAll(sources, preferences.loadReviewDates());
    model.setApps(scanned.apps);
    const QList<AppInfo> apps = model.visibleApps();

    if (m_json) {
        QJsonArray array;
        for (const AppInfo& app : apps)
            array.append(QJsonObject { { u"name"_s, app.name() },
                                       { u"store"_s, storeKey(app.store()) },
                                       { u"lastUsed"_s, lastUsed(app) },
                                       { u"lastReviewed"_s, lastReviewed(app) },
                                       { u"id"_s, app.id().text() } });
        out << QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented));
    } else {
        QList<QStringList> rows { { tr("Name"), tr("Store"), tr("Last Used"), tr("Last Reviewed"),
                                    tr("ID") } };
        for (const AppInfo& app : apps) {
            rows.append({ printable(app.name()), storeName(app.store()), app.lastAccessedText(),
                          app.lastReviewedText(), printable(app.id().text()) });
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
    if (const QString file = preferences.domain().trouble().unreadableFile; !file.isEmpty())
        err << tr("Kudora cannot read its settings file “%1”, so the list has no review dates and shows "
                  "ignored apps too.")
                   .arg(file)
            << Qt::endl;
    if (!scanned.complete)
        err << tr("Some applications could not be read; the list may miss some.") << Qt::endl;
    return 0;
}

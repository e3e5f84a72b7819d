// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixtureDistro.h"

#include "BenchFiles.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

using namespace Qt::StringLiterals;

namespace FixtureDistro {

namespace {

// The languages a widely translated application ships, as metainfo names them.
const char* const Languages[] = { "ar", "bg", "ca", "cs", "da", "de", "el", "en-GB", "es", "eu",
                                  "fi", "fr", "gl", "he", "hu", "id", "it", "ja",    "ko", "lt",
                                  "nl", "pl", "pt", "ru", "sk", "sl", "sv", "tr",    "uk", "zh-CN" };

// One tag in English and in every language.
QByteArray translated(const QByteArray& tag, const QByteArray& text, const QByteArray& indent)
{
    QByteArray xml = indent + '<' + tag + '>' + text + "</" + tag + ">\n";
    for (const char* language : Languages)
        xml += indent + '<' + tag + " xml:lang=\"" + language + "\">" + text + " (" + language + ")</" + tag
            + ">\n";
    return xml;
}

QByteArray metainfo(const QByteArray& id, const QByteArray& name)
{
    QByteArray xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<component type=\"desktop-application\">\n"
                     "  <id>"
        + id
        + "</id>\n  <metadata_license>CC0-1.0</metadata_license>\n"
          "  <project_license>GPL-3.0-or-later</project_license>\n";
    xml += translated("name", name, "  ");
    xml += translated("summary", "Keep your work in order, one step at a time", "  ");
    xml += "  <description>\n";
    xml += translated("p",
                      "This application helps you plan, write and check your work. It keeps what you "
                      "did in one place and shows what is left, with no account and no network.",
                      "    ");
    xml += translated("p", "Features:", "    ");
    xml += "    <ul>\n";
    for (const QByteArray feature : { "Search everything you wrote", "Undo any change", "Print and export" })
        xml += translated("li", feature, "      ");
    xml += "    </ul>\n  </description>\n";
    xml += "  <launchable type=\"desktop-id\">" + id + ".desktop</launchable>\n";
    xml += "  <url type=\"homepage\">https://example.org/" + id
        + "</url>\n"
          "  <url type=\"bugtracker\">https://example.org/"
        + id
        + "/issues</url>\n"
          "  <url type=\"translate\">https://example.org/"
        + id
        + "/translate</url>\n"
          "  <developer_name>The Bench Developers</developer_name>\n"
          "  <screenshots>\n";
    for (int s = 1; s <= 3; ++s)
        xml += "    <screenshot" + QByteArray(s == 1 ? " type=\"default\"" : "")
            + ">\n      <image>https://example.org/" + id + "/screenshot-" + QByteArray::number(s)
            + ".png</image>\n" + translated("caption", "The main window", "      ") + "    </screenshot>\n";
    xml += "  </screenshots>\n  <releases>\n";
    for (int r = 10; r > 0; --r)
        xml += "    <release version=\"1." + QByteArray::number(r) + "\" date=\"2025-"
            + QByteArray::number(r + 1).rightJustified(2, '0')
            + "-01\">\n      <description>\n        <p>Fixes and translations.</p>\n      </description>\n"
              "    </release>\n";
    xml += "  </releases>\n  <content_rating type=\"oars-1.1\"/>\n"
           "  <provides>\n    <binary>"
        + id.mid(id.lastIndexOf('.') + 1).toLower()
        + "</binary>\n  </provides>\n"
          "  <categories>\n    <category>Office</category>\n  </categories>\n</component>\n";
    return xml;
}

QByteArray desktopEntry(const QByteArray& id, const QByteArray& name)
{
    QByteArray entry = "[Desktop Entry]\nType=Application\nName=" + name + '\n';
    for (const char* language : Languages)
        entry += "Name[" + QByteArray(language).replace('-', '_') + "]=" + name + " (" + language + ")\n";
    entry += "Comment=Keep your work in order\n";
    for (const char* language : Languages)
        entry += "Comment[" + QByteArray(language).replace('-', '_') + "]=Keep your work in order ("
            + language + ")\n";
    return entry + "Exec=" + id.mid(id.lastIndexOf('.') + 1).toLower() + " %U\nIcon=" + id
        + "\nTerminal=false\nCategories=Office;\nKeywords=plan;write;check;\nStartupNotify=true\n";
}

QByteArray icon(int i)
{
    const QByteArray hue = QByteArray::number(i * 37 % 360);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"48\" height=\"48\">"
           "<rect x=\"4\" y=\"4\" width=\"40\" height=\"40\" rx=\"8\" fill=\"hsl("
        + hue + ",60%,45%)\"/></svg>\n";
}

} // namespace

QString share(const QString& root)
{
    return root + u"/share"_s;
}

QString dataHome(const QString& root)
{
    return root + u"/data"_s;
}

bool create(const QString& root, int apps)
{
    if (BenchFiles::isComplete(root, apps))
        return true;
    QDir(share(root)).removeRecursively();
    QDir(dataHome(root)).removeRecursively();
    const qint64 now = QDateTime::currentSecsSinceEpoch();
    QByteArray uses = "<?xml version=\"1.0\"?>\n<application-state>\n  <context id=\"\">\n";
    for (int i = 0; i < apps; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(3, '0');
        const QByteArray id = "org.kudora.bench.Distro" + number;
        const QByteArray name = "Bench Distro " + number;
        const QString file = QString::fromLatin1(id);
        if (!BenchFiles::writeFile(share(root) + u"/metainfo/"_s + file + u".metainfo.xml"_s,
                                   metainfo(id, name))
            || !BenchFiles::writeFile(share(root) + u"/applications/"_s + file + u".desktop"_s,
                                      desktopEntry(id, name))
            || !BenchFiles::writeFile(share(root) + u"/icons/hicolor/scalable/apps/"_s + file + u".svg"_s,
                                      icon(i)))
            return false;
        if (i % 2 == 0)
            uses += "    <application id=\"" + id
                + ".desktop\" open-window-count=\"0\" score=\"1\" last-seen=\""
                + QByteArray::number(now - i * 3600) + "\"/>\n";
    }
    return BenchFiles::writeFile(dataHome(root) + u"/gnome-shell/application_state"_s,
                                 uses + "  </context>\n</application-state>\n")
        && BenchFiles::markComplete(root, apps);
}

} // namespace FixtureDistro

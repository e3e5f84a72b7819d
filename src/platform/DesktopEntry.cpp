// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopEntry.h"

namespace {

QString unescaped(QStringView value)
{
    QString text;
    text.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value.at(i);
        if (c != u'\\' || i + 1 == value.size()) {
            text.append(c);
            continue;
        }
        switch (value.at(++i).unicode()) {
        case 's':
            text.append(u' ');
            break;
        case 'n':
        case 't':
        case 'r':
            // A value shows on one line.
            text.append(u' ');
            break;
        default:
            text.append(value.at(i));
        }
    }
    return text;
}

} // namespace

QString DesktopEntry::value(const QByteArray& entry, QStringView key, const QLocale& locale)
{
    // Locale names come as "de_DE"; the entry's keys as Name[de_DE] or Name[de].
    const QString full = locale.name();
    const QString language = full.section(u'_', 0, 0);
    const bool localised = language != u"C";
    const QString byLanguageKey = key + u'[' + language + u']';
    const QString byFullKey = key + u'[' + full + u']';
    QString plain;
    QString byLanguage;
    QString byFull;
    bool inMainGroup = false;
    for (const QByteArray& rawLine : entry.split('\n')) {
        const QString line = QString::fromUtf8(rawLine).trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[')) {
            inMainGroup = line == u"[Desktop Entry]";
            continue;
        }
        if (!inMainGroup)
            continue;
        const qsizetype equals = line.indexOf(u'=');
        if (equals < 0)
            continue;
        const QStringView name = QStringView(line).left(equals).trimmed();
        const auto valueText = [&] { return unescaped(QStringView(line).mid(equals + 1).trimmed()); };
        // The first occurrence of a key counts, as a duplicate key makes the entry invalid anyway.
        if (name == key && plain.isNull())
            plain = valueText();
        else if (localised && name == byLanguageKey && byLanguage.isNull())
            byLanguage = valueText();
        else if (localised && full != language && name == byFullKey && byFull.isNull())
            byFull = valueText();
    }
    if (!byFull.isEmpty())
        return byFull;
    if (!byLanguage.isEmpty())
        return byLanguage;
    return plain;
}

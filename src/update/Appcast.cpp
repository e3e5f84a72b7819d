// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Appcast.h"

#include "VersionComparator.h"

#include <QXmlStreamReader>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString text(QXmlStreamReader& xml)
{
    return xml.readElementText(QXmlStreamReader::SkipChildElements).trimmed();
}

QUrl address(const QString& value)
{
    return QUrl(value.trimmed(), QUrl::StrictMode);
}

AppcastItem readItem(QXmlStreamReader& xml)
{
    AppcastItem item;
    QString enclosureVersion;
    QString enclosureShortVersion;
    while (xml.readNextStartElement()) {
        const QStringView ns = xml.namespaceUri();
        const QStringView name = xml.name();
        if (ns.isEmpty() && name == u"title") {
            item.title = text(xml);
        } else if (ns.isEmpty() && name == u"link") {
            item.link = address(text(xml));
        } else if (ns.isEmpty() && name == u"enclosure") {
            const QXmlStreamAttributes attributes = xml.attributes();
            item.enclosureUrl = address(attributes.value(u"url"_s).toString());
            enclosureVersion = attributes.value(Appcast::SparkleNamespace, u"version"_s).toString().trimmed();
            enclosureShortVersion =
                attributes.value(Appcast::SparkleNamespace, u"shortVersionString"_s).toString().trimmed();
            xml.skipCurrentElement();
        } else if (ns == Appcast::SparkleNamespace && name == u"version") {
            item.version = text(xml);
        } else if (ns == Appcast::SparkleNamespace && name == u"shortVersionString") {
            item.shortVersionString = text(xml);
        } else if (ns == Appcast::SparkleNamespace && name == u"minimumSystemVersion") {
            item.minimumSystemVersion = text(xml);
        } else {
            xml.skipCurrentElement();
        }
    }
    if (item.version.isEmpty())
        item.version = enclosureVersion;
    if (item.shortVersionString.isEmpty())
        item.shortVersionString = enclosureShortVersion;
    return item;
}

bool hasDigit(const QString& value)
{
    return std::any_of(value.begin(), value.end(), [](QChar c) { return c.isDigit(); });
}

} // namespace

std::optional<Appcast> Appcast::parse(const QByteArray& data)
{
    QXmlStreamReader xml(data);
    // A document type declaration is the only way to define entities; refusing it rules out
    // entity expansion of any kind.
    while (!xml.atEnd() && !xml.isStartElement()) {
        if (xml.readNext() == QXmlStreamReader::DTD)
            return std::nullopt;
    }
    if (xml.hasError() || !xml.isStartElement() || xml.name() != u"rss" || !xml.namespaceUri().isEmpty())
        return std::nullopt;

    Appcast appcast;
    while (xml.readNextStartElement()) {
        if (xml.name() != u"channel" || !xml.namespaceUri().isEmpty()) {
            xml.skipCurrentElement();
            continue;
        }
        while (xml.readNextStartElement()) {
            if (xml.name() == u"item" && xml.namespaceUri().isEmpty()) {
                AppcastItem item = readItem(xml);
                if (!item.version.isEmpty())
                    appcast.m_items.append(std::move(item));
            } else {
                xml.skipCurrentElement();
            }
        }
    }
    // Read to the end, so that a truncated or damaged document is refused as a whole rather than
    // trusted up to the damage.
    while (!xml.atEnd())
        xml.readNext();
    if (xml.error() != QXmlStreamReader::NoError)
        return std::nullopt;
    return appcast;
}

std::optional<AppcastItem> Appcast::newestApplicableItem(const QString& systemVersion) const
{
    const bool systemKnown = hasDigit(systemVersion);
    std::optional<AppcastItem> newest;
    for (const AppcastItem& item : m_items) {
        if (item.downloadAddress().isEmpty())
            continue;
        if (systemKnown && !item.minimumSystemVersion.isEmpty()
            && VersionComparator::isNewer(item.minimumSystemVersion, systemVersion))
            continue;
        if (!newest || VersionComparator::isNewer(item.version, newest->version))
            newest = item;
    }
    return newest;
}

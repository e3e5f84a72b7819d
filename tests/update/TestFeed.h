#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <utility>

// Builds appcast documents for tests.
class TestFeed
{
public:
    struct Item
    {
        Item(QString version, QString shortVersion, QString minimumSystemVersion = {},
             QString link = QStringLiteral("https://kudora.org/releases"))
            : version(std::move(version))
            , shortVersion(std::move(shortVersion))
            , minimumSystemVersion(std::move(minimumSystemVersion))
            , link(std::move(link))
        { }

        QString version;
        QString shortVersion;
        QString minimumSystemVersion;
        QString link;
    };

    static QByteArray rss(const QList<Item>& items)
    {
        QByteArray xml =
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
            "<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\">\n"
            "<channel><title>Kudora</title>\n";
        for (const Item& item : items) {
            xml += "<item><title>Version " + item.shortVersion.toUtf8() + "</title>";
            if (!item.link.isEmpty())
                xml += "<link>" + item.link.toUtf8() + "</link>";
            xml += "<sparkle:version>" + item.version.toUtf8() + "</sparkle:version>";
            if (!item.shortVersion.isEmpty())
                xml += "<sparkle:shortVersionString>" + item.shortVersion.toUtf8()
                    + "</sparkle:shortVersionString>";
            if (!item.minimumSystemVersion.isEmpty())
                xml += "<sparkle:minimumSystemVersion>" + item.minimumSystemVersion.toUtf8()
                    + "</sparkle:minimumSystemVersion>";
            xml += "</item>\n";
        }
        return xml + "</channel></rss>\n";
    }
};

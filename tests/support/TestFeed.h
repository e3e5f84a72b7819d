// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Updater.h"

#include <QList>
#include <QTest>
#include <QVariantMap>

#include <optional>

// Builds appcast documents, and the information of a program that reads them, for tests.
namespace TestFeed {

struct Item
{
    QString version;
    QString shortVersion;
    QString minimumSystemVersion = {};
    QString link = QStringLiteral("https://kudora.org/releases");
};

inline QByteArray channel(const QByteArray& items)
{
    return "<?xml version=\"1.0\"?>\n<rss version=\"2.0\" xmlns:sparkle=\"http://www.andymatuschak.org/"
           "xml-namespaces/sparkle\"><channel><title>Kudora</title>"
        + items + "</channel></rss>";
}

inline QByteArray rss(const QList<Item>& items)
{
    QByteArray xml;
    for (const auto& [version, shortVersion, minimum, link] : items)
        xml += QStringLiteral(
                   "<item><title>Version %2</title><link>%4</link><sparkle:version>%1</sparkle:version>"
                   "<sparkle:shortVersionString>%2</sparkle:shortVersionString>"
                   "<sparkle:minimumSystemVersion>%3</sparkle:minimumSystemVersion></item>")
                   .arg(version, shortVersion, minimum, link)
                   .toUtf8();
    return channel(xml);
}

// Version 1.2 (12) of Kudora reading feed, opting its users in to automatic checks or out of them
// when automaticChecks is a boolean.
inline QVariantMap bundleInfo(const QVariant& feed, const QVariant& automaticChecks = {})
{
    using namespace Qt::StringLiterals;
    QVariantMap info { { u"CFBundleName"_s, u"Kudora"_s },
                       { u"CFBundleVersion"_s, u"12"_s },
                       { u"CFBundleShortVersionString"_s, u"1.2"_s },
                       { u"SUFeedURL"_s, feed } };
    if (automaticChecks.isValid())
        info.insert(Updater::AutomaticChecksKey, automaticChecks);
    return info;
}

// Lets the updater fetch the feeds a LoopbackHttpServer serves.
inline Updater::Options loopbackOptions()
{
    return { FeedLoader::Policy::AllowLoopbackHttpForTesting, {}, std::nullopt };
}

// Waits until the check under way has shown its result.
inline bool finishes(Updater& updater)
{
    return QTest::qWaitFor([&] { return updater.canCheckForUpdates(); }, 20000);
}

} // namespace TestFeed

// Records what the updater shows; an update found is answered at once when answer is set.
class RecordingUserDriver : public UserDriver
{
public:
    enum class Shown { UpToDate, UpdateFound, Error };

    void showUpToDate() override { events.append({ Shown::UpToDate, {} }); }
    void showUpdateFound(const AppcastItem&, UpdateReply reply) override
    {
        events.append({ Shown::UpdateFound, {} });
        if (answer)
            reply(*answer);
    }
    void showError(const QString& reason) override { events.append({ Shown::Error, reason }); }

    QList<std::pair<Shown, QString>> events; // what was shown, and why
    std::optional<UpdateChoice> answer;
};

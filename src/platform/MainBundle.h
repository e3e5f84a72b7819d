#pragma once

#include <QString>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The program's own information dictionary (Info.plist, built into the program as a resource).
class MainBundle
{
public:
    // The dictionary; empty when it cannot be read.
    static QVariantMap infoDictionary();

    // One value of the dictionary; invalid when absent.
    static QVariant infoValue(const QString& key);

    // CFBundleIdentifier: the reverse-DNS name of the program and of its defaults domain.
    static QString identifier();

    // CFBundleShortVersionString, e.g. "1.0".
    static QString shortVersion();

    // Lets tests replace the dictionary; std::nullopt restores the built-in one.
    static void setInfoDictionaryForTesting(std::optional<QVariantMap> dictionary);
};

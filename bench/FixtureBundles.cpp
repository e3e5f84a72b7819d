// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "FixtureBundles.h"

#include "PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QVariantList>
#include <QVariantMap>

#include <sys/xattr.h>

using namespace Qt::StringLiterals;

namespace FixtureBundles {

namespace {

enum class Kind { AppStore, Wrapped, Elsewhere };

Kind kindOf(int i)
{
    const int slot = i % 20;
    if (slot < 12)
        return Kind::AppStore;
    if (slot < 15)
        return Kind::Wrapped;
    return Kind::Elsewhere;
}

bool writeFile(const QString& path, const QByteArray& bytes)
{
    if (!QDir().mkpath(path.section(u'/', 0, -2)))
        return false;
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// About the size and shape of a real application's information dictionary.
QVariantMap infoDictionary(int i, const QString& name, bool ios)
{
    QVariantMap documentType {
        { u"CFBundleTypeName"_s, u"Document"_s },
        { u"CFBundleTypeRole"_s, u"Editor"_s },
        { u"LSItemContentTypes"_s, QVariantList { u"public.plain-text"_s, u"public.rtf"_s } },
        { u"LSHandlerRank"_s, u"Alternate"_s },
    };
    QVariantMap info {
        { u"CFBundleIdentifier"_s, u"com.vendor%1.%2"_s.arg(i % 97).arg(i) },
        { u"CFBundleName"_s, name },
        { u"CFBundleExecutable"_s, name },
        { u"CFBundlePackageType"_s, u"APPL"_s },
        { u"CFBundleShortVersionString"_s, u"%1.%2.%3"_s.arg(i % 7).arg(i % 13).arg(i % 3) },
        { u"CFBundleVersion"_s, QString::number(1000 + i) },
        { u"CFBundleIconFile"_s, u"AppIcon"_s },
        { u"CFBundleIconName"_s, u"AppIcon"_s },
        { u"CFBundleInfoDictionaryVersion"_s, u"6.0"_s },
        { u"CFBundleDevelopmentRegion"_s, u"en"_s },
        { u"CFBundleSupportedPlatforms"_s, QVariantList { ios ? u"iPhoneOS"_s : u"MacOSX"_s } },
        { u"CFBundleDocumentTypes"_s, QVariantList { documentType, documentType } },
        { u"LSMinimumSystemVersion"_s, u"12.0"_s },
        { u"LSApplicationCategoryType"_s, u"public.app-category.productivity"_s },
        { u"NSHumanReadableCopyright"_s, u"Copyright © 2024 Vendor %1. All rights reserved."_s.arg(i % 97) },
        { u"NSHighResolutionCapable"_s, true },
        { u"NSPrincipalClass"_s, u"NSApplication"_s },
        { u"NSMainStoryboardFile"_s, u"Main"_s },
        { u"DTPlatformVersion"_s, u"14.2"_s },
        { u"DTSDKName"_s, u"macosx14.2"_s },
        { u"DTXcode"_s, u"1520"_s },
        { u"DTXcodeBuild"_s, u"15C500b"_s },
        { u"BuildMachineOSBuild"_s, u"23C71"_s },
    };
    if (i % 4 == 0)
        info.insert(u"CFBundleDisplayName"_s, QString(name + u" Pro"_s));
    return info;
}

// The receipt-less metadata the store leaves in a bundle.
QVariantMap storeMetadata(int i, const QString& name)
{
    const QDateTime purchase(QDate(2023, 1, 1).addDays(i % 700), QTime(12, 0), Qt::UTC);
    return {
        { u"itemId"_s, qlonglong(400000000 + i) },
        { u"itemName"_s, name },
        { u"artistName"_s, u"Vendor %1"_s.arg(i % 97) },
        { u"artistId"_s, qlonglong(300000000 + i % 97) },
        { u"bundleVersion"_s, QString::number(1000 + i) },
        { u"bundleShortVersionString"_s, u"%1.%2"_s.arg(i % 7).arg(i % 13) },
        { u"softwareVersionBundleId"_s, u"com.vendor%1.%2"_s.arg(i % 97).arg(i) },
        { u"softwareVersionExternalIdentifier"_s, qlonglong(800000000 + i) },
        { u"genre"_s, u"Productivity"_s },
        { u"genreId"_s, qlonglong(6007) },
        { u"kind"_s, u"software"_s },
        { u"releaseDate"_s, u"2024-03-01T08:00:00Z"_s },
        { u"purchaseDate"_s, purchase },
        { u"copyright"_s, u"© 2024 Vendor"_s },
        { u"rating"_s, QVariantMap { { u"label"_s, u"4+"_s }, { u"rank"_s, qlonglong(100) } } },
        { u"com.apple.iTunesStore.downloadInfo"_s,
          QVariantMap { { u"accountInfo"_s,
                          QVariantMap { { u"AppleID"_s, u"someone@example.com"_s },
                                        { u"DSPersonID"_s, qlonglong(12345678) } } },
                        { u"purchaseDate"_s, u"2023-06-01T12:00:00Z"_s } } },
    };
}

void setLastUsed(const QString& path, int i)
{
    unsigned char value[16] = {};
    const qint64 seconds = 1700000000 + qint64(i) * 3571;
    for (int b = 0; b < 8; ++b)
        value[b] = static_cast<unsigned char>((quint64(seconds) >> (8 * b)) & 0xff);
    ::setxattr(QFile::encodeName(path).constData(), "user.com.apple.lastuseddate#PS", value, sizeof value, 0);
}

} // namespace

int appStoreCount(int count)
{
    int apps = 0;
    for (int i = 0; i < count; ++i)
        apps += kindOf(i) != Kind::Elsewhere;
    return apps;
}

QString bundleName(int i)
{
    static const char* const words[] = {
        "Pastel", "Drafts", "Things", "Sofa", "Muffin", "Island", "Codepoint"
    };
    return QString::fromLatin1(words[i % 7]) + u' ' + QString::number(i) + u".app"_s;
}

Counts create(const QString& folder, int count)
{
    Counts counts;
    if (!QDir().mkpath(folder))
        return counts;
    for (int i = 0; i < count; ++i) {
        const QString bundle = folder + u'/' + bundleName(i);
        const QString name = bundleName(i).chopped(4);
        const PropertyList::Format format = i % 2 ? PropertyList::Format::Binary : PropertyList::Format::Xml;
        bool written = false;
        switch (kindOf(i)) {
        case Kind::AppStore:
            written = writeFile(bundle + u"/Contents/Info.plist"_s,
                                PropertyList::serialize(infoDictionary(i, name, false), format))
                && writeFile(bundle + u"/Contents/iTunesMetadata.plist"_s,
                             PropertyList::serialize(storeMetadata(i, name), format))
                && writeFile(bundle + u"/Contents/PkgInfo"_s, "APPL????");
            ++counts.appStoreApps;
            break;
        case Kind::Wrapped:
            written = writeFile(bundle + u"/Wrapper/iTunesMetadata.plist"_s,
                                PropertyList::serialize(storeMetadata(i, name), format))
                && writeFile(bundle + u"/Wrapper/"_s + name + u".app/Info.plist"_s,
                             PropertyList::serialize(infoDictionary(i, name, true), format));
            ++counts.appStoreApps;
            break;
        case Kind::Elsewhere:
            written = writeFile(bundle + u"/Contents/Info.plist"_s,
                                PropertyList::serialize(infoDictionary(i, name, false), format));
            break;
        }
        if (!written)
            return {};
        if (i % 3 != 0)
            setLastUsed(bundle, i);
        ++counts.bundles;
    }
    // Entries a scan passes over.
    QDir().mkpath(folder + u"/Utilities"_s);
    writeFile(folder + u"/.localized"_s, QByteArray());
    return counts;
}

} // namespace FixtureBundles

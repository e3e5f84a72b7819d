// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "AppScanner.h"

#include "BundleInfo.h"
#include "FileSystem.h"
#include "FileSystemMetadataSource.h"
#include "MetadataItem.h"
#include "MetadataSource.h"
#include "ParallelLoop.h"
#include "PropertyList.h"

#include <QDir>
#include <QSet>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

using namespace Qt::StringLiterals;

namespace {

const QString AppSuffix = u".app"_s;

// A bundle takes some tens of microseconds to read; below this many per thread, starting the
// thread costs more than it saves.
constexpr qsizetype BundlesPerThread = 32;

QString withoutAppSuffixes(QString name)
{
    return name.remove(AppSuffix, Qt::CaseSensitive);
}

// An optional "+" or "-", then ASCII digits only, within the signed 64-bit range. Stricter than
// QString::toLongLong, which would let blanks and other digit scripts through.
std::optional<qint64> parseStoreNumber(const QString& text)
{
    qsizetype i = 0;
    bool negative = false;
    if (!text.isEmpty() && (text.front() == u'+' || text.front() == u'-')) {
        negative = text.front() == u'-';
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    // Accumulate towards the negative end, which has room for one more value than the positive.
    constexpr qint64 Min = std::numeric_limits<qint64>::min();
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c.unicode() - u'0';
        if (value < (Min + digit) / 10)
            return std::nullopt;
        value = value * 10 - digit;
    }
    if (!negative) {
        if (value == Min)
            return std::nullopt;
        value = -value;
    }
    return value;
}

// The decimal digits of a real that holds a whole number; nothing for a fraction, an infinity or NaN.
std::optional<QString> exactIntegerText(double number)
{
    if (!std::isfinite(number) || std::trunc(number) != number)
        return std::nullopt;
    return QString::number(number, 'f', 0);
}

std::optional<QString> numberText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::SChar:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UChar:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float: {
        const double number = value.toDouble();
        if (std::optional<QString> digits = exactIntegerText(number))
            return digits;
        // The plain text form of a fraction ("12.5", "nan") never passes the integer test.
        return QString::number(number);
    }
    default:
        return std::nullopt;
    }
}

ReadResult<QString> itemIdText(const QString& plistPath)
{
    const ReadResult<QVariant> value = PropertyList::readDictionaryValue(plistPath, u"itemId"_s);
    if (!value)
        return value.outcome();
    const QVariant& itemId = *value;
    switch (itemId.typeId()) {
    case QMetaType::LongLong:
        return QString::number(itemId.toLongLong());
    case QMetaType::ULongLong:
        return QString::number(itemId.toULongLong());
    case QMetaType::Double:
        // Some writers store every number as a real; 123.0 still names product 123, while a
        // fraction names none and the next file is asked.
        return { exactIntegerText(itemId.toDouble()), value.outcome() };
    default:
        return { std::nullopt, value.outcome() };
    }
}

std::optional<QDateTime> dateAttribute(const MetadataItem& item, QStringView name)
{
    const QVariant value = item.attribute(name);
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return std::nullopt;
    return value.toDateTime();
}

// An identifier can only name an application when it is not empty: an empty one would make every
// such bundle the same application and all but the first would vanish from the list.
std::optional<QString> bundleIdentifier(const QString& bundlePath, Completeness& completeness)
{
    std::optional<QString> identifier = completeness.note(BundleInfo::bundleIdentifier(bundlePath));
    if (identifier && identifier->isEmpty())
        return std::nullopt;
    return identifier;
}

} // namespace

AppScanner::AppScanner(QString systemFolder, QString homeFolder,
                       std::shared_ptr<const MetadataSource> metadata)
    : m_systemFolder(std::move(systemFolder))
    , m_homeFolder(homeFolder.isEmpty() ? QDir::homePath() : std::move(homeFolder))
    , m_metadata(metadata ? std::move(metadata) : std::make_shared<const FileSystemMetadataSource>())
{ }

QStringList AppScanner::watchedFolders() const
{
    return { m_systemFolder, FileSystem::joinPath(m_homeFolder, u"Applications"_s) };
}

AppScanner::Result AppScanner::scanInstalledApps(const ReviewDateMap& reviewDates) const
{
    Result result;
    QStringList folders { m_systemFolder };
    const QString userFolder = FileSystem::joinPath(m_homeFolder, u"Applications"_s);
    const ReadOutcome user = FileSystem::status(userFolder).outcome;
    result.completeness.note(user);
    if (user == ReadOutcome::Read)
        folders.append(userFolder);

    QList<AppInfo> combined;
    for (const QString& folder : std::as_const(folders)) {
        Result scanned = scanFolder(folder, reviewDates);
        combined.append(std::move(scanned.apps));
        result.completeness.note(scanned.completeness);
    }
    result.apps = AppSource::removeDuplicateIDs(combined);
    return result;
}

AppScanner::Result AppScanner::scanFolder(const QString& folderPath, const ReviewDateMap& reviewDates) const
{
    Result result;
    const ReadResult<QStringList> entries = result.completeness.note(FileSystem::listDirectory(folderPath));
    if (!entries)
        return result;

    QStringList bundles = *entries;
    bundles.removeIf([](const QString& name) { return !name.endsWith(AppSuffix, Qt::CaseSensitive); });
    // Reading and parsing the bundles' files is most of a scan's time, and the bundles do not depend
    // on each other: several threads read them, each record kept in its bundle's place so that the
    // list stays in listing order and the first of an id still wins.
    std::vector<std::optional<AppInfo>> records(size_t(bundles.size()));
    std::vector<Completeness> read(size_t(bundles.size()));
    ParallelLoop::run(bundles.size(), BundlesPerThread, [&](qsizetype i) {
        records[size_t(i)] = scanBundle(folderPath, bundles.at(i), reviewDates, read[size_t(i)]);
    });
    result.apps.reserve(bundles.size());
    for (size_t i = 0; i < records.size(); ++i) {
        if (records[i])
            result.apps.append(std::move(*records[i]));
        result.completeness.note(read[i]);
    }
    return result;
}

std::optional<AppInfo> AppScanner::scanBundle(const QString& folderPath, const QString& entryName,
                                              const ReviewDateMap& reviewDates,
                                              Completeness& completeness) const
{
    // The metadata item and the identifier both come from a bundle's information dictionary.
    const BundleInfo::ReadScope readOnce;
    const QString bundlePath = FileSystem::joinPath(folderPath, entryName);
    const std::optional<MetadataItem> item = m_metadata->itemForPath(bundlePath);
    // Without an item the entry may be gone since the listing, or be there and unreadable (a loop
    // of links, a link to a disk that is not mounted): only the first is no application.
    if (!item) {
        const FileSystem::Outcome outcome = FileSystem::status(bundlePath).outcome;
        if (outcome != FileSystem::Outcome::Read) {
            completeness.note(outcome);
            return std::nullopt;
        }
    }

    const std::optional<QString> adamID = resolveAppStoreID(item, bundlePath, completeness);
    if (!adamID || adamID->isEmpty())
        return std::nullopt;
    const std::optional<qint64> storeNumber = parseStoreNumber(*adamID);
    if (!storeNumber || *storeNumber < 1)
        return std::nullopt;

    // A record whose identifier could not be read is still listed, under its entry name, and the
    // scan stays incomplete, so that nothing stored under its real id is pruned.
    const AppId id(resolveBundleID(bundlePath, entryName, completeness));

    const QVariant displayName = item ? item->attribute(kMDItemDisplayName) : QVariant();
    const QString name =
        displayName.typeId() == QMetaType::QString ? displayName.toString() : withoutAppSuffixes(entryName);

    OptionalDate lastAccessedDate;
    OptionalDate modificationDate;
    if (item) {
        lastAccessedDate = dateAttribute(*item, kMDItemLastUsedDate);
        modificationDate = dateAttribute(*item, kMDItemFSContentChangeDate);
    }

    OptionalDate lastReviewedDate;
    const auto review = reviewDates.constFind(id);
    if (review != reviewDates.cend())
        lastReviewedDate = *review;

    return AppInfo(id, name, bundlePath, *adamID, lastAccessedDate, modificationDate, lastReviewedDate);
}

std::optional<QString> AppScanner::resolveAppStoreID(const std::optional<MetadataItem>& item,
                                                     const QString& bundlePath,
                                                     Completeness& completeness) const
{
    if (item) {
        const QVariant value = item->attribute(appStoreAdamIDAttribute());
        if (value.typeId() == QMetaType::QString)
            return value.toString();
        if (std::optional<QString> text = numberText(value))
            return text;
    }
    // A file that is there but unreadable might have held the id; one found in the other file
    // still names the application.
    Completeness files;
    for (const QString& relative :
         { u"Wrapper/iTunesMetadata.plist"_s, u"Contents/iTunesMetadata.plist"_s }) {
        if (ReadResult<QString> text = files.note(itemIdText(FileSystem::joinPath(bundlePath, relative))))
            return *text;
    }
    completeness.note(files);
    return std::nullopt;
}

QString AppScanner::resolveBundleID(const QString& bundlePath, const QString& entryName,
                                    Completeness& completeness) const
{
    const auto resolved = [&]() -> std::optional<QString> {
        if (std::optional<QString> identifier = bundleIdentifier(bundlePath, completeness))
            return identifier;
        const QString wrapperPath = FileSystem::joinPath(bundlePath, u"Wrapper"_s);
        const ReadResult<QStringList> wrapped = completeness.note(FileSystem::listDirectory(wrapperPath));
        for (const QString& name : wrapped.value_or(QStringList())) {
            // Only the first wrapped application speaks for the bundle.
            if (name.endsWith(AppSuffix, Qt::CaseSensitive))
                return bundleIdentifier(FileSystem::joinPath(wrapperPath, name), completeness);
        }
        return std::nullopt;
    }();
    return resolved.value_or(withoutAppSuffixes(entryName));
}

const QString& AppScanner::appStoreAdamIDAttribute()
{
    static const QString name = u"kMDItemAppStoreAdamID"_s;
    return name;
}

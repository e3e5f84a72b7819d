// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "FileSystem.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// Property lists in XML and binary form, read and written through libplist.
//
// Values come back as QVariant of these types, so that callers can tell a mistyped value from a
// right one: text QString, integer qlonglong (qulonglong above the signed range), real double,
// boolean bool, date QDateTime (UTC), data QByteArray, array QVariantList, dictionary QVariantMap.
//
// A QStringList or QVariantHash may be written but reads back as QVariantList / QVariantMap; a UID
// (keyed-archive reference) is left out of the array or dictionary holding it, and so is a text
// with a NUL character, which could not be written back. Dates carry
// milliseconds in binary form and whole seconds in XML form. They are read in the years 1 to 9999
// (one outside them is left out as a UID is, so that one odd date leaves the rest readable), and
// written only within about 68 years of 2001, as libplist writes a 32-bit count of seconds.
//
// Every byte given to the reader is untrusted: binary input is checked for consistent offsets and
// bounded nesting before libplist sees it, since the library does not check them itself (see
// BinaryPlistGuard, XmlPlistGuard). Containers nest at most 64 deep, in reading and in writing.
class PropertyList
{
public:
    enum class Format { Xml, Binary };

    // The root value, or nothing when the bytes are not a property list.
    static std::optional<QVariant> parse(QByteArrayView data);

    // The root dictionary, or nothing when the bytes are not a property list or the root is not
    // a dictionary.
    static std::optional<QVariantMap> parseDictionary(QByteArrayView data);

    // Reads a regular file of at most SafeFile::DefaultLimit bytes as a dictionary; nothing when
    // the file is missing, unreadable, too large, not a property list or not a dictionary. The
    // outcome is Failed for a file that was there but held no dictionary.
    using Outcome = FileSystem::Outcome;
    static ReadResult<QVariantMap> readDictionary(const QString& path);

    // What readDictionary(path)->value(key) gives, without converting the other entries: nothing
    // when the file is no dictionary, an invalid QVariant when the key is absent.
    static ReadResult<QVariant> readDictionaryValue(const QString& path, const QString& key);

    // What readDictionary(path) gives, restricted to keys: only the named entries are converted.
    static ReadResult<QVariantMap> readDictionaryValues(const QString& path, const QStringList& keys);

    // The value in the given form; an empty array when the value holds a type that property lists
    // cannot carry (an invalid QVariant, a text with a NUL character, a date out of range or
    // nesting deeper than the reader accepts included).
    static QByteArray serialize(const QVariant& value, Format format = Format::Xml);
};

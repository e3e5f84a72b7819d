// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "PropertyList.h"

#include "BinaryPlistGuard.h"
#include "SafeFile.h"
#include "XmlPlistGuard.h"

#include <QDateTime>
#include <QStringList>

#include <plist/plist.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>

namespace {
constexpr qint64 ReferenceDateMSecs = Q_INT64_C(978307200000); // 2001-01-01T00:00:00Z
constexpr int MaximumDepth = BinaryPlistGuard::MaximumDepth;
// The most that a per-thread buffer keeps between reads; an unusually large file's is let go.
constexpr qsizetype KeptCapacity = 256 * 1024;

struct PlistDeleter
{
    void operator()(plist_t node) const { plist_free(node); }
};
using PlistPointer = std::unique_ptr<std::remove_pointer_t<plist_t>, PlistDeleter>;

// libplist keeps every integer as 64 unsigned bits and remembers privately whether the value was
// written signed; only its own writer tells. Asked only for values above the signed range.
bool isUnsignedAboveSignedRange(plist_t node)
{
    char* xml = nullptr;
    uint32_t length = 0;
    plist_to_xml(node, &xml, &length);
    if (!xml)
        return false;
    const QByteArrayView text(xml, qsizetype(length));
    const bool isUnsigned = text.contains("<integer>") && !text.contains("<integer>-");
    plist_to_xml_free(xml);
    return isUnsigned;
}

// A date node's value read from what the binary writer makes of it, the double itself; nothing,
// as for a UID, for a date outside the years 1 to 9999, which no real file holds.
std::optional<QVariant> exactDate(plist_t node)
{
    char* bytes = nullptr;
    uint32_t length = 0;
    plist_to_bin(node, &bytes, &length);
    // "bplist00", then the one object: its marker and eight big-endian bytes.
    std::optional<QVariant> value;
    if (bytes && length >= 17 && static_cast<unsigned char>(bytes[8]) == 0x33) {
        quint64 bits = 0;
        for (int i = 9; i < 17; ++i)
            bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
        double seconds = 0;
        std::memcpy(&seconds, &bits, sizeof seconds);
        if (std::isfinite(seconds) && std::abs(seconds) < 1e12) {
            const QDateTime date =
                QDateTime::fromMSecsSinceEpoch(ReferenceDateMSecs + std::llround(seconds * 1000), Qt::UTC);
            if (date.date().year() >= 1 && date.date().year() <= 9999)
                value = QVariant(date);
        }
    }
    plist_to_bin_free(bytes);
    return value;
}

// The node's value; nothing for a UID (keyed-archive references mean nothing outside an archive)
// or any type without a counterpart, so that the entry holding it is left out.
std::optional<QVariant> toVariant(plist_t node)
{
    switch (plist_get_node_type(node)) {
    case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return QVariant(value != 0);
    }
    case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        if (value <= uint64_t(std::numeric_limits<qint64>::max()))
            return QVariant(qlonglong(value));
        if (isUnsignedAboveSignedRange(node))
            return QVariant(qulonglong(value));
        return QVariant(qlonglong(value)); // two's complement of a negative value
    }
    case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return QVariant(value);
    }
    case PLIST_STRING: {
        uint64_t length = 0;
        const char* text = plist_get_string_ptr(node, &length);
        // A text with a NUL character (a binary list may hold one) could not be written back, so a
        // file read and written again would fail for good: such a text counts as no value.
        if (length > 0 && std::memchr(text, 0, size_t(length)))
            return std::nullopt;
        return QVariant(QString::fromUtf8(text, qsizetype(length)));
    }
    case PLIST_DATE: {
        int32_t seconds = 0;
        int32_t microseconds = 0;
        plist_get_date_val(node, &seconds, &microseconds);
        // The node holds the date as a double, which the getter casts to 32 bits: a date before
        // 1933 or after 2069 comes back as the cast's out-of-range value (the lowest, or on some
        // processors the highest) and is read from the double instead, which reads a date that
        // truly lies on either end the same.
        if (seconds == std::numeric_limits<int32_t>::min() || seconds == std::numeric_limits<int32_t>::max())
            return exactDate(node);
        // libplist splits a binary date into seconds truncated toward zero and the fraction's
        // magnitude, so the fraction takes the sign of the seconds. (Within the one second before
        // the reference date that sign is lost; such a date reads up to a second late.)
        // The microseconds come from a double truncated once more, so they are rounded to the
        // nearest millisecond rather than cut.
        const qint64 fraction = (qint64(microseconds) + 500) / 1000;
        const qint64 msecs =
            ReferenceDateMSecs + qint64(seconds) * 1000 + (seconds < 0 ? -fraction : fraction);
        return QVariant(QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC));
    }
    case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return QVariant(QByteArray(bytes, qsizetype(length)));
    }
    case PLIST_ARRAY: {
        QVariantList list;
        list.reserve(plist_array_get_size(node));
        // An iterator, not plist_array_get_item: arrays that come from the parser have no index,
        // and looking each item up walks the list from its start.
        plist_array_iter iterator = nullptr;
        plist_array_new_iter(node, &iterator);
        if (!iterator)
            return QVariant(list);
        for (;;) {
            plist_t item = nullptr;
            plist_array_next_item(node, iterator, &item);
            if (!item)
                break;
            if (auto value = toVariant(item))
                list.append(std::move(*value));
        }
        std::free(iterator);
        return QVariant(list);
    }
    case PLIST_DICT: {
        QVariantMap map;
        plist_dict_iter iterator = nullptr;
        plist_dict_new_iter(node, &iterator);
        if (!iterator)
            return QVariant(map);
        for (;;) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iterator, &key, &item);
            if (!item) {
                std::free(key);
                break;
            }
            if (auto value = toVariant(item))
                map.insert(QString::fromUtf8(key), std::move(*value));
            std::free(key);
        }
        std::free(iterator);
        return QVariant(map);
    }
    default:
        return std::nullopt;
    }
}

PlistPointer integerNode(quint64 value)
{
    if (value <= quint64(std::numeric_limits<qint64>::max()))
        return PlistPointer(plist_new_uint(value));
    // plist_new_uint marks its value signed, which would write this one as negative; the parser
    // marks a large literal unsigned.
    const QByteArray xml = "<plist><integer>" + QByteArray::number(value) + "</integer></plist>";
    plist_t node = nullptr;
    plist_from_xml(xml.constData(), uint32_t(xml.size()), &node);
    return PlistPointer(node);
}

PlistPointer toNode(const QVariant& value, int depth)
{
    switch (value.typeId()) {
    case QMetaType::QString: {
        const QString text = value.toString();
        if (text.contains(QChar(0)))
            return nullptr; // the library's strings end at the first NUL
        return PlistPointer(plist_new_string(text.toUtf8().constData()));
    }
    case QMetaType::Bool:
        return PlistPointer(plist_new_bool(value.toBool() ? 1 : 0));
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::Long:
    case QMetaType::SChar:
        return PlistPointer(plist_new_uint(uint64_t(value.toLongLong())));
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
    case QMetaType::ULong:
    case QMetaType::UChar:
        return integerNode(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return PlistPointer(plist_new_real(value.toDouble()));
    case QMetaType::QDateTime: {
        const QDateTime date = value.toDateTime();
        if (!date.isValid())
            return nullptr;
        const qint64 msecs = date.toMSecsSinceEpoch() - ReferenceDateMSecs;
        qint64 seconds = msecs / 1000;
        qint64 remainder = msecs % 1000;
        if (remainder < 0) {
            --seconds;
            remainder += 1000;
        }
        if (seconds <= std::numeric_limits<qint32>::min() || seconds >= std::numeric_limits<qint32>::max())
            return nullptr;
        return PlistPointer(plist_new_date(int32_t(seconds), int32_t(remainder * 1000)));
    }
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        return PlistPointer(plist_new_data(bytes.constData(), uint64_t(bytes.size())));
    }
    case QMetaType::QVariantList:
    case QMetaType::QStringList: {
        // Deeper than the reader accepts would write a file that nobody could read back.
        if (depth >= MaximumDepth)
            return nullptr;
        PlistPointer array(plist_new_array());
        for (const QVariant& item : value.toList()) {
            PlistPointer node = toNode(item, depth + 1);
            if (!node)
                return nullptr;
            plist_array_append_item(array.get(), node.release());
        }
        return array;
    }
    case QMetaType::QVariantMap:
    case QMetaType::QVariantHash: {
        if (depth >= MaximumDepth)
            return nullptr;
        PlistPointer dictionary(plist_new_dict());
        const QVariantMap map = value.toMap();
        for (auto it = map.cbegin(); it != map.cend(); ++it) {
            if (it.key().contains(QChar(0)))
                return nullptr;
            PlistPointer node = toNode(it.value(), depth + 1);
            if (!node)
                return nullptr;
            plist_dict_set_item(dictionary.get(), it.key().toUtf8().constData(), node.release());
        }
        return dictionary;
    }
    default:
        return nullptr;
    }
}

// terminated says that a NUL byte follows data, as in every QByteArray: the XML reader is then
// given the bytes in place whenever the guard had nothing to rewrite, else it always gets a
// terminated copy, as it always has.
PlistPointer parseNode(QByteArrayView data, bool terminated = false)
{
    if (data.size() > qsizetype(std::numeric_limits<int32_t>::max()))
        return nullptr;
    plist_t root = nullptr;
    if (data.startsWith("bplist")) {
        if (!BinaryPlistGuard::isAcceptable(data))
            return nullptr;
        plist_from_bin(data.data(), uint32_t(data.size()), &root);
    } else {
        thread_local QByteArray rewritten;
        std::optional<QByteArrayView> xml = XmlPlistGuard::sanitize(data, rewritten);
        if (xml && !terminated && xml->data() == data.data()) {
            rewritten.resize(0);
            rewritten.append(data);
            xml = QByteArrayView(rewritten);
        }
        if (xml)
            plist_from_xml(xml->data(), uint32_t(xml->size()), &root);
        if (rewritten.capacity() > KeptCapacity)
            rewritten = QByteArray();
    }
    return PlistPointer(root);
}

// Files read only to be parsed share one buffer per thread: a scan reads thousands of small files
// one after another, and a fresh file-sized block for each costs more than reading it.
struct DictionaryNode
{
    PlistPointer root;
    ReadOutcome outcome = ReadOutcome::Failed;
};

DictionaryNode readDictionaryNode(const QString& path)
{
    thread_local QByteArray buffer;
    PlistPointer root;
    ReadOutcome read = SafeFile::readRegularFile(path, buffer, SafeFile::DefaultLimit);
    if (read == ReadOutcome::Read)
        root = parseNode(buffer, true);
    if (buffer.capacity() > KeptCapacity)
        buffer = QByteArray();
    if (read == ReadOutcome::Read && (!root || plist_get_node_type(root.get()) != PLIST_DICT)) {
        read = ReadOutcome::Failed;
        root = nullptr;
    }
    return { std::move(root), read };
}

// Calls visit(key, value) for each entry of a dictionary node in order; as in the whole
// conversion, a later entry of the same key is to win over an earlier one, unless its value has
// no counterpart.
template<typename Visit>
void forEachEntry(plist_t dictionary, const Visit& visit)
{
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(dictionary, &iterator);
    if (!iterator)
        return;
    for (;;) {
        char* name = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(dictionary, iterator, &name, &item);
        if (!item) {
            std::free(name);
            break;
        }
        if (name)
            visit(name, item);
        std::free(name);
    }
    std::free(iterator);
}
} // namespace

std::optional<QVariant> PropertyList::parse(QByteArrayView data)
{
    const PlistPointer root = parseNode(data);
    if (!root)
        return std::nullopt;
    return toVariant(root.get());
}

std::optional<QVariantMap> PropertyList::parseDictionary(QByteArrayView data)
{
    const PlistPointer root = parseNode(data);
    if (!root || plist_get_node_type(root.get()) != PLIST_DICT)
        return std::nullopt;
    const auto value = toVariant(root.get());
    if (!value)
        return std::nullopt;
    return value->toMap();
}

ReadResult<QVariantMap> PropertyList::readDictionary(const QString& path)
{
    const DictionaryNode node = readDictionaryNode(path);
    if (!node.root)
        return node.outcome;
    const auto value = toVariant(node.root.get());
    if (!value)
        return { std::nullopt, node.outcome };
    return value->toMap();
}

ReadResult<QVariant> PropertyList::readDictionaryValue(const QString& path, const QString& key)
{
    const DictionaryNode node = readDictionaryNode(path);
    const PlistPointer& root = node.root;
    if (!root)
        return node.outcome;
    QVariant found;
    const QByteArray wanted = key.toUtf8();
    forEachEntry(root.get(), [&](const char* name, plist_t item) {
        if (wanted == name) {
            if (auto value = toVariant(item))
                found = std::move(*value);
        }
    });
    return found;
}

ReadResult<QVariantMap> PropertyList::readDictionaryValues(const QString& path, const QStringList& keys)
{
    const DictionaryNode node = readDictionaryNode(path);
    const PlistPointer& root = node.root;
    if (!root)
        return node.outcome;
    QList<QByteArray> wanted;
    wanted.reserve(keys.size());
    for (const QString& key : keys)
        wanted.append(key.toUtf8());
    QVariantMap found;
    forEachEntry(root.get(), [&](const char* name, plist_t item) {
        for (qsizetype i = 0; i < wanted.size(); ++i) {
            if (wanted.at(i) == name) {
                if (auto value = toVariant(item))
                    found.insert(keys.at(i), std::move(*value));
                return;
            }
        }
    });
    return found;
}

QByteArray PropertyList::serialize(const QVariant& value, Format format)
{
    const PlistPointer root = toNode(value, 0);
    if (!root)
        return {};
    char* bytes = nullptr;
    uint32_t length = 0;
    QByteArray result;
    if (format == Format::Binary) {
        plist_to_bin(root.get(), &bytes, &length);
        if (bytes)
            result = QByteArray(bytes, qsizetype(length));
        plist_to_bin_free(bytes);
    } else {
        plist_to_xml(root.get(), &bytes, &length);
        if (bytes)
            result = QByteArray(bytes, qsizetype(length));
        plist_to_xml_free(bytes);
    }
    return result;
}

// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "BinaryPlistGuard.h"

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace {
constexpr qsizetype HeaderSize = 8;
constexpr qsizetype TrailerSize = 32;

enum Marker : unsigned char {
    Simple = 0x0,
    Integer = 0x1,
    Real = 0x2,
    Date = 0x3,
    Data = 0x4,
    AsciiString = 0x5,
    Utf16String = 0x6,
    Uid = 0x8,
    Array = 0xA,
    Dictionary = 0xD,
};

quint64 readBigEndian(const unsigned char* bytes, int size)
{
    quint64 value = 0;
    for (int i = 0; i < size; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

struct ObjectHeader
{
    unsigned char type = 0;
    quint64 count = 0; // bytes, characters or entries
    quint64 referencesAt = 0; // where the content of data, a string, an array or a dictionary starts
};

class Checker
{
public:
    explicit Checker(QByteArrayView data)
        : m_bytes(reinterpret_cast<const unsigned char*>(data.data()))
        , m_size(quint64(data.size()))
    { }

    bool check()
    {
        if (m_size < quint64(HeaderSize + TrailerSize) || std::memcmp(m_bytes, "bplist00", HeaderSize) != 0)
            return false;
        return readTrailer() && checkAllObjects() && walkFromTop();
    }

private:
    bool readTrailer()
    {
        const unsigned char* trailer = m_bytes + m_size - TrailerSize;
        m_offsetSize = trailer[6];
        m_referenceSize = trailer[7];
        m_objectCount = readBigEndian(trailer + 8, 8);
        m_topObject = readBigEndian(trailer + 16, 8);
        m_tableOffset = readBigEndian(trailer + 24, 8);
        if (m_offsetSize < 1 || m_offsetSize > 8 || m_referenceSize < 1 || m_referenceSize > 8)
            return false;
        if (m_objectCount == 0 || m_topObject >= m_objectCount)
            return false;
        const quint64 tableEnd = m_size - TrailerSize;
        if (m_tableOffset < quint64(HeaderSize) + 1 || m_tableOffset > tableEnd)
            return false;
        return m_objectCount <= (tableEnd - m_tableOffset) / m_offsetSize;
    }

    std::optional<quint64> objectOffset(quint64 index) const
    {
        const quint64 offset = readBigEndian(m_bytes + m_tableOffset + index * m_offsetSize, m_offsetSize);
        if (offset < quint64(HeaderSize) || offset >= m_tableOffset)
            return std::nullopt;
        return offset;
    }

    // The object at index, its content lying wholly inside the object area.
    std::optional<ObjectHeader> header(quint64 index) const
    {
        const auto offset = objectOffset(index);
        if (!offset)
            return std::nullopt;
        const quint64 end = m_tableOffset;
        const unsigned char marker = m_bytes[*offset];
        const unsigned char info = marker & 0x0F;
        quint64 position = *offset + 1;
        ObjectHeader result;
        result.type = marker >> 4;

        const auto fits = [&](quint64 length) { return length <= end - position; };

        switch (result.type) {
        case Simple:
            return (info == 0x8 || info == 0x9) ? std::optional(result) : std::nullopt;
        case Integer: {
            if (info > 4 || !fits(quint64(1) << info))
                return std::nullopt;
            // Sixteen bytes carry the unsigned values above the signed range; anything wider
            // than 64 bits cannot be represented.
            if (info == 4 && readBigEndian(m_bytes + position, 8) != 0)
                return std::nullopt;
            return result;
        }
        case Real:
            return ((info == 2 || info == 3) && fits(quint64(1) << info)) ? std::optional(result)
                                                                          : std::nullopt;
        case Date: {
            if (info != 3 || !fits(8))
                return std::nullopt;
            const quint64 bits = readBigEndian(m_bytes + position, 8);
            double seconds;
            std::memcpy(&seconds, &bits, sizeof seconds);
            // Not a number is no date at all; a date of any number the reader takes or leaves out.
            if (!std::isfinite(seconds))
                return std::nullopt;
            return result;
        }
        case Uid:
            return ((info == 0 || info == 1 || info == 3 || info == 7) && fits(info + 1u))
                ? std::optional(result)
                : std::nullopt;
        case Data:
        case AsciiString:
        case Utf16String:
        case Array:
        case Dictionary:
            break;
        default:
            return std::nullopt;
        }

        quint64 count = info;
        if (info == 0x0F) {
            // The length follows as an integer object of 1, 2, 4 or 8 bytes.
            if (!fits(1))
                return std::nullopt;
            const unsigned char lengthMarker = m_bytes[position];
            if ((lengthMarker >> 4) != Integer || (lengthMarker & 0x0F) > 3)
                return std::nullopt;
            const int lengthSize = 1 << (lengthMarker & 0x0F);
            ++position;
            if (!fits(quint64(lengthSize)))
                return std::nullopt;
            count = readBigEndian(m_bytes + position, lengthSize);
            position += quint64(lengthSize);
        }
        quint64 unit = 1;
        if (result.type == Utf16String)
            unit = 2;
        else if (result.type == Array)
            unit = m_referenceSize;
        else if (result.type == Dictionary)
            unit = 2 * quint64(m_referenceSize);
        if (count > (end - position) / unit)
            return std::nullopt;
        result.count = count;
        result.referencesAt = position;
        return result;
    }

    quint64 reference(const ObjectHeader& container, quint64 slot) const
    {
        return readBigEndian(m_bytes + container.referencesAt + slot * m_referenceSize, m_referenceSize);
    }

    // A dictionary key: a string without NUL characters, which libplist cannot hold in a key (it
    // aborts on one).
    bool isKey(quint64 index) const
    {
        const auto object = header(index);
        if (!object || (object->type != AsciiString && object->type != Utf16String))
            return false;
        const unsigned char* text = m_bytes + object->referencesAt;
        if (object->type == AsciiString)
            return std::memchr(text, 0, object->count) == nullptr;
        for (quint64 unit = 0; unit < object->count; ++unit) {
            if (text[2 * unit] == 0 && text[2 * unit + 1] == 0)
                return false;
        }
        return true;
    }

    bool checkAllObjects() const
    {
        for (quint64 index = 0; index < m_objectCount; ++index) {
            const auto object = header(index);
            if (!object)
                return false;
            if (object->type != Array && object->type != Dictionary)
                continue;
            const quint64 slotCount = object->type == Dictionary ? 2 * object->count : object->count;
            for (quint64 slot = 0; slot < slotCount; ++slot) {
                if (reference(*object, slot) >= m_objectCount)
                    return false;
            }
            if (object->type == Dictionary) {
                for (quint64 slot = 0; slot < object->count; ++slot) {
                    if (!isKey(reference(*object, slot)))
                        return false;
                }
            }
        }
        return true;
    }

    // Depth-first from the top object without recursion, so that the check itself cannot run out
    // of stack. A reference to an object on the current path is a cycle; one to an object seen
    // elsewhere is a legitimate sharing that the parser copies, so it counts again.
    bool walkFromTop() const
    {
        struct Frame
        {
            quint64 index;
            ObjectHeader object;
            quint64 next;
        };
        std::vector<bool> onPath(m_objectCount, false);
        std::vector<Frame> path;
        qint64 nodes = 1;

        const auto enter = [&](quint64 index) {
            const auto object = header(index);
            if (!object)
                return false;
            if (object->type != Array && object->type != Dictionary)
                return true;
            if (onPath[index] || path.size() >= size_t(BinaryPlistGuard::MaximumDepth))
                return false;
            onPath[index] = true;
            path.push_back({ index, *object, 0 });
            return true;
        };

        if (!enter(m_topObject))
            return false;
        while (!path.empty()) {
            Frame& frame = path.back();
            if (frame.next == frame.object.count) {
                onPath[frame.index] = false;
                path.pop_back();
                continue;
            }
            // A dictionary's values follow its keys; keys are strings, checked already.
            const quint64 slot =
                frame.object.type == Dictionary ? frame.object.count + frame.next : frame.next;
            ++frame.next;
            nodes += frame.object.type == Dictionary ? 2 : 1;
            if (nodes > BinaryPlistGuard::MaximumNodes)
                return false;
            if (!enter(reference(frame.object, slot)))
                return false;
        }
        return true;
    }

    const unsigned char* m_bytes;
    quint64 m_size;
    int m_offsetSize = 0;
    int m_referenceSize = 0;
    quint64 m_objectCount = 0;
    quint64 m_topObject = 0;
    quint64 m_tableOffset = 0;
};
} // namespace

bool BinaryPlistGuard::isAcceptable(QByteArrayView data)
{
    return Checker(data).check();
}

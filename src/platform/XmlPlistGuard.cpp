// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "XmlPlistGuard.h"

#include <QDateTime>

#include <cstring>
#include <iterator>
#include <limits>

namespace {

bool isXmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

QByteArrayView trimmed(QByteArrayView text)
{
    while (!text.isEmpty() && isXmlSpace(text.front()))
        text = text.sliced(1);
    while (!text.isEmpty() && isXmlSpace(text.back()))
        text.chop(1);
    return text;
}

int digitValue(char c, int base)
{
    int value = -1;
    if (c >= '0' && c <= '9')
        value = c - '0';
    else if (c >= 'a' && c <= 'f')
        value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F')
        value = c - 'A' + 10;
    return value < base ? value : -1;
}

// The canonical text of one value, short enough to live on the stack: almost every value in a
// real file is canonical already, and comparing needs no allocation then.
struct Canonical
{
    char text[40];
    qsizetype size = 0;

    QByteArrayView view() const { return QByteArrayView(text, size); }
    bool assign(QByteArrayView bytes)
    {
        if (bytes.size() > qsizetype(sizeof text))
            return false;
        std::memcpy(text, bytes.data(), size_t(bytes.size()));
        size = bytes.size();
        return true;
    }
};

// Decimal, or hexadecimal after "0x", with an optional sign; from the smallest signed to the
// largest unsigned 64-bit value.
bool canonicalInteger(QByteArrayView text, Canonical& out)
{
    text = trimmed(text);
    bool negative = false;
    if (!text.isEmpty() && (text.front() == '+' || text.front() == '-')) {
        negative = text.front() == '-';
        text = text.sliced(1);
    }
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text = text.sliced(2);
    }
    if (text.isEmpty())
        return false;
    quint64 magnitude = 0;
    for (const char c : text) {
        const int digit = digitValue(c, base);
        if (digit < 0 || magnitude > (std::numeric_limits<quint64>::max() - quint64(digit)) / quint64(base))
            return false;
        magnitude = magnitude * quint64(base) + quint64(digit);
    }
    if (negative && magnitude > quint64(std::numeric_limits<qint64>::max()) + 1)
        return false;
    char digits[24];
    char* first = std::end(digits);
    do {
        *--first = char('0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    if (negative && !(first + 1 == std::end(digits) && *first == '0'))
        *--first = '-';
    return out.assign(QByteArrayView(first, std::end(digits)));
}

bool canonicalReal(QByteArrayView text, Canonical& out)
{
    bool ok = false;
    const double value = trimmed(text).toByteArray().toDouble(&ok);
    if (!ok)
        return false;
    return out.assign(QByteArray::number(value, 'g', std::numeric_limits<double>::max_digits10));
}

// Whether text is a date in exactly the canonical form, "yyyy-MM-ddTHH:mm:ssZ", that names a real
// instant. Only ever says yes when the full check below would give the same text back; anything
// else (a fraction, an offset, hour 24, a leap second) is left to it.
bool isCanonicalDate(QByteArrayView text)
{
    if (text.size() != 20 || text[4] != '-' || text[7] != '-' || text[10] != 'T' || text[13] != ':'
        || text[16] != ':' || text[19] != 'Z')
        return false;
    const auto number = [&](int at, int length) {
        int value = 0;
        for (int i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const int year = number(0, 4);
    const int month = number(5, 2);
    const int day = number(8, 2);
    const int hour = number(11, 2);
    const int minute = number(14, 2);
    const int second = number(17, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1 || hour < 0 || hour > 23 || minute < 0 || minute > 59
        || second < 0 || second > 59)
        return false;
    static constexpr int DaysInMonth[] = { 31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= DaysInMonth[month - 1] + (month == 2 && leap ? 1 : 0);
}

// The parser ignores fractions. Dates of any year it can write (four digits) go through: the
// reader takes them from the value the parser keeps, not from its 32-bit getter.
bool canonicalDate(QByteArrayView text, Canonical& out)
{
    if (isCanonicalDate(text))
        return out.assign(text);
    const QString iso = QString::fromLatin1(trimmed(text));
    if (!iso.endsWith(u'Z'))
        return false;
    const QDateTime date = QDateTime::fromString(iso, Qt::ISODateWithMs).toUTC();
    if (!date.isValid() || date.date().year() < 1 || date.date().year() > 9999)
        return false;
    return out.assign(date.toString(u"yyyy-MM-ddTHH:mm:ss'Z'").toLatin1());
}

// QByteArrayView::indexOf without the set-up cost that shows in a file of many short elements.
qsizetype indexOfByte(QByteArrayView text, char c, qsizetype from)
{
    if (from >= text.size())
        return -1;
    const void* found = std::memchr(text.data() + from, c, size_t(text.size() - from));
    return found ? static_cast<const char*>(found) - text.data() : -1;
}

qsizetype indexOfMarkup(QByteArrayView text, QByteArrayView needle, qsizetype from)
{
    for (qsizetype at = indexOfByte(text, needle.front(), from); at >= 0;
         at = indexOfByte(text, needle.front(), at + 1)) {
        if (text.sliced(at).startsWith(needle))
            return at;
    }
    return -1;
}

// The element name of a start tag's text (between "<" and ">").
QByteArrayView elementName(QByteArrayView tag)
{
    qsizetype length = 0;
    while (length < tag.size() && !isXmlSpace(tag[length]) && tag[length] != '/')
        ++length;
    return tag.first(length);
}
} // namespace

std::optional<QByteArrayView> XmlPlistGuard::sanitize(QByteArrayView data, QByteArray& buffer)
{
    if (indexOfByte(data, '\0', 0) >= 0)
        return std::nullopt;
    // Input is copied only from the first value whose text changes; up to copied it is in buffer.
    bool rewritten = false;
    qsizetype copied = 0;
    int depth = 0;
    qsizetype position = 0;

    // Markup that holds no elements is passed over whole, so that a "<" inside it counts for nothing.
    const auto skipPast = [&](qsizetype start, QByteArrayView terminator) -> bool {
        const qsizetype end = indexOfMarkup(data, terminator, start);
        if (end < 0)
            return false;
        position = end + terminator.size();
        return true;
    };

    while (position < data.size()) {
        const qsizetype open = indexOfByte(data, '<', position);
        if (open < 0)
            break;
        // Comments, character data and processing instructions all start "<!" or "<?".
        const char second = open + 1 < data.size() ? data[open + 1] : '\0';
        if (second == '!' || second == '?') {
            const QByteArrayView rest = data.sliced(open);
            if (rest.startsWith("<!--")) {
                if (!skipPast(open, "-->"))
                    return std::nullopt;
                continue;
            }
            if (rest.startsWith("<![CDATA[")) {
                if (!skipPast(open, "]]>"))
                    return std::nullopt;
                continue;
            }
            if (second == '?') {
                if (!skipPast(open, "?>"))
                    return std::nullopt;
                continue;
            }
        }
        const qsizetype close = indexOfByte(data, '>', open);
        if (close < 0)
            return std::nullopt;
        const QByteArrayView tag = data.sliced(open + 1, close - open - 1);
        position = close + 1;
        if (tag.startsWith('!')) {
            // A document type declaration; an internal subset could declare entities, which no
            // property list needs.
            if (tag.contains('['))
                return std::nullopt;
            continue;
        }
        if (tag.startsWith('/')) {
            if (--depth < 0)
                return std::nullopt;
            continue;
        }
        const bool empty = tag.endsWith('/');
        if (!empty && ++depth > MaximumDepth)
            return std::nullopt;

        const QByteArrayView name = elementName(tag);
        bool (*canonical)(QByteArrayView, Canonical&) = nullptr;
        QByteArrayView endTag;
        if (name == "integer") {
            canonical = canonicalInteger;
            endTag = "</integer";
        } else if (name == "real") {
            canonical = canonicalReal;
            endTag = "</real";
        } else if (name == "date") {
            canonical = canonicalDate;
            endTag = "</date";
        }
        if (!canonical)
            continue;
        if (empty)
            return std::nullopt;
        const qsizetype end = indexOfMarkup(data, endTag, position);
        if (end < 0)
            return std::nullopt;
        const QByteArrayView original = data.sliced(position, end - position);
        Canonical text;
        if (!canonical(original, text))
            return std::nullopt;
        // The value is written back as "<name>text"; the end tag follows as it was.
        if (tag == name && text.view() == original) {
            position = end;
            continue;
        }
        if (!rewritten) {
            buffer.resize(0);
            buffer.reserve(data.size());
            rewritten = true;
        }
        buffer.append(data.sliced(copied, open - copied));
        buffer.append('<').append(name).append('>').append(text.view());
        copied = end;
        position = end; // the end tag is passed over by the next round
    }
    if (depth != 0)
        return std::nullopt;
    if (!rewritten)
        return data;
    buffer.append(data.sliced(copied));
    return QByteArrayView(buffer);
}

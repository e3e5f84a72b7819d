#include "XmlPlistGuard.h"

#include <QDateTime>

#include <limits>

namespace {
constexpr qint64 ReferenceDateSeconds = 978307200; // 2001-01-01T00:00:00Z

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

// Decimal, or hexadecimal after "0x", with an optional sign; from the smallest signed to the
// largest unsigned 64-bit value.
std::optional<QByteArray> canonicalInteger(QByteArrayView text)
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
        return std::nullopt;
    quint64 magnitude = 0;
    for (const char c : text) {
        const int digit = digitValue(c, base);
        if (digit < 0 || magnitude > (std::numeric_limits<quint64>::max() - quint64(digit)) / quint64(base))
            return std::nullopt;
        magnitude = magnitude * quint64(base) + quint64(digit);
    }
    if (negative && magnitude > quint64(std::numeric_limits<qint64>::max()) + 1)
        return std::nullopt;
    if (negative && magnitude != 0)
        return '-' + QByteArray::number(magnitude);
    return QByteArray::number(magnitude);
}

std::optional<QByteArray> canonicalReal(QByteArrayView text)
{
    bool ok = false;
    const double value = trimmed(text).toByteArray().toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return QByteArray::number(value, 'g', std::numeric_limits<double>::max_digits10);
}

// The parser keeps whole seconds since 2001 in 32 bits and ignores fractions.
std::optional<QByteArray> canonicalDate(QByteArrayView text)
{
    const QString iso = QString::fromLatin1(trimmed(text));
    if (!iso.endsWith(u'Z'))
        return std::nullopt;
    const QDateTime date = QDateTime::fromString(iso, Qt::ISODateWithMs);
    if (!date.isValid())
        return std::nullopt;
    const qint64 seconds = date.toSecsSinceEpoch() - ReferenceDateSeconds;
    if (seconds <= std::numeric_limits<qint32>::min() || seconds >= std::numeric_limits<qint32>::max())
        return std::nullopt;
    return date.toUTC().toString(u"yyyy-MM-ddTHH:mm:ss'Z'").toLatin1();
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

std::optional<QByteArray> XmlPlistGuard::sanitize(QByteArrayView data)
{
    if (data.contains('\0'))
        return std::nullopt;
    QByteArray result;
    result.reserve(data.size());
    int depth = 0;
    qsizetype position = 0;

    // Markup that holds no elements is copied whole, so that a "<" inside it counts for nothing.
    const auto skipPast = [&](qsizetype start, QByteArrayView terminator) -> bool {
        const qsizetype end = data.indexOf(terminator, start);
        if (end < 0)
            return false;
        position = end + terminator.size();
        result.append(data.sliced(start, position - start));
        return true;
    };

    while (position < data.size()) {
        const qsizetype open = data.indexOf('<', position);
        if (open < 0) {
            result.append(data.sliced(position));
            break;
        }
        result.append(data.sliced(position, open - position));
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
        if (rest.startsWith("<?")) {
            if (!skipPast(open, "?>"))
                return std::nullopt;
            continue;
        }
        const qsizetype close = data.indexOf('>', open);
        if (close < 0)
            return std::nullopt;
        const QByteArrayView tag = data.sliced(open + 1, close - open - 1);
        position = close + 1;
        if (tag.startsWith('!')) {
            // A document type declaration; an internal subset could declare entities, which no
            // property list needs.
            if (tag.contains('['))
                return std::nullopt;
            result.append(data.sliced(open, position - open));
            continue;
        }
        if (tag.startsWith('/')) {
            if (--depth < 0)
                return std::nullopt;
            result.append(data.sliced(open, position - open));
            continue;
        }
        const bool empty = tag.endsWith('/');
        if (!empty && ++depth > MaximumDepth)
            return std::nullopt;

        const QByteArrayView name = elementName(tag);
        std::optional<QByteArray> (*canonical)(QByteArrayView) = nullptr;
        if (name == "integer")
            canonical = canonicalInteger;
        else if (name == "real")
            canonical = canonicalReal;
        else if (name == "date")
            canonical = canonicalDate;
        if (!canonical) {
            result.append(data.sliced(open, position - open));
            continue;
        }
        if (empty)
            return std::nullopt;
        const QByteArray endTag = "</" + name.toByteArray();
        const qsizetype end = data.indexOf(endTag, position);
        if (end < 0)
            return std::nullopt;
        const auto text = canonical(data.sliced(position, end - position));
        if (!text)
            return std::nullopt;
        result.append('<').append(name).append('>').append(*text);
        position = end; // the end tag is copied by the next round
    }
    if (depth != 0)
        return std::nullopt;
    return result;
}

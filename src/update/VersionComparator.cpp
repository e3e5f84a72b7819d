// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "VersionComparator.h"

#include <QList>

namespace {

enum class PartKind { Number, Text, Separator };

struct Part
{
    PartKind kind;
    QString text; // numbers hold their ASCII digits without leading zeros
};

PartKind kindOf(QChar c)
{
    if (c.isDigit())
        return PartKind::Number;
    if (c.isPunct() || c.isSpace() || c.isSymbol())
        return PartKind::Separator;
    return PartKind::Text;
}

QList<Part> split(const QString& version)
{
    QList<Part> parts;
    for (const QChar c : version) {
        const PartKind kind = kindOf(c);
        // Every separator stands alone, so that "1..2" keeps two separators between its numbers.
        if (parts.isEmpty() || parts.constLast().kind != kind || kind == PartKind::Separator)
            parts.append({ kind, {} });
        // Digits of any script count by their value; keeping them as ASCII lets numbers of any
        // length compare without overflow.
        parts.last().text += kind == PartKind::Number ? QChar(u'0' + c.digitValue()) : c;
    }
    for (Part& part : parts) {
        if (part.kind != PartKind::Number)
            continue;
        qsizetype zeros = 0;
        while (zeros < part.text.size() - 1 && part.text.at(zeros) == u'0')
            ++zeros;
        part.text.remove(0, zeros);
    }
    return parts;
}

std::weak_ordering compareNumbers(const QString& left, const QString& right)
{
    if (left.size() != right.size())
        return left.size() <=> right.size();
    const int order = left.compare(right);
    return order <=> 0;
}

// Rank for parts of different kinds: text is always the oldest.
int rank(PartKind kind)
{
    switch (kind) {
    case PartKind::Text:
        return 0;
    case PartKind::Separator:
        return 1;
    case PartKind::Number:
        return 2;
    }
    return 0;
}

// What the rest of the longer version says about it, compared with the shorter one.
std::weak_ordering tailOrder(const QList<Part>& parts, qsizetype from)
{
    for (qsizetype i = from; i < parts.size(); ++i) {
        switch (parts.at(i).kind) {
        case PartKind::Separator:
            continue;
        case PartKind::Text:
            return std::weak_ordering::less;
        case PartKind::Number:
            return std::weak_ordering::greater;
        }
    }
    return std::weak_ordering::equivalent;
}

} // namespace

std::weak_ordering VersionComparator::compare(const QString& left, const QString& right)
{
    const QList<Part> leftParts = split(left);
    const QList<Part> rightParts = split(right);
    const qsizetype common = std::min(leftParts.size(), rightParts.size());
    for (qsizetype i = 0; i < common; ++i) {
        const Part& a = leftParts.at(i);
        const Part& b = rightParts.at(i);
        if (a.kind != b.kind)
            return rank(a.kind) <=> rank(b.kind);
        std::weak_ordering order = std::weak_ordering::equivalent;
        if (a.kind == PartKind::Number)
            order = compareNumbers(a.text, b.text);
        else if (a.kind == PartKind::Text)
            order = a.text.compare(b.text) <=> 0;
        if (order != std::weak_ordering::equivalent)
            return order;
    }
    if (leftParts.size() > common)
        return tailOrder(leftParts, common);
    if (rightParts.size() > common)
        return 0 <=> tailOrder(rightParts, common);
    return std::weak_ordering::equivalent;
}

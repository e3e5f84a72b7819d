// SPDX-FileCopyrightText: 2026 Kudora developers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "TextSearch.h"

#include <QLocale>

#include <unicode/uchar.h>
#include <unicode/unorm2.h>
#include <unicode/ustring.h>
#include <unicode/utf16.h>

namespace {

bool usesTurkicCasing()
{
    const QLocale::Language language = QLocale().language();
    return language == QLocale::Turkish || language == QLocale::Azerbaijani;
}

bool isMark(char32_t c)
{
    return (U_GET_GC_MASK(c) & U_GC_M_MASK) != 0;
}

// The code point that starts at index, or the lone surrogate there.
char32_t codePointAt(QStringView text, qsizetype index)
{
    char32_t c = text[index].unicode();
    if (QChar::isHighSurrogate(c) && index + 1 < text.size() && text[index + 1].isLowSurrogate())
        c = QChar::surrogateToUcs4(text[index].unicode(), text[index + 1].unicode());
    return c;
}

QString normalizeNFD(QStringView text)
{
    UErrorCode status = U_ZERO_ERROR;
    const UNormalizer2* nfd = unorm2_getNFDInstance(&status);
    if (U_FAILURE(status))
        return text.toString();
    const auto* source = text.utf16();
    const auto length = static_cast<int32_t>(text.size());
    // Most texts are already decomposed (all of ASCII is): skip the copy then.
    const int32_t prefix = unorm2_spanQuickCheckYes(nfd, source, length, &status);
    if (U_SUCCESS(status) && prefix == length)
        return text.toString();
    status = U_ZERO_ERROR;
    QString result(qMax<qsizetype>(text.size() * 2, 16), Qt::Uninitialized);
    int32_t needed = unorm2_normalize(nfd, source, length, reinterpret_cast<UChar*>(result.data()),
                                      static_cast<int32_t>(result.size()), &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        result.resize(needed);
        needed = unorm2_normalize(nfd, source, length, reinterpret_cast<UChar*>(result.data()),
                                  static_cast<int32_t>(result.size()), &status);
    }
    if (U_FAILURE(status))
        return text.toString();
    result.truncate(needed);
    return result;
}

// Turkish and Azeri lowercase "I" followed by a combining dot above as a plain "i" (the
// decomposition of "İ"); the Turkic case folding would otherwise leave a dotless i with a
// dot above, which no typed "i" could ever match.
void joinDottedCapitalI(QString& decomposed)
{
    qsizetype write = 0;
    for (qsizetype read = 0; read < decomposed.size(); ++read) {
        QChar c = decomposed[read];
        if (c == u'I') {
            // The dot belongs to this I when no other mark above comes between them.
            qsizetype dot = -1;
            for (qsizetype next = read + 1; next < decomposed.size(); ++next) {
                const char32_t mark = codePointAt(decomposed, next);
                const int combiningClass = u_getCombiningClass(static_cast<UChar32>(mark));
                if (combiningClass == 0)
                    break;
                if (mark == U'\u0307') {
                    dot = next;
                    break;
                }
                if (combiningClass == 230)
                    break;
                if (mark > 0xffff)
                    ++next;
            }
            if (dot >= 0) {
                decomposed.remove(dot, 1);
                c = u'i';
            }
        }
        decomposed[write++] = c;
    }
    decomposed.truncate(write);
}

QString foldCase(QStringView text, bool turkic)
{
    const uint32_t options = turkic ? U_FOLD_CASE_EXCLUDE_SPECIAL_I : U_FOLD_CASE_DEFAULT;
    UErrorCode status = U_ZERO_ERROR;
    // Full folding may grow a text ("ß" becomes "ss", some ligatures three letters).
    QString result(qMax<qsizetype>(text.size() * 3, 16), Qt::Uninitialized);
    int32_t needed =
        u_strFoldCase(reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()),
                      text.utf16(), static_cast<int32_t>(text.size()), options, &status);
    if (status == U_BUFFER_OVERFLOW_ERROR) {
        status = U_ZERO_ERROR;
        result.resize(needed);
        needed = u_strFoldCase(reinterpret_cast<UChar*>(result.data()), static_cast<int32_t>(result.size()),
                               text.utf16(), static_cast<int32_t>(text.size()), options, &status);
    }
    if (U_FAILURE(status))
        return text.toString();
    result.truncate(needed);
    return result;
}

// ASCII folds to ASCII and is its own decomposition, which covers nearly every application name
// and id; the general path costs two allocations and three passes.
bool foldAscii(QStringView text, bool turkic, QString& result)
{
    result.resize(text.size());
    QChar* out = result.data();
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= 0x80)
            return false;
        if (u >= u'A' && u <= u'Z')
            *out++ = (turkic && u == u'I') ? QChar(u'\u0131') : QChar(char16_t(u + 32));
        else
            *out++ = c;
    }
    return true;
}

} // namespace

QString TextSearch::fold(QStringView text)
{
    const bool turkic = usesTurkicCasing();
    QString ascii;
    if (foldAscii(text, turkic, ascii))
        return ascii;
    QString decomposed = normalizeNFD(text);
    if (turkic)
        joinDottedCapitalI(decomposed);
    return normalizeNFD(foldCase(decomposed, turkic));
}

bool TextSearch::containsFolded(QStringView foldedText, QStringView foldedQuery)
{
    if (foldedQuery.isEmpty())
        return true;
    const qsizetype last = foldedText.size() - foldedQuery.size();
    for (qsizetype start = foldedText.indexOf(foldedQuery); start >= 0 && start <= last;
         start = foldedText.indexOf(foldedQuery, start + 1)) {
        // A match must cover whole characters: not half of a surrogate pair at either end, and
        // not a letter without the marks that follow it.
        if (foldedText[start].isLowSurrogate() && start > 0 && foldedText[start - 1].isHighSurrogate())
            continue;
        const qsizetype end = start + foldedQuery.size();
        if (end < foldedText.size()) {
            if (foldedText[end].isLowSurrogate() && foldedText[end - 1].isHighSurrogate())
                continue;
            if (isMark(codePointAt(foldedText, end)))
                continue;
        }
        return true;
    }
    return false;
}

bool TextSearch::contains(QStringView text, QStringView query)
{
    return containsFolded(fold(text), fold(query));
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "fold.h"

namespace tv::search {
namespace {

bool isGap(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control;
}

// Appends the folded form of `c`; `sink(ch)` takes each output character.
template <typename Sink> void foldChar(QChar c, LetterCase letters, Sink &&sink)
{
    const QChar lower = c.toLower();
    const bool upper = letters == LetterCase::Keep && lower != c;
    const auto spell = [&](char16_t first, char16_t second) {
        sink(upper ? QChar(first).toUpper() : QChar(first));
        sink(upper && lower == u'ß' ? QChar(second).toUpper() : QChar(second));
    };
    switch (lower.unicode()) {
    case u'ä':
        spell(u'a', u'e');
        return;
    case u'ö':
        spell(u'o', u'e');
        return;
    case u'ü':
        spell(u'u', u'e');
        return;
    case u'ß': // also the capital ẞ, lowered
        spell(u's', u's');
        return;
    default:
        sink(letters == LetterCase::Keep ? c : lower);
    }
}

template <typename Add> void foldInto(QStringView text, LetterCase letters, Add &&add)
{
    const bool lower = letters == LetterCase::Lower;
    bool gap = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u > 0x20 && u < 0x7F) { // most of any text: no table lookups
            gap = false;
            add(QChar(lower && u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u), i);
            continue;
        }
        if (isGap(c)) {
            if (!gap)
                add(u' ', i);
            gap = true;
            continue;
        }
        gap = false;
        foldChar(c, letters, [&](QChar out) { add(out, i); });
    }
}

} // namespace

QString fold(QStringView text, LetterCase letters)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    foldInto(text, letters, [&out](QChar c, qsizetype) { out += c; });
    return out;
}

FoldedText foldWithOrigin(QStringView text, LetterCase letters)
{
    FoldedText out;
    out.text.reserve(text.size());
    out.origin.reserve(text.size());
    foldInto(text, letters, [&out](QChar c, qsizetype i) {
        out.text += c;
        out.origin.append(int(i));
    });
    return out;
}

} // namespace tv::search

// SPDX-License-Identifier: GPL-3.0-or-later
#include "fold.h"

namespace tv::search {
namespace {

bool isGap(QChar c)
{
    return c.isSpace() || c.category() == QChar::Other_Control;
}

// Appends the folded form of `c`; `sink(ch)` takes each output character.
template <typename Sink> void foldChar(QChar c, Sink &&sink)
{
    const QChar lower = c.toLower();
    switch (lower.unicode()) {
    case u'ä':
        sink(u'a'), sink(u'e');
        return;
    case u'ö':
        sink(u'o'), sink(u'e');
        return;
    case u'ü':
        sink(u'u'), sink(u'e');
        return;
    case u'ß': // also the capital ẞ, lowered
        sink(u's'), sink(u's');
        return;
    default:
        sink(lower);
    }
}

template <typename Add> void foldInto(QStringView text, Add &&add)
{
    bool gap = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        const char16_t u = c.unicode();
        if (u > 0x20 && u < 0x7F) { // most of any text: no table lookups
            gap = false;
            add(QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u), i);
            continue;
        }
        if (isGap(c)) {
            if (!gap)
                add(u' ', i);
            gap = true;
            continue;
        }
        gap = false;
        foldChar(c, [&](QChar out) { add(out, i); });
    }
}

} // namespace

QString fold(QStringView text)
{
    QString out;
    out.reserve(text.size() + text.size() / 16);
    foldInto(text, [&out](QChar c, qsizetype) { out += c; });
    return out;
}

FoldedText foldWithOrigin(QStringView text)
{
    FoldedText out;
    out.text.reserve(text.size());
    out.origin.reserve(text.size());
    foldInto(text, [&out](QChar c, qsizetype i) {
        out.text += c;
        out.origin.append(int(i));
    });
    return out;
}

} // namespace tv::search

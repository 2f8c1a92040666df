// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintext.h"

#include "rtf/codepages.h"
#include "rtf/rtfgroups.h"
#include "rtf/rtflexer.h"

#include <QHash>
#include <QList>

#include <utility>


namespace tv::search {
namespace {

QChar specialChar(QByteArrayView word)
{
    static const QHash<QByteArray, char16_t> chars = { { "par", u'\n' }, { "line", u'\n' }, { "sect", u'\n' },
        { "page", u'\n' }, { "row", u'\n' }, { "tab", u'\t' }, { "cell", u'\t' }, { "emdash", u'—' },
        { "endash", u'–' }, { "lquote", u'‘' }, { "rquote", u'’' }, { "ldblquote", u'“' },
        { "rdblquote", u'”' }, { "bullet", u'•' }, { "emspace", u' ' }, { "enspace", u' ' } };
    return QChar(chars.value(word.toByteArray(), 0));
}

struct Font
{
    int codePage = 0; // 0: the document's
    ByteEncoding encoding = ByteEncoding::Windows;
};

struct GroupState
{
    RtfGroupText shows = RtfGroupText::Shown; // by the rule the viewer's reader follows too
    bool fontTable = false;
    int uc = 1;
    int font = -1;
};

class RtfText
{
public:
    explicit RtfText(QByteArrayView rtf)
        : m_lexer(rtf)
    {
    }

    QString run()
    {
        for (RtfToken t = m_lexer.next(); t.kind != RtfToken::End; t = m_lexer.next())
            take(t);
        return m_out;
    }

private:
    GroupState &state() { return m_stack.back(); }
    bool hidden() const
    {
        const RtfGroupText shows = m_stack.back().shows;
        return shows == RtfGroupText::Hidden || shows == RtfGroupText::Inner || m_stack.back().fontTable;
    }

    void take(const RtfToken &t)
    {
        switch (t.kind) {
        case RtfToken::GroupOpen:
            m_stack.append(m_stack.back());
            break;
        case RtfToken::GroupClose:
            if (m_stack.size() > 1)
                m_stack.removeLast();
            m_skip = 0;
            break;
        case RtfToken::ControlWord:
            state().shows = rtfGroupTextAfter(state().shows, t.word, m_starred);
            word(t);
            break;
        case RtfToken::ControlSymbol:
            if (t.symbol == '*') {
                m_starred = true; // an optional destination follows
                return;
            }
            symbol(t.symbol);
            break;
        case RtfToken::HexByte:
            if (!skipOne())
                byte(t.byte);
            break;
        case RtfToken::Text:
            text(t.data);
            break;
        case RtfToken::Binary:
        case RtfToken::End:
            break;
        }
        m_starred = false;
    }

    void word(const RtfToken &t)
    {
        const QByteArrayView w = t.word;
        if (w == "fonttbl") {
            state().fontTable = true;
        } else if (w == "ansicpg" && t.hasParam) {
            m_codePage = codePageFor(t.param);
        } else if (w == "mac") {
            m_codePage = 10000;
        } else if (w == "pc") {
            m_codePage = 437;
        } else if (w == "pca") {
            m_codePage = 850;
        } else if (w == "uc" && t.hasParam) {
            state().uc = qMax(0, t.param);
        } else if (w == "u" && t.hasParam) {
            unicode(t.param);
        } else if (w == "f" && t.hasParam) {
            state().font = t.param;
        } else if (w == "fcharset" && state().fontTable) {
            Font &font = m_fonts[state().font];
            font.codePage = font.codePage ? font.codePage : codePageForCharset(t.param);
        } else if (w == "cpg" && state().fontTable) {
            m_fonts[state().font].codePage = codePageFor(t.param); // outranks the character set
        } else if (const QChar c = specialChar(w); !c.isNull()) {
            put(c);
        }
    }

    void symbol(char s)
    {
        if (skipOne())
            return;
        if (s == '~')
            put(u' ');
        else if (s == '_')
            put(u'-');
    }

    void text(QByteArrayView data)
    {
        if (state().fontTable) {
            fontName(data);
            return;
        }
        for (const char c : data) {
            if (!skipOne())
                byte(uchar(c));
        }
    }

    // "Symbol;" in the font table: its bytes are not of any code page.
    void fontName(QByteArrayView data)
    {
        const QByteArray name = data.toByteArray().trimmed();
        if (name.startsWith("Symbol"))
            m_fonts[state().font].encoding = ByteEncoding::Symbol;
        else if (name.startsWith("Wingdings"))
            m_fonts[state().font].encoding = ByteEncoding::Wingdings;
    }

    void unicode(int value)
    {
        put(QChar(char16_t(value < 0 ? value + 65536 : value)));
        m_skip = state().uc; // the fallback bytes that follow
    }

    bool skipOne()
    {
        if (m_skip == 0)
            return false;
        --m_skip;
        return true;
    }

    void byte(uchar b)
    {
        if (hidden())
            return;
        const auto font = m_fonts.constFind(state().font);
        const Font f = font == m_fonts.constEnd() ? Font() : *font;
        if (f.encoding != ByteEncoding::Windows) {
            put(QChar(decodeSymbolByte(f.encoding, b)));
            return;
        }
        const int codePage = f.codePage != 0 ? f.codePage : m_codePage;
        if (!m_lead.isEmpty() || (isMultiByte(codePage) && sequenceLength(codePage, b) > 1)) {
            m_lead.append(char(b));
            if (m_lead.size() >= sequenceLength(codePage, uchar(m_lead.front())))
                m_out += decodeMultiByte(codePage, std::exchange(m_lead, {}));
        } else {
            m_out += QChar(decodeWindowsByte(codePage, b));
        }
    }

    void put(QChar c)
    {
        if (!hidden())
            m_out += c;
    }

    RtfLexer m_lexer;
    QList<GroupState> m_stack { GroupState() };
    QHash<int, Font> m_fonts;
    QByteArray m_lead;
    QString m_out;
    int m_codePage = 1252;
    int m_skip = 0;
    bool m_starred = false; // the last token was "\\*"
};

} // namespace

bool looksLikeRtf(QByteArrayView bytes)
{
    return bytes.startsWith("{\\rtf");
}

QString rtfText(QByteArrayView rtf)
{
    return RtfText(rtf).run();
}

} // namespace tv::search

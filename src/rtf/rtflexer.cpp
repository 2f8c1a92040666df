// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtflexer.h"

#include <limits>

namespace tv {
namespace {

bool isLetter(uchar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(uchar c)
{
    return c >= '0' && c <= '9';
}

int hexValue(uchar c)
{
    if (isDigit(c))
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Bytes that end a run of literal text.
bool endsText(uchar c)
{
    return c == '{' || c == '}' || c == '\\' || c < 0x20;
}

} // namespace

RtfLexer::RtfLexer(QByteArrayView input)
    : m_input(input)
{
}

RtfToken RtfLexer::next()
{
    while (!atEnd()) {
        const uchar c = peek();
        if (c == '{' || c == '}') {
            ++m_pos;
            RtfToken t;
            t.kind = c == '{' ? RtfToken::GroupOpen : RtfToken::GroupClose;
            return t;
        }
        if (c == '\\')
            return readEscape();
        if (c == '\t') {
            ++m_pos;
            RtfToken t;
            t.kind = RtfToken::Text;
            t.data = m_input.sliced(m_pos - 1, 1);
            return t;
        }
        if (c < 0x20) { // CR, LF and stray control bytes carry no text
            ++m_pos;
            continue;
        }
        return readText();
    }
    return {};
}

RtfToken RtfLexer::readText()
{
    const qsizetype start = m_pos;
    while (!atEnd() && !endsText(peek()))
        ++m_pos;
    RtfToken t;
    t.kind = RtfToken::Text;
    t.data = m_input.sliced(start, m_pos - start);
    return t;
}

RtfToken RtfLexer::readEscape()
{
    ++m_pos; // the backslash
    if (atEnd())
        return {};
    const uchar c = peek();
    if (isLetter(c))
        return readControlWord();
    ++m_pos;
    RtfToken t;
    if (c == '\\' || c == '{' || c == '}') {
        t.kind = RtfToken::Text;
        t.data = m_input.sliced(m_pos - 1, 1);
        return t;
    }
    if (c == '\r' || c == '\n') { // a backslash before a line end is a paragraph mark
        t.kind = RtfToken::ControlWord;
        t.word = "par";
        return t;
    }
    if (c == '\'' && m_pos + 1 < m_input.size()) {
        const int hi = hexValue(uchar(m_input[m_pos]));
        const int lo = hexValue(uchar(m_input[m_pos + 1]));
        if (hi >= 0 && lo >= 0) {
            m_pos += 2;
            t.kind = RtfToken::HexByte;
            t.byte = uchar(hi * 16 + lo);
            return t;
        }
    }
    t.kind = RtfToken::ControlSymbol;
    t.symbol = char(c);
    return t;
}

RtfToken RtfLexer::readControlWord()
{
    const qsizetype start = m_pos;
    while (!atEnd() && isLetter(peek()))
        ++m_pos;
    RtfToken t;
    t.kind = RtfToken::ControlWord;
    t.word = m_input.sliced(start, m_pos - start);

    bool negative = false;
    if (!atEnd() && peek() == '-' && m_pos + 1 < m_input.size() && isDigit(uchar(m_input[m_pos + 1]))) {
        negative = true;
        ++m_pos;
    }
    // Saturate instead of overflowing: a hostile "\fs99999999999" stays a large int.
    qint64 value = 0;
    while (!atEnd() && isDigit(peek())) {
        t.hasParam = true;
        value = std::min<qint64>(value * 10 + (peek() - '0'), std::numeric_limits<int>::max());
        ++m_pos;
    }
    t.param = int(negative ? -value : value);
    if (!atEnd() && peek() == ' ')
        ++m_pos; // the delimiting space belongs to the word

    if (t.word == "bin" && t.param > 0) {
        const qsizetype n = std::min<qsizetype>(t.param, m_input.size() - m_pos);
        t.kind = RtfToken::Binary;
        t.data = m_input.sliced(m_pos, n);
        m_pos += n;
    }
    return t;
}

} // namespace tv

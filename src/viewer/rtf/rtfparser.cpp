// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfparser.h"
#include "rtfreader.h"

#include <algorithm>
#include <utility>

namespace tv::rtfread {

void RtfParser::read(QByteArrayView rtf)
{
    RtfLexer lexer(rtf);
    for (RtfToken t = lexer.next(); t.kind != RtfToken::End; t = lexer.next()) {
        const bool starred = m_starred;
        m_starred = false;
        if (!m_doubleBytes.isEmpty() && t.kind != RtfToken::HexByte && t.kind != RtfToken::Text)
            flushDoubleBytes();
        switch (t.kind) {
        case RtfToken::GroupOpen:
            openGroup();
            break;
        case RtfToken::GroupClose:
            if (!closeGroup())
                return;
            break;
        case RtfToken::ControlWord:
            if (!m_stack.empty())
                onWord(t, starred);
            break;
        case RtfToken::ControlSymbol:
            onSymbol(t.symbol);
            break;
        case RtfToken::HexByte:
            onByte(t.byte);
            break;
        case RtfToken::Text:
            onText(t.data);
            break;
        case RtfToken::Binary:
            if (!m_stack.empty() && state().dest == Dest::Picture) {
                m_picture.data += t.data.toByteArray();
                m_picture.pendingNibble = -1;
            }
            break;
        case RtfToken::End:
            break;
        }
    }
    finish(); // the final brace is missing
}

void RtfParser::openGroup()
{
    m_skip = 0;
    if (m_stack.size() >= std::size_t(kMaxDepth)) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_stack.empty() ? State() : state());
}

bool RtfParser::closeGroup()
{
    m_skip = 0;
    if (m_overflow > 0) {
        --m_overflow;
        return true;
    }
    if (m_stack.size() <= 1) {
        finish();
        return false;
    }
    const Dest closing = state().dest;
    if (closing == Dest::FontTable && !m_fontName.isEmpty())
        commitFont(); // "{\f1 Arial}" without the semicolon
    if (!m_stories.empty() && m_stack.size() == m_stories.back().depth)
        endStory();
    if (closing == Dest::FieldInstruction && m_stack.size() == m_instructionDepth)
        endFieldInstruction();
    if (m_stack.size() == m_symbolField)
        m_symbolField = 0; // the field is over
    m_stack.pop_back();
    m_formatDirty = true;
    if (closing == Dest::Picture && int(m_stack.size()) < m_pictureDepth)
        insertPicture();
    return true;
}

void RtfParser::onWord(const RtfToken &t, bool starred)
{
    const auto &table = wordTable();
    const auto found = table.find(std::string_view(t.word.data(), std::size_t(t.word.size())));
    if (found == table.end() || (starred && !isDestination(found->second))) {
        if (starred) // an optional destination we do not know
            hideGroup();
        else
            skipFallback();
        return;
    }
    const Word w = found->second;
    if (isDestination(w)) {
        onDestination(w, t, starred);
        return;
    }
    switch (w) {
    case Word::Ansi:
        m_codePage = 1252;
        return;
    case Word::Mac:
        m_codePage = 10000;
        return;
    case Word::Pc:
        m_codePage = 437;
        return;
    case Word::Pca:
        m_codePage = 850;
        return;
    case Word::AnsiCpg:
        m_codePage = codePageFor(t.param);
        return;
    case Word::Deff:
        m_defaultFont = t.param;
        formatsChanged();
        return;
    case Word::Uc:
        state().uc = std::clamp(t.param, 0, 16);
        return;
    case Word::U:
        if (t.hasParam)
            onUnicode(t.param < 0 ? t.param + 65536 : t.param);
        return;
    default:
        break;
    }
    if (onFontOrColorWord(w, t))
        return;
    if (state().dest == Dest::Picture) {
        onPictureWord(w, t);
        return;
    }
    if (state().dest == Dest::NestTableProps) {
        if (!onBorderWord(w, t))
            onTableWord(w, t);
        return;
    }
    if (state().dest == Dest::ListTable) {
        onListWord(w, t);
        return;
    }
    if (state().dest != Dest::Text)
        return;
    if (skipFallback())
        return;
    if (onCharWord(w, t) || onParaWord(w, t) || onBorderWord(w, t) || onTableWord(w, t))
        return;
    if (w == Word::Chftn)
        onNoteNumber();
    else if (const char16_t c = symbolFor(w))
        appendChar(c);
}

void RtfParser::hideGroup()
{
    state().shows = RtfGroupText::Hidden;
    state().dest = Dest::Skip;
}

/// What a group shows follows the rule the full-text index shares; the tables of
/// the header, pictures, notes and text boxes are also read on their own terms.
void RtfParser::onDestination(Word w, const RtfToken &t, bool starred)
{
    State &s = state();
    if (s.dest == Dest::ListTable && w == Word::LevelText) {
        s.dest = Dest::LevelText;
        return;
    }
    if (s.dest != Dest::Text && s.dest != Dest::Inner) {
        s.dest = Dest::Skip;
        return;
    }
    const RtfGroupText shows = rtfGroupTextAfter(s.shows, t.word, starred);
    const bool text = s.dest == Dest::Text;
    s.shows = shows;
    s.dest = shows == RtfGroupText::Hidden ? Dest::Skip : shows == RtfGroupText::Inner ? Dest::Inner : Dest::Text;
    if (text)
        onHeaderDestination(w);
    switch (w) {
    case Word::Footnote:
        if (s.dest == Dest::Text)
            beginStory(Story::Note);
        break;
    case Word::TextBox:
        if (s.dest == Dest::Text)
            beginStory(Story::Box);
        break;
    case Word::FldRslt:
        if (m_symbolField != 0 && m_stack.size() == m_symbolField + 1)
            hideGroup(); // the character came from the instruction
        break;
    case Word::ListText:
        m_numbered = true;
        break;
    default:
        break;
    }
}

// Destinations that only text may hold: the header's tables, pictures, fields.
void RtfParser::onHeaderDestination(Word w)
{
    State &s = state();
    switch (w) {
    case Word::FontTable:
        s.dest = Dest::FontTable;
        m_fontName.clear();
        break;
    case Word::ColorTable:
        s.dest = Dest::ColorTable;
        m_colors.clear();
        m_rgbSet = false;
        formatsChanged();
        break;
    case Word::ListTable:
    case Word::ListOverrideTable:
        s.dest = Dest::ListTable;
        break;
    case Word::Pict:
        flushRun();
        s.dest = Dest::Picture;
        m_picture = Picture();
        m_pictureDepth = int(m_stack.size());
        break;
    case Word::NestTableProps:
        s.dest = Dest::NestTableProps;
        break;
    case Word::FldInst:
        s.dest = Dest::FieldInstruction;
        m_instruction.clear();
        m_instructionDepth = m_stack.size();
        break;
    default:
        break;
    }
}

void RtfParser::onSymbol(char c)
{
    if (m_stack.empty())
        return;
    if (c == '*') {
        m_starred = true;
        return;
    }
    if (state().dest != Dest::Text)
        return;
    if (skipFallback())
        return;
    switch (c) {
    case '~':
        appendChar(0x00A0);
        break;
    case '-':
        appendChar(0x00AD);
        break;
    case '_':
        appendChar(0x2011);
        break;
    default:
        break;
    }
}

void RtfParser::onByte(uchar b)
{
    if (m_stack.empty())
        return;
    switch (state().dest) {
    case Dest::Text:
        if (!skipFallback())
            textByte(currentFont(), b);
        break;
    case Dest::FontTable:
        fontTableByte(b);
        break;
    case Dest::LevelText:
    case Dest::FieldInstruction:
        otherText(QByteArrayView(reinterpret_cast<const char *>(&b), 1));
        break;
    default:
        break;
    }
}

// Drops one of the fallback characters that follow a \u; true when it did.
bool RtfParser::skipFallback()
{
    if (m_skip <= 0)
        return false;
    --m_skip;
    return true;
}

// Text of a list level's template or a field's instruction, byte by byte.
void RtfParser::otherText(QByteArrayView text)
{
    for (const char c : text) {
        if (skipFallback())
            continue;
        if (state().dest == Dest::LevelText)
            m_lists.levelTextChar(char16_t(uchar(c)));
        else if (m_instruction.size() < 256)
            m_instruction.append(c);
    }
}

void RtfParser::onText(QByteArrayView text)
{
    if (m_stack.empty())
        return;
    switch (state().dest) {
    case Dest::Text: {
        const Font *font = currentFont();
        for (const char c : text) {
            if (!skipFallback())
                textByte(font, uchar(c));
        }
        break;
    }
    case Dest::FontTable:
        for (const char c : text)
            fontTableByte(uchar(c));
        break;
    case Dest::ColorTable:
        for (const char c : text)
            colorTableChar(char16_t(uchar(c)));
        break;
    case Dest::Picture:
        pictureText(text);
        break;
    case Dest::LevelText:
    case Dest::FieldInstruction:
        otherText(text);
        break;
    case Dest::Skip:
    case Dest::Inner:
    case Dest::NestTableProps:
    case Dest::ListTable:
        break;
    }
}

void RtfParser::onUnicode(int value)
{
    const Dest dest = state().dest;
    if (dest == Dest::FontTable) {
        fontTableChar(char16_t(value));
    } else if (dest == Dest::LevelText) {
        m_lists.levelTextChar(char16_t(value));
    } else if (dest == Dest::Text) {
        // Symbol fonts keep their glyphs in the private area: U+F0B7 is the Symbol bullet.
        const Font *font = currentFont();
        const bool symbol = font && font->encoding != ByteEncoding::Windows;
        appendChar(symbol && value >= 0xF020 && value <= 0xF0FF
                ? decodeSymbolByte(font->encoding, uchar(value - 0xF000))
                : char16_t(value));
    }
    m_skip = state().uc;
}


} // namespace tv::rtfread

namespace tv {

bool readRtf(const QByteArray &rtf, QTextDocument *doc)
{
    if (!rtf.startsWith("{\\rtf"))
        return false;
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor batch(doc); // one edit block: the layout runs once, not per paragraph
    batch.beginEditBlock();
    rtfread::RtfParser(doc).read(rtf);
    batch.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    return true;
}

} // namespace tv

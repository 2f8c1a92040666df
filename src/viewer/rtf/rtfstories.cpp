// SPDX-License-Identifier: GPL-3.0-or-later
// Text that stands apart from the body: footnotes and endnotes, text boxes, the
// character of a SYMBOL field, list numbers that come from the list table.
#include "rtfparser.h"

#include <QRegularExpression>
#include <QTextLength>

#include <utility>

namespace tv::rtfread {

/// A note's paragraphs are kept for the end of the document and the paragraph it
/// interrupted goes on after it; a text box's paragraphs stand where the box does.
void RtfParser::beginStory(Story::Kind kind)
{
    flushRun();
    Story story { kind, m_stack.size(), tableLevel(), {}, m_numbered };
    if (kind == Story::Note)
        story.outer = std::exchange(m_items, {});
    else if (!m_items.empty())
        endParagraph();
    m_numbered = false;
    m_stories.push_back(std::move(story));
}

void RtfParser::endStory()
{
    flushDoubleBytes();
    flushRun();
    if (!m_items.empty())
        endParagraph();
    Story story = std::move(m_stories.back());
    m_stories.pop_back();
    if (story.kind == Story::Note)
        m_items = std::move(story.outer);
    m_numbered = story.numbered;
}

/// The notes follow the text after a short rule, each starting with its mark.
void RtfParser::emitNotes()
{
    if (m_notes.empty())
        return;
    closeFrame();
    Paragraph rule;
    rule.block.setProperty(
        QTextFormat::BlockTrailingHorizontalRulerWidth, QTextLength(QTextLength::PercentageLength, 30));
    emitTopLevel(rule);
    for (Paragraph &note : std::exchange(m_notes, {})) {
        note.border = {}; // a note's border would frame it with the body's last paragraph
        emitTopLevel(note);
    }
}

// "\chftn" numbers a note automatically: before the note it counts on, inside
// the note it repeats the number.
void RtfParser::onNoteNumber()
{
    const bool inNote = std::any_of(
        m_stories.cbegin(), m_stories.cend(), [](const Story &s) { return s.kind == Story::Note; });
    if (!inNote)
        ++m_noteNumber;
    for (const QChar c : QString::number(std::max(m_noteNumber, 1)))
        appendChar(c.unicode());
}

/// "SYMBOL 183 \f "Symbol" \s 10" shows the character 183 of the font Symbol,
/// the bullet; a code above 255 or the switch \u is a Unicode character.
void RtfParser::endFieldInstruction()
{
    static const QRegularExpression symbol(QStringLiteral(R"(^\s*SYMBOL\s+(0x[0-9A-Fa-f]+|\d+)(.*)$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression fontSwitch(QStringLiteral(R"re(\\f\s*(?:"([^"]*)"|(\S+)))re"));
    const QRegularExpressionMatch match = symbol.match(QString::fromLatin1(m_instruction));
    m_instruction.clear();
    if (!match.hasMatch())
        return;
    bool ok = false;
    const QString number = match.captured(1);
    const uint code = number.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
        ? number.mid(2).toUInt(&ok, 16)
        : number.toUInt(&ok, 10);
    if (!ok || code == 0 || code > 0xFFFF)
        return;
    const QString switches = match.captured(2);
    const QRegularExpressionMatch fontMatch = fontSwitch.match(switches);
    const QString fontName = fontMatch.hasMatch() ? fontMatch.captured(1) + fontMatch.captured(2) : QString();
    const Font *font = currentFont();
    ByteEncoding encoding = font ? font->encoding : ByteEncoding::Windows;
    if (fontName.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive))
        encoding = ByteEncoding::Wingdings;
    else if (fontName.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0)
        encoding = ByteEncoding::Symbol;
    else if (!fontName.isEmpty())
        encoding = ByteEncoding::Windows;
    const uint byte = code >= 0xF020 && code <= 0xF0FF ? code - 0xF000 : code;
    if (switches.contains(QLatin1String("\\u")) || byte > 0xFF)
        appendChar(char16_t(code));
    else if (encoding != ByteEncoding::Windows)
        appendChar(decodeSymbolByte(encoding, uchar(byte)));
    else
        appendChar(decodeWindowsByte(font && font->codePage ? font->codePage : m_codePage, uchar(byte)));
    m_symbolField = m_stack.size() - 1;
}

// A paragraph of a list whose writer left out "\listtext" gets its number here.
void RtfParser::numberParagraph()
{
    const ParaProps &p = state().para;
    if (std::exchange(m_numbered, false) || p.list <= 0)
        return;
    const QString label = m_lists.next(p.list, p.listLevel);
    if (label.isEmpty())
        return;
    flushRun();
    m_items.insert(m_items.begin(), Item { label, charFormat() });
}

void RtfParser::onListWord(Word w, const RtfToken &t)
{
    switch (w) {
    case Word::List:
        m_lists.beginList();
        break;
    case Word::ListId:
        m_lists.setListId(t.param);
        break;
    case Word::ListLevel:
        m_lists.beginLevel();
        break;
    case Word::LevelNfc:
        m_lists.setFormat(t.param);
        break;
    case Word::LevelStartAt:
        m_lists.setStart(std::clamp(t.param, 0, 32767));
        break;
    case Word::LevelFollow:
        m_lists.setFollow(t.param);
        break;
    case Word::F: {
        const auto font = m_fonts.constFind(t.param);
        m_lists.setLevelFont(font == m_fonts.cend() ? ByteEncoding::Windows : font->encoding);
        break;
    }
    case Word::ListOverride:
        m_lists.beginOverride();
        break;
    case Word::Ls:
        m_lists.setOverrideNumber(t.param);
        break;
    default:
        break;
    }
}

} // namespace tv::rtfread

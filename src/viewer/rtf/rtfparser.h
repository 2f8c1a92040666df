// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtflexer.h"
#include "rtflists.h"
#include "rtfmodel.h"
#include "rtfwords.h"

#include <QColor>
#include <QList>
#include <QTextDocument>

#include <unordered_map>

namespace tv::rtfread {


/// @short One pass over the tokens, building the document as it goes.
///
/// Paragraph properties apply when a paragraph ends, so each paragraph is kept
/// until "\par" and then goes into the document whole; tables are kept until
/// their last row, because a row's cell widths may come after its cells.
class RtfParser
{
public:
    explicit RtfParser(QTextDocument *doc)
        : m_doc(doc)
    {
        m_top.cursor = QTextCursor(doc);
    }

    void read(QByteArrayView rtf);

private:
    State &state() { return m_stack.back(); }
    void openGroup();
    bool closeGroup(); // false when the document's outermost group closed
    void onWord(const RtfToken &t, bool starred);
    void hideGroup();
    void onDestination(Word w, const RtfToken &t, bool starred);
    void onHeaderDestination(Word w);
    void onListWord(Word w, const RtfToken &t);
    bool onFontOrColorWord(Word w, const RtfToken &t);
    bool onCharWord(Word w, const RtfToken &t);
    bool onParaWord(Word w, const RtfToken &t);
    bool onBorderWord(Word w, const RtfToken &t);
    bool onTableWord(Word w, const RtfToken &t);
    void onPictureWord(Word w, const RtfToken &t);
    void onSymbol(char c);
    void onByte(uchar b);
    void onText(QByteArrayView text);
    void onUnicode(int value);
    void otherText(QByteArrayView text);
    bool skipFallback();

    const Font *currentFont() const;
    const Font *textFont() const;
    char16_t decode(const Font *font, uchar b) const;
    void textByte(const Font *font, uchar b);
    void appendChar(char16_t c);
    void flushRun();
    void endParagraph();
    void finish();
    QTextCharFormat charFormat();
    QTextBlockFormat blockFormat() const;
    QColor color(int index) const { return m_colors.value(index); }
    void formatsChanged();

    int tableLevel() const;
    void deliver(Paragraph paragraph, int level);
    void closeTablesBelow(int level);
    OpenTable &openTable(int level);
    void endCell(int level);
    void endRow(int level);
    RowDef &rowDef(int level);
    BorderLine *borderLines(int &count);

    void emitParagraph(Target &target, Paragraph &paragraph);
    void emitTopLevel(Paragraph &paragraph);
    void emitTable(Target &target, TableModel &table);
    void emitNodes(Target &target, std::vector<Node> &nodes);
    void closeFrame();

    void fontTableChar(char16_t c);
    void fontTableByte(uchar b);
    void flushDoubleBytes();
    void commitFont();
    void colorTableChar(char16_t c);
    void pictureText(QByteArrayView text);
    void insertPicture();

    void beginStory(Story::Kind kind);
    void endStory();
    void emitNotes();
    void onNoteNumber();
    void endFieldInstruction();
    void numberParagraph();

    QTextDocument *m_doc;
    Target m_top;
    QTextFrame *m_frame = nullptr; // the bordered frame top-level paragraphs go into
    std::array<BorderLine, 4> m_frameBorder;
    int m_frameSpace = 0;
    std::vector<State> m_stack;
    int m_overflow = 0; // groups opened beyond kMaxDepth and not yet closed
    bool m_starred = false; // the last token was "\*"
    int m_skip = 0; // fallback bytes still to drop after a \u

    int m_codePage = 1252;
    int m_defaultFont = 0;
    QHash<int, Font> m_fonts;
    int m_fontId = -1;
    int m_fontCharset = -1;
    int m_fontCodePage = 0; // \cpg, which outranks the character set
    QFont::StyleHint m_fontHint = QFont::AnyStyle;
    QString m_fontName;
    QByteArray m_fontBytes; // a double-byte name's lead byte
    QByteArray m_doubleBytes; // text bytes of a double-byte code page not yet decoded
    int m_doubleBytePage = 0;
    QList<QColor> m_colors;
    int m_rgb[3] = { 0, 0, 0 };
    bool m_rgbSet = false;
    Picture m_picture;
    int m_pictureDepth = 0;
    int m_images = 0;

    std::unordered_map<CharProps, QTextCharFormat, CharPropsHash> m_formats;
    QString m_run;
    CharProps m_runProps;
    QTextCharFormat m_runFormat;
    bool m_formatDirty = true;
    std::vector<Item> m_items; // the paragraph read so far

    std::vector<OpenTable> m_open; // [0] is the outermost table
    std::vector<RowDef> m_rowDefs; // [0] for the outermost level
    int m_defLevel = 1; // the level whose row the words of a row definition describe
    CellDef m_cellDef; // the cell whose \cellx has not come yet

    std::vector<Story> m_stories; // the notes and text boxes being read, innermost last
    std::vector<Paragraph> m_notes; // shown after the text
    int m_noteNumber = 0;
    ListNumbers m_lists;
    bool m_numbered = false; // the paragraph brought its own number in "\listtext"
    QByteArray m_instruction; // of the field being read
    std::size_t m_instructionDepth = 0;
    std::size_t m_symbolField = 0; // the depth of a SYMBOL field, whose stored result is not shown
};

} // namespace tv::rtfread

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/codepages.h"
#include "rtf/rtfgroups.h"

#include <QByteArray>
#include <QFont>
#include <QHash>
#include <QString>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextFormat>
#include <QTextFrameFormat>
#include <QTextOption>

#include <array>
#include <memory>
#include <vector>

// What the RTF reader keeps while it reads: properties of the groups, fonts,
// pictures, and the paragraphs and tables not yet in the document.
namespace tv::rtfread {

constexpr int kMaxDepth = 500; // deeper groups share their parent's state
constexpr int kMaxTwips = 31680; // 22 inches: no real margin or tab is wider
constexpr int kMaxTabs = 64; // per paragraph
constexpr int kMaxCells = 63; // per row, as in Word
constexpr int kMaxTableDepth = 16; // deeper table levels join the deepest
constexpr int kDefaultHalfPoints = 24; // RTF's default size: 12 pt
constexpr int kMaxHalfPoints = 3276; // 1638 pt, the largest size Word accepts
constexpr int kDefaultCellTwips = 1440; // a cell without \cellx
// Qt hashes every font family list alike, so a document with thousands of fonts
// would make each new format a linear search; the family again as a plain string
// gives each its own hash.
constexpr int kFamilyKey = QTextFormat::UserProperty + 0x5246;

// Where the text of a group goes. Inner: a shape's own text, which is not shown,
// while a text box inside it is.
enum class Dest { Text, Skip, Inner, FontTable, ColorTable, Picture, NestTableProps, ListTable, LevelText, FieldInstruction };

enum Side { Top, Bottom, Left, Right, InnerH, InnerV, kSides };

struct BorderLine
{
    bool on = false;
    int width = 15; // twips; one pixel
    int color = -1;
    QTextFrameFormat::BorderStyle style = QTextFrameFormat::BorderStyle_Solid;
    bool operator==(const BorderLine &) const = default;
};

struct CharProps
{
    int font = -1; // -1: the document's default font, \deff
    int halfPoints = kDefaultHalfPoints;
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    QTextCharFormat::UnderlineStyle underline = QTextCharFormat::NoUnderline;
    QTextCharFormat::VerticalAlignment valign = QTextCharFormat::AlignNormal;
    int raise = 0; // half points, \up positive, \dn negative
    QFont::Capitalization caps = QFont::MixedCase;
    int foreground = -1; // index into the colour table; -1 or an empty entry: automatic
    int background = -1;
    bool operator==(const CharProps &) const = default;
};

struct CharPropsHash
{
    std::size_t operator()(const CharProps &c) const
    {
        return qHashMulti(0, c.font, c.halfPoints, c.bold, c.italic, c.strike, c.hidden, int(c.underline),
            int(c.valign), c.raise, int(c.caps), c.foreground, c.background);
    }
};

struct TabStop
{
    int position = 0; // twips
    QTextOption::TabType type = QTextOption::LeftTab;
};

struct ParaProps
{
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0; // all in twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    int lineSpacing = 0; // \sl: 0 single; > 0 at least; < 0 exactly
    bool lineMultiple = false; // \slmult1: \sl is in 240ths of a single line
    QList<TabStop> tabs;
    QTextOption::TabType nextTabType = QTextOption::LeftTab;
    int patternBack = -1; // \cbpat
    int patternFore = -1; // \cfpat
    int shading = -1; // \shading, hundredths of a percent of \cfpat over \cbpat
    std::array<BorderLine, 4> border;
    int borderSpace = 0; // \brsp
    bool inTable = false;
    int tableLevel = 1; // \itap
    int list = 0; // \ls: the list override the paragraph is numbered by; 0 none
    int listLevel = 0; // \ilvl
};

// What a border word that follows applies to.
enum class BorderOwner { None, Paragraph, Cell, Row };

// What a group restores when it closes.
struct State
{
    CharProps ch;
    ParaProps para;
    Dest dest = Dest::Text;
    RtfGroupText shows = RtfGroupText::Shown;
    int uc = 1; // bytes of fallback text after each \u
    BorderOwner borderOwner = BorderOwner::None;
    int borderSide = Top;
};

struct Font
{
    QString family;
    // What to fall back to when the family is not installed (Arial, Courier New ...).
    QFont::StyleHint hint = QFont::AnyStyle;
    int codePage = 0; // 0: the document's
    ByteEncoding encoding = ByteEncoding::Windows;
};

constexpr int kMaxPicturePixels = 4000; // a placeholder's side at most

struct Picture
{
    QByteArray format; // "png", "jpeg", "dib", "wbitmap" or "metafile"; empty for kinds we do not know
    QByteArray data;
    int pendingNibble = -1;
    int widthGoal = 0; // twips
    int heightGoal = 0;
    int scaleX = 100; // percent
    int scaleY = 100;
    int width = 0; // \picw: pixels of a bitmap, hundredths of a millimetre of a metafile
    int height = 0;
    int bitsPerPixel = 1;
    int bytesPerLine = 0;
};

// A piece of a paragraph: a run of text in one format, or a picture.
struct Item
{
    QString text;
    QTextCharFormat format;
};

struct Paragraph
{
    QTextBlockFormat block;
    QTextCharFormat mark; // an empty line is as high as its mark
    std::vector<Item> items;
    std::array<BorderLine, 4> border;
    int borderSpace = 0;
};

struct CellDef
{
    int right = 0; // \cellx, twips from the margin
    std::array<BorderLine, 4> border;
    bool mergeFirst = false; // \clmgf
    bool mergeNext = false; // \clmrg: joins the cell before it
    bool vmergeFirst = false; // \clvmgf
    bool vmergeNext = false; // \clvmrg: joins the cell above
    int shading = -1; // \clcbpat
};

struct RowDef
{
    int left = 0; // \trleft
    std::array<BorderLine, kSides> border;
    std::vector<CellDef> cells;
};

// A note or a text box: text read apart from the paragraph it stands in.
struct Story
{
    enum Kind { Note, Box };
    Kind kind = Note;
    std::size_t depth = 0; // of its group
    int level = 0; // the table level a box's paragraphs go to
    std::vector<Item> outer; // what a note interrupted
    bool numbered = false;
};

struct TableModel;

// A paragraph, or a table nested at this place.
struct Node
{
    Paragraph paragraph;
    std::unique_ptr<TableModel> table;
};

struct CellModel
{
    std::vector<Node> content;
};

struct RowModel
{
    std::vector<CellModel> cells;
    RowDef def;
};

struct TableModel
{
    std::vector<RowModel> rows;
};

// A table whose rows are still being read.
struct OpenTable
{
    std::unique_ptr<TableModel> table = std::make_unique<TableModel>();
    RowModel row;
    CellModel cell;
};

// Where paragraphs go in the document.
struct Target
{
    QTextCursor cursor;
    bool fresh = true; // the cursor's block is empty and takes the next paragraph as it is
};


} // namespace tv::rtfread

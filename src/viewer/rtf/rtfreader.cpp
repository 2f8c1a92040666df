// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfreader.h"

#include "codepages.h"
#include "rtflexer.h"
#include "rtfunits.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tv {
namespace {

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

enum class Dest { Text, Skip, FontTable, ColorTable, Picture, NestTableProps };

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
};

// What a border word that follows applies to.
enum class BorderOwner { None, Paragraph, Cell, Row };

// What a group restores when it closes.
struct State
{
    CharProps ch;
    ParaProps para;
    Dest dest = Dest::Text;
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

void appendFlat(Paragraph &line, RowModel &row);

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

// clang-format off
enum class Word {
    Ansi, Pc, Pca, AnsiCpg, Deff, Uc, U, FontTable, ColorTable, Pict, ShpPict, SkipDest, NestTableProps, FontCharset,
    FontFamily, Red, Green, Blue, Plain, F, Fs, B, I, Ul, UlNone, UlDotted, UlDash, UlWave, Strike, Hidden, Cf,
    Cb, Super, Sub, NoSuperSub, Up, Dn, Caps, Scaps, Pard, Par, Line, Tab, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa,
    Sl, SlMult, Tx, Tqr, Tqc, CbPat, CfPat, Shading, BrdrT, BrdrB, BrdrL, BrdrR, Box, BrdrStyle, BrdrNone,
    BrdrW, BrdrCf, BrSp, Intbl, Itap, Trowd, TrLeft, TrBrdr, ClBrdr, ClMgf, ClMrg, ClVmgf, ClVmrg, ClCbPat,
    Cellx, Cell, Row, NestCell, NestRow, PngBlip, JpegBlip, DibBitmap, WBitmap, Metafile, PicW, PicH, PicBpp,
    PicWbpl, PicWGoal, PicHGoal, PicScaleX, PicScaleY, Bullet,
    EmDash, EnDash, LQuote, RQuote, LDblQuote, RDblQuote, EmSpace, EnSpace, QmSpace, Zwj, Zwnj,
};
// clang-format on

// "\\fswiss" and its kin name the kind of a font-table entry.
QFont::StyleHint styleHintFor(QByteArrayView word)
{
    if (word == "froman")
        return QFont::Serif;
    if (word == "fswiss")
        return QFont::SansSerif;
    if (word == "fmodern")
        return QFont::Monospace;
    if (word == "fscript")
        return QFont::Cursive;
    if (word == "fdecor")
        return QFont::Decorative;
    return QFont::AnyStyle;
}

QTextFrameFormat::BorderStyle borderStyleFor(QByteArrayView word)
{
    if (word == "brdrdb" || word == "brdrtriple")
        return QTextFrameFormat::BorderStyle_Double;
    if (word == "brdrdot" || word == "brdrhair")
        return QTextFrameFormat::BorderStyle_Dotted;
    if (word.startsWith("brdrdash"))
        return QTextFrameFormat::BorderStyle_Dashed;
    if (word == "brdrinset")
        return QTextFrameFormat::BorderStyle_Inset;
    if (word == "brdroutset")
        return QTextFrameFormat::BorderStyle_Outset;
    return QTextFrameFormat::BorderStyle_Solid;
}

// The side a "\clbrdrt" or "\trbrdrh" word names by its last letter.
int sideFor(QByteArrayView word)
{
    switch (word.back()) {
    case 't':
        return Top;
    case 'b':
        return Bottom;
    case 'l':
        return Left;
    case 'r':
        return Right;
    case 'h':
        return InnerH;
    default:
        return InnerV;
    }
}

const std::unordered_map<std::string_view, Word> &wordTable()
{
    static const std::unordered_map<std::string_view, Word> table = {
        { "ansi", Word::Ansi },
        { "pc", Word::Pc },
        { "pca", Word::Pca },
        { "ansicpg", Word::AnsiCpg },
        { "deff", Word::Deff },
        { "uc", Word::Uc },
        { "u", Word::U },
        { "fonttbl", Word::FontTable },
        { "colortbl", Word::ColorTable },
        { "pict", Word::Pict },
        { "shppict", Word::ShpPict },
        { "nesttableprops", Word::NestTableProps },
        // Destinations whose text is not part of what the reader sees.
        { "stylesheet", Word::SkipDest },
        { "info", Word::SkipDest },
        { "header", Word::SkipDest },
        { "headerl", Word::SkipDest },
        { "headerr", Word::SkipDest },
        { "headerf", Word::SkipDest },
        { "footer", Word::SkipDest },
        { "footerl", Word::SkipDest },
        { "footerr", Word::SkipDest },
        { "footerf", Word::SkipDest },
        { "footnote", Word::SkipDest },
        { "annotation", Word::SkipDest },
        { "object", Word::SkipDest },
        { "nonshppict", Word::SkipDest },
        { "pn", Word::SkipDest },
        { "pntxta", Word::SkipDest },
        { "pntxtb", Word::SkipDest },
        { "listtable", Word::SkipDest },
        { "listoverridetable", Word::SkipDest },
        { "revtbl", Word::SkipDest },
        { "rsidtbl", Word::SkipDest },
        { "filetbl", Word::SkipDest },
        { "fldinst", Word::SkipDest },
        { "xe", Word::SkipDest },
        { "tc", Word::SkipDest },
        { "txe", Word::SkipDest },
        { "rxe", Word::SkipDest },
        { "template", Word::SkipDest },
        { "userprops", Word::SkipDest },
        { "docvar", Word::SkipDest },
        { "do", Word::SkipDest },
        { "shpinst", Word::SkipDest },
        { "themedata", Word::SkipDest },
        { "colorschememapping", Word::SkipDest },
        { "latentstyles", Word::SkipDest },
        { "datastore", Word::SkipDest },
        { "generator", Word::SkipDest },
        { "nonesttables", Word::SkipDest },
        { "fcharset", Word::FontCharset },
        { "froman", Word::FontFamily },
        { "fswiss", Word::FontFamily },
        { "fmodern", Word::FontFamily },
        { "fscript", Word::FontFamily },
        { "fdecor", Word::FontFamily },
        { "ftech", Word::FontFamily },
        { "red", Word::Red },
        { "green", Word::Green },
        { "blue", Word::Blue },
        { "plain", Word::Plain },
        { "f", Word::F },
        { "fs", Word::Fs },
        { "b", Word::B },
        { "i", Word::I },
        { "ul", Word::Ul },
        { "ulnone", Word::UlNone },
        { "uld", Word::UlDotted },
        { "uldash", Word::UlDash },
        { "uldashd", Word::UlDash },
        { "uldashdd", Word::UlDash },
        { "uldb", Word::Ul },
        { "ulth", Word::Ul },
        { "ulw", Word::Ul },
        { "ulwave", Word::UlWave },
        { "strike", Word::Strike },
        { "striked", Word::Strike },
        { "v", Word::Hidden },
        { "cf", Word::Cf },
        { "cb", Word::Cb },
        { "highlight", Word::Cb },
        { "chcbpat", Word::Cb },
        { "super", Word::Super },
        { "sub", Word::Sub },
        { "nosupersub", Word::NoSuperSub },
        { "up", Word::Up },
        { "dn", Word::Dn },
        { "caps", Word::Caps },
        { "scaps", Word::Scaps },
        { "pard", Word::Pard },
        { "par", Word::Par },
        { "sect", Word::Par },
        { "page", Word::Par },
        { "line", Word::Line },
        { "tab", Word::Tab },
        { "ql", Word::Ql },
        { "qc", Word::Qc },
        { "qr", Word::Qr },
        { "qj", Word::Qj },
        { "li", Word::Li },
        { "lin", Word::Li },
        { "ri", Word::Ri },
        { "rin", Word::Ri },
        { "fi", Word::Fi },
        { "sb", Word::Sb },
        { "sa", Word::Sa },
        { "sl", Word::Sl },
        { "slmult", Word::SlMult },
        { "tx", Word::Tx },
        { "tb", Word::Tx },
        { "tqr", Word::Tqr },
        { "tqc", Word::Tqc },
        { "cbpat", Word::CbPat },
        { "cfpat", Word::CfPat },
        { "shading", Word::Shading },
        { "brdrt", Word::BrdrT },
        { "brdrb", Word::BrdrB },
        { "brdrl", Word::BrdrL },
        { "brdrr", Word::BrdrR },
        { "box", Word::Box },
        { "brdrs", Word::BrdrStyle },
        { "brdrth", Word::BrdrStyle },
        { "brdrsh", Word::BrdrStyle },
        { "brdrdb", Word::BrdrStyle },
        { "brdrdot", Word::BrdrStyle },
        { "brdrdash", Word::BrdrStyle },
        { "brdrdashsm", Word::BrdrStyle },
        { "brdrhair", Word::BrdrStyle },
        { "brdrtriple", Word::BrdrStyle },
        { "brdrinset", Word::BrdrStyle },
        { "brdroutset", Word::BrdrStyle },
        { "brdrsingle", Word::BrdrStyle },
        { "brdrnone", Word::BrdrNone },
        { "brdrw", Word::BrdrW },
        { "brdrcf", Word::BrdrCf },
        { "brsp", Word::BrSp },
        { "intbl", Word::Intbl },
        { "itap", Word::Itap },
        { "trowd", Word::Trowd },
        { "trleft", Word::TrLeft },
        { "trbrdrt", Word::TrBrdr },
        { "trbrdrb", Word::TrBrdr },
        { "trbrdrl", Word::TrBrdr },
        { "trbrdrr", Word::TrBrdr },
        { "trbrdrh", Word::TrBrdr },
        { "trbrdrv", Word::TrBrdr },
        { "clbrdrt", Word::ClBrdr },
        { "clbrdrb", Word::ClBrdr },
        { "clbrdrl", Word::ClBrdr },
        { "clbrdrr", Word::ClBrdr },
        { "clmgf", Word::ClMgf },
        { "clmrg", Word::ClMrg },
        { "clvmgf", Word::ClVmgf },
        { "clvmrg", Word::ClVmrg },
        { "clcbpat", Word::ClCbPat },
        { "cellx", Word::Cellx },
        { "cell", Word::Cell },
        { "row", Word::Row },
        { "nestcell", Word::NestCell },
        { "nestrow", Word::NestRow },
        { "pngblip", Word::PngBlip },
        { "dibitmap", Word::DibBitmap },
        { "wbitmap", Word::WBitmap },
        { "wmetafile", Word::Metafile },
        { "emfblip", Word::Metafile },
        { "pmmetafile", Word::Metafile },
        { "macpict", Word::Metafile },
        { "picw", Word::PicW },
        { "pich", Word::PicH },
        { "picbpp", Word::PicBpp },
        { "picwbpl", Word::PicWbpl },
        { "jpegblip", Word::JpegBlip },
        { "picwgoal", Word::PicWGoal },
        { "pichgoal", Word::PicHGoal },
        { "picscalex", Word::PicScaleX },
        { "picscaley", Word::PicScaleY },
        { "bullet", Word::Bullet },
        { "emdash", Word::EmDash },
        { "endash", Word::EnDash },
        { "lquote", Word::LQuote },
        { "rquote", Word::RQuote },
        { "ldblquote", Word::LDblQuote },
        { "rdblquote", Word::RDblQuote },
        { "emspace", Word::EmSpace },
        { "enspace", Word::EnSpace },
        { "qmspace", Word::QmSpace },
        { "zwj", Word::Zwj },
        { "zwnj", Word::Zwnj },
    };
    return table;
}

// Characters that a control word stands for.
char16_t symbolFor(Word w)
{
    switch (w) {
    case Word::Bullet:
        return 0x2022;
    case Word::EmDash:
        return 0x2014;
    case Word::EnDash:
        return 0x2013;
    case Word::LQuote:
        return 0x2018;
    case Word::RQuote:
        return 0x2019;
    case Word::LDblQuote:
        return 0x201C;
    case Word::RDblQuote:
        return 0x201D;
    case Word::EmSpace:
        return 0x2003;
    case Word::EnSpace:
        return 0x2002;
    case Word::QmSpace:
        return 0x2005;
    case Word::Zwj:
        return 0x200D;
    case Word::Zwnj:
        return 0x200C;
    default:
        return 0;
    }
}

bool isOn(const RtfToken &t)
{
    return !t.hasParam || t.param != 0;
}

int clampTwips(int v)
{
    return std::clamp(v, -kMaxTwips, kMaxTwips);
}

// Lone surrogates from damaged \u sequences would upset the text layout.
void repairSurrogates(QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        else if (c.isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
}

// ---- Pictures ----------------------------------------------------------------

const QString kMetafileText = QStringLiteral("Grafik (Metafile) kann nicht angezeigt werden");

quint32 le32(const QByteArray &data, int at)
{
    if (at + 4 > data.size())
        return 0;
    return quint32(uchar(data[at])) | quint32(uchar(data[at + 1])) << 8 | quint32(uchar(data[at + 2])) << 16
        | quint32(uchar(data[at + 3])) << 24;
}

void appendLe(QByteArray &out, quint32 value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

/// A device-independent bitmap is a BMP file without its 14-byte file header; the
/// header says where the pixels start: after the info header and the colours.
QImage decodeDib(const QByteArray &dib)
{
    if (dib.size() < 40)
        return {};
    const quint32 headerSize = le32(dib, 0);
    const int bitCount = uchar(dib[14]) | uchar(dib[15]) << 8;
    const quint32 compression = le32(dib, 16);
    quint32 colors = headerSize >= 40 ? le32(dib, 32) : 0;
    if (colors == 0 && bitCount <= 8)
        colors = 1u << bitCount;
    if (headerSize < 12 || headerSize > 1024 || colors > 256)
        return {};
    quint32 masks
        = headerSize == 40 && (compression == 3 || compression == 6) ? (compression == 3 ? 12 : 16) : 0;
    QByteArray bmp = "BM";
    appendLe(bmp, quint32(14 + dib.size()), 4);
    appendLe(bmp, 0, 4);
    appendLe(bmp, 14 + headerSize + masks + colors * 4, 4);
    bmp += dib;
    QImage image;
    image.loadFromData(bmp, "BMP");
    return image;
}

/// "\wbitmap" holds a device bitmap's rows as they are; with \picbpp 1, 24 or 32
/// it becomes a top-down DIB of the same rows.
QByteArray dibOfBitmap(const Picture &picture)
{
    const int bpp = picture.bitsPerPixel;
    const int w = picture.width;
    const int h = picture.height;
    if ((bpp != 1 && bpp != 24 && bpp != 32) || w <= 0 || h <= 0 || w > kMaxPicturePixels * 4
        || h > kMaxPicturePixels * 4)
        return {};
    const int stride = picture.bytesPerLine > 0 ? picture.bytesPerLine : (w * bpp + 15) / 16 * 2;
    const int dibStride = (w * bpp + 31) / 32 * 4;
    if (stride < (w * bpp + 7) / 8 || qint64(stride) * h > picture.data.size())
        return {};
    QByteArray dib;
    appendLe(dib, 40, 4);
    appendLe(dib, quint32(w), 4);
    appendLe(dib, quint32(-h), 4); // negative: the first row is the top one
    appendLe(dib, 1, 2);
    appendLe(dib, quint32(bpp), 2);
    for (int i = 0; i < 6; ++i)
        appendLe(dib, 0, 4);
    if (bpp == 1) {
        appendLe(dib, 0x000000, 4); // a monochrome device bitmap: 0 is black, 1 white
        appendLe(dib, 0xFFFFFF, 4);
    }
    for (int y = 0; y < h; ++y) {
        QByteArray row = picture.data.mid(qsizetype(y) * stride, std::min(stride, dibStride));
        row.resize(dibStride, '\0');
        dib += row;
    }
    return dib;
}

/// Qt draws no metafiles: a frame of the picture's size says so instead.
QImage metafilePlaceholder(const Picture &picture)
{
    // Without a goal size, \picw and \pich of a metafile are hundredths of a millimetre.
    const auto side = [](int goal, int himetric, int fallback) {
        const qreal px = goal > 0 ? twipsToPixels(goal) : himetric > 0 ? himetric * 96.0 / 2540 : fallback;
        return std::clamp(qRound(px), 24, kMaxPicturePixels);
    };
    QImage image(side(picture.widthGoal, picture.width, 240), side(picture.heightGoal, picture.height, 80),
        QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(255, 255, 255));
    QPainter painter(&image);
    painter.setPen(QColor(128, 128, 128));
    painter.drawRect(image.rect().adjusted(0, 0, -1, -1));
    painter.setPen(QColor(0, 0, 0));
    painter.drawText(image.rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, kMetafileText);
    return image;
}

/// @short One pass over the tokens, building the document as it goes.
///
/// Paragraph properties apply when a paragraph ends, so each paragraph is kept
/// until "\par" and then goes into the document whole; tables are kept until
/// their last row, because a row's cell widths may come after its cells.
class RtfReader
{
public:
    explicit RtfReader(QTextDocument *doc)
        : m_doc(doc)
    {
        m_top.cursor = QTextCursor(doc);
    }

    void read(QByteArrayView rtf);

private:
    State &state() { return m_stack.back(); }
    void openGroup();
    bool closeGroup(); // false when the document's outermost group closed
    void onWord(const RtfToken &t);
    void onDestination(Word w);
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
};

void RtfReader::read(QByteArrayView rtf)
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
            if (m_stack.empty())
                break;
            if (starred && t.word != "shppict" && t.word != "nesttableprops")
                state().dest = Dest::Skip; // an optional destination we do not know
            else
                onWord(t);
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

void RtfReader::openGroup()
{
    m_skip = 0;
    if (m_stack.size() >= std::size_t(kMaxDepth)) {
        ++m_overflow;
        return;
    }
    m_stack.push_back(m_stack.empty() ? State() : state());
}

bool RtfReader::closeGroup()
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
    m_stack.pop_back();
    m_formatDirty = true;
    if (closing == Dest::Picture && int(m_stack.size()) < m_pictureDepth)
        insertPicture();
    return true;
}

void RtfReader::onWord(const RtfToken &t)
{
    const auto &table = wordTable();
    const auto found = table.find(std::string_view(t.word.data(), std::size_t(t.word.size())));
    if (found == table.end()) {
        if (m_skip > 0)
            --m_skip;
        return;
    }
    const Word w = found->second;
    switch (w) {
    case Word::FontTable:
    case Word::ColorTable:
    case Word::Pict:
    case Word::SkipDest:
    case Word::NestTableProps:
        onDestination(w);
        return;
    case Word::ShpPict:
        return;
    case Word::Ansi:
        m_codePage = 1252;
        return;
    case Word::Pc:
        m_codePage = 437;
        return;
    case Word::Pca:
        m_codePage = 850;
        return;
    case Word::AnsiCpg:
        m_codePage = t.param;
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
    if (state().dest != Dest::Text)
        return;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (onCharWord(w, t) || onParaWord(w, t) || onBorderWord(w, t) || onTableWord(w, t))
        return;
    if (const char16_t c = symbolFor(w))
        appendChar(c);
}

void RtfReader::onDestination(Word w)
{
    State &s = state();
    if (s.dest != Dest::Text) {
        s.dest = Dest::Skip;
        return;
    }
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
    case Word::Pict:
        flushRun();
        s.dest = Dest::Picture;
        m_picture = Picture();
        m_pictureDepth = int(m_stack.size());
        break;
    case Word::NestTableProps:
        s.dest = Dest::NestTableProps;
        break;
    default:
        s.dest = Dest::Skip;
        break;
    }
}

// Words of the font and colour tables; true when the word was one of them.
bool RtfReader::onFontOrColorWord(Word w, const RtfToken &t)
{
    const Dest dest = state().dest;
    if (dest == Dest::FontTable && (w == Word::F || w == Word::FontCharset || w == Word::FontFamily)) {
        if (w == Word::F) {
            m_fontId = t.param;
            m_fontCharset = -1;
            m_fontHint = QFont::AnyStyle;
            m_fontName.clear();
        } else if (w == Word::FontFamily) {
            m_fontHint = styleHintFor(t.word);
        } else {
            m_fontCharset = t.param;
        }
        return true;
    }
    if (dest == Dest::ColorTable && (w == Word::Red || w == Word::Green || w == Word::Blue)) {
        const int channel = w == Word::Red ? 0 : w == Word::Green ? 1 : 2;
        m_rgb[channel] = std::clamp(t.param, 0, 255);
        m_rgbSet = true;
        return true;
    }
    return dest == Dest::FontTable || dest == Dest::ColorTable;
}

bool RtfReader::onCharWord(Word w, const RtfToken &t)
{
    CharProps &ch = state().ch;
    switch (w) {
    case Word::Plain:
        ch = CharProps();
        break;
    case Word::F:
        ch.font = t.param;
        break;
    case Word::Fs:
        ch.halfPoints = t.param > 0 ? std::min(t.param, kMaxHalfPoints) : kDefaultHalfPoints;
        break;
    case Word::B:
        ch.bold = isOn(t);
        break;
    case Word::I:
        ch.italic = isOn(t);
        break;
    case Word::Ul:
        ch.underline = isOn(t) ? QTextCharFormat::SingleUnderline : QTextCharFormat::NoUnderline;
        break;
    case Word::UlNone:
        ch.underline = QTextCharFormat::NoUnderline;
        break;
    case Word::UlDotted:
        ch.underline = isOn(t) ? QTextCharFormat::DotLine : QTextCharFormat::NoUnderline;
        break;
    case Word::UlDash:
        ch.underline = isOn(t) ? QTextCharFormat::DashUnderline : QTextCharFormat::NoUnderline;
        break;
    case Word::UlWave:
        ch.underline = isOn(t) ? QTextCharFormat::WaveUnderline : QTextCharFormat::NoUnderline;
        break;
    case Word::Strike:
        ch.strike = isOn(t);
        break;
    case Word::Hidden:
        ch.hidden = isOn(t);
        break;
    case Word::Cf:
        ch.foreground = t.param;
        break;
    case Word::Cb:
        ch.background = t.param;
        break;
    case Word::Super:
        ch.valign = QTextCharFormat::AlignSuperScript;
        break;
    case Word::Sub:
        ch.valign = QTextCharFormat::AlignSubScript;
        break;
    case Word::NoSuperSub:
        ch.valign = QTextCharFormat::AlignNormal;
        ch.raise = 0;
        break;
    case Word::Up: // "\up" alone raises by 3 pt
        ch.raise = t.hasParam ? std::clamp(t.param, 0, kMaxHalfPoints) : 6;
        break;
    case Word::Dn:
        ch.raise = -(t.hasParam ? std::clamp(t.param, 0, kMaxHalfPoints) : 6);
        break;
    case Word::Caps:
        ch.caps = isOn(t) ? QFont::AllUppercase : QFont::MixedCase;
        break;
    case Word::Scaps:
        ch.caps = isOn(t) ? QFont::SmallCaps : QFont::MixedCase;
        break;
    default:
        return false;
    }
    m_formatDirty = true;
    return true;
}

bool RtfReader::onParaWord(Word w, const RtfToken &t)
{
    ParaProps &p = state().para;
    switch (w) {
    case Word::Pard:
        p = ParaProps();
        break;
    case Word::Par:
        endParagraph();
        break;
    case Word::Line:
        appendChar(QChar::LineSeparator);
        break;
    case Word::Tab:
        appendChar(u'\t');
        break;
    case Word::Ql:
        p.align = Qt::AlignLeft;
        break;
    case Word::Qc:
        p.align = Qt::AlignHCenter;
        break;
    case Word::Qr:
        p.align = Qt::AlignRight;
        break;
    case Word::Qj:
        p.align = Qt::AlignJustify;
        break;
    case Word::Li:
        p.left = clampTwips(t.param);
        break;
    case Word::Ri:
        p.right = clampTwips(t.param);
        break;
    case Word::Fi:
        p.first = clampTwips(t.param);
        break;
    case Word::Sb:
        p.before = std::clamp(t.param, 0, kMaxTwips);
        break;
    case Word::Sa:
        p.after = std::clamp(t.param, 0, kMaxTwips);
        break;
    case Word::Sl:
        p.lineSpacing = clampTwips(t.param);
        break;
    case Word::SlMult:
        p.lineMultiple = isOn(t);
        break;
    case Word::Tqr:
        p.nextTabType = QTextOption::RightTab;
        break;
    case Word::Tqc:
        p.nextTabType = QTextOption::CenterTab;
        break;
    case Word::Tx:
        if (p.tabs.size() < kMaxTabs)
            p.tabs.append(TabStop { std::clamp(t.param, 0, kMaxTwips), p.nextTabType });
        p.nextTabType = QTextOption::LeftTab;
        break;
    case Word::CbPat:
        p.patternBack = t.param;
        break;
    case Word::CfPat:
        p.patternFore = t.param;
        break;
    case Word::Shading:
        p.shading = std::clamp(t.param, 0, 10000);
        break;
    case Word::Intbl:
        p.inTable = true;
        break;
    case Word::Itap:
        p.tableLevel = std::clamp(t.param, 0, kMaxTableDepth);
        p.inTable = p.tableLevel > 0;
        break;
    default:
        return false;
    }
    return true;
}

// The lines that "\brdrw" and its kin change now.
BorderLine *RtfReader::borderLines(int &count)
{
    State &s = state();
    count = 1;
    switch (s.borderOwner) {
    case BorderOwner::Paragraph:
        if (s.borderSide == kSides) { // \box: all four at once
            count = 4;
            return s.para.border.data();
        }
        return &s.para.border[std::size_t(s.borderSide)];
    case BorderOwner::Cell:
        return &m_cellDef.border[std::size_t(s.borderSide)];
    case BorderOwner::Row:
        return &rowDef(m_defLevel).border[std::size_t(s.borderSide)];
    case BorderOwner::None:
        break;
    }
    return nullptr;
}

bool RtfReader::onBorderWord(Word w, const RtfToken &t)
{
    State &s = state();
    switch (w) {
    case Word::BrdrT:
    case Word::BrdrB:
    case Word::BrdrL:
    case Word::BrdrR:
    case Word::Box:
        s.borderOwner = BorderOwner::Paragraph;
        s.borderSide = w == Word::Box ? int(kSides) : sideFor(t.word);
        break;
    case Word::ClBrdr:
        s.borderOwner = BorderOwner::Cell;
        s.borderSide = sideFor(t.word);
        break;
    case Word::TrBrdr:
        s.borderOwner = BorderOwner::Row;
        s.borderSide = sideFor(t.word);
        break;
    case Word::BrSp:
        s.para.borderSpace = std::clamp(t.param, 0, kMaxTwips);
        return true;
    case Word::BrdrStyle:
    case Word::BrdrNone:
    case Word::BrdrW:
    case Word::BrdrCf: {
        int count = 0;
        BorderLine *lines = borderLines(count);
        for (int i = 0; lines && i < count; ++i) {
            BorderLine &line = lines[i];
            if (w == Word::BrdrStyle) {
                line.on = true;
                line.style = borderStyleFor(t.word);
            } else if (w == Word::BrdrNone) {
                line.on = false;
            } else if (w == Word::BrdrW) {
                line.width = std::clamp(t.param, 1, 255);
            } else {
                line.color = t.param;
            }
        }
        return true;
    }
    default:
        return false;
    }
    return true;
}

RowDef &RtfReader::rowDef(int level)
{
    const std::size_t i = std::size_t(std::clamp(level, 1, kMaxTableDepth) - 1);
    if (m_rowDefs.size() <= i)
        m_rowDefs.resize(i + 1);
    return m_rowDefs[i];
}

bool RtfReader::onTableWord(Word w, const RtfToken &t)
{
    switch (w) {
    case Word::Trowd:
        // Nested rows are defined after their cells, at the level just read.
        m_defLevel = state().dest == Dest::NestTableProps ? std::max(2, int(m_open.size())) : 1;
        rowDef(m_defLevel) = RowDef();
        m_cellDef = CellDef();
        break;
    case Word::TrLeft:
        rowDef(m_defLevel).left = clampTwips(t.param);
        break;
    case Word::ClMgf:
        m_cellDef.mergeFirst = true;
        break;
    case Word::ClMrg:
        m_cellDef.mergeNext = true;
        break;
    case Word::ClVmgf:
        m_cellDef.vmergeFirst = true;
        break;
    case Word::ClVmrg:
        m_cellDef.vmergeNext = true;
        break;
    case Word::ClCbPat:
        m_cellDef.shading = t.param;
        break;
    case Word::Cellx: {
        RowDef &def = rowDef(m_defLevel);
        m_cellDef.right = clampTwips(t.param);
        if (def.cells.size() < std::size_t(kMaxCells))
            def.cells.push_back(m_cellDef);
        m_cellDef = CellDef();
        break;
    }
    case Word::Cell:
    case Word::NestCell: {
        const int level = w == Word::Cell ? 1 : std::max(2, tableLevel());
        flushRun();
        deliver(Paragraph { blockFormat(), charFormat(), std::exchange(m_items, {}), {}, 0 }, level);
        endCell(level);
        break;
    }
    case Word::Row:
    case Word::NestRow:
        endRow(w == Word::Row ? 1 : std::max(2, int(m_open.size())));
        break;
    default:
        return false;
    }
    return true;
}

void RtfReader::onPictureWord(Word w, const RtfToken &t)
{
    const int size = std::clamp(t.param, 0, kMaxTwips * 10);
    switch (w) {
    case Word::PngBlip:
        m_picture.format = "png";
        break;
    case Word::JpegBlip:
        m_picture.format = "jpeg";
        break;
    case Word::DibBitmap:
        m_picture.format = "dib";
        break;
    case Word::WBitmap:
        m_picture.format = "wbitmap";
        break;
    case Word::Metafile:
        m_picture.format = "metafile";
        break;
    case Word::PicW:
        m_picture.width = size;
        break;
    case Word::PicH:
        m_picture.height = size;
        break;
    case Word::PicBpp:
        m_picture.bitsPerPixel = t.param;
        break;
    case Word::PicWbpl:
        m_picture.bytesPerLine = size;
        break;
    case Word::PicWGoal:
        m_picture.widthGoal = size;
        break;
    case Word::PicHGoal:
        m_picture.heightGoal = size;
        break;
    case Word::PicScaleX:
        m_picture.scaleX = std::clamp(t.param, 1, 1000);
        break;
    case Word::PicScaleY:
        m_picture.scaleY = std::clamp(t.param, 1, 1000);
        break;
    default:
        break;
    }
}

void RtfReader::onSymbol(char c)
{
    if (m_stack.empty())
        return;
    if (c == '*') {
        m_starred = true;
        return;
    }
    if (state().dest != Dest::Text)
        return;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
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

void RtfReader::onByte(uchar b)
{
    if (m_stack.empty())
        return;
    switch (state().dest) {
    case Dest::Text:
        if (m_skip > 0)
            --m_skip;
        else
            textByte(currentFont(), b);
        break;
    case Dest::FontTable:
        fontTableByte(b);
        break;
    default:
        break;
    }
}

void RtfReader::onText(QByteArrayView text)
{
    if (m_stack.empty())
        return;
    switch (state().dest) {
    case Dest::Text: {
        const Font *font = currentFont();
        for (const char c : text) {
            if (m_skip > 0)
                --m_skip;
            else
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
    case Dest::Skip:
    case Dest::NestTableProps:
        break;
    }
}

void RtfReader::onUnicode(int value)
{
    const Dest dest = state().dest;
    if (dest == Dest::FontTable) {
        fontTableChar(char16_t(value));
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

const Font *RtfReader::currentFont() const
{
    const int id = m_stack.back().ch.font;
    const auto found = m_fonts.constFind(id < 0 ? m_defaultFont : id);
    return found == m_fonts.cend() ? nullptr : &found.value();
}

/// Text in a symbol font has become Unicode ("\'b7" in "Symbol" is "•"), so it is
/// shown in the document's default font, where other programs find the same glyph.
const Font *RtfReader::textFont() const
{
    const Font *font = currentFont();
    if (!font || font->encoding == ByteEncoding::Windows)
        return font;
    const auto fallback = m_fonts.constFind(m_defaultFont);
    if (fallback == m_fonts.cend() || fallback->encoding != ByteEncoding::Windows)
        return nullptr;
    return &fallback.value();
}

char16_t RtfReader::decode(const Font *font, uchar b) const
{
    if (font && font->encoding != ByteEncoding::Windows)
        return decodeSymbolByte(font->encoding, b);
    return decodeWindowsByte(font && font->codePage ? font->codePage : m_codePage, b);
}

/// Bytes of a double-byte code page wait until the next word, brace or other
/// text, so that a lead byte and its trail byte are decoded together.
void RtfReader::textByte(const Font *font, uchar b)
{
    const int codePage = font && font->codePage ? font->codePage : m_codePage;
    if ((!font || font->encoding == ByteEncoding::Windows) && isDoubleByte(codePage)) {
        if (m_doubleBytePage != codePage)
            flushDoubleBytes();
        m_doubleBytePage = codePage;
        m_doubleBytes.append(char(b));
        return;
    }
    appendChar(decode(font, b));
}

void RtfReader::flushDoubleBytes()
{
    if (m_doubleBytes.isEmpty())
        return;
    const QString text = decodeDoubleByte(m_doubleBytePage, std::exchange(m_doubleBytes, {}));
    for (const QChar c : text)
        appendChar(c.unicode());
}

void RtfReader::appendChar(char16_t c)
{
    const CharProps &props = state().ch;
    if (props.hidden)
        return;
    if (c == QChar::ParagraphSeparator)
        c = QChar::LineSeparator; // paragraphs come from \par only
    if ((c < 0x20 && c != u'\t') || c == QChar::ObjectReplacementCharacter)
        return;
    if (m_formatDirty) {
        if (!(props == m_runProps) || m_run.isEmpty()) {
            flushRun();
            m_runFormat = charFormat();
            m_runProps = props;
        }
        m_formatDirty = false;
    }
    m_run.append(QChar(c));
}

void RtfReader::flushRun()
{
    if (m_run.isEmpty())
        return;
    repairSurrogates(m_run);
    m_items.push_back(Item { m_run, m_runFormat });
    m_run.clear();
}

// Fonts, colours or the default font changed: formats made before may be wrong now.
void RtfReader::formatsChanged()
{
    flushRun();
    m_formats.clear();
    m_formatDirty = true;
}

// The level of table that the paragraph being read belongs to; 0 outside tables.
int RtfReader::tableLevel() const
{
    const ParaProps &p = m_stack.back().para;
    return p.inTable ? std::clamp(p.tableLevel, 1, kMaxTableDepth) : 0;
}

void RtfReader::endParagraph()
{
    flushRun();
    const ParaProps &p = state().para;
    deliver(Paragraph { blockFormat(), charFormat(), std::exchange(m_items, {}), p.border, p.borderSpace },
        tableLevel());
}

void RtfReader::finish()
{
    if (m_stack.empty())
        return;
    flushDoubleBytes();
    flushRun();
    const ParaProps &p = state().para;
    Paragraph last { blockFormat(), charFormat(), std::exchange(m_items, {}), p.border, p.borderSpace };
    const int level = tableLevel();
    if (level > 0 && last.items.empty()) {
        closeTablesBelow(0); // a table at the very end: nothing follows it
        emitTopLevel(last);
    } else {
        deliver(std::move(last), level);
        closeTablesBelow(0);
    }
    closeFrame();
    m_stack.clear();
}

QTextCharFormat RtfReader::charFormat()
{
    const CharProps &ch = m_stack.back().ch;
    const auto cached = m_formats.find(ch);
    if (cached != m_formats.end())
        return cached->second;
    QTextCharFormat f;
    if (const Font *font = textFont(); font && !font->family.isEmpty()) {
        f.setFontFamilies(QStringList { font->family });
        f.setProperty(kFamilyKey, font->family);
        if (font->hint != QFont::AnyStyle)
            f.setFontStyleHint(font->hint);
    }
    f.setFontPointSize(ch.halfPoints / 2.0);
    f.setFontWeight(ch.bold ? QFont::Bold : QFont::Normal);
    f.setFontItalic(ch.italic);
    f.setUnderlineStyle(ch.underline);
    f.setFontStrikeOut(ch.strike);
    if (ch.valign != QTextCharFormat::AlignNormal)
        f.setVerticalAlignment(ch.valign);
    else if (ch.raise != 0) // as a share of the font's size, which is what Qt measures in
        f.setBaselineOffset(100.0 * ch.raise / ch.halfPoints);
    if (ch.caps != QFont::MixedCase)
        f.setFontCapitalization(ch.caps);
    if (const QColor c = color(ch.foreground); c.isValid())
        f.setForeground(c);
    if (const QColor c = color(ch.background); c.isValid())
        f.setBackground(c);
    m_formats.emplace(ch, f);
    return f;
}

/// RTF measures tab stops from the page margin, Qt from where the line starts; the
/// first line starts at \li + \fi. A hanging indent also stops a tab at \li, which
/// is what puts list text after its bullet: "\fi-360\li720\tx1440" gives Qt stops
/// at 24 px (the indent) and 72 px.
QTextBlockFormat RtfReader::blockFormat() const
{
    const ParaProps &p = m_stack.back().para;
    QTextBlockFormat f;
    f.setAlignment(p.align);
    f.setLeftMargin(twipsToPixels(p.left));
    f.setRightMargin(twipsToPixels(p.right));
    f.setTextIndent(twipsToPixels(p.first));
    f.setTopMargin(twipsToPixels(p.before));
    f.setBottomMargin(twipsToPixels(p.after));
    if (p.lineSpacing != 0 && p.lineMultiple)
        f.setLineHeight(std::abs(p.lineSpacing) * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
    else if (p.lineSpacing > 0)
        f.setLineHeight(twipsToPixels(p.lineSpacing), QTextBlockFormat::MinimumHeight);
    else if (p.lineSpacing < 0)
        f.setLineHeight(twipsToPixels(-p.lineSpacing), QTextBlockFormat::FixedHeight);
    if (p.patternBack >= 0 || p.patternFore >= 0 || p.shading >= 0) {
        // The pattern colour covers the share \shading of the background colour.
        const QColor back = color(p.patternBack).isValid() ? color(p.patternBack) : QColor(Qt::white);
        const QColor fore = color(p.patternFore).isValid() ? color(p.patternFore) : QColor(Qt::black);
        const qreal share = std::max(p.shading, 0) / 10000.0;
        const auto mix = [share](int b, int f) { return qRound(b + (f - b) * share); };
        f.setBackground(QColor(
            mix(back.red(), fore.red()), mix(back.green(), fore.green()), mix(back.blue(), fore.blue())));
    }
    std::vector<TabStop> stops(p.tabs.cbegin(), p.tabs.cend());
    if (p.first < 0)
        stops.push_back(TabStop { p.left, QTextOption::LeftTab });
    const int lineStart = p.left + p.first;
    std::stable_sort(stops.begin(), stops.end(),
        [](const TabStop &a, const TabStop &b) { return a.position < b.position; });
    QList<QTextOption::Tab> tabs;
    int last = lineStart;
    for (const TabStop &stop : stops) {
        if (stop.position > last) {
            tabs.append(QTextOption::Tab(twipsToPixels(stop.position - lineStart), stop.type));
            last = stop.position;
        }
    }
    if (!tabs.isEmpty())
        f.setTabPositions(tabs);
    return f;
}

// ---- Where paragraphs go ----------------------------------------------------

void RtfReader::deliver(Paragraph paragraph, int level)
{
    closeTablesBelow(level);
    if (level == 0) {
        emitTopLevel(paragraph);
        return;
    }
    openTable(level).cell.content.push_back(Node { std::move(paragraph), nullptr });
}

OpenTable &RtfReader::openTable(int level)
{
    while (int(m_open.size()) < level)
        m_open.emplace_back();
    return m_open[std::size_t(level - 1)];
}

// Tables deeper than `level` are complete: each goes where its parent's text is.
void RtfReader::closeTablesBelow(int level)
{
    while (int(m_open.size()) > level) {
        OpenTable open = std::move(m_open.back());
        m_open.pop_back();
        if (!open.cell.content.empty())
            open.row.cells.push_back(std::move(open.cell));
        if (!open.row.cells.empty()) {
            open.row.def = rowDef(int(m_open.size()) + 1);
            open.table->rows.push_back(std::move(open.row));
        }
        if (open.table->rows.empty())
            continue;
        if (m_open.empty()) {
            closeFrame();
            emitTable(m_top, *open.table);
        } else {
            m_open.back().cell.content.push_back(Node { {}, std::move(open.table) });
        }
    }
}

void RtfReader::endCell(int level)
{
    closeTablesBelow(level);
    OpenTable &open = openTable(level);
    std::vector<Node> &content = open.cell.content;
    // "text\par\cell": the paragraph mark before the cell's end makes no extra line.
    if (content.size() >= 2 && !content.back().table && content.back().paragraph.items.empty()
        && !content[content.size() - 2].table)
        content.pop_back();
    open.row.cells.push_back(std::move(open.cell));
    open.cell = CellModel();
}

void RtfReader::endRow(int level)
{
    flushRun();
    if (!m_items.empty()) // text between the last \cell and \row is a cell of its own
        deliver(Paragraph { blockFormat(), charFormat(), std::exchange(m_items, {}), {}, 0 }, level);
    closeTablesBelow(level);
    OpenTable &open = openTable(level);
    if (!open.cell.content.empty()) {
        open.row.cells.push_back(std::move(open.cell));
        open.cell = CellModel();
    }
    open.row.def = rowDef(level);
    open.table->rows.push_back(std::move(open.row));
    open.row = RowModel();
}

void RtfReader::emitParagraph(Target &target, Paragraph &paragraph)
{
    QTextCursor &c = target.cursor;
    if (target.fresh) {
        c.setBlockFormat(paragraph.block);
        c.mergeBlockCharFormat(paragraph.mark); // in a cell, the mark also holds the cell's format
        target.fresh = false;
    } else {
        c.insertBlock(paragraph.block, paragraph.mark);
    }
    for (const Item &item : paragraph.items) {
        if (item.format.isImageFormat())
            c.insertImage(item.format.toImageFormat());
        else
            c.insertText(item.text, item.format);
    }
}

QTextFrameFormat::BorderStyle styleOf(const std::array<BorderLine, 4> &border)
{
    for (const BorderLine &line : border) {
        if (line.on)
            return line.style;
    }
    return QTextFrameFormat::BorderStyle_None;
}

/// Paragraphs in a row that share a border are drawn in one frame.
void RtfReader::emitTopLevel(Paragraph &paragraph)
{
    const bool bordered = styleOf(paragraph.border) != QTextFrameFormat::BorderStyle_None;
    if (m_frame && (paragraph.border != m_frameBorder || paragraph.borderSpace != m_frameSpace))
        closeFrame();
    if (bordered && !m_frame) {
        QTextFrameFormat format;
        int width = 0;
        int colorIndex = -1;
        for (const BorderLine &line : paragraph.border) {
            if (line.on) {
                width = std::max(width, line.width);
                colorIndex = colorIndex < 0 ? line.color : colorIndex;
            }
        }
        format.setBorder(std::max(1.0, twipsToPixels(width)));
        format.setBorderStyle(styleOf(paragraph.border));
        format.setBorderBrush(color(colorIndex).isValid() ? color(colorIndex) : QColor(Qt::black));
        format.setPadding(twipsToPixels(paragraph.borderSpace));
        m_frame = m_top.cursor.insertFrame(format);
        m_top.fresh = true;
        m_frameBorder = paragraph.border;
        m_frameSpace = paragraph.borderSpace;
    }
    emitParagraph(m_top, paragraph);
}

void RtfReader::closeFrame()
{
    if (!m_frame)
        return;
    m_top.cursor = m_frame->lastCursorPosition();
    m_top.cursor.movePosition(QTextCursor::NextBlock);
    m_top.fresh = true;
    m_frame = nullptr;
}

QTextLength fixedTwips(int twips)
{
    return QTextLength(QTextLength::FixedLength, twipsToPixels(std::max(twips, 1)));
}

/// The columns are the cell boundaries of all rows together; a cell spans the
/// columns between its own left and right boundary.
void RtfReader::emitTable(Target &target, TableModel &model)
{
    std::vector<int> bounds;
    struct Placed
    {
        int row;
        int rows;
        int first; // columns

        int last;
        CellModel *cell;
        const CellDef *def;
    };
    std::vector<std::vector<std::pair<int, int>>> edges(model.rows.size()); // twips per cell
    for (std::size_t r = 0; r < model.rows.size(); ++r) {
        RowModel &row = model.rows[r];
        int left = row.def.left;
        bounds.push_back(left);
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const int right = i < row.def.cells.size() ? std::max(row.def.cells[i].right, left + 1)
                                                       : left + kDefaultCellTwips;
            edges[r].emplace_back(left, right);
            bounds.push_back(right);
            left = right;
        }
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    const auto column = [&bounds](int twips) {
        return int(std::lower_bound(bounds.begin(), bounds.end(), twips) - bounds.begin());
    };
    const int columns = std::max(1, int(bounds.size()) - 1);
    const int rows = int(model.rows.size());
    std::size_t cells = 0;
    for (const RowModel &row : model.rows)
        cells += row.cells.size();
    if (std::size_t(rows) * std::size_t(columns) > 4 * cells + 256) {
        // Rows whose cells share no edges would make a grid far larger than the
        // document; they read as lines with tabs between the cells instead.
        for (RowModel &row : model.rows) {
            Paragraph line;
            appendFlat(line, row);
            emitParagraph(target, line);
        }
        return;
    }

    QTextTableFormat format;
    QList<QTextLength> widths;
    for (int i = 0; i < columns; ++i)
        widths.append(bounds.size() > 1 ? fixedTwips(bounds[std::size_t(i) + 1] - bounds[std::size_t(i)])
                                        : fixedTwips(kDefaultCellTwips));
    format.setColumnWidthConstraints(widths);
    format.setBorder(0); // borders are the cells' own
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(twipsToPixels(108)); // Word's default \trgaph
    format.setLeftMargin(twipsToPixels(std::max(0, bounds.empty() ? 0 : bounds.front())));

    // At the end of a paragraph the table follows it; in an empty block, Qt keeps
    // that block before the table.
    QTextTable *table = target.cursor.insertTable(rows, columns, format);

    std::vector<Placed> placed;
    for (int r = 0; r < rows; ++r) {
        RowModel &row = model.rows[std::size_t(r)];
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const CellDef *def = i < row.def.cells.size() ? &row.def.cells[i] : nullptr;
            const int first = column(edges[std::size_t(r)][i].first);
            const int last = std::max(first, column(edges[std::size_t(r)][i].second) - 1);
            if (def && def->mergeNext && !placed.empty() && placed.back().row == r) {
                placed.back().last = last; // \clmrg widens the cell before it
                continue;
            }
            if (def && def->vmergeNext) { // \clvmrg: the cell above grows by this row
                const auto above = std::find_if(placed.rbegin(), placed.rend(),
                    [&](const Placed &p) { return p.row < r && p.first == first; });
                if (above != placed.rend() && above->row + above->rows == r) {
                    ++above->rows;
                    continue;
                }
            }
            placed.push_back(Placed { r, 1, first, last, &row.cells[i], def });
        }
    }
    for (const Placed &p : placed) {
        if (p.rows > 1 || p.last > p.first)
            table->mergeCells(p.row, p.first, p.rows, p.last - p.first + 1);
    }

    for (const Placed &p : placed) {
        QTextTableCell cell = table->cellAt(p.row, p.first);
        const RowDef &def = model.rows[std::size_t(p.row)].def;
        QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
        const bool firstColumn = p.first == 0;
        const bool lastColumn = p.last >= columns - 1;
        const bool firstRow = p.row == 0;
        const bool lastRow = p.row + p.rows >= rows;
        const auto lineFor = [&](int side) {
            const BorderLine own = p.def ? p.def->border[std::size_t(side)] : BorderLine();
            if (own.on)
                return own;
            switch (side) {
            case Top:
                return def.border[firstRow ? Top : InnerH];
            case Bottom:
                return def.border[lastRow ? Bottom : InnerH];
            case Left:
                return def.border[firstColumn ? Left : InnerV];
            default:
                return def.border[lastColumn ? Right : InnerV];
            }
        };
        for (int side = Top; side <= Right; ++side) {
            const BorderLine line = lineFor(side);
            if (!line.on)
                continue;
            const qreal width = std::max(1.0, twipsToPixels(line.width));
            const QBrush brush(color(line.color).isValid() ? color(line.color) : QColor(Qt::black));
            switch (side) {
            case Top:
                cellFormat.setTopBorder(width);
                cellFormat.setTopBorderStyle(line.style);
                cellFormat.setTopBorderBrush(brush);
                break;
            case Bottom:
                cellFormat.setBottomBorder(width);
                cellFormat.setBottomBorderStyle(line.style);
                cellFormat.setBottomBorderBrush(brush);
                break;
            case Left:
                cellFormat.setLeftBorder(width);
                cellFormat.setLeftBorderStyle(line.style);
                cellFormat.setLeftBorderBrush(brush);
                break;
            default:
                cellFormat.setRightBorder(width);
                cellFormat.setRightBorderStyle(line.style);
                cellFormat.setRightBorderBrush(brush);
                break;
            }
        }
        if (p.def && color(p.def->shading).isValid())
            cellFormat.setBackground(color(p.def->shading));
        cell.setFormat(cellFormat);
        Target inner { cell.firstCursorPosition(), true };
        emitNodes(inner, p.cell->content);
    }
    target.cursor = table->lastCursorPosition();
    target.cursor.movePosition(QTextCursor::NextBlock);
    target.fresh = true;
}

/// The text of a row on one line, a tab after each cell but the last.
void appendFlat(Paragraph &line, RowModel &row)
{
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        for (Node &node : row.cells[i].content) {
            if (node.table) {
                for (RowModel &inner : node.table->rows)
                    appendFlat(line, inner);
                continue;
            }
            if (line.items.empty()) {
                line.block = node.paragraph.block;
                line.mark = node.paragraph.mark;
            }
            std::move(
                node.paragraph.items.begin(), node.paragraph.items.end(), std::back_inserter(line.items));
        }
        if (i + 1 < row.cells.size())
            line.items.push_back(Item { QStringLiteral("\t"), line.mark });
    }
}

void RtfReader::emitNodes(Target &target, std::vector<Node> &nodes)
{
    for (Node &node : nodes) {
        if (node.table)
            emitTable(target, *node.table);
        else
            emitParagraph(target, node.paragraph);
    }
}

// ---- Tables of the header ---------------------------------------------------

/// A font's name is written in the font's own character set.
void RtfReader::fontTableByte(uchar b)
{
    const int own = codePageForCharset(m_fontCharset);
    const int codePage = own ? own : m_codePage;
    if (!isDoubleByte(codePage)) {
        fontTableChar(decodeWindowsByte(codePage, b));
        return;
    }
    m_fontBytes.append(char(b));
    if (m_fontBytes.size() == 1 && isLeadByte(codePage, b))
        return; // its trail byte follows
    for (const QChar c : decodeDoubleByte(codePage, std::exchange(m_fontBytes, {})))
        fontTableChar(c.unicode());
}

void RtfReader::fontTableChar(char16_t c)
{
    if (c == u';')
        commitFont();
    else
        m_fontName.append(QChar(c));
}

void RtfReader::commitFont()
{
    Font font;
    font.family = m_fontName.trimmed();
    font.hint = m_fontHint;
    m_fontName.clear();
    if (m_fontId < 0)
        return;
    const bool symbolName = font.family.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
    if (m_fontCharset == 2 || (m_fontCharset < 0 && symbolName)) {
        font.encoding = font.family.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive)
            ? ByteEncoding::Wingdings
            : ByteEncoding::Symbol;
    } else {
        font.codePage = codePageForCharset(m_fontCharset);
    }
    m_fonts.insert(m_fontId, font);
    formatsChanged();
}

void RtfReader::colorTableChar(char16_t c)
{
    if (c != u';')
        return;
    m_colors.append(m_rgbSet ? QColor(m_rgb[0], m_rgb[1], m_rgb[2]) : QColor());
    m_rgb[0] = m_rgb[1] = m_rgb[2] = 0;
    m_rgbSet = false;
    formatsChanged();
}

void RtfReader::pictureText(QByteArrayView text)
{
    for (const char c : text) {
        int v = -1;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        if (v < 0)
            continue;
        if (m_picture.pendingNibble < 0) {
            m_picture.pendingNibble = v;
        } else {
            m_picture.data.append(char(m_picture.pendingNibble * 16 + v));
            m_picture.pendingNibble = -1;
        }
    }
}

void RtfReader::insertPicture()
{
    Picture picture = std::exchange(m_picture, Picture());
    if (picture.format.isEmpty() || state().dest != Dest::Text)
        return;
    QImage image;
    QString toolTip;
    if (picture.format == "metafile") {
        image = metafilePlaceholder(picture);
        toolTip = kMetafileText;
    } else if (picture.format == "dib") {
        image = decodeDib(picture.data);
    } else if (picture.format == "wbitmap") {
        image = decodeDib(dibOfBitmap(picture));
    } else {
        image.loadFromData(picture.data, picture.format.constData());
    }
    if (image.isNull())
        return;
    // The goal size is what the author saw; without it, the bitmap's own pixels.
    const qreal w = picture.widthGoal > 0 ? twipsToPixels(picture.widthGoal) : image.width();
    const qreal h = picture.heightGoal > 0 ? twipsToPixels(picture.heightGoal) : image.height();
    const QUrl name(QStringLiteral("rtfimage:%1").arg(++m_images));
    m_doc->addResource(QTextDocument::ImageResource, name, image);
    QTextImageFormat format;
    format.setName(name.toString());
    format.setWidth(w * picture.scaleX / 100.0);
    format.setHeight(h * picture.scaleY / 100.0);
    if (!toolTip.isEmpty())
        format.setToolTip(toolTip);
    flushRun();
    m_items.push_back(Item { QString(), format });
}

} // namespace

bool readRtf(const QByteArray &rtf, QTextDocument *doc)
{
    if (!rtf.startsWith("{\\rtf"))
        return false;
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextCursor batch(doc); // one edit block: the layout runs once, not per paragraph
    batch.beginEditBlock();
    RtfReader(doc).read(rtf);
    batch.endEditBlock();
    doc->setUndoRedoEnabled(undo);
    return true;
}

} // namespace tv

#include "rtfreader.h"

#include "codepages.h"
#include "rtflexer.h"
#include "rtfunits.h"

#include <QColor>
#include <QImage>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tv {
namespace {

constexpr int kMaxDepth = 500; // deeper groups share their parent's state
constexpr int kMaxTwips = 31680; // 22 inches: no real margin or tab is wider
constexpr int kMaxTabs = 64; // per paragraph
constexpr int kDefaultHalfPoints = 24; // RTF's default size: 12 pt
constexpr int kMaxHalfPoints = 3276; // 1638 pt, the largest size Word accepts

enum class Dest { Text, Skip, FontTable, ColorTable, Picture };

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
    int foreground = -1; // index into the colour table; -1 or an empty entry: automatic
    int background = -1;
};

struct ParaProps
{
    Qt::Alignment align = Qt::AlignLeft;
    int left = 0; // all in twips
    int right = 0;
    int first = 0;
    int before = 0;
    int after = 0;
    QList<int> tabs;
};

// What a group restores when it closes.
struct State
{
    CharProps ch;
    ParaProps para;
    Dest dest = Dest::Text;
    int uc = 1; // bytes of fallback text after each \u
};

struct Font
{
    QString family;
    // What to fall back to when the family is not installed (Arial, Courier New ...).
    QFont::StyleHint hint = QFont::AnyStyle;
    int codePage = 0; // 0: the document's
    ByteEncoding encoding = ByteEncoding::Windows;
};

struct Picture
{
    QByteArray format; // "png" or "jpeg"; empty for kinds we do not show
    QByteArray data;
    int pendingNibble = -1;
    int widthGoal = 0; // twips
    int heightGoal = 0;
    int scaleX = 100; // percent
    int scaleY = 100;
};

// clang-format off
enum class Word {
    Ansi, AnsiCpg, Deff, Uc, U, FontTable, ColorTable, Pict, ShpPict, SkipDest, FontCharset, FontFamily, Red, Green,
    Blue, Plain, F, Fs, B, I, Ul, UlNone, UlDotted, UlDash, UlWave, Strike, Hidden, Cf, Cb, Super, Sub,
    NoSuperSub, Pard, Par, Line, Tab, Cell, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa, Tx, PngBlip, JpegBlip,
    PicWGoal, PicHGoal, PicScaleX, PicScaleY, Bullet, EmDash, EnDash, LQuote, RQuote, LDblQuote,
    RDblQuote, EmSpace, EnSpace, QmSpace, Zwj, Zwnj,
};

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

const std::unordered_map<std::string_view, Word> &wordTable()
{
    static const std::unordered_map<std::string_view, Word> table = {
        {"ansi", Word::Ansi}, {"ansicpg", Word::AnsiCpg}, {"deff", Word::Deff}, {"uc", Word::Uc},
        {"u", Word::U}, {"fonttbl", Word::FontTable}, {"colortbl", Word::ColorTable},
        {"pict", Word::Pict}, {"shppict", Word::ShpPict},
        // Destinations whose text is not part of what the reader sees.
        {"stylesheet", Word::SkipDest}, {"info", Word::SkipDest}, {"header", Word::SkipDest},
        {"headerl", Word::SkipDest}, {"headerr", Word::SkipDest}, {"headerf", Word::SkipDest},
        {"footer", Word::SkipDest}, {"footerl", Word::SkipDest}, {"footerr", Word::SkipDest},
        {"footerf", Word::SkipDest}, {"footnote", Word::SkipDest}, {"annotation", Word::SkipDest},
        {"object", Word::SkipDest}, {"nonshppict", Word::SkipDest}, {"pn", Word::SkipDest},
        {"pntxta", Word::SkipDest}, {"pntxtb", Word::SkipDest}, {"listtable", Word::SkipDest},
        {"listoverridetable", Word::SkipDest}, {"revtbl", Word::SkipDest}, {"rsidtbl", Word::SkipDest},
        {"filetbl", Word::SkipDest}, {"fldinst", Word::SkipDest}, {"xe", Word::SkipDest},
        {"tc", Word::SkipDest}, {"txe", Word::SkipDest}, {"rxe", Word::SkipDest},
        {"template", Word::SkipDest}, {"userprops", Word::SkipDest}, {"docvar", Word::SkipDest},
        {"do", Word::SkipDest}, {"shpinst", Word::SkipDest}, {"themedata", Word::SkipDest},
        {"colorschememapping", Word::SkipDest}, {"latentstyles", Word::SkipDest},
        {"datastore", Word::SkipDest}, {"generator", Word::SkipDest}, {"fcharset", Word::FontCharset},
        {"froman", Word::FontFamily}, {"fswiss", Word::FontFamily}, {"fmodern", Word::FontFamily},
        {"fscript", Word::FontFamily}, {"fdecor", Word::FontFamily}, {"ftech", Word::FontFamily},
        {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue}, {"plain", Word::Plain},
        {"f", Word::F}, {"fs", Word::Fs}, {"b", Word::B}, {"i", Word::I}, {"ul", Word::Ul},
        {"ulnone", Word::UlNone}, {"uld", Word::UlDotted}, {"uldash", Word::UlDash},
        {"uldashd", Word::UlDash}, {"uldashdd", Word::UlDash}, {"uldb", Word::Ul}, {"ulth", Word::Ul},
        {"ulw", Word::Ul}, {"ulwave", Word::UlWave}, {"strike", Word::Strike}, {"striked", Word::Strike},
        {"v", Word::Hidden}, {"cf", Word::Cf}, {"cb", Word::Cb}, {"highlight", Word::Cb},
        {"super", Word::Super}, {"sub", Word::Sub}, {"nosupersub", Word::NoSuperSub},
        {"pard", Word::Pard}, {"par", Word::Par}, {"sect", Word::Par}, {"page", Word::Par},
        {"row", Word::Par}, {"line", Word::Line}, {"tab", Word::Tab}, {"cell", Word::Cell},
        {"ql", Word::Ql}, {"qc", Word::Qc}, {"qr", Word::Qr}, {"qj", Word::Qj}, {"li", Word::Li},
        {"lin", Word::Li}, {"ri", Word::Ri}, {"rin", Word::Ri}, {"fi", Word::Fi}, {"sb", Word::Sb},
        {"sa", Word::Sa}, {"tx", Word::Tx}, {"pngblip", Word::PngBlip}, {"jpegblip", Word::JpegBlip},
        {"picwgoal", Word::PicWGoal}, {"pichgoal", Word::PicHGoal}, {"picscalex", Word::PicScaleX},
        {"picscaley", Word::PicScaleY}, {"bullet", Word::Bullet}, {"emdash", Word::EmDash},
        {"endash", Word::EnDash}, {"lquote", Word::LQuote}, {"rquote", Word::RQuote},
        {"ldblquote", Word::LDblQuote}, {"rdblquote", Word::RDblQuote}, {"emspace", Word::EmSpace},
        {"enspace", Word::EnSpace}, {"qmspace", Word::QmSpace}, {"zwj", Word::Zwj}, {"zwnj", Word::Zwnj},
    };
    return table;
}
// clang-format on

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

/// @short One pass over the tokens, building the document as it goes.
class RtfReader
{
public:
    explicit RtfReader(QTextDocument *doc)
        : m_doc(doc)
        , m_cursor(doc)
    {
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
    void onPictureWord(Word w, const RtfToken &t);
    void onSymbol(char c);
    void onByte(uchar b);
    void onText(QByteArrayView text);
    void onUnicode(int value);

    const Font *currentFont() const;
    const Font *textFont() const;
    char16_t decode(uchar b) const;
    void appendChar(char16_t c);
    void flushRun();
    void endParagraph();
    void finish();
    QTextCharFormat charFormat() const;
    QTextBlockFormat blockFormat() const;

    void fontTableChar(char16_t c);
    void commitFont();
    void colorTableChar(char16_t c);
    void pictureText(QByteArrayView text);
    void insertPicture();

    QTextDocument *m_doc;
    QTextCursor m_cursor;
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
    QList<QColor> m_colors;
    int m_rgb[3] = { 0, 0, 0 };
    bool m_rgbSet = false;
    Picture m_picture;
    int m_pictureDepth = 0;
    int m_images = 0;

    QString m_run;
    QTextCharFormat m_runFormat;
    bool m_formatDirty = true;
};

void RtfReader::read(QByteArrayView rtf)
{
    RtfLexer lexer(rtf);
    for (RtfToken t = lexer.next(); t.kind != RtfToken::End; t = lexer.next()) {
        const bool starred = m_starred;
        m_starred = false;
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
            if (starred && t.word != "shppict")
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
        onDestination(w);
        return;
    case Word::ShpPict:
        return;
    case Word::Ansi:
        m_codePage = 1252;
        return;
    case Word::AnsiCpg:
        m_codePage = t.param;
        return;
    case Word::Deff:
        m_defaultFont = t.param;
        m_formatDirty = true;
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
    if (state().dest != Dest::Text)
        return;
    if (m_skip > 0) {
        --m_skip;
        return;
    }
    if (onCharWord(w, t) || onParaWord(w, t))
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
        break;
    case Word::Pict:
        flushRun();
        s.dest = Dest::Picture;
        m_picture = Picture();
        m_pictureDepth = int(m_stack.size());
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
    case Word::Cell: // table cells read as tab-separated columns
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
    case Word::Tx:
        if (p.tabs.size() < kMaxTabs)
            p.tabs.append(std::clamp(t.param, 0, kMaxTwips));
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
            appendChar(decode(b));
        break;
    case Dest::FontTable:
        fontTableChar(decodeWindowsByte(m_codePage, b));
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
    case Dest::Text:
        for (const char c : text) {
            if (m_skip > 0)
                --m_skip;
            else
                appendChar(decode(uchar(c)));
        }
        break;
    case Dest::FontTable:
        for (const char c : text)
            fontTableChar(decodeWindowsByte(m_codePage, uchar(c)));
        break;
    case Dest::ColorTable:
        for (const char c : text)
            colorTableChar(char16_t(uchar(c)));
        break;
    case Dest::Picture:
        pictureText(text);
        break;
    case Dest::Skip:
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

char16_t RtfReader::decode(uchar b) const
{
    const Font *font = currentFont();
    if (font && font->encoding != ByteEncoding::Windows)
        return decodeSymbolByte(font->encoding, b);
    return decodeWindowsByte(font && font->codePage ? font->codePage : m_codePage, b);
}

void RtfReader::appendChar(char16_t c)
{
    if (state().ch.hidden)
        return;
    if (c == QChar::ParagraphSeparator)
        c = QChar::LineSeparator; // paragraphs come from \par only
    if ((c < 0x20 && c != u'\t') || c == QChar::ObjectReplacementCharacter)
        return;
    if (m_formatDirty) {
        const QTextCharFormat format = charFormat();
        if (format != m_runFormat) {
            flushRun();
            m_runFormat = format;
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
    m_cursor.insertText(m_run, m_runFormat);
    m_run.clear();
}

void RtfReader::endParagraph()
{
    flushRun();
    m_cursor.setBlockFormat(blockFormat());
    m_cursor.setBlockCharFormat(charFormat()); // an empty line is as high as its mark
    m_cursor.insertBlock();
}

void RtfReader::finish()
{
    if (m_stack.empty())
        return;
    flushRun();
    m_cursor.setBlockFormat(blockFormat());
    m_cursor.setBlockCharFormat(charFormat());
}

QTextCharFormat RtfReader::charFormat() const
{
    const CharProps &ch = m_stack.back().ch;
    QTextCharFormat f;
    if (const Font *font = textFont(); font && !font->family.isEmpty()) {
        f.setFontFamilies(QStringList { font->family });
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
    if (const QColor c = m_colors.value(ch.foreground); c.isValid())
        f.setForeground(c);
    if (const QColor c = m_colors.value(ch.background); c.isValid())
        f.setBackground(c);
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
    QList<int> stops = p.tabs;
    if (p.first < 0)
        stops.append(p.left);
    const int lineStart = p.left + p.first;
    std::sort(stops.begin(), stops.end());
    stops.erase(std::unique(stops.begin(), stops.end()), stops.end());
    QList<QTextOption::Tab> tabs;
    for (const int stop : std::as_const(stops)) {
        if (stop > lineStart)
            tabs.append(QTextOption::Tab(twipsToPixels(stop - lineStart), QTextOption::LeftTab));
    }
    if (!tabs.isEmpty())
        f.setTabPositions(tabs);
    return f;
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
    m_formatDirty = true;
}

void RtfReader::colorTableChar(char16_t c)
{
    if (c != u';')
        return;
    m_colors.append(m_rgbSet ? QColor(m_rgb[0], m_rgb[1], m_rgb[2]) : QColor());
    m_rgb[0] = m_rgb[1] = m_rgb[2] = 0;
    m_rgbSet = false;
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
    if (!image.loadFromData(picture.data, picture.format.constData()))
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
    m_cursor.insertImage(format);
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

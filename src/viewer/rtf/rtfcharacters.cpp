// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfparser.h"
#include "rtfunits.h"

#include <algorithm>
#include <utility>

namespace tv::rtfread {

namespace {

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

} // namespace

// Words of the font and colour tables; true when the word was one of them.
bool RtfParser::onFontOrColorWord(Word w, const RtfToken &t)
{
    const Dest dest = state().dest;
    if (dest == Dest::FontTable
        && (w == Word::F || w == Word::FontCharset || w == Word::FontFamily || w == Word::Cpg)) {
        if (w == Word::F) {
            m_fontId = t.param;
            m_fontCharset = -1;
            m_fontCodePage = 0;
            m_fontHint = QFont::AnyStyle;
            m_fontName.clear();
        } else if (w == Word::FontFamily) {
            m_fontHint = styleHintFor(t.word);
        } else if (w == Word::Cpg) {
            m_fontCodePage = codePageFor(t.param);
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

bool RtfParser::onCharWord(Word w, const RtfToken &t)
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

bool RtfParser::onParaWord(Word w, const RtfToken &t)
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
    case Word::Ls:
        p.list = t.param;
        break;
    case Word::Ilvl:
        p.listLevel = std::clamp(t.param, 0, 8);
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

const Font *RtfParser::currentFont() const
{
    const int id = m_stack.back().ch.font;
    const auto found = m_fonts.constFind(id < 0 ? m_defaultFont : id);
    return found == m_fonts.cend() ? nullptr : &found.value();
}

/// Text in a symbol font has become Unicode ("\'b7" in "Symbol" is "•"), so it is
/// shown in the document's default font, where other programs find the same glyph.
const Font *RtfParser::textFont() const
{
    const Font *font = currentFont();
    if (!font || font->encoding == ByteEncoding::Windows)
        return font;
    const auto fallback = m_fonts.constFind(m_defaultFont);
    if (fallback == m_fonts.cend() || fallback->encoding != ByteEncoding::Windows)
        return nullptr;
    return &fallback.value();
}

char16_t RtfParser::decode(const Font *font, uchar b) const
{
    if (font && font->encoding != ByteEncoding::Windows)
        return decodeSymbolByte(font->encoding, b);
    return decodeWindowsByte(font && font->codePage ? font->codePage : m_codePage, b);
}

/// Bytes of a multi-byte code page wait until the next word, brace or other
/// text, so that a lead byte and its trail bytes are decoded together.
void RtfParser::textByte(const Font *font, uchar b)
{
    const int codePage = font && font->codePage ? font->codePage : m_codePage;
    if ((!font || font->encoding == ByteEncoding::Windows) && isMultiByte(codePage)) {
        if (m_doubleBytePage != codePage)
            flushDoubleBytes();
        m_doubleBytePage = codePage;
        m_doubleBytes.append(char(b));
        return;
    }
    appendChar(decode(font, b));
}

void RtfParser::flushDoubleBytes()
{
    if (m_doubleBytes.isEmpty())
        return;
    const QString text = decodeMultiByte(m_doubleBytePage, std::exchange(m_doubleBytes, {}));
    for (const QChar c : text)
        appendChar(c.unicode());
}

void RtfParser::appendChar(char16_t c)
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

void RtfParser::flushRun()
{
    if (m_run.isEmpty())
        return;
    repairSurrogates(m_run);
    m_items.push_back(Item { m_run, m_runFormat });
    m_run.clear();
}

// Fonts, colours or the default font changed: formats made before may be wrong now.
void RtfParser::formatsChanged()
{
    flushRun();
    m_formats.clear();
    m_formatDirty = true;
}

// The level of table that the paragraph being read belongs to; 0 outside tables.
int RtfParser::tableLevel() const
{
    const ParaProps &p = m_stack.back().para;
    return p.inTable ? std::clamp(p.tableLevel, 1, kMaxTableDepth) : 0;
}

void RtfParser::endParagraph()
{
    numberParagraph();
    flushRun();
    const ParaProps &p = state().para;
    deliver(Paragraph { blockFormat(), charFormat(), std::exchange(m_items, {}), p.border, p.borderSpace },
        tableLevel());
}

void RtfParser::finish()
{
    if (m_stack.empty())
        return;
    flushDoubleBytes();
    while (!m_stories.empty()) // its group never closed
        endStory();
    flushRun();
    if (!m_items.empty()) // not the empty end that inherits the last item's list
        numberParagraph();
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
    emitNotes();
    closeFrame();
    m_stack.clear();
}

QTextCharFormat RtfParser::charFormat()
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
QTextBlockFormat RtfParser::blockFormat() const
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


// ---- Tables of the header ---------------------------------------------------

/// A font's name is written in the font's own character set.
void RtfParser::fontTableByte(uchar b)
{
    const int own = m_fontCodePage ? m_fontCodePage : codePageForCharset(m_fontCharset);
    const int codePage = own ? own : m_codePage;
    if (!isMultiByte(codePage)) {
        fontTableChar(decodeWindowsByte(codePage, b));
        return;
    }
    m_fontBytes.append(char(b));
    if (m_fontBytes.size() < sequenceLength(codePage, uchar(m_fontBytes.front())))
        return; // its trail bytes follow
    for (const QChar c : decodeMultiByte(codePage, std::exchange(m_fontBytes, {})))
        fontTableChar(c.unicode());
}

void RtfParser::fontTableChar(char16_t c)
{
    if (c == u';')
        commitFont();
    else
        m_fontName.append(QChar(c));
}

void RtfParser::commitFont()
{
    Font font;
    font.family = m_fontName.trimmed();
    font.hint = m_fontHint == QFont::AnyStyle ? styleHintForName(font.family) : m_fontHint;
    m_fontName.clear();
    if (m_fontId < 0)
        return;
    const bool symbolName = font.family.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0;
    if (m_fontCharset == 2 || (m_fontCharset < 0 && symbolName)) {
        font.encoding = font.family.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive)
            ? ByteEncoding::Wingdings
            : ByteEncoding::Symbol;
    } else {
        font.codePage = m_fontCodePage ? m_fontCodePage : codePageForCharset(m_fontCharset);
    }
    m_fonts.insert(m_fontId, font);
    formatsChanged();
}

void RtfParser::colorTableChar(char16_t c)
{
    if (c != u';')
        return;
    m_colors.append(m_rgbSet ? QColor(m_rgb[0], m_rgb[1], m_rgb[2]) : QColor());
    m_rgb[0] = m_rgb[1] = m_rgb[2] = 0;
    m_rgbSet = false;
    formatsChanged();
}


} // namespace tv::rtfread

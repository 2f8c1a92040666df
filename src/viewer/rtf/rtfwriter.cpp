// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfwriter.h"

#include "catalogue/cp1252.h"
#include "rtfunits.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <tuple>

namespace tv {
namespace {

constexpr int kHexPerLine = 64; // picture bytes per output line

// The characters of 1252's upper half, in byte order, to find a byte for a character.
const QString &upperHalf1252()
{
    static const QString half = [] {
        QByteArray bytes;
        for (int b = 0x80; b <= 0xFF; ++b)
            bytes.append(char(b));
        return fromCp1252(bytes);
    }();
    return half;
}

QByteArray number(qint64 n)
{
    return QByteArray::number(n);
}

QString familyOf(const QTextCharFormat &format, const QTextDocument &doc)
{
    const QStringList families = format.fontFamilies().toStringList();
    if (!families.isEmpty() && !families.first().isEmpty())
        return families.first();
    return doc.defaultFont().family();
}

QString listMarker(const QTextList &list, const QTextBlock &block)
{
    switch (list.format().style()) {
    case QTextListFormat::ListDisc:
        return QString(QChar(0x2022));
    case QTextListFormat::ListCircle:
        return QString(QChar(0x25E6));
    case QTextListFormat::ListSquare:
        return QString(QChar(0x25AA));
    default:
        return list.itemText(block);
    }
}

/// @short Writes one document.
///
/// The body is written first and the font and colour tables are put in front of
/// it afterwards: whatever the body names is then in the tables, whichever path
/// named it.
class RtfWriter
{
public:
    explicit RtfWriter(const QTextDocument &doc)
        : m_doc(doc)
    {
    }

    QByteArray write();

private:
    QByteArray header() const;
    void writeFrame(QTextFrame::iterator it, int level);
    void writeTable(const QTextTable &table, int level);
    void writeBlock(const QTextBlock &block, int level);
    void writeParagraphProps(const QTextBlock &block, int level);
    void writeBorder(const QTextFrameFormat &frame);
    void writeListMarker(const QTextList &list, const QTextBlock &block);
    void writeCharProps(const QTextCharFormat &format);
    void writeImage(const QTextImageFormat &format);
    void writeText(QStringView text);
    int fontIndex(const QTextCharFormat &format);
    int colorIndex(const QBrush &brush);

    const QTextDocument &m_doc;
    QStringList m_fonts;
    QHash<QString, int> m_fontIndex;
    QList<QColor> m_colors; // \cfN is m_colors[N - 1]; 0 stays automatic
    QHash<QRgb, int> m_colorIndex;
    QByteArray m_out;
};

QByteArray RtfWriter::write()
{
    fontIndex(QTextCharFormat()); // \f0 is the document's font
    writeFrame(m_doc.rootFrame()->begin(), 0);
    m_out += "}\r\n";
    return header() + m_out;
}

int RtfWriter::fontIndex(const QTextCharFormat &format)
{
    const QString family = familyOf(format, m_doc);
    const auto found = m_fontIndex.constFind(family);
    if (found != m_fontIndex.cend())
        return found.value();
    m_fonts.append(family);
    m_fontIndex.insert(family, int(m_fonts.size() - 1));
    return int(m_fonts.size() - 1);
}

int RtfWriter::colorIndex(const QBrush &brush)
{
    if (brush.style() == Qt::NoBrush)
        return 0;
    const QColor color = brush.color().toRgb();
    const QRgb key = qRgb(color.red(), color.green(), color.blue());
    const auto found = m_colorIndex.constFind(key);
    if (found != m_colorIndex.cend())
        return found.value();
    m_colors.append(color);
    m_colorIndex.insert(key, int(m_colors.size()));
    return int(m_colors.size());
}

QByteArray RtfWriter::header() const
{
    QByteArray out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl";
    RtfWriter names(m_doc); // writeText escapes into its own buffer
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        names.m_out.clear();
        QString name = m_fonts.at(i);
        names.writeText(name.remove(u';')); // the semicolon ends the name
        out += "{\\f" + number(i) + "\\fnil\\fcharset0 " + names.m_out + ";}";
    }
    out += "}\r\n{\\colortbl ;";
    for (const QColor &c : std::as_const(m_colors))
        out += "\\red" + number(c.red()) + "\\green" + number(c.green()) + "\\blue" + number(c.blue()) + ';';
    out += "}\r\n\\viewkind4\\uc1";
    return out;
}

/// Paragraphs are separated, not ended, by "\par": reading the result gives back
/// the same paragraphs. In a table cell the last one ends with the cell's mark,
/// which the caller writes.
void RtfWriter::writeFrame(QTextFrame::iterator it, int level)
{
    while (!it.atEnd()) {
        const QTextFrame *child = it.currentFrame();
        const QTextBlock block = it.currentBlock();
        ++it;
        if (const auto *table = qobject_cast<const QTextTable *>(child)) {
            writeTable(*table, level + 1);
            continue;
        }
        if (child) { // a bordered frame: its paragraphs carry the border
            writeFrame(child->begin(), level);
            if (!it.atEnd())
                m_out += "\\par\r\n";
            continue;
        }
        writeBlock(block, level);
        if (it.atEnd())
            break;
        if (block.length() > 1) {
            m_out += "\\par\r\n";
        } else { // an empty line is as high as the font of its paragraph mark
            m_out += '{';
            writeCharProps(block.charFormat());
            m_out += "\\par}\r\n";
        }
    }
}

QByteArray twips(qreal pixels)
{
    return number(pixelsToTwips(pixels));
}

QByteArray borderStyleWord(QTextFrameFormat::BorderStyle style)
{
    switch (style) {
    case QTextFrameFormat::BorderStyle_Double:
        return "\\brdrdb";
    case QTextFrameFormat::BorderStyle_Dotted:
        return "\\brdrdot";
    case QTextFrameFormat::BorderStyle_Dashed:
        return "\\brdrdash";
    case QTextFrameFormat::BorderStyle_Inset:
        return "\\brdrinset";
    case QTextFrameFormat::BorderStyle_Outset:
        return "\\brdroutset";
    default:
        return "\\brdrs";
    }
}

/// Rows as "\trowd" with each cell's borders and right edge, then the cells'
/// paragraphs. A cell that spans columns is one wide cell; one that spans rows
/// is "\clvmgf" above and "\clvmrg" in the rows below. Nested tables end their
/// cells with "\nestcell" and define their rows at the row's end.
void RtfWriter::writeTable(const QTextTable &table, int level)
{
    const QTextTableFormat format = table.format();
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    QList<int> edges { pixelsToTwips(format.leftMargin()) };
    for (int c = 0; c < table.columns(); ++c) {
        const QTextLength length = constraints.value(c);
        const int width = length.type() == QTextLength::FixedLength ? pixelsToTwips(length.rawValue()) : 1440;
        edges.append(edges.last() + std::max(width, 1));
    }
    const QByteArray cellEnd = level > 1 ? "\\nestcell" : "\\cell";
    for (int r = 0; r < table.rows(); ++r) {
        QByteArray definition = "\\trowd\\trgaph108\\trleft" + number(edges.first());
        for (int c = 0; c < table.columns();) {
            const QTextTableCell cell = table.cellAt(r, c);
            const QTextTableCellFormat cf = cell.format().toTableCellFormat();
            if (cell.row() == r && cell.rowSpan() > 1)
                definition += "\\clvmgf";
            else if (cell.row() < r)
                definition += "\\clvmrg";
            const std::tuple<const char *, qreal, QTextFrameFormat::BorderStyle, QBrush> sides[] = {
                { "\\clbrdrt", cf.topBorder(), cf.topBorderStyle(), cf.topBorderBrush() },
                { "\\clbrdrl", cf.leftBorder(), cf.leftBorderStyle(), cf.leftBorderBrush() },
                { "\\clbrdrb", cf.bottomBorder(), cf.bottomBorderStyle(), cf.bottomBorderBrush() },
                { "\\clbrdrr", cf.rightBorder(), cf.rightBorderStyle(), cf.rightBorderBrush() },
            };
            for (const auto &[word, width, style, brush] : sides) {
                if (width <= 0 || style == QTextFrameFormat::BorderStyle_None)
                    continue;
                definition += word + borderStyleWord(style) + "\\brdrw" + twips(width);
                if (const int color = colorIndex(brush))
                    definition += "\\brdrcf" + number(color);
            }
            if (const int shading = colorIndex(cf.background()))
                definition += "\\clcbpat" + number(shading);
            c = std::max(c + 1, cell.column() + cell.columnSpan()); // always onward, even past a damaged cell
            definition += "\\cellx" + number(edges.value(c, edges.last()));
        }
        if (level == 1)
            m_out += definition + "\r\n";
        for (int c = 0; c < table.columns();) {
            const QTextTableCell cell = table.cellAt(r, c);
            if (cell.row() == r)
                writeFrame(cell.begin(), level);
            else // the merged cell's text is in its first row
                m_out += "\\pard\\intbl" + (level > 1 ? "\\itap" + number(level) : QByteArray()) + ' ';
            m_out += cellEnd + "\r\n";
            c = std::max(c + 1, cell.column() + cell.columnSpan()); // always onward, even past a damaged cell
        }
        if (level == 1)
            m_out += "\\row\r\n";
        else
            m_out += "{\\*\\nesttableprops" + definition + "\\nestrow}{\\nonesttables\\par}\r\n";
    }
}

void RtfWriter::writeBlock(const QTextBlock &block, int level)
{
    writeParagraphProps(block, level);
    if (const QTextList *list = block.textList())
        writeListMarker(*list, block);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        const QTextCharFormat format = fragment.charFormat();
        if (format.isImageFormat()) {
            for (qsizetype n = 0; n < fragment.length(); ++n)
                writeImage(format.toImageFormat());
            continue;
        }
        m_out += '{';
        writeCharProps(format);
        writeText(fragment.text());
        m_out += '}';
    }
}

void RtfWriter::writeBorder(const QTextFrameFormat &frame)
{
    if (frame.border() <= 0 || frame.borderStyle() == QTextFrameFormat::BorderStyle_None)
        return;
    m_out += "\\box" + borderStyleWord(frame.borderStyle()) + "\\brdrw" + twips(frame.border());
    if (const int color = colorIndex(frame.borderBrush()))
        m_out += "\\brdrcf" + number(color);
    if (frame.padding() > 0)
        m_out += "\\brsp" + twips(frame.padding());
}

/// Qt measures tab stops from the start of the first line, RTF from the margin:
/// a Qt stop at 24 px with "\li720\fi-360" is "\tx720".
void RtfWriter::writeParagraphProps(const QTextBlock &block, int level)
{
    const QTextBlockFormat f = block.blockFormat();
    qreal leftPx = f.leftMargin() + f.indent() * m_doc.indentWidth();
    int first = pixelsToTwips(f.textIndent());
    if (const QTextList *list = block.textList()) {
        leftPx += list->format().indent() * m_doc.indentWidth();
        if (first == 0)
            first = -360; // the marker hangs in front of the text
    }
    const int left = pixelsToTwips(leftPx);

    m_out += "\\pard";
    if (level > 0)
        m_out += "\\intbl";
    if (level > 1)
        m_out += "\\itap" + number(level);
    switch (f.alignment() & Qt::AlignHorizontal_Mask) {
    case Qt::AlignHCenter:
        m_out += "\\qc";
        break;
    case Qt::AlignRight:
        m_out += "\\qr";
        break;
    case Qt::AlignJustify:
        m_out += "\\qj";
        break;
    default:
        break;
    }
    const std::pair<const char *, int> props[]
        = { { "\\li", left }, { "\\ri", pixelsToTwips(f.rightMargin()) }, { "\\fi", first },
              { "\\sb", pixelsToTwips(f.topMargin()) }, { "\\sa", pixelsToTwips(f.bottomMargin()) } };
    for (const auto &[word, value] : props) {
        if (value != 0)
            m_out += word + number(value);
    }
    switch (f.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        m_out += "\\sl" + number(qRound(f.lineHeight() * 240 / 100)) + "\\slmult1";
        break;
    case QTextBlockFormat::MinimumHeight:
        m_out += "\\sl" + twips(f.lineHeight()) + "\\slmult0";
        break;
    case QTextBlockFormat::FixedHeight:
        m_out += "\\sl-" + twips(f.lineHeight()) + "\\slmult0";
        break;
    default:
        break;
    }
    if (const int shading = colorIndex(f.background()))
        m_out += "\\cbpat" + number(shading);
    if (level == 0) {
        const QTextFrame *frame = QTextCursor(block).currentFrame();
        if (frame && frame != m_doc.rootFrame())
            writeBorder(frame->frameFormat());
    }
    for (const QTextOption::Tab &tab : f.tabPositions()) {
        if (tab.type == QTextOption::RightTab)
            m_out += "\\tqr";
        else if (tab.type == QTextOption::CenterTab)
            m_out += "\\tqc";
        m_out += "\\tx" + number(pixelsToTwips(tab.position) + left + first);
    }
    m_out += ' ';
}

void RtfWriter::writeListMarker(const QTextList &list, const QTextBlock &block)
{
    const QString marker = listMarker(list, block);
    m_out += "{\\pntext";
    writeCharProps(block.charFormat());
    writeText(marker);
    m_out += "\\tab}{\\*\\pn";
    const QTextListFormat::Style style = list.format().style();
    if (style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
        || style == QTextListFormat::ListSquare) {
        m_out += "\\pnlvlblt\\pnindent0{\\pntxtb ";
        writeText(marker);
    } else {
        m_out += "\\pnlvlbody\\pndec\\pnstart1\\pnindent0{\\pntxta "; // Qt 6.4 lists count from 1
        writeText(list.format().numberSuffix());
    }
    m_out += "}}";
}

void RtfWriter::writeCharProps(const QTextCharFormat &format)
{
    qreal points = format.fontPointSize();
    if (points <= 0)
        points = m_doc.defaultFont().pointSizeF() > 0 ? m_doc.defaultFont().pointSizeF() : 12;
    m_out += "\\f" + number(fontIndex(format)) + "\\fs" + number(qRound(points * 2));
    if (format.fontWeight() >= QFont::DemiBold)
        m_out += "\\b";
    if (format.fontItalic())
        m_out += "\\i";
    switch (format.underlineStyle()) {
    case QTextCharFormat::NoUnderline:
        break;
    case QTextCharFormat::DashUnderline:
        m_out += "\\uldash";
        break;
    case QTextCharFormat::DotLine:
        m_out += "\\uld";
        break;
    case QTextCharFormat::WaveUnderline:
    case QTextCharFormat::SpellCheckUnderline:
        m_out += "\\ulwave";
        break;
    default:
        m_out += "\\ul";
        break;
    }
    if (format.fontStrikeOut())
        m_out += "\\strike";
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript) {
        m_out += "\\super";
    } else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript) {
        m_out += "\\sub";
    } else if (const qreal offset = format.baselineOffset(); offset != 0) { // a share of the size
        const int halfPoints = qRound(offset * points * 2 / 100);
        m_out += (halfPoints > 0 ? "\\up" : "\\dn") + number(std::abs(halfPoints));
    }
    if (format.fontCapitalization() == QFont::AllUppercase)
        m_out += "\\caps";
    else if (format.fontCapitalization() == QFont::SmallCaps)
        m_out += "\\scaps";
    if (const int fg = colorIndex(format.foreground()))
        m_out += "\\cf" + number(fg);
    if (const int bg = colorIndex(format.background()))
        m_out += "\\highlight" + number(bg);
    m_out += ' ';
}

void RtfWriter::writeImage(const QTextImageFormat &format)
{
    const QVariant resource = m_doc.resource(QTextDocument::ImageResource, QUrl(format.name()));
    QImage image;
    if (resource.typeId() == QMetaType::QImage)
        image = resource.value<QImage>();
    else if (resource.typeId() == QMetaType::QPixmap)
        image = resource.value<QPixmap>().toImage();
    else if (resource.typeId() == QMetaType::QByteArray)
        image.loadFromData(resource.toByteArray());
    if (image.isNull())
        return;
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");

    const qreal w = format.width() > 0 ? format.width() : image.width();
    const qreal h = format.height() > 0 ? format.height() : image.height();
    m_out += "{\\pict\\pngblip\\picw" + number(image.width()) + "\\pich" + number(image.height())
        + "\\picwgoal" + number(pixelsToTwips(w)) + "\\pichgoal" + number(pixelsToTwips(h));
    for (qsizetype i = 0; i < png.size(); i += kHexPerLine)
        m_out += "\r\n" + png.mid(i, kHexPerLine).toHex();
    m_out += "}";
}

void RtfWriter::writeText(QStringView text)
{
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c == u'\\' || c == u'{' || c == u'}') {
            m_out += '\\';
            m_out += char(c);
        } else if (c == u'\t') {
            m_out += "\\tab ";
        } else if (c == QChar::LineSeparator) {
            m_out += "\\line ";
        } else if (c < 0x20 || c == QChar::ObjectReplacementCharacter) {
            continue;
        } else if (c < 0x80) {
            m_out += char(c);
        } else if (const qsizetype i = upperHalf1252().indexOf(ch); i >= 0) {
            m_out += "\\'" + QByteArray(1, char(0x80 + i)).toHex();
        } else {
            m_out += "\\u" + number(qint16(c)) + '?'; // RTF numbers are signed 16 bit
        }
    }
}

} // namespace

QByteArray writeRtf(const QTextDocument &doc)
{
    return RtfWriter(doc).write();
}

} // namespace tv

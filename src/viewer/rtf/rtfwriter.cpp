#include "rtfwriter.h"

#include "catalogue/cp1252.h"
#include "rtfunits.h"

#include <QBuffer>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QUrl>

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

/// @short Writes one document; collects the fonts and colours first.
class RtfWriter
{
public:
    explicit RtfWriter(const QTextDocument &doc)
        : m_doc(doc)
    {
    }

    QByteArray write();

private:
    void collectTables();
    void writeHeader();
    void writeBlock(const QTextBlock &block);
    void writeParagraphProps(const QTextBlock &block);
    void writeListMarker(const QTextList &list, const QTextBlock &block);
    void writeCharProps(const QTextCharFormat &format);
    void writeImage(const QTextImageFormat &format);
    void writeText(QStringView text);
    int fontIndex(const QTextCharFormat &format);
    int colorIndex(const QBrush &brush);

    const QTextDocument &m_doc;
    QStringList m_fonts;
    QList<QColor> m_colors; // \cfN is m_colors[N - 1]; 0 stays automatic
    QByteArray m_out;
};

QByteArray RtfWriter::write()
{
    collectTables();
    writeHeader();
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        writeBlock(block);
        if (!block.next().isValid())
            break;
        if (block.length() > 1) {
            m_out += "\\par\r\n";
        } else { // an empty line is as high as the font of its paragraph mark
            m_out += '{';
            writeCharProps(block.charFormat());
            m_out += "\\par}\r\n";
        }
    }
    m_out += "}\r\n";
    return m_out;
}

void RtfWriter::collectTables()
{
    m_fonts.append(m_doc.defaultFont().family());
    for (QTextBlock block = m_doc.begin(); block.isValid(); block = block.next()) {
        if (block.length() <= 1 && block.next().isValid())
            fontIndex(block.charFormat());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat format = it.fragment().charFormat();
            fontIndex(format);
            colorIndex(format.foreground());
            colorIndex(format.background());
        }
    }
}

int RtfWriter::fontIndex(const QTextCharFormat &format)
{
    const QString family = familyOf(format, m_doc);
    qsizetype i = m_fonts.indexOf(family);
    if (i < 0) {
        i = m_fonts.size();
        m_fonts.append(family);
    }
    return int(i);
}

int RtfWriter::colorIndex(const QBrush &brush)
{
    if (brush.style() == Qt::NoBrush)
        return 0;
    const QColor color = brush.color().toRgb();
    qsizetype i = m_colors.indexOf(color);
    if (i < 0) {
        i = m_colors.size();
        m_colors.append(color);
    }
    return int(i) + 1;
}

void RtfWriter::writeHeader()
{
    m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl";
    for (qsizetype i = 0; i < m_fonts.size(); ++i) {
        m_out += "{\\f" + number(i) + "\\fnil\\fcharset0 ";
        QString name = m_fonts.at(i);
        writeText(name.remove(u';')); // the semicolon ends the name
        m_out += ";}";
    }
    m_out += "}\r\n{\\colortbl ;";
    for (const QColor &c : std::as_const(m_colors))
        m_out
            += "\\red" + number(c.red()) + "\\green" + number(c.green()) + "\\blue" + number(c.blue()) + ';';
    m_out += "}\r\n\\viewkind4\\uc1";
}

void RtfWriter::writeBlock(const QTextBlock &block)
{
    writeParagraphProps(block);
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

/// Qt measures tab stops from the start of the first line, RTF from the margin:
/// a Qt stop at 24 px with "\li720\fi-360" is "\tx720".
void RtfWriter::writeParagraphProps(const QTextBlock &block)
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
    for (const QTextOption::Tab &tab : f.tabPositions())
        m_out += "\\tx" + number(pixelsToTwips(tab.position) + left + first);
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
    if (format.verticalAlignment() == QTextCharFormat::AlignSuperScript)
        m_out += "\\super";
    else if (format.verticalAlignment() == QTextCharFormat::AlignSubScript)
        m_out += "\\sub";
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

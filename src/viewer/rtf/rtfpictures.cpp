// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfparser.h"
#include "rtfunits.h"

#include <QImage>
#include <QPainter>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace tv::rtfread {

namespace {

const QString kMetafileText = QStringLiteral("Grafik (Metafile) kann nicht angezeigt werden");
const QString kUnreadableText = QStringLiteral("Grafik kann nicht angezeigt werden");

/// Writers name the kind of a picture wrongly now and then (a PNG under
/// "\\jpegblip", a GIF under "\\pngblip"); the bytes say what they are.
QByteArray formatOfBytes(const QByteArray &data)
{
    if (data.startsWith("\x89PNG\r\n\x1a\n"))
        return "png";
    if (data.startsWith("\xff\xd8\xff"))
        return "jpeg";
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return "gif";
    if (data.startsWith("BM") && data.size() > 54)
        return "bmp";
    if (data.startsWith("\xd7\xcd\xc6\x9a") || data.startsWith(QByteArray("\x01\x00\x09\x00", 4))
        || data.startsWith(QByteArray("\x02\x00\x09\x00", 4)) || data.mid(40, 4) == " EMF")
        return "metafile";
    return {};
}

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

/// Qt draws no metafiles: a frame of the picture's size says so instead, as it
/// does for a picture whose bytes do not decode.
QImage placeholder(const Picture &picture, const QString &text)
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
    painter.drawText(image.rect().adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap, text);
    return image;
}

} // namespace

void RtfParser::onPictureWord(Word w, const RtfToken &t)
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


void RtfParser::pictureText(QByteArrayView text)
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

void RtfParser::insertPicture()
{
    Picture picture = std::exchange(m_picture, Picture());
    if ((picture.format.isEmpty() && picture.data.isEmpty()) || state().dest != Dest::Text)
        return;
    const QByteArray sniffed = formatOfBytes(picture.data);
    const bool raw = picture.format == "dib" || picture.format == "wbitmap"; // pixels without a signature
    const QByteArray kind = !sniffed.isEmpty() && !raw ? sniffed : picture.format;
    QImage image;
    QString toolTip;
    if (kind == "metafile") {
        image = placeholder(picture, kMetafileText);
        toolTip = kMetafileText;
    } else if (kind == "dib") {
        image = decodeDib(picture.data);
    } else if (kind == "wbitmap") {
        image = decodeDib(dibOfBitmap(picture));
    } else if (!kind.isEmpty()) {
        image.loadFromData(picture.data, kind.constData());
    }
    if (image.isNull()) {
        image = placeholder(picture, kUnreadableText);
        toolTip = kUnreadableText;
    }
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


} // namespace tv::rtfread

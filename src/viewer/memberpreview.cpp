// SPDX-License-Identifier: GPL-3.0-or-later
#include "memberpreview.h"

#include "catalogue/textcontent.h"
#include "viewer/codeview.h"

#include <QFile>
#include <QImageReader>
#include <QLabel>
#include <QLocale>
#include <QMimeDatabase>
#include <QPainter>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace tv {
namespace {

QString dataSize(qint64 bytes)
{
    return QLocale().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

QLabel *wrappingLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

} // namespace

FittedImage::FittedImage(QWidget *parent)
    : QWidget(parent)
{
    setAccessibleName(QStringLiteral("Bild"));
}

void FittedImage::setImage(const QImage &image)
{
    m_image = image;
    setAccessibleDescription(QStringLiteral("%1 × %2 Pixel").arg(image.width()).arg(image.height()));
    update();
}

QRect FittedImage::imageRect() const
{
    QSize size = m_image.size();
    if (size.width() > width() || size.height() > height())
        size.scale(this->size(), Qt::KeepAspectRatio);
    QRect r(QPoint(), size);
    r.moveCenter(rect().center());
    return r;
}

void FittedImage::paintEvent(QPaintEvent *)
{
    if (m_image.isNull())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(imageRect(), m_image);
}

MemberPreview::MemberPreview(QWidget *parent)
    : QWidget(parent)
    , m_heading(wrappingLabel(this))
    , m_stack(new QStackedWidget(this))
    , m_hint(wrappingLabel(m_stack))
    , m_text(new CodeView(m_stack))
    , m_image(new FittedImage(m_stack))
    , m_facts(wrappingLabel(m_stack))
{
    setObjectName(QStringLiteral("Vorschau"));
    setAccessibleName(QStringLiteral("Vorschau"));
    m_heading->setAccessibleName(QStringLiteral("Vorschau von"));
    m_text->setAccessibleName(QStringLiteral("Vorschau"));
    m_hint->setText(QStringLiteral("Wählen Sie eine Datei im Archivlisting, um sie hier zu sehen. "
                                   "Eingabe oder ein Doppelklick öffnet sie mit ihrem Programm."));
    m_hint->setAlignment(Qt::AlignCenter);
    m_facts->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_facts->setAccessibleName(QStringLiteral("Dateiangaben"));
    for (QWidget *page : { static_cast<QWidget *>(m_hint), static_cast<QWidget *>(m_text),
             static_cast<QWidget *>(m_image), static_cast<QWidget *>(m_facts) })
        m_stack->addWidget(page);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 16, 16, 16);
    layout->addWidget(m_heading);
    layout->addWidget(m_stack, 1);
    clear();
}

MemberPreview::~MemberPreview()
{
    dropCopy();
}

void MemberPreview::dropCopy()
{
    if (!m_copy.isEmpty())
        QFile::remove(m_copy);
    m_copy.clear();
}

void MemberPreview::setShown(Shown shown, QWidget *page)
{
    const bool hadText = m_shown == Shown::Text;
    if (shown != Shown::Text)
        m_text->clear();
    m_image->setImage(QImage());
    m_shown = shown;
    m_stack->setCurrentWidget(page);
    if (hadText || shown == Shown::Text)
        emit textChanged();
}

void MemberPreview::clear()
{
    dropCopy();
    m_heading->clear();
    setShown(Shown::Nothing, m_hint);
}

void MemberPreview::showProblem(const QString &text)
{
    dropCopy();
    m_heading->clear();
    m_facts->setText(text);
    setShown(Shown::Facts, m_facts);
}

void MemberPreview::showFile(const MemberFile &file)
{
    if (file.path != m_copy)
        dropCopy();
    m_copy = file.path;
    m_heading->setText(file.name);
    QFile in(file.path);
    const QByteArray head = in.open(QIODevice::ReadOnly) ? in.read(kPreviewLimit) : QByteArray();
    if (showImage(file))
        return;
    if (looksLikeText(head))
        showText(file, head);
    else
        showFacts(file, head);
}

bool MemberPreview::showImage(const MemberFile &file)
{
    QImageReader reader(file.path);
    reader.setDecideFormatFromContent(true);
    static const QList<QByteArray> kFormats { "png", "jpeg", "gif", "bmp", "ico" };
    if (!kFormats.contains(reader.format()))
        return false;
    const QImage image = reader.read();
    if (image.isNull())
        return false;
    setShown(Shown::Image, m_image);
    m_image->setImage(image);
    return true;
}

void MemberPreview::showText(const MemberFile &file, const QByteArray &head)
{
    const bool cut = file.size > head.size();
    if (cut) {
        m_heading->setText(QStringLiteral("%1 – gezeigt wird nur der Anfang (%2 von %3); "
                                          "Eingabe öffnet die ganze Datei.")
                               .arg(file.name, dataSize(head.size()), dataSize(file.size)));
    }
    m_text->setPlainText(decodeText(head, cut));
    m_text->setAccessibleDescription(file.name);
    setShown(Shown::Text, m_text);
}

void MemberPreview::showFacts(const MemberFile &file, const QByteArray &head)
{
    const QMimeType kind = QMimeDatabase().mimeTypeForFileNameAndData(file.name, head);
    const QLocale locale;
    m_facts->setText(QStringLiteral("Art: %1 (%2)\nGröße: %3 Bytes\nDatum: %4")
                         .arg(kind.comment(), kind.name(), locale.toString(file.size),
                             locale.toString(file.stamp, QLocale::ShortFormat)));
    setShown(Shown::Facts, m_facts);
}

} // namespace tv

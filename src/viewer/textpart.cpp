// SPDX-License-Identifier: GPL-3.0-or-later
#include "textpart.h"

#include "catalogue/atomicfile.h"
#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "viewer/partcontext.h"
#include "viewer/rtf/plaintext.h"
#include "viewer/rtf/rtfreader.h"
#include "viewer/rtf/rtfwriter.h"
#include "viewer/textprint.h"
#include "widgets/imagelist.h"

#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QTabWidget>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QVBoxLayout>

namespace tv {

RichEdit::RichEdit(QWidget *parent)
    : QTextEdit(parent)
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(255, 255, 187));
    pal.setColor(QPalette::Text, QColor(0, 0, 0));
    // The selection shows only while the control has the focus.
    pal.setColor(QPalette::Inactive, QPalette::Highlight, QColor(255, 255, 187));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText, QColor(0, 0, 0));
    setPalette(pal);
    // Text without formatting of its own (plain text files) shows in the fixed font.
    document()->setDefaultFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // Nothing is typed here, and zooming rewrites the formats: no undo steps to keep.
    document()->setUndoRedoEnabled(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
}

QString RichEdit::title() const
{
    const auto *page = qobject_cast<const PartPage *>(parentWidget());
    return page ? fromCp1252(page->part().description) : QString();
}

QMimeData *RichEdit::selectionMimeData() const
{
    QMimeData *data = createMimeDataFromSelection();
    QTextDocument selected;
    selected.setDefaultFont(document()->defaultFont());
    QTextCursor(&selected).insertFragment(textCursor().selection());
    data->setData(QStringLiteral("text/rtf"), writeRtf(selected));
    data->setText(plainText(selected)); // a table row as one line, its cells separated by tabs
    return data;
}

void RichEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested(this);
        return;
    }
    QTextEdit::keyPressEvent(event);
}

void loadRichEdit(RichEdit *edit, const QString &path)
{
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(path));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("Das Laden des Streams ist mißlungen"));
    QTextDocument *doc = edit->document();
    if (!readRtf(bytes, doc))
        readPlainText(bytes, doc);
    edit->moveCursor(QTextCursor::Start);
}

QString fileExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(u'.');
    const qsizetype sep
        = std::max({ fileName.lastIndexOf(u'/'), fileName.lastIndexOf(u'\\'), fileName.lastIndexOf(u':') });
    return dot > sep ? fileName.mid(dot) : QString();
}

QString proposedFileName(const QString &description)
{
    QString name = description;
    for (QChar &c : name) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"\\/:*?\"<>|").contains(c))
            c = u'_';
    }
    if (name == QStringLiteral(".") || name == QStringLiteral(".."))
        name = QStringLiteral("_");
    return name;
}

TextPartMenu::TextPartMenu(const PartContext &context, QWidget *parent)
    : QMenu(parent)
    , m_context(context)
{
    setObjectName(QStringLiteral("PopupMenu1"));
    setWindowTitle(QStringLiteral("Textmenü")); // what a screen reader calls it
    QAction *all = addAction(QStringLiteral("Alles markieren"));
    all->setObjectName(QStringLiteral("Allesmarkieren1"));
    m_kopieren = addAction(imageListIcon(ImgCopy), QStringLiteral("&Kopieren"));
    m_kopieren->setObjectName(QStringLiteral("Kopieren1"));
    addSeparator()->setObjectName(QStringLiteral("N1"));
    QAction *save = addAction(imageListIcon(ImgSave), QStringLiteral("&Speichern unter..."));
    save->setObjectName(QStringLiteral("Speichernunter1"));
    addSeparator()->setObjectName(QStringLiteral("N2"));
    QAction *print = addAction(QStringLiteral("&Drucken..."));
    print->setObjectName(QStringLiteral("Drucken2"));
    QAction *pdf = addAction(QStringLiteral("Als &PDF exportieren..."));
    pdf->setObjectName(QStringLiteral("PdfExport2"));
    connect(this, &QMenu::aboutToShow, this, &TextPartMenu::PopupMenu1Popup);
    connect(all, &QAction::triggered, this,
        [this] { guarded(m_context.seam(), [this] { Allesmarkieren1Click(); }); });
    connect(m_kopieren, &QAction::triggered, this,
        [this] { guarded(m_context.seam(), [this] { Kopieren1Click(); }); });
    connect(save, &QAction::triggered, this,
        [this] { guarded(m_context.seam(), [this] { Speichernunter1Click(); }); });
    connect(
        print, &QAction::triggered, this, [this] { guarded(m_context.seam(), [this] { Drucken2Click(); }); });
    connect(
        pdf, &QAction::triggered, this, [this] { guarded(m_context.seam(), [this] { PdfExport2Click(); }); });
}

void TextPartMenu::Drucken2Click()
{
    if (m_target)
        printTextDocument(m_context.seam(), *m_target->document(), m_target->title());
}

void TextPartMenu::PdfExport2Click()
{
    if (m_target)
        exportTextPdf(m_context.seam(), *m_target->document(), m_target->title());
}

void TextPartMenu::popupFor(RichEdit *edit, const QPoint &globalPos)
{
    m_target = edit;
    popup(globalPos);
}

void TextPartMenu::PopupMenu1Popup()
{
    m_kopieren->setEnabled(m_target && m_target->textCursor().hasSelection());
}

void TextPartMenu::Allesmarkieren1Click()
{
    if (m_target)
        m_target->selectAll();
}

void TextPartMenu::copySelection(RichEdit *edit)
{
    if (edit && edit->textCursor().hasSelection())
        m_context.seam().setClipboard(edit->selectionMimeData());
}

void TextPartMenu::Kopieren1Click()
{
    copySelection(m_target);
}

void TextPartMenu::Speichernunter1Click()
{
    if (!m_target)
        return;
    SaveRequest request;
    request.title = QStringLiteral("Speichern unter");
    request.filters = { QStringLiteral("RichEdit-Dateien (*.rtf)"), QStringLiteral("Textdateien (*.txt)") };
    request.defaultSuffix = QStringLiteral("txt");
    request.directory = GetProgramDir();
    // The part's description, as its Index row shows it.
    if (const auto *page = qobject_cast<const TextPage *>(m_target->parentWidget()))
        request.fileName = proposedFileName(fromCp1252(page->part().description));
    const SaveAnswer answer = m_context.seam().chooseSaveFile(request);
    if (answer.path.isEmpty())
        return;
    m_target->richTextMode = fileExtension(answer.path) == QStringLiteral(".rtf");
    const QByteArray bytes
        = m_target->richTextMode ? writeRtf(*m_target->document()) : plainTextCrLf(*m_target->document());
    // A file the user may write in a folder they may not is written in place.
    AtomicFile file(answer.path, AtomicFile::Fallback::InPlace);
    if (!file.open() || !file.write(bytes) || !file.commit())
        throw Error(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(answer.path));
}

TextPage::TextPage(const Part &part)
    : PartPage(part)
    , m_edit(new RichEdit(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_edit->setObjectName(QStringLiteral("EntryRichEdit%1").arg(part.number));
    m_edit->setAccessibleName(fromCp1252(part.caption));
    layout->addWidget(m_edit);
}

TextPartBuilder::TextPartBuilder(const PartContext &context, QWidget *menuParent)
    : m_context(context)
    , m_menu(new TextPartMenu(context, menuParent))
{
}

PartPage *TextPartBuilder::createPage(const Part &part)
{
    auto *page = new TextPage(part);
    RichEdit *edit = page->edit();
    QObject::connect(edit, &QWidget::customContextMenuRequested, m_menu,
        [menu = m_menu, edit](const QPoint &pos) { menu->popupFor(edit, edit->mapToGlobal(pos)); });
    QObject::connect(edit, &RichEdit::copyRequested, m_menu, &TextPartMenu::copySelection);
    return page;
}

void TextPartBuilder::fill(PartPage &page)
{
    auto &text = static_cast<TextPage &>(page);
    const Part &part = text.part();
    m_context.ExtractModulFile(part.modul, part.file);
    const QString path = workFile(part.file);
    if (path.isEmpty())
        throw Error(
            QStringLiteral("Datei %1 kann nicht geöffnet werden").arg(GetWorkDir() + fromCp1252(part.file)));
    loadRichEdit(text.edit(), path);
    QFile::remove(path);
}

} // namespace tv

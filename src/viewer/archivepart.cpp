// SPDX-License-Identifier: GPL-3.0-or-later
#include "archivepart.h"

#include "catalogue/atomicfile.h"
#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "catalogue/textlines.h"
#include "viewer/archivefind.h"
#include "viewer/codeview.h"
#include "viewer/partcontext.h"
#include "widgets/imagelist.h"
#include "widgets/sortgrid.h"
#include "zip/enginefailures.h"
#include "zip/zipaccess.h"

#include <QDir>
#include <QFile>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace tv {
namespace {

const QString kExplanation
    = QStringLiteral("Dieser Teil ist leider nur als gepacktes Archiv enthalten. Bitte\n"
                     "wählen Sie das Zielverzeichnis aus, in welches die Dateien entpackt \n"
                     "werden sollen. Falls vorhanden, folgen Sie den Instruktionen.");

QLabel *label(const QString &text, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    return l;
}

/// Why nothing can be extracted into `folder`, or empty when a file can be
/// created there. A probe file is made and removed at once: only that tells,
/// also for root, whether the folder can be entered and written (a read-only
/// file system, a folder of another user, a full disk's last inode).
QString folderProblem(const QString &folder)
{
    QByteArray probe = QFile::encodeName(folder) + ".tipvault-probe-XXXXXX";
    const int fd = ::mkostemp(probe.data(), O_CLOEXEC);
    if (fd < 0) {
        return QStringLiteral("Nach '%1' kann nicht entpackt werden: %2.")
            .arg(folder, IoError::messageFor(IoError::codeFromErrno(errno)));
    }
    ::close(fd);
    ::unlink(probe.constData());
    return QString();
}

/// The program's texts are Windows-1252, as are the bytes its listings sort by.
GridTexts programTexts()
{
    return GridTexts { toCp1252, fromCp1252, readFileBytes, [](const QString &path, const QByteArray &bytes) {
                          AtomicFile file(path);
                          if (!file.open() || !file.write(bytes) || !file.commit())
                              throw WriteError(path);
                      } };
}

/// The four columns share the grid's width without a horizontal scroll bar:
/// "Gepackt", "Entpackt" and "Datum" get their given widths or what their
/// header and cells need, "Datei" the rest. Room for a vertical scroll bar is
/// always kept, so that a long listing does not push "Datum" out of sight.
void fitColumns(TSortGrid *grid)
{
    constexpr int kWidths[] = { 180, 50, 50, 80 };
    const auto needed = [grid](int col, int rows) {
        int widest = 0;
        for (int row = 0; row < rows; ++row) {
            const TGridDrawState state = row < grid->FixedRows() ? TGridDrawState(gdFixed) : TGridDrawState();
            const QFont font = grid->CellFormat(col, row, state).CellFont;
            widest = std::max(widest, QFontMetrics(font).horizontalAdvance(grid->Cells(col, row)));
        }
        return widest + 6; // the text starts 2 pixels in; a little air on the right
    };
    const int available = grid->width() - 2 * grid->frameWidth()
        - grid->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, grid->verticalScrollBar());
    int rest = available;
    for (int col = 1; col < 4; ++col) {
        const int width = std::max(kWidths[col], needed(col, grid->RowCount()));
        grid->setColWidths(col, width);
        rest -= width;
    }
    grid->setColWidths(0, std::max(rest, needed(0, grid->FixedRows())));
}

} // namespace

QDateTime dosDateTime(quint32 stamp)
{
    const quint16 date = quint16(stamp >> 16);
    const quint16 time = quint16(stamp & 0xFFFF);
    const QDate d(1980 + (date >> 9), (date >> 5) & 0x0F, date & 0x1F);
    if (!d.isValid())
        throw Error(QStringLiteral("Ungültiges Argument zum Codieren des Datums"));
    const QTime t(time >> 11, (time >> 5) & 0x3F, (time & 0x1F) * 2);
    if (!t.isValid())
        throw Error(QStringLiteral("Ungültiges Argument zum Codieren der Uhrzeit"));
    return QDateTime(d, t);
}

QString absoluteFolder(const QString &typed, const QString &home)
{
    if (typed.isEmpty() || typed.startsWith(u'/'))
        return typed;
    if (typed == u'~')
        return withSeparator(home);
    if (typed.startsWith(QStringLiteral("~/")))
        return withSeparator(home) + typed.mid(2);
    return withSeparator(home) + typed;
}

ArchivePage::ArchivePage(const Part &part)
    : PartPage(part)
    , m_controls(new QWidget(this))
    , m_layout(new QGridLayout(m_controls))
    , m_targetEdit(new QLineEdit(this))
    , m_listing(new TSortGrid(programTexts(), this))
    , m_splitter(new QSplitter(Qt::Horizontal, this))
    , m_preview(new MemberPreview(m_splitter))
    , m_find(new ArchiveFindTarget(m_listing, m_preview, this))
{
    const int n = part.number;
    auto *page = new QHBoxLayout(this);
    page->setContentsMargins(0, 0, 0, 0);
    page->addWidget(m_splitter);
    m_splitter->setAccessibleName(QStringLiteral("Archiv und Vorschau"));
    m_splitter->addWidget(m_controls);
    m_splitter->addWidget(m_preview);
    m_splitter->setStretchFactor(0, 0);
    m_splitter->setStretchFactor(1, 1);
    m_splitter->setCollapsible(0, false);

    m_layout->setContentsMargins(16, 16, 16, 16);
    m_layout->setHorizontalSpacing(14);
    m_layout->setColumnStretch(2, 1);

    m_layout->addWidget(label(kExplanation, this), 0, 1, 1, 2);
    auto *picture = new QLabel(this);
    picture->setPixmap(pagePicture(QStringLiteral("Archiv")));
    picture->setAccessibleName(QStringLiteral("Archiv"));
    m_layout->addWidget(picture, 0, 0, Qt::AlignTop);

    auto *description = new QPlainTextEdit(this);
    description->setReadOnly(true);
    description->setFixedSize(364, 60);
    description->setPlainText(fromCp1252(part.archiveText));
    description->setAccessibleName(QStringLiteral("Beschreibung"));
    m_layout->addWidget(description, 1, 1, 1, 2, Qt::AlignLeft);

    QLabel *targetLabel = label(QStringLiteral("&Zielverzeichnis:"), this);
    m_layout->addWidget(targetLabel, 2, 1, 1, 2);
    auto *targetRow = new QHBoxLayout;
    m_targetEdit->setObjectName(QStringLiteral("ArchivEdit%1").arg(n));
    m_targetEdit->setFixedWidth(325);
    targetLabel->setBuddy(m_targetEdit);
    connect(m_targetEdit, &QLineEdit::textChanged, this, &ArchivePage::targetEdited);
    auto *folder = new QToolButton(this);
    folder->setIcon(imageListIcon(ImgFolder));
    folder->setToolTip(QStringLiteral("Zielverzeichnis wählen"));
    folder->setAccessibleName(QStringLiteral("Zielverzeichnis wählen"));
    connect(folder, &QToolButton::clicked, this, &ArchivePage::chooseTargetClicked);
    targetRow->addWidget(m_targetEdit);
    targetRow->addSpacing(16);
    targetRow->addWidget(folder);
    targetRow->addStretch(1);
    m_layout->addLayout(targetRow, 3, 1, 1, 2);

    QLabel *listLabel = label(QStringLiteral("Archiv&listing:"), this);
    m_layout->addWidget(listLabel, 4, 1, 1, 2);
    TSortGrid *grid = m_listing;
    grid->setObjectName(QStringLiteral("SortGrid%1").arg(n));
    grid->setAccessibleName(QStringLiteral("Archivlisting"));
    listLabel->setBuddy(grid);
    grid->setColCount(4);
    grid->setRowCount(2);
    grid->setFixedCols(0);
    grid->setFixedRows(1);
    grid->setDefaultRowHeight(16);
    grid->setOptions(goFixedVertLine | goFixedHorzLine | goVertLine | goHorzLine | goRangeSelect | goColSizing
        | goRowSelect);
    grid->setGridLineWidth(0);
    const char16_t *headers[] = { u"Datei", u"Gepackt", u"Entpackt", u"Datum" };
    for (int c = 0; c < 4; ++c)
        grid->setCells(c, 0, QString::fromUtf16(headers[c]));
    grid->setFixedSize(364, 150);
    fitColumns(grid); // again after the listing; a listing that fails keeps these
    m_layout->addWidget(grid, 5, 1, 1, 2, Qt::AlignLeft);
    m_layout->setRowStretch(7, 1);
    connect(grid, &TSortGrid::OnClick, this, &ArchivePage::memberChosen);
    connect(grid, &QAbstractItemView::doubleClicked, this, &ArchivePage::memberOpened);
    grid->installEventFilter(this);
}

FindTarget *ArchivePage::findTarget() const
{
    return m_find;
}

bool ArchivePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_listing && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const bool plain = (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
        if (plain && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            emit memberOpened();
            return true;
        }
    }
    return PartPage::eventFilter(watched, event);
}

void ArchivePage::setMembers(const QList<ZipDirEntry> &members)
{
    m_members = members;
    for (int i = 0; i < m_members.size(); ++i)
        m_listing->setObjects(0, i + 1, i);
}

const ZipDirEntry *ArchivePage::currentMember() const
{
    if (!m_listing->currentIndex().isValid())
        return nullptr;
    const QVariant number = m_listing->Objects(0, m_listing->Row());
    const int i = number.isValid() ? number.toInt() : -1;
    return i >= 0 && i < m_members.size() ? &m_members[i] : nullptr;
}

const ZipDirEntry *ArchivePage::previewedMember() const
{
    return m_previewed >= 0 ? &m_members[m_previewed] : nullptr;
}

void ArchivePage::setPreviewed(const ZipDirEntry *member)
{
    m_previewed = member ? int(member - m_members.constData()) : -1;
}

bool ArchivePage::selectMember(const QString &name)
{
    for (int row = m_listing->FixedRows(); row < m_listing->RowCount(); ++row) {
        const QVariant number = m_listing->Objects(0, row);
        const int i = number.isValid() ? number.toInt() : -1;
        if (i >= 0 && i < m_members.size() && m_members[i].Name == name) {
            m_listing->GoToCell(0, row); // previews the member
            return true;
        }
    }
    return false;
}

void ArchivePage::addCommands()
{
    auto *buttons = new QHBoxLayout;
    m_extract = new QPushButton(imageListIcon(ImgArchive), QStringLiteral("Archiv &entpacken"), this);
    m_extract->setObjectName(QStringLiteral("ExtractButton%1").arg(part().number));
    m_extract->setFixedWidth(150);
    connect(m_extract, &QPushButton::clicked, this, &ArchivePage::extractClicked);
    auto *open = new QPushButton(QStringLiteral("Zielverzeichnis &durchsuchen"), this);
    open->setMinimumWidth(150);
    connect(open, &QPushButton::clicked, this, &ArchivePage::openTargetClicked);
    buttons->addWidget(m_extract);
    buttons->addSpacing(66);
    buttons->addWidget(open);
    buttons->addStretch(1);
    m_layout->addLayout(buttons, 6, 1, 1, 2);
}

ArchivePartBuilder::ArchivePartBuilder(const PartContext &context)
    : m_context(context)
{
}

void ArchivePartBuilder::pageShown(PartPage *page)
{
    // A tab switch forgets the target folder; the archive page shown anew shows none.
    m_outputPath.clear();
    if (auto *archive = qobject_cast<ArchivePage *>(page))
        archive->targetEdit()->clear();
}

std::optional<QString> ArchivePartBuilder::statusOnShow() const
{
    return QStringLiteral("Archiv-Output: (kein Pfad)");
}

PartPage *ArchivePartBuilder::createPage(const Part &part)
{
    auto *page = new ArchivePage(part);
    wire(page);
    return page;
}

void ArchivePartBuilder::wire(ArchivePage *page)
{
    connect(page, &ArchivePage::targetEdited, this,
        [this, page] { guarded(m_context.seam(), [&] { ArchivEditChange(*page); }); });
    connect(page, &ArchivePage::chooseTargetClicked, this,
        [this, page] { guarded(m_context.seam(), [&] { ChooseTargetClick(*page); }); });
    connect(page, &ArchivePage::extractClicked, this,
        [this, page] { guarded(m_context.seam(), [&] { ExtractButtonClick(*page); }); });
    connect(page, &ArchivePage::openTargetClicked, this,
        [this] { guarded(m_context.seam(), [this] { OpenTargetClick(); }); });
    connect(page, &ArchivePage::memberChosen, this,
        [this, page] { guarded(m_context.seam(), [&] { previewMember(*page); }); });
    connect(page, &ArchivePage::memberOpened, this,
        [this, page] { guarded(m_context.seam(), [&] { openMember(*page); }); });
    connect(page->preview()->textView(), &CodeView::copyRequested, this, [this](CodeView *view) {
        if (view->textCursor().hasSelection())
            m_context.seam().setClipboard(view->selectionMimeData());
    });
    connect(page->listing(), &TSortGrid::busyChanged, page,
        [this](bool busy) { m_context.seam().setBusy(busy); });
}

void ArchivePartBuilder::fill(PartPage &page)
{
    auto &archive = static_cast<ArchivePage &>(page);
    const Part &part = archive.part();
    m_context.ExtractModulFile(part.modul, part.file);
    const QString copy = workFile(part.file);
    m_context.ZipAccess1().setZipFilename(copy);
    fillListing(archive);
    if (!copy.isEmpty())
        QFile::remove(copy);
    archive.addCommands();
}

void ArchivePartBuilder::fillListing(ArchivePage &page)
{
    TSortGrid *grid = page.listing();
    const TZipAccess &zip = m_context.ZipAccess1();
    const QList<ZipDirEntry> &entries = zip.DirEntries();
    grid->setRowCount(zip.EntryCount() + 1);
    const QLocale locale;
    for (int i = 0; i < zip.EntryCount(); ++i) {
        const ZipDirEntry &e = entries[i];
        const int row = i + 1;
        grid->setCells(0, row, e.Name); // as the engine writes it
        grid->setCells(1, row, QString::number(e.compressedSize()));
        grid->setCells(2, row, QString::number(e.uncompressedSize()));
        grid->setCells(3, row, locale.toString(dosDateTime(e.dateTime()).date(), QLocale::ShortFormat));
    }
    page.setMembers(entries.mid(0, zip.EntryCount()));
    fitColumns(grid);
}

void ArchivePartBuilder::setOutputStatus()
{
    const QString &path = m_outputPath;
    m_context.showStatus(path.isEmpty() ? QStringLiteral("Archiv-Output: (kein Pfad)")
                                        : QStringLiteral("Archiv-Output: ") + path);
}

void ArchivePartBuilder::ArchivEditChange(const ArchivePage &page)
{
    m_outputPath = absoluteFolder(page.targetEdit()->text(), QDir::homePath());
    setOutputStatus();
}

void ArchivePartBuilder::ChooseTargetClick(const ArchivePage &page)
{
    if (const std::optional<QString> folder = SelectFolder(m_context.seam()))
        m_outputPath = *folder;
    setOutputStatus();
    page.targetEdit()->setText(m_outputPath);
}

void ArchivePartBuilder::ExtractButtonClick(const ArchivePage &page)
{
    QString path = m_outputPath;
    if (path.isEmpty()) {
        m_context.showStatus(QStringLiteral("Kein Zielpfad gewählt..."));
        return;
    }
    if (!QDir(path).exists()) {
        if (!askYesNo(m_context.seam(),
                QStringLiteral("Der Pfad '%1' existiert nicht. Soll dieser erstellt werden?").arg(path))) {
            m_context.showStatus(QStringLiteral("Keine Datei entpackt..."));
            return;
        }
        if (!QDir().mkpath(path)) {
            m_context.showStatus(QStringLiteral("Ungültiger Pfad..."));
            return;
        }
    }
    path = withSeparator(path);
    m_outputPath = path;
    // Checked before anything is extracted, so that nothing lands elsewhere
    // and the user learns why.
    if (const QString problem = folderProblem(path); !problem.isEmpty()) {
        m_context.showStatus(QStringLiteral("Keine Datei entpackt..."));
        showMessage(m_context.seam(), MessageKind::Error, problem);
        return;
    }

    const BusyCursor busy(m_context.seam());
    const QByteArray &file = page.part().file;
    m_context.ExtractModulFile(page.part().modul, file);
    // The archive is extracted from its copy in the Work directory: nothing of
    // ours is ever put into the user's folder, and nothing there is lost.
    const QString copy = workFile(file);
    TZipAccess &zip = m_context.ZipAccess1();
    zip.setZipFilename(copy);
    zip.setExtrBaseDir(path);
    zip.FSpecArgs().append("*");
    QStringList failures;
    {
        const EngineFailures messages(zip);
        zip.Extract();
        failures = messages.texts();
    }
    m_context.showStatus(
        QStringLiteral("Es wurde(n) %1 Datei(en) nach '%2' entpackt...").arg(zip.ProcessedCount()).arg(path));
    if (!copy.isEmpty())
        QFile::remove(copy);
    if (!failures.isEmpty()) {
        showMessage(m_context.seam(), MessageKind::Error,
            QStringLiteral("Nicht alle Dateien konnten nach '%1' entpackt werden:\n\n%2")
                .arg(path, failures.join(u'\n')));
    }
}

void ArchivePartBuilder::OpenTargetClick()
{
    const QString &path = m_outputPath;
    if (path.isEmpty())
        return;
    if (!QDir(path).exists())
        m_context.showStatus(QStringLiteral("Ungültiger Pfad..."));
    m_context.seam().openExternal(QUrl::fromLocalFile(path));
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#include "entryviewer.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "viewer/indexgrid.h"
#include "widgets/findcontrol.h"
#include "widgets/imagelist.h"
#include "zip/zipaccess.h"

#include <QLineEdit>
#include <QPainter>
#include <QSignalBlocker>
#include <QTabWidget>

namespace tv {
namespace {

constexpr char kKindProperty[] = "partKind";
const QString kBlanks = QString(11, u' ');

QString sheetName(int n)
{
    return QStringLiteral("EntryTabSheet%1").arg(n);
}

} // namespace

EntryViewer::EntryViewer(
    QTabWidget *pageControl2, IndexGrid *grid, Seam &seam, ViewerHost host, QObject *parent)
    : QObject(parent)
    , m_pageControl(pageControl2)
    , m_grid(grid)
    , m_seam(seam)
    , m_host(std::move(host))
{
    m_grid->setItemDelegate(
        new IndexGridDelegate([this](QPainter *p, int column, int row,
                                  const QRect &rect) { StringGrid1DrawCell(p, column, row, rect); },
            m_grid));
    m_grid->cells()->describeCell = [this](int column, int row) -> QString {
        if (column != 0 || m_grid->cellText(0, row).isEmpty())
            return {};
        switch (rowMark(row)) {
        case ModulMark::Missing:
            return QStringLiteral("Modul fehlt");
        case ModulMark::Newest:
            return QStringLiteral("Neuestes Modul");
        case ModulMark::None:
            break;
        }
        return {};
    };
}

EntryViewer::~EntryViewer() = default;

void EntryViewer::setBuilder(PartKind kind, std::unique_ptr<PartBuilder> builder)
{
    m_builders[kind] = std::move(builder);
}

void EntryViewer::FillIndexRow(const Part &part)
{
    const int n = part.number;
    m_grid->setCellText(0, n, kBlanks + fromCp1252(part.caption));
    m_grid->setCellText(1, n, fromCp1252(part.description));
    m_grid->setCellText(2, n, fromCp1252(upperAscii(part.modul) + ".TVM"));
}

ModulMark EntryViewer::rowMark(int row) const
{
    // The row names its module as "<NAME>.TVM"; the marks are read from it.
    const QByteArray cell = toCp1252(m_grid->cellText(2, row));
    if (!cell.endsWith(".TVM"))
        return ModulMark::Missing;
    return modulMark(cell.chopped(4), m_host.newestModul());
}

void EntryViewer::DeleteDescribe()
{
    for (int row = 1; row <= 9; ++row) {
        for (int column = 0; column < 3; ++column)
            m_grid->setCellText(column, row, QString());
    }
}

void EntryViewer::removeEntryTabs()
{
    const QSignalBlocker block(m_pageControl);
    const int pages = m_pageControl->count();
    for (int j = 1; j <= pages; ++j)
        delete qobject_cast<QWidget *>(findControl(m_pageControl, sheetName(j)));
    m_pageControl->setCurrentIndex(0);
}

QWidget *EntryViewer::createSheet(int n, const QByteArray &caption, PartKind kind)
{
    auto *sheet = new QWidget;
    sheet->setObjectName(sheetName(n));
    sheet->setProperty(kKindProperty, int(kind));
    const QSignalBlocker block(m_pageControl);
    QString text = fromCp1252(caption);
    m_pageControl->addTab(sheet, imageListIcon(int(kind)), text.replace(u'&', QStringLiteral("&&")));
    return sheet;
}

PartKind EntryViewer::kindOf(const QWidget *sheet)
{
    return sheet ? PartKind(sheet->property(kKindProperty).toInt()) : PartKind::None;
}

QWidget *EntryViewer::currentSheet() const
{
    return qobject_cast<QWidget *>(findControl(m_pageControl, sheetName(info.CurrentPart)));
}

void EntryViewer::reportMissingModul(QByteArray *lastMissing) const
{
    if (info.CurrentModul == *lastMissing)
        return;
    showMessage(m_seam, MessageKind::Error,
        QStringLiteral("Das Modul '%1.tvm' ist nicht installiert oder es ist beschädigt.")
            .arg(fromCp1252(info.CurrentModul)));
    *lastMissing = info.CurrentModul;
}

void EntryViewer::CreateEntryTabs(const QByteArray &entry, const QByteArray &section)
{
    info.CurrentEntry = entry;
    info.CurrentSection = section;
    const SectionFile file = SectionFile::ofLine(section);

    const Entry rows = file.entry(entry);
    for (int n = 1; n <= rows.partCount; ++n) {
        info.CurrentPart = n;
        FillIndexRow(file.part(entry, n));
    }
    if (rows.countCapped) {
        showMessage(m_seam, MessageKind::Warning,
            QStringLiteral("Der Eintrag \"%1\" gibt %2 Teile an; angezeigt werden nur die ersten %3.")
                .arg(fromCp1252(entry))
                .arg(rows.declaredCount)
                .arg(kMaxParts));
    }

    // Read again: the file may have changed while the warning was open.
    const Entry tabs = file.entry(entry);
    QByteArray lastMissing;
    for (int n = 1; n <= tabs.partCount; ++n) {
        m_part = file.part(entry, n);
        info.CurrentPart = n;
        info.CurrentFile = m_part.file;
        info.CurrentModul = m_part.modul;
        QWidget *sheet = createSheet(n, m_part.caption, m_part.kind);
        if (!m_part.modulInstalled()) {
            reportMissingModul(&lastMissing);
            continue;
        }
        const auto builder = m_builders.find(m_part.kind);
        if (builder != m_builders.end())
            builder->second->build(*this, sheet);
    }
}

void EntryViewer::activateWithoutChange(QWidget *page)
{
    const QSignalBlocker block(m_pageControl);
    m_pageControl->setCurrentWidget(page);
}

void EntryViewer::SectionListBoxClick(const EntrySelection &selection)
{
    if (selection.index < 0)
        return;
    const BusyCursor busy(m_seam);
    if (selection.index != CurrentEntryIndex) {
        DeleteDescribe();
        removeEntryTabs();
        CreateEntryTabs(selection.name, ConvertUmlaut(selection.sectionCaption, false));
        CurrentEntryIndex = selection.index;
        if (auto *first
            = qobject_cast<QWidget *>(findControl(m_pageControl, QStringLiteral("EntryTabsheet1"))))
            activateWithoutChange(first);
        PageControl2Change();
    }
    if (kindOf(m_pageControl->currentWidget()) != PartKind::Archive) {
        m_host.setStatus(QStringLiteral("Eintrag: %1/%2      -      %3")
                             .arg(selection.index + 1)
                             .arg(selection.count)
                             .arg(fromCp1252(selection.name)));
    }
}

void EntryViewer::PageControl2Change()
{
    const int page = m_pageControl->currentIndex();
    const bool archive = kindOf(m_pageControl->currentWidget()) == PartKind::Archive;
    m_host.setStatus(archive ? QStringLiteral("Archiv-Output: (kein Pfad)") : QString());
    ArchivOutputPath.clear();
    if (auto *edit
        = qobject_cast<QLineEdit *>(findControl(m_pageControl, QStringLiteral("ArchivEdit%1").arg(page))))
        edit->clear();
}

void EntryViewer::StringGrid1DblClick()
{
    const int row = m_grid->currentGridRow();
    if (row <= 0 || row >= m_pageControl->count())
        return;
    if (auto *page = qobject_cast<QWidget *>(findControl(m_pageControl, sheetName(row))))
        activateWithoutChange(page);
}

void EntryViewer::StringGrid1DrawCell(QPainter *painter, int column, int row, const QRect &rect) const
{
    const QString text = m_grid->cellText(column, row);
    if (text.startsWith(kBlanks)) {
        const PartKind kind = partKindOf(toCp1252(text.mid(kBlanks.size())));
        if (kind != PartKind::None)
            imageListIcon(int(kind)).paint(painter, QRect(rect.left() + 17, rect.top(), 16, 16));
    }
    if (column != 0 || row < 1 || text.isEmpty())
        return;
    const ModulMark mark = rowMark(row);
    if (mark != ModulMark::None)
        imageListIcon(mark == ModulMark::Missing ? ImgMissing : ImgNewest)
            .paint(painter, QRect(rect.left() + 2, rect.top(), 16, 16));
}

void EntryViewer::ExtractModulFile(const QByteArray &modul, const QByteArray &file)
{
    TZipAccess &zip = *m_host.zip;
    zip.setZipFilename(modulFile(modul));
    zip.setFSpecArgs({ file });
    zip.setExtrBaseDir(GetWorkDir());
    zip.Extract();
}

} // namespace tv

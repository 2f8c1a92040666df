// SPDX-License-Identifier: GPL-3.0-or-later
#include "entryviewer.h"

#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/seam.h"
#include "viewer/indexgrid.h"
#include "viewer/partpage.h"
#include "widgets/imagelist.h"

#include <QPainter>
#include <QSignalBlocker>
#include <QTabWidget>

namespace tv {
namespace {

const QString kBlanks = QString(11, u' ');

} // namespace

EntryViewer::EntryViewer(
    QTabWidget *pageControl2, IndexGrid *grid, Seam &seam, ViewerHost host, QObject *parent)
    : QObject(parent)
    , m_pageControl(pageControl2)
    , m_grid(grid)
    , m_seam(seam)
    , m_host(std::move(host))
    , m_context(seam, *m_host.zip, [this](const QString &text) { emit statusChanged(text); })
{
    connect(m_pageControl, &QTabWidget::currentChanged, this,
        [this] { guarded(m_seam, [this] { PageControl2Change(); }); });
    connect(m_grid, &QAbstractItemView::doubleClicked, this,
        [this] { guarded(m_seam, [this] { StringGrid1DblClick(); }); });
    connect(
        m_grid, &IndexGrid::rowEntered, this, [this] { guarded(m_seam, [this] { StringGrid1DblClick(); }); });
    m_grid->setItemDelegate(
        new IndexGridDelegate([this](QPainter *p, int column, int row,
                                  const QRect &rect) { StringGrid1DrawCell(p, column, row, rect); },
            m_grid));
    m_grid->cells()->describeCell = [this](int column, int row) -> QString {
        if (column != 0 || row < 1 || m_grid->cellText(0, row).isEmpty())
            return {};
        switch (rowMark(row)) {
        case ModuleMark::Missing:
            return QStringLiteral("Modul fehlt");
        case ModuleMark::Newest:
            return QStringLiteral("Neuestes Modul");
        case ModuleMark::None:
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
    m_rows.insert_or_assign(n, part);
}

const Part *EntryViewer::rowPart(int row) const
{
    const auto part = m_rows.find(row);
    return part == m_rows.end() ? nullptr : &part->second;
}

ModuleMark EntryViewer::rowMark(int row) const
{
    const Part *part = rowPart(row);
    return part ? moduleMark(part->modul, m_host.newestModule()) : ModuleMark::None;
}

void EntryViewer::DeleteDescribe()
{
    for (int row = 1; row <= 9; ++row) {
        for (int column = 0; column < 3; ++column)
            m_grid->setCellText(column, row, QString());
        m_rows.erase(row);
    }
}

void EntryViewer::removeEntryTabs()
{
    const QSignalBlocker block(m_pageControl);
    for (int n = m_pageControl->count() - 1; n >= 1; --n)
        delete page(n);
    m_pageControl->setCurrentIndex(0);
}

PartBuilder *EntryViewer::builderFor(PartKind kind) const
{
    const auto builder = m_builders.find(kind);
    return builder == m_builders.end() ? nullptr : builder->second.get();
}

void EntryViewer::addPage(PartPage *page)
{
    const PartKindInfo *kind = partKindInfo(page->part().kind);
    const int image = kind && builderFor(kind->kind) ? kind->image : ImgIndex;
    const QSignalBlocker block(m_pageControl);
    QString text = fromCp1252(page->part().caption);
    m_pageControl->addTab(page, imageListIcon(image), text.replace(u'&', QStringLiteral("&&")));
}

PartPage *EntryViewer::page(int partNumber) const
{
    if (partNumber < 1)
        return nullptr;
    return qobject_cast<PartPage *>(m_pageControl->widget(partNumber));
}

PartPage *EntryViewer::currentPage() const
{
    return qobject_cast<PartPage *>(m_pageControl->currentWidget());
}

bool EntryViewer::showPart(int partNumber)
{
    PartPage *shown = page(partNumber);
    if (shown)
        m_pageControl->setCurrentWidget(shown);
    return shown;
}

PartBuilder *EntryViewer::shownBuilder() const
{
    const PartPage *shown = currentPage();
    return shown ? builderFor(shown->part().kind) : nullptr;
}

void EntryViewer::reportMissingModule(const QByteArray &modul, QByteArray *lastMissing) const
{
    if (modul == *lastMissing)
        return;
    showMessage(m_seam, MessageKind::Error,
        QStringLiteral("Das Modul '%1.tvm' ist nicht installiert oder es ist beschädigt.")
            .arg(fromCp1252(modul)));
    *lastMissing = modul;
}

void EntryViewer::CreateEntryTabs(const QByteArray &entry, const QByteArray &section)
{
    const SectionFile file = SectionFile::ofLine(section);
    m_shownEntry = entry;
    m_shownSection = section;

    const Entry rows = file.entry(entry);
    for (int n = 1; n <= rows.partCount; ++n)
        FillIndexRow(file.part(entry, n));
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
        const Part part = file.part(entry, n);
        PartBuilder *builder = builderFor(part.kind);
        const bool installed = part.moduleInstalled();
        PartPage *page = builder && installed ? builder->createPage(part) : new PartPage(part);
        addPage(page);
        if (!installed)
            reportMissingModule(part.modul, &lastMissing);
        else if (builder)
            builder->fill(*page);
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
    if (selection.index != m_entryIndex) {
        DeleteDescribe();
        removeEntryTabs();
        CreateEntryTabs(selection.name, selection.section);
        m_entryIndex = selection.index;
        if (PartPage *first = page(1))
            activateWithoutChange(first);
        PageControl2Change();
    }
    const PartBuilder *shown = shownBuilder();
    if (!shown || !shown->statusOnShow()) {
        showStatus(QStringLiteral("Eintrag: %1/%2      -      %3")
                       .arg(selection.index + 1)
                       .arg(selection.count)
                       .arg(fromCp1252(selection.name)));
    }
}

void EntryViewer::PageControl2Change()
{
    const PartBuilder *shown = shownBuilder();
    showStatus(shown ? shown->statusOnShow().value_or(QString()) : QString());
    for (const auto &[kind, builder] : m_builders)
        builder->pageShown(currentPage());
    emit pageShown(currentPage());
}

void EntryViewer::StringGrid1DblClick()
{
    if (PartPage *row = page(m_grid->currentGridRow()))
        activateWithoutChange(row);
}

void EntryViewer::StringGrid1DrawCell(QPainter *painter, int column, int row, const QRect &rect) const
{
    const Part *part = rowPart(row);
    if (!part || column != 0 || m_grid->cellText(column, row).isEmpty())
        return;
    if (const PartKindInfo *kind = partKindInfo(part->kind); kind && builderFor(kind->kind))
        imageListIcon(kind->image).paint(painter, QRect(rect.left() + 17, rect.top(), 16, 16));
    const ModuleMark mark = rowMark(row);
    if (mark != ModuleMark::None)
        imageListIcon(mark == ModuleMark::Missing ? ImgMissing : ImgNewest)
            .paint(painter, QRect(rect.left() + 2, rect.top(), 16, 16));
}

} // namespace tv

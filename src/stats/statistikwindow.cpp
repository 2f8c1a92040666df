// SPDX-License-Identifier: GPL-3.0-or-later
#include "statistikwindow.h"

#include "catalogue/cp1252.h"
#include "widgets/imagelist.h"

#include <QGuiApplication>
#include <QHeaderView>
#include <QPainter>
#include <QScreen>
#include <QStyle>
#include <QTableWidget>
#include <QVBoxLayout>

namespace tv {
namespace {

constexpr int kColumns = 6;
constexpr int kCounterWidth = 45;
// Below this the module names would not show at all; the grid scrolls sideways instead.
constexpr int kMinFirstWidth = 80;

QTableWidgetItem *cell(const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

} // namespace

void MissingModuleDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (index.data(kMissingRole).toBool())
        imageListIcon(ImgMissing).paint(painter, QRect(option.rect.left() + 2, option.rect.top(), 16, 16));
}

TForm2::TForm2(QWidget *parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint)
    , m_grid(new QTableWidget(this))
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Modulstatistik"));
    setFixedSize(kClientSize);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid);

    m_grid->setObjectName(QStringLiteral("StringGrid1"));
    m_grid->setAccessibleName(QStringLiteral("Modulstatistik"));
    m_grid->setColumnCount(kColumns);
    m_grid->verticalHeader()->hide();
    m_grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->verticalHeader()->setDefaultSectionSize(kRowHeight);
    m_grid->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_grid->horizontalHeader()->setHighlightSections(false);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setWordWrap(false);
    m_grid->setItemDelegate(new MissingModuleDelegate(m_grid));

    FormCreate();
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TForm2::FormCreate()
{
    m_grid->setHorizontalHeaderLabels(
        { QStringLiteral("Modul"), QStringLiteral("Total"), QStringLiteral("Artikel"),
            QStringLiteral("Archive"), QStringLiteral("HTML"), QStringLiteral("Links") });
    sizeColumns(false);
    GetModulStatistik();
}

void TForm2::sizeColumns(bool scrolls)
{
    // The widths were made for an 8-point font; a larger one still shows the headers whole.
    const QFontMetrics metrics = m_grid->horizontalHeader()->fontMetrics();
    int counters = 0;
    for (int column = 1; column < kColumns; ++column) {
        const QString header = m_grid->horizontalHeaderItem(column)->text();
        const int width = std::max(kCounterWidth, metrics.horizontalAdvance(header) + 10);
        m_grid->setColumnWidth(column, width);
        counters += width;
    }
    // 366 - 5 x 45 - 10 = 131 at the design's font; the 10 are the grid's borders.
    int first = kClientSize.width() - 10 - counters;
    if (scrolls)
        first -= style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);
    m_grid->setColumnWidth(0, std::max(first, kMinFirstWidth));
}

void TForm2::GetModulStatistik()
{
    m_statistik.GetModulStatistik();
    ShowModulCounts();
}

void TForm2::ShowModulCounts()
{
    // The design's grid shows 18 data rows below its header; more modules scroll.
    const int designRows = kClientSize.height() / kRowHeight - 3;
    const int modules = m_statistik.rowCount();
    m_grid->clearContents();
    m_grid->setRowCount(std::max(designRows, modules));
    sizeColumns(modules > designRows);
    for (int row = 0; row < modules; ++row) {
        QTableWidgetItem *name = cell(fromCp1252(m_statistik.moduleText(row)));
        name->setData(Qt::AccessibleTextRole, name->text().trimmed());
        if (!m_statistik.isInstalled(row)) {
            name->setData(MissingModuleDelegate::kMissingRole, true);
            name->setData(Qt::AccessibleDescriptionRole, QStringLiteral("Modul fehlt"));
        }
        m_grid->setItem(row, 0, name);
        for (int c = 0; c < kCountColumns; ++c)
            m_grid->setItem(row, 2 + c, cell(QString::number(m_statistik.count(row, CountColumn(c)))));
        m_grid->setItem(row, 1, cell(QString::number(m_statistik.total(row))));
    }
}

} // namespace tv

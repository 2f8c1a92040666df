// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortgrid.h"

#include "gridheader.h"
#include "gridmodel.h"

#include <QAbstractButton>
#include <QEvent>
#include <QPainter>
#include <QStyleOptionHeader>

namespace tv {

void TSortGrid::setAlignmentHorz(TAlignment alignment)
{
    m_alignmentHorz = alignment;
    repaintCells();
}

void TSortGrid::setAlignmentVert(TVertAlignment alignment)
{
    m_alignmentVert = alignment;
    repaintCells();
}

void TSortGrid::setBevelStyle(TCellBevelStyle style)
{
    m_bevelStyle = style;
    repaintCells();
}

void TSortGrid::FitColumnWidth(int ACol)
{
    checkCell(ACol, 0);
    QFont font = this->font();
    int widest = 0;
    for (int row = 0; row < RowCount(); ++row) {
        // Measured in the state it is drawn in, so a bold header fits too.
        font = CellFormat(ACol, row, DrawStateOf(ACol, row)).CellFont;
        widest = std::max(widest, QFontMetrics(font).horizontalAdvance(Cells(ACol, row)));
    }
    setColWidths(ACol, widest + QFontMetrics(font).horizontalAdvance(QStringLiteral("x")));
}

void TSortGrid::FitAllColumnWidths(bool IncludeFixed, int Extra)
{
    for (int col = IncludeFixed ? 0 : FixedCols(); col < ColCount(); ++col) {
        FitColumnWidth(col);
        if (Extra != 0)
            setColWidths(col, ColWidths(col) + Extra);
    }
}

TFormatOptions TSortGrid::DefaultFormat(TGridDrawState state) const
{
    const QPalette &colors = palette();
    const bool fixed = state.testFlag(gdFixed);
    const bool selected = state.testFlag(gdSelected);
    TFormatOptions format;
    format.CellBrush = fixed ? colors.button() : selected ? colors.highlight() : colors.base();
    format.CellFont = font();
    format.CellFontColor = colors.color(fixed ? QPalette::ButtonText
            : selected                        ? QPalette::HighlightedText
                                              : QPalette::Text);
    format.HorzAlign = m_alignmentHorz;
    format.VertAlign = m_alignmentVert;
    format.CellBevel = m_bevelStyle;
    switch (m_bevelStyle) {
    case cbRaised:
        format.BevelLightColor = colors.color(QPalette::Light);
        format.BevelDarkColor = colors.color(QPalette::Dark);
        break;
    case cbLowered:
        format.BevelLightColor = colors.color(QPalette::Dark);
        format.BevelDarkColor = colors.color(QPalette::Light);
        break;
    case cbNone:
        format.BevelLightColor = colors.color(QPalette::Base);
        format.BevelDarkColor = format.BevelLightColor;
        break;
    }
    return format;
}

TFormatOptions TSortGrid::CellFormat(int col, int row, TGridDrawState state) const
{
    TFormatOptions format = DefaultFormat(state);
    emit OnGetCellFormat(col, row, state, format);
    return format;
}

TGridDrawState TSortGrid::DrawStateOf(int col, int row) const
{
    if (row < FixedRows() || col < FixedCols())
        return gdFixed;
    TGridDrawState state;
    if (hasFocus() && currentIndex().isValid() && col == Col() && row == Row())
        state |= gdFocused;
    if (selectionModel()->isSelected(m_model->indexOf(col, row)))
        state |= gdSelected;
    return state;
}

void TSortGrid::DrawCell(QPainter *painter, int col, int row, const QRect &rect, TGridDrawState state) const
{
    const TFormatOptions base = DefaultFormat(state);
    const TFormatOptions format = CellFormat(col, row, state);
    const bool header = state.testFlag(gdFixed);
    painter->save();
    painter->setClipRect(rect, Qt::IntersectClip);
    // Header cells keep the style's background, data cells get the base fill.
    if (!header)
        painter->fillRect(rect, base.CellBrush);
    if (m_defaultDrawing) {
        if (!header || format.CellBrush != base.CellBrush)
            painter->fillRect(rect, format.CellBrush);
        if (!format.NoText)
            drawText(painter, rect, format, Cells(col, row));
        if (format.CellBevel != cbNone && col >= FixedCols() && row >= FixedRows())
            drawBevel(painter, rect, format);
    }
    emit OnDrawCell(col, row, painter, rect, state);
    painter->restore();
}

/// Offsets as the grid always placed its texts: 2 pixels in from the left or
/// top, 2 from the right, 3 from the bottom, centred rounding toward zero.
void TSortGrid::drawText(
    QPainter *painter, const QRect &rect, const TFormatOptions &format, const QString &text)
{
    const QFontMetrics metrics(format.CellFont);
    const int width = metrics.horizontalAdvance(text);
    const int height = metrics.height();
    int dx = 2;
    if (format.HorzAlign == taRightJustify)
        dx = rect.width() - width - 2;
    else if (format.HorzAlign == taCenter)
        dx = (rect.width() - width) / 2;
    int dy = 2;
    if (format.VertAlign == taBottomJustify)
        dy = rect.height() - height - 3;
    else if (format.VertAlign == taMiddle)
        dy = (rect.height() - height) / 2;
    painter->setFont(format.CellFont);
    painter->setPen(format.CellFontColor);
    painter->drawText(QPoint(rect.left() + dx, rect.top() + dy + metrics.ascent()), text);
}

void TSortGrid::drawBevel(QPainter *painter, const QRect &rect, const TFormatOptions &format) const
{
    const bool vertical = m_options.testFlag(goFixedVertLine);
    const bool horizontal = m_options.testFlag(goFixedHorzLine);
    painter->setRenderHint(QPainter::Antialiasing, false);
    painter->setPen(format.BevelDarkColor);
    if (vertical)
        painter->drawLine(rect.right(), rect.top(), rect.right(), rect.bottom());
    if (horizontal)
        painter->drawLine(rect.left(), rect.bottom(), rect.right(), rect.bottom());
    painter->setPen(format.BevelLightColor);
    if (vertical)
        painter->drawLine(rect.left(), rect.top(), rect.left(), rect.bottom());
    if (horizontal)
        painter->drawLine(rect.left(), rect.top(), rect.right(), rect.top());
}

bool TSortGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_corner && event->type() == QEvent::Paint) {
        paintCorner();
        return true;
    }
    return QTableView::eventFilter(watched, event);
}

void TSortGrid::paintCorner() const
{
    QPainter painter(m_corner);
    QStyleOptionHeader option;
    option.initFrom(m_corner);
    option.state |= QStyle::State_Enabled;
    int top = 0;
    for (int row = 0; row < FixedRows(); ++row) {
        int left = 0;
        for (int col = 0; col < FixedCols(); ++col) {
            option.rect = QRect(left, top, ColWidths(col), RowHeights(row));
            style()->drawControl(QStyle::CE_HeaderSection, &option, &painter, m_corner);
            DrawCell(&painter, col, row, option.rect, gdFixed);
            left += ColWidths(col);
        }
        top += RowHeights(row);
    }
}

void TSortGrid::repaintCells()
{
    viewport()->update();
    m_columnHeader->viewport()->update();
    m_rowHeader->viewport()->update();
    if (m_corner)
        m_corner->update();
}

} // namespace tv

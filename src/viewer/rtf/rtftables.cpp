// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfparser.h"
#include "rtfunits.h"

#include <QTextFrame>
#include <QTextTable>

#include <algorithm>
#include <utility>

namespace tv::rtfread {

void appendFlat(Paragraph &line, RowModel &row);

BorderLine *RtfParser::borderLines(int &count)
{
    State &s = state();
    count = 1;
    switch (s.borderOwner) {
    case BorderOwner::Paragraph:
        if (s.borderSide == kSides) { // \box: all four at once
            count = 4;
            return s.para.border.data();
        }
        return &s.para.border[std::size_t(s.borderSide)];
    case BorderOwner::Cell:
        return &m_cellDef.border[std::size_t(s.borderSide)];
    case BorderOwner::Row:
        return &rowDef(m_defLevel).border[std::size_t(s.borderSide)];
    case BorderOwner::None:
        break;
    }
    return nullptr;
}

bool RtfParser::onBorderWord(Word w, const RtfToken &t)
{
    State &s = state();
    switch (w) {
    case Word::BrdrT:
    case Word::BrdrB:
    case Word::BrdrL:
    case Word::BrdrR:
    case Word::Box:
        s.borderOwner = BorderOwner::Paragraph;
        s.borderSide = w == Word::Box ? int(kSides) : sideFor(t.word);
        break;
    case Word::ClBrdr:
        s.borderOwner = BorderOwner::Cell;
        s.borderSide = sideFor(t.word);
        break;
    case Word::TrBrdr:
        s.borderOwner = BorderOwner::Row;
        s.borderSide = sideFor(t.word);
        break;
    case Word::BrSp:
        s.para.borderSpace = std::clamp(t.param, 0, kMaxTwips);
        return true;
    case Word::BrdrStyle:
    case Word::BrdrNone:
    case Word::BrdrW:
    case Word::BrdrCf: {
        int count = 0;
        BorderLine *lines = borderLines(count);
        for (int i = 0; lines && i < count; ++i) {
            BorderLine &line = lines[i];
            if (w == Word::BrdrStyle) {
                line.on = true;
                line.style = borderStyleFor(t.word);
            } else if (w == Word::BrdrNone) {
                line.on = false;
            } else if (w == Word::BrdrW) {
                line.width = std::clamp(t.param, 1, 255);
            } else {
                line.color = t.param;
            }
        }
        return true;
    }
    default:
        return false;
    }
    return true;
}

RowDef &RtfParser::rowDef(int level)
{
    const std::size_t i = std::size_t(std::clamp(level, 1, kMaxTableDepth) - 1);
    if (m_rowDefs.size() <= i)
        m_rowDefs.resize(i + 1);
    return m_rowDefs[i];
}

bool RtfParser::onTableWord(Word w, const RtfToken &t)
{
    if (!m_stories.empty() && (w == Word::Cell || w == Word::NestCell)) {
        appendChar(u'\t'); // a table in a note or a text box reads as lines
        return true;
    }
    if (!m_stories.empty() && (w == Word::Row || w == Word::NestRow)) {
        endParagraph();
        return true;
    }
    switch (w) {
    case Word::Trowd:
        // Nested rows are defined after their cells, at the level just read.
        m_defLevel = state().dest == Dest::NestTableProps ? std::max(2, int(m_open.size())) : 1;
        rowDef(m_defLevel) = RowDef();
        m_cellDef = CellDef();
        break;
    case Word::TrLeft:
        rowDef(m_defLevel).left = clampTwips(t.param);
        break;
    case Word::ClMgf:
        m_cellDef.mergeFirst = true;
        break;
    case Word::ClMrg:
        m_cellDef.mergeNext = true;
        break;
    case Word::ClVmgf:
        m_cellDef.vmergeFirst = true;
        break;
    case Word::ClVmrg:
        m_cellDef.vmergeNext = true;
        break;
    case Word::ClCbPat:
        m_cellDef.shading = t.param;
        break;
    case Word::Cellx: {
        RowDef &def = rowDef(m_defLevel);
        m_cellDef.right = clampTwips(t.param);
        if (def.cells.size() < std::size_t(kMaxCells))
            def.cells.push_back(m_cellDef);
        m_cellDef = CellDef();
        break;
    }
    case Word::Cell:
    case Word::NestCell: {
        const int level = w == Word::Cell ? 1 : std::max(2, tableLevel());
        numberParagraph();
        flushRun();
        deliver(Paragraph { blockFormat(), charFormat(), std::exchange(m_items, {}), {}, 0 }, level);
        endCell(level);
        break;
    }
    case Word::Row:
    case Word::NestRow:
        endRow(w == Word::Row ? 1 : std::max(2, int(m_open.size())));
        break;
    default:
        return false;
    }
    return true;
}


// ---- Where paragraphs go ----------------------------------------------------

void RtfParser::deliver(Paragraph paragraph, int level)
{
    if (!m_stories.empty()) {
        if (m_stories.back().kind == Story::Note) {
            m_notes.push_back(std::move(paragraph));
            return;
        }
        level = m_stories.back().level; // a box's paragraphs stay in the cell it stands in
    }
    closeTablesBelow(level);
    if (level == 0) {
        emitTopLevel(paragraph);
        return;
    }
    openTable(level).cell.content.push_back(Node { std::move(paragraph), nullptr });
}

OpenTable &RtfParser::openTable(int level)
{
    while (int(m_open.size()) < level)
        m_open.emplace_back();
    return m_open[std::size_t(level - 1)];
}

// Tables deeper than `level` are complete: each goes where its parent's text is.
void RtfParser::closeTablesBelow(int level)
{
    while (int(m_open.size()) > level) {
        OpenTable open = std::move(m_open.back());
        m_open.pop_back();
        if (!open.cell.content.empty())
            open.row.cells.push_back(std::move(open.cell));
        if (!open.row.cells.empty()) {
            open.row.def = rowDef(int(m_open.size()) + 1);
            open.table->rows.push_back(std::move(open.row));
        }
        if (open.table->rows.empty())
            continue;
        if (m_open.empty()) {
            closeFrame();
            emitTable(m_top, *open.table);
        } else {
            m_open.back().cell.content.push_back(Node { {}, std::move(open.table) });
        }
    }
}

void RtfParser::endCell(int level)
{
    closeTablesBelow(level);
    OpenTable &open = openTable(level);
    std::vector<Node> &content = open.cell.content;
    // "text\par\cell": the paragraph mark before the cell's end makes no extra line.
    if (content.size() >= 2 && !content.back().table && content.back().paragraph.items.empty()
        && !content[content.size() - 2].table)
        content.pop_back();
    open.row.cells.push_back(std::move(open.cell));
    open.cell = CellModel();
}

void RtfParser::endRow(int level)
{
    flushRun();
    if (!m_items.empty()) // text between the last \cell and \row is a cell of its own
        deliver(Paragraph { blockFormat(), charFormat(), std::exchange(m_items, {}), {}, 0 }, level);
    closeTablesBelow(level);
    OpenTable &open = openTable(level);
    if (!open.cell.content.empty()) {
        open.row.cells.push_back(std::move(open.cell));
        open.cell = CellModel();
    }
    open.row.def = rowDef(level);
    open.table->rows.push_back(std::move(open.row));
    open.row = RowModel();
}

void RtfParser::emitParagraph(Target &target, Paragraph &paragraph)
{
    QTextCursor &c = target.cursor;
    if (target.fresh) {
        c.setBlockFormat(paragraph.block);
        c.mergeBlockCharFormat(paragraph.mark); // in a cell, the mark also holds the cell's format
        target.fresh = false;
    } else {
        c.insertBlock(paragraph.block, paragraph.mark);
    }
    for (const Item &item : paragraph.items) {
        if (item.format.isImageFormat())
            c.insertImage(item.format.toImageFormat());
        else
            c.insertText(item.text, item.format);
    }
}

static QTextFrameFormat::BorderStyle styleOf(const std::array<BorderLine, 4> &border)
{
    for (const BorderLine &line : border) {
        if (line.on)
            return line.style;
    }
    return QTextFrameFormat::BorderStyle_None;
}

/// Paragraphs in a row that share a border are drawn in one frame.
void RtfParser::emitTopLevel(Paragraph &paragraph)
{
    const bool bordered = styleOf(paragraph.border) != QTextFrameFormat::BorderStyle_None;
    if (m_frame && (paragraph.border != m_frameBorder || paragraph.borderSpace != m_frameSpace))
        closeFrame();
    if (bordered && !m_frame) {
        QTextFrameFormat format;
        int width = 0;
        int colorIndex = -1;
        for (const BorderLine &line : paragraph.border) {
            if (line.on) {
                width = std::max(width, line.width);
                colorIndex = colorIndex < 0 ? line.color : colorIndex;
            }
        }
        format.setBorder(std::max(1.0, twipsToPixels(width)));
        format.setBorderStyle(styleOf(paragraph.border));
        format.setBorderBrush(color(colorIndex).isValid() ? color(colorIndex) : QColor(Qt::black));
        format.setPadding(twipsToPixels(paragraph.borderSpace));
        m_frame = m_top.cursor.insertFrame(format);
        m_top.fresh = true;
        m_frameBorder = paragraph.border;
        m_frameSpace = paragraph.borderSpace;
    }
    emitParagraph(m_top, paragraph);
}

void RtfParser::closeFrame()
{
    if (!m_frame)
        return;
    m_top.cursor = m_frame->lastCursorPosition();
    m_top.cursor.movePosition(QTextCursor::NextBlock);
    m_top.fresh = true;
    m_frame = nullptr;
}

static QTextLength fixedTwips(int twips)
{
    return QTextLength(QTextLength::FixedLength, twipsToPixels(std::max(twips, 1)));
}

/// The columns are the cell boundaries of all rows together; a cell spans the
/// columns between its own left and right boundary.
void RtfParser::emitTable(Target &target, TableModel &model)
{
    std::vector<int> bounds;
    struct Placed
    {
        int row;
        int rows;
        int first; // columns

        int last;
        CellModel *cell;
        const CellDef *def;
    };
    std::vector<std::vector<std::pair<int, int>>> edges(model.rows.size()); // twips per cell
    for (std::size_t r = 0; r < model.rows.size(); ++r) {
        RowModel &row = model.rows[r];
        int left = row.def.left;
        bounds.push_back(left);
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const int right = i < row.def.cells.size() ? std::max(row.def.cells[i].right, left + 1)
                                                       : left + kDefaultCellTwips;
            edges[r].emplace_back(left, right);
            bounds.push_back(right);
            left = right;
        }
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    const auto column = [&bounds](int twips) {
        return int(std::lower_bound(bounds.begin(), bounds.end(), twips) - bounds.begin());
    };
    const int columns = std::max(1, int(bounds.size()) - 1);
    const int rows = int(model.rows.size());
    std::size_t cells = 0;
    for (const RowModel &row : model.rows)
        cells += row.cells.size();
    if (std::size_t(rows) * std::size_t(columns) > 4 * cells + 256) {
        // Rows whose cells share no edges would make a grid far larger than the
        // document; they read as lines with tabs between the cells instead.
        for (RowModel &row : model.rows) {
            Paragraph line;
            appendFlat(line, row);
            emitParagraph(target, line);
        }
        return;
    }

    QTextTableFormat format;
    QList<QTextLength> widths;
    for (int i = 0; i < columns; ++i)
        widths.append(bounds.size() > 1 ? fixedTwips(bounds[std::size_t(i) + 1] - bounds[std::size_t(i)])
                                        : fixedTwips(kDefaultCellTwips));
    format.setColumnWidthConstraints(widths);
    format.setBorder(0); // borders are the cells' own
    format.setBorderCollapse(true);
    format.setCellSpacing(0);
    format.setCellPadding(twipsToPixels(108)); // Word's default \trgaph
    format.setLeftMargin(twipsToPixels(std::max(0, bounds.empty() ? 0 : bounds.front())));

    // At the end of a paragraph the table follows it; in an empty block, Qt keeps
    // that block before the table.
    QTextTable *table = target.cursor.insertTable(rows, columns, format);

    std::vector<Placed> placed;
    for (int r = 0; r < rows; ++r) {
        RowModel &row = model.rows[std::size_t(r)];
        for (std::size_t i = 0; i < row.cells.size(); ++i) {
            const CellDef *def = i < row.def.cells.size() ? &row.def.cells[i] : nullptr;
            const int first = column(edges[std::size_t(r)][i].first);
            const int last = std::max(first, column(edges[std::size_t(r)][i].second) - 1);
            if (def && def->mergeNext && !placed.empty() && placed.back().row == r) {
                placed.back().last = last; // \clmrg widens the cell before it
                continue;
            }
            if (def && def->vmergeNext) { // \clvmrg: the cell above grows by this row
                const auto above = std::find_if(placed.rbegin(), placed.rend(),
                    [&](const Placed &p) { return p.row < r && p.first == first; });
                if (above != placed.rend() && above->row + above->rows == r) {
                    ++above->rows;
                    continue;
                }
            }
            placed.push_back(Placed { r, 1, first, last, &row.cells[i], def });
        }
    }
    for (const Placed &p : placed) {
        if (p.rows > 1 || p.last > p.first)
            table->mergeCells(p.row, p.first, p.rows, p.last - p.first + 1);
    }

    for (const Placed &p : placed) {
        QTextTableCell cell = table->cellAt(p.row, p.first);
        const RowDef &def = model.rows[std::size_t(p.row)].def;
        QTextTableCellFormat cellFormat = cell.format().toTableCellFormat();
        const bool firstColumn = p.first == 0;
        const bool lastColumn = p.last >= columns - 1;
        const bool firstRow = p.row == 0;
        const bool lastRow = p.row + p.rows >= rows;
        const auto lineFor = [&](int side) {
            const BorderLine own = p.def ? p.def->border[std::size_t(side)] : BorderLine();
            if (own.on)
                return own;
            switch (side) {
            case Top:
                return def.border[firstRow ? Top : InnerH];
            case Bottom:
                return def.border[lastRow ? Bottom : InnerH];
            case Left:
                return def.border[firstColumn ? Left : InnerV];
            default:
                return def.border[lastColumn ? Right : InnerV];
            }
        };
        for (int side = Top; side <= Right; ++side) {
            const BorderLine line = lineFor(side);
            if (!line.on)
                continue;
            const qreal width = std::max(1.0, twipsToPixels(line.width));
            const QBrush brush(color(line.color).isValid() ? color(line.color) : QColor(Qt::black));
            switch (side) {
            case Top:
                cellFormat.setTopBorder(width);
                cellFormat.setTopBorderStyle(line.style);
                cellFormat.setTopBorderBrush(brush);
                break;
            case Bottom:
                cellFormat.setBottomBorder(width);
                cellFormat.setBottomBorderStyle(line.style);
                cellFormat.setBottomBorderBrush(brush);
                break;
            case Left:
                cellFormat.setLeftBorder(width);
                cellFormat.setLeftBorderStyle(line.style);
                cellFormat.setLeftBorderBrush(brush);
                break;
            default:
                cellFormat.setRightBorder(width);
                cellFormat.setRightBorderStyle(line.style);
                cellFormat.setRightBorderBrush(brush);
                break;
            }
        }
        if (p.def && color(p.def->shading).isValid())
            cellFormat.setBackground(color(p.def->shading));
        cell.setFormat(cellFormat);
        Target inner { cell.firstCursorPosition(), true };
        emitNodes(inner, p.cell->content);
    }
    target.cursor = table->lastCursorPosition();
    target.cursor.movePosition(QTextCursor::NextBlock);
    target.fresh = true;
}

/// The text of a row on one line, a tab after each cell but the last.
void appendFlat(Paragraph &line, RowModel &row)
{
    for (std::size_t i = 0; i < row.cells.size(); ++i) {
        for (Node &node : row.cells[i].content) {
            if (node.table) {
                for (RowModel &inner : node.table->rows)
                    appendFlat(line, inner);
                continue;
            }
            if (line.items.empty()) {
                line.block = node.paragraph.block;
                line.mark = node.paragraph.mark;
            }
            std::move(
                node.paragraph.items.begin(), node.paragraph.items.end(), std::back_inserter(line.items));
        }
        if (i + 1 < row.cells.size())
            line.items.push_back(Item { QStringLiteral("\t"), line.mark });
    }
}

void RtfParser::emitNodes(Target &target, std::vector<Node> &nodes)
{
    for (Node &node : nodes) {
        if (node.table)
            emitTable(target, *node.table);
        else
            emitParagraph(target, node.paragraph);
    }
}


} // namespace tv::rtfread

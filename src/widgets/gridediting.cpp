// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortgrid.h"

#include "gridmodel.h"

#include <QApplication>
#include <QKeyEvent>

namespace tv {

void TSortGrid::RememberCurrentCell()
{
    m_remembered = RememberedCell { Cells(Col(), Row()), Col(), Row(), m_changed };
}

void TSortGrid::SetEditText(int col, int row, const QString &value)
{
    if (value != Cells(col, row))
        m_changed = true;
    m_model->setText(col, row, value);
}

void TSortGrid::VerifyEditedCell()
{
    const RememberedCell cell = m_remembered;
    const QString current = Cells(cell.col, cell.row);
    if (m_model->contains(cell.col, cell.row) && current != cell.text) {
        QString value = current;
        bool valid = true;
        emit OnCellValidate(cell.col, cell.row, value, valid);
        if (valid) {
            if (value != current)
                m_model->setText(cell.col, cell.row, value);
        } else {
            m_model->setText(cell.col, cell.row, value != current ? value : cell.text);
            m_changed = cell.changed;
        }
    }
    RememberCurrentCell();
}

void TSortGrid::Click()
{
    try {
        emit OnClick();
    } catch (...) {
        if (m_focused)
            VerifyEditedCell();
        throw;
    }
    if (m_focused)
        VerifyEditedCell();
}

void TSortGrid::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QTableView::currentChanged(current, previous);
    Click();
}

void TSortGrid::focusInEvent(QFocusEvent *event)
{
    QTableView::focusInEvent(event);
    // Coming back from our own in-place editor is no new visit.
    if (m_focused)
        return;
    m_focused = true;
    RememberCurrentCell();
}

void TSortGrid::focusOutEvent(QFocusEvent *event)
{
    const QWidget *next = QApplication::focusWidget();
    if (next && isAncestorOf(next)) {
        QTableView::focusOutEvent(event);
        return;
    }
    leaveFocus([&] { QTableView::focusOutEvent(event); });
}

void TSortGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    // Enter closes the editor with this hint.
    if (hint == QAbstractItemDelegate::SubmitModelCache)
        VerifyEditedCell();
    // The editor lost its focus to another control: the grid has been left.
    const QWidget *focus = QApplication::focusWidget();
    if (m_focused && focus != this && !(focus && isAncestorOf(focus)))
        leaveFocus([] {});
}

template <typename Then> void TSortGrid::leaveFocus(Then then)
{
    try {
        Click();
    } catch (...) {
        then();
        m_focused = false;
        throw;
    }
    then();
    m_focused = false;
}

void TSortGrid::keyPressEvent(QKeyEvent *event)
{
    // The keyboard's header click: Ctrl+Down sorts the current column
    // ascending (values grow downwards), Ctrl+Up descending.
    const bool sortKey = event->modifiers() == Qt::ControlModifier
        && (event->key() == Qt::Key_Down || event->key() == Qt::Key_Up);
    if (sortKey && m_clickSorting && FixedRows() >= 1 && !EditorMode()) {
        TSortOptions options;
        options.Order = event->key() == Qt::Key_Down ? soAscending : soDescending;
        options.MatchCase = m_caseSensitive;
        sortByClick(Col(), 0, options);
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        VerifyEditedCell();
    // The table view would put the cell on the clipboard behind the seam's back;
    // a string grid does not copy by itself.
    if (event->matches(QKeySequence::Copy))
        event->accept();
    else
        QTableView::keyPressEvent(event);
    if (!m_extendedKeys || EditorMode())
        return;
    const Qt::KeyboardModifiers modifiers
        = event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    const bool insert = event->key() == Qt::Key_Insert;
    const bool remove = event->key() == Qt::Key_Delete;
    if (modifiers == Qt::ControlModifier) {
        if (insert)
            InsertRowAt(Row());
        else if (remove && FixedRows() + 1 < RowCount())
            RemoveRow(Row());
    } else if (modifiers == (Qt::ControlModifier | Qt::ShiftModifier)) {
        if (insert)
            InsertColumnAt(Col());
        else if (remove && FixedCols() + 1 < ColCount())
            RemoveColumn(Col());
    }
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "stats/modulstatistik.h"

#include <QDialog>
#include <QStyledItemDelegate>

class QTableWidget;

namespace tv {

/// Paints the red cross over the leading spaces of a module that is not
/// installed, after the cell itself is drawn.
class MissingModuleDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    /// Set (true) on the column-0 item of a module whose file is missing.
    static constexpr int kMissingRole = Qt::UserRole + 1;
    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
};

/// @short The module statistics window ("Modulstatistik"): one row per module
/// the catalogue names, with its parts counted by kind.
///
/// A fixed tool window of 366 x 386 whose grid fills it. Everything is computed
/// while the window is created; the grid holds every module and scrolls when
/// they do not fit. A screen reader hears each module's name and "Modul fehlt"
/// where the red cross is drawn.
class TForm2 : public QDialog
{
    Q_OBJECT
public:
    static constexpr QSize kClientSize { 366, 386 };
    static constexpr int kRowHeight = 18;

    explicit TForm2(QWidget *parent = nullptr);

    QTableWidget *StringGrid1() const { return m_grid; }
    const ModulStatistik &statistik() const { return m_statistik; }

private:
    void FormCreate();
    void GetModulStatistik();
    void ShowModulCounts();
    /// Column 0 takes what the five counter columns (45, or their header's
    /// width in a larger font) leave, less the scroll bar when the rows do not fit.
    void sizeColumns(bool scrolls);

    QTableWidget *m_grid;
    ModulStatistik m_statistik;
};

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"

#include <QByteArray>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <functional>

/// @short An entry list of one section tab: blue, white, and drawn by us so
/// that Marked and new entries stand out.
namespace tv {

/// What drawing an item needs to know about the window: the Section file of
/// the ACTIVE section tab and the newest module's file name.
struct EntryDrawContext
{
    std::function<QString()> activeSectionFile;
    std::function<QByteArray()> newestModule;
};

enum class EntryLook { Regular, Marked, New };

/// Marked ("!" first) wins over new; an entry is new when its module
/// (Entry::newsModule) + ".TVM" equals the newest module, ASCII upper-cased.
/// Example: newest "neu.tvm", module "Neu" -> New; module "alt" -> Regular.
EntryLook entryLook(const QByteArray &name, const QByteArray &cmodul, const QByteArray &newestModule);

/// Reads the module that decides whether `entry` in `sectionFile` is new.
QByteArray entryModule(const QString &sectionFile, const QByteArray &entry);

class EntryItemDelegate : public QStyledItemDelegate
{
public:
    EntryItemDelegate(EntryDrawContext context, QObject *parent);
    void paint(
        QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    EntryDrawContext m_context;
    Section m_section;
};

/// The list itself, of one section. Items carry the entry's name as
/// Windows-1252 bytes in kNameRole; a click, or moving the current item with
/// the keyboard, emits entryClicked, the way a user picks an entry.
class EntryListBox : public QListWidget
{
    Q_OBJECT
public:
    static constexpr int kNameRole = Qt::UserRole + 1;

    EntryListBox(const EntryDrawContext &context, Section section, QWidget *parent);
    /// The section whose entries the list holds.
    const Section &section() const { return m_section; }
    void setEntries(const QList<QByteArray> &names);
    QByteArray entryName(int row) const;
    /// The selected row, -1 when nothing is selected (the current row may
    /// still be set, by the focus).
    int selectedRow() const;
    /// Selects `row` and scrolls it into view, as the search does.
    void selectRow(int row);
    /// What the colours say, in words for screen readers: "Markierter Eintrag",
    /// "Neuer Eintrag" or "".
    QString lookDescription(const QByteArray &name) const;

signals:
    void entryClicked(tv::EntryListBox *list);
    /// The popup menu was asked for on `row` (by the mouse, or the menu key on
    /// the current row), to be shown at `globalPos`.
    void entryMenuRequested(tv::EntryListBox *list, int row, QPoint globalPos);

protected:
    void contextMenuEvent(QContextMenuEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    EntryDrawContext m_context;
    Section m_section;
};

} // namespace tv

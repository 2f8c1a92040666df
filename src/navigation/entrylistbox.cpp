// SPDX-License-Identifier: GPL-3.0-or-later
#include "entrylistbox.h"

#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "navigation/shorttext.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QPainter>

namespace tv {

EntryLook entryLook(const QByteArray &name, const QByteArray &cmodul, const QByteArray &newestModule)
{
    if (isMarkedName(name))
        return EntryLook::Marked;
    if (isNewestModule(cmodul, newestModule))
        return EntryLook::New;
    return EntryLook::Regular;
}

QByteArray entryModule(const QString &sectionFile, const QByteArray &entry)
{
    return SectionFile(sectionFile).entry(entry).newsModule;
}

EntryItemDelegate::EntryItemDelegate(EntryDrawContext context, QObject *parent)
    : QStyledItemDelegate(parent)
    , m_context(std::move(context))
{
}

void EntryItemDelegate::paint(
    QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    const QByteArray name = index.data(EntryListBox::kNameRole).toByteArray();
    const bool selected = option.state & QStyle::State_Selected;
    const QPalette &pal = option.palette;

    // Read from the catalogue on disk at every paint: an update takes effect at once.
    const QByteArray modul = entryModule(m_context.activeSectionFile(), name);
    const EntryLook look = entryLook(name, modul, m_context.newestModule());

    painter->save();
    painter->fillRect(option.rect, selected ? pal.color(QPalette::Highlight) : QColor(0, 0, 255));
    QFont font = option.font;
    QColor colour = selected ? pal.color(QPalette::HighlightedText) : QColor(255, 255, 255);
    if (look != EntryLook::Regular) {
        font.setBold(true);
        font.setUnderline(true);
    }
    if (look == EntryLook::Marked)
        colour = QColor(255, 255, 0);
    painter->setFont(font);
    painter->setPen(colour);
    const QRect textRect = option.rect.adjusted(2, 0, -2, 0);
    // Plain drawText: "&" is an ordinary character here. The item's text is
    // already cut to a length that can be laid out at every paint.
    painter->drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
        painter->fontMetrics().elidedText(
            index.data(Qt::DisplayRole).toString(), Qt::ElideRight, textRect.width()));
    if (option.state & QStyle::State_HasFocus) {
        QStyleOptionFocusRect focus;
        focus.rect = option.rect;
        focus.state = option.state;
        focus.backgroundColor = selected ? pal.color(QPalette::Highlight) : QColor(0, 0, 255);
        const QWidget *widget = option.widget;
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, widget);
    }
    painter->restore();
}

QSize EntryItemDelegate::sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const
{
    // 16 pixels, unless the user's font needs more.
    QFont bold = option.font;
    bold.setBold(true);
    const int height = std::max(16, QFontMetrics(bold).height() + 2);
    return QSize(QStyledItemDelegate::sizeHint(option, index).width(), height);
}

namespace {

/// An entry whose description is read, like its look, from the catalogue on demand.
class EntryItem : public QListWidgetItem
{
public:
    using QListWidgetItem::QListWidgetItem;
    QVariant data(int role) const override
    {
        if (role == Qt::AccessibleDescriptionRole) {
            if (const auto *list = static_cast<const EntryListBox *>(listWidget())) {
                const QString description
                    = list->lookDescription(data(EntryListBox::kNameRole).toByteArray());
                return description.isEmpty() ? QVariant() : QVariant(description);
            }
        }
        return QListWidgetItem::data(role);
    }
};

} // namespace

EntryListBox::EntryListBox(const EntryDrawContext &context, Section section, QWidget *parent)
    : QListWidget(parent)
    , m_context(context)
    , m_section(std::move(section))
{
    setItemDelegate(new EntryItemDelegate(context, this));
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setFrameShape(QFrame::NoFrame);
    QPalette pal = palette();
    pal.setColor(QPalette::Base, QColor(0, 0, 255));
    pal.setColor(QPalette::Text, QColor(255, 255, 255));
    setPalette(pal);
    setAutoFillBackground(true);
}

void EntryListBox::setEntries(const QList<QByteArray> &names)
{
    setUpdatesEnabled(false);
    clear();
    for (const QByteArray &name : names) {
        auto *item = new EntryItem(shortText(fromCp1252(name)));
        item->setData(kNameRole, name);
        addItem(item);
    }
    setCurrentRow(-1);
    clearSelection();
    setUpdatesEnabled(true);
}

QByteArray EntryListBox::entryName(int row) const
{
    const QListWidgetItem *it = item(row);
    return it ? it->data(kNameRole).toByteArray() : QByteArray();
}

QString EntryListBox::lookDescription(const QByteArray &name) const
{
    switch (entryLook(name, entryModule(m_context.activeSectionFile(), name), m_context.newestModule())) {
    case EntryLook::Marked:
        return QStringLiteral("Markierter Eintrag");
    case EntryLook::New:
        return QStringLiteral("Neuer Eintrag");
    case EntryLook::Regular:
        break;
    }
    return QString();
}

int EntryListBox::selectedRow() const
{
    const QList<QListWidgetItem *> selected = selectedItems();
    return selected.isEmpty() ? -1 : row(selected.first());
}

void EntryListBox::selectRow(int row)
{
    setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    scrollToItem(item(row));
}

void EntryListBox::mouseReleaseEvent(QMouseEvent *event)
{
    QListWidget::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && selectedRow() >= 0 && itemAt(event->position().toPoint()))
        emit entryClicked(this);
}

void EntryListBox::contextMenuEvent(QContextMenuEvent *event)
{
    const bool mouse = event->reason() == QContextMenuEvent::Mouse;
    const QListWidgetItem *entry
        = mouse ? itemAt(viewport()->mapFromGlobal(event->globalPos())) : currentItem();
    if (!entry)
        return;
    // From the keyboard the menu opens on the row, not wherever the pointer rests.
    const QPoint at = mouse ? event->globalPos()
                            : viewport()->mapToGlobal(visualItemRect(entry).bottomLeft());
    emit entryMenuRequested(this, row(entry), at);
}

void EntryListBox::keyPressEvent(QKeyEvent *event)
{
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    if (currentRow() != before && currentRow() >= 0)
        emit entryClicked(this);
}

} // namespace tv

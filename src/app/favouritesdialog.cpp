// SPDX-License-Identifier: GPL-3.0-or-later
#include "favouritesdialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace tv {

FavouritesDialog::FavouritesDialog(const QList<Favourite> &favourites, QWidget *parent)
    : QDialog(parent)
    , m_favourites(favourites)
    , m_list(new QListWidget(this))
    , m_rename(new QPushButton(QStringLiteral("&Umbenennen"), this))
    , m_remove(new QPushButton(QStringLiteral("&Entfernen"), this))
    , m_up(new QPushButton(QStringLiteral("Nach &oben"), this))
    , m_down(new QPushButton(QStringLiteral("Nach &unten"), this))
{
    setObjectName(QStringLiteral("FavoritenVerwalten"));
    setWindowTitle(QStringLiteral("Favoriten verwalten"));
    m_list->setObjectName(QStringLiteral("FavoritenListe"));
    m_list->setAccessibleName(QStringLiteral("Favoriten"));
    m_list->setEditTriggers(QAbstractItemView::EditKeyPressed | QAbstractItemView::DoubleClicked);
    auto *label = new QLabel(QStringLiteral("&Favoriten:"), this);
    label->setBuddy(m_list);

    m_rename->setObjectName(QStringLiteral("Umbenennen"));
    m_remove->setObjectName(QStringLiteral("Entfernen"));
    m_up->setObjectName(QStringLiteral("NachOben"));
    m_down->setObjectName(QStringLiteral("NachUnten"));
    m_remove->setToolTip(QStringLiteral("Entf"));
    m_up->setToolTip(QStringLiteral("Strg+Pfeil nach oben"));
    m_down->setToolTip(QStringLiteral("Strg+Pfeil nach unten"));
    connect(m_rename, &QPushButton::clicked, this, &FavouritesDialog::rename);
    connect(m_remove, &QPushButton::clicked, this, &FavouritesDialog::remove);
    connect(m_up, &QPushButton::clicked, this, &FavouritesDialog::moveUp);
    connect(m_down, &QPushButton::clicked, this, &FavouritesDialog::moveDown);
    // The keys act in the list, where the focus is; a title's editor keeps Delete for itself.
    m_list->installEventFilter(this);

    auto *buttons = new QDialogButtonBox(this);
    QPushButton *ok = buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OK"));
    ok->setDefault(true);
    buttons->addButton(QStringLiteral("Abbrechen"), QDialogButtonBox::RejectRole)
        ->setObjectName(QStringLiteral("Abbrechen"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *side = new QVBoxLayout;
    for (QPushButton *b : { m_rename, m_remove, m_up, m_down }) {
        b->setAutoDefault(false);
        side->addWidget(b);
    }
    side->addStretch(1);
    auto *row = new QHBoxLayout;
    row->addWidget(m_list, 1);
    row->addLayout(side);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addLayout(row, 1);
    layout->addWidget(buttons);

    connect(m_list, &QListWidget::currentRowChanged, this, &FavouritesDialog::updateButtons);
    connect(m_list, &QListWidget::itemChanged, this,
        [this](QListWidgetItem *item) { titleEdited(m_list->row(item)); });
    fill(0);
}

void FavouritesDialog::keyPressEvent(QKeyEvent *event)
{
    // Enter in a title being edited ends the editing, not the dialog.
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    const QWidget *focus = focusWidget();
    if (enter && focus && m_list->viewport()->isAncestorOf(focus)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool FavouritesDialog::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_list || event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    if (key->matches(QKeySequence::Delete)) {
        remove();
        return true;
    }
    if (key->modifiers() == Qt::ControlModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        move(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    }
    return false;
}

void FavouritesDialog::fill(int current)
{
    const QSignalBlocker block(m_list);
    m_list->clear();
    for (const Favourite &f : m_favourites) {
        auto *item = new QListWidgetItem(f.title, m_list);
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    if (!m_favourites.isEmpty())
        m_list->setCurrentRow(std::clamp(current, 0, int(m_favourites.size()) - 1));
    updateButtons();
}

void FavouritesDialog::updateButtons()
{
    const int row = m_list->currentRow();
    const bool chosen = row >= 0;
    m_rename->setEnabled(chosen);
    m_remove->setEnabled(chosen);
    m_up->setEnabled(row > 0);
    m_down->setEnabled(chosen && row + 1 < m_favourites.size());
}

void FavouritesDialog::titleEdited(int row)
{
    if (row < 0 || row >= m_favourites.size())
        return;
    const QString title = m_list->item(row)->text().trimmed();
    // An emptied title would leave a blank menu entry: the old one stays.
    if (!title.isEmpty())
        m_favourites[row].title = title;
    const QSignalBlocker block(m_list);
    m_list->item(row)->setText(m_favourites[row].title);
}

void FavouritesDialog::rename()
{
    if (QListWidgetItem *item = m_list->currentItem())
        m_list->editItem(item);
}

void FavouritesDialog::remove()
{
    const int row = m_list->currentRow();
    if (row < 0)
        return;
    m_favourites.removeAt(row);
    fill(row);
}

void FavouritesDialog::move(int by)
{
    const int row = m_list->currentRow();
    const int to = row + by;
    if (row < 0 || to < 0 || to >= m_favourites.size())
        return;
    m_favourites.move(row, to);
    fill(to);
}

void FavouritesDialog::moveUp()
{
    move(-1);
}

void FavouritesDialog::moveDown()
{
    move(1);
}

} // namespace tv

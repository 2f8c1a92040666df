// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "userstate/userstate.h"

#include <QDialog>

class QListWidget;
class QPushButton;

/// @short "Favoriten verwalten": rename, remove and reorder the favourites.
///
/// Works on a copy; favourites() holds the result once the dialog is accepted.
namespace tv {

class FavouritesDialog : public QDialog
{
    Q_OBJECT
public:
    FavouritesDialog(const QList<Favourite> &favourites, QWidget *parent);

    const QList<Favourite> &favourites() const { return m_favourites; }
    QListWidget *list() const { return m_list; }

    /// Opens the title of the chosen favourite for editing in place.
    void rename();
    void remove();
    void moveUp();
    void moveDown();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void fill(int current);
    void move(int by);
    void titleEdited(int row);
    void updateButtons();

    QList<Favourite> m_favourites;
    QListWidget *m_list;
    QPushButton *m_rename;
    QPushButton *m_remove;
    QPushButton *m_up;
    QPushButton *m_down;
};

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/findtarget.h"

#include <QPointer>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace tv {

class EntryViewer;
class PartPage;

/// @short The bar under the part shown that finds a word in its text:
/// "Im Text suchen", "Weiter" (Enter, F3), "Zurück" (Shift+Enter, Shift+F3),
/// "3 von 12", "Groß-/Kleinschreibung beachten"; Escape closes it.
///
/// It searches whatever the page shown offers (PartPage::findTarget), and
/// follows the viewer: another tab or another entry is searched at once for
/// the same word. Every match is marked; next and previous wrap around. A
/// word that is not there turns the field red and the count says
/// "nicht gefunden".
class FindBar : public QWidget
{
    Q_OBJECT
public:
    FindBar(EntryViewer *viewer, QWidget *parent);

    /// Shows the bar (if hidden), puts the focus into its field with the
    /// word selected, and searches.
    void open();
    /// Hides the bar, drops the marks and puts the focus back into the text.
    void close();
    void findNext();
    void findPrevious();

    /// What is searched now; nullptr when the page shown has no text.
    FindTarget *target() const { return m_target; }
    void setTarget(FindTarget *target);

    QLineEdit *field() const { return m_field; }
    QLabel *countLabel() const { return m_count; }
    QCheckBox *caseBox() const { return m_case; }
    QPushButton *nextButton() const { return m_next; }
    QPushButton *previousButton() const { return m_previous; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FindPattern pattern() const;
    /// Marks every match anew; `show` also makes the start match current.
    void search(bool show);
    void step(int by);
    void showCount();

    QLineEdit *m_field;
    QLabel *m_count;
    QPushButton *m_next;
    QPushButton *m_previous;
    QCheckBox *m_case;
    QToolButton *m_close;
    QPointer<FindTarget> m_target;
    int m_matches = 0;
    int m_current = -1;
};

} // namespace tv

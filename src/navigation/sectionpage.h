// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"
#include "navigation/entrylistbox.h"
#include "widgets/findcontrol.h"

#include <QWidget>

/// @short One section tab, "SectionTabSheet<n>": its section and its entry list.
///
/// The list "SectionListBox<n>" is made when the tab is first shown or the
/// list is first asked for (also by name, through findControl), so that a
/// catalogue of thousands of sections starts without thousands of lists.
namespace tv {

class SectionPage : public QWidget, public LazyControls
{
    Q_OBJECT
public:
    SectionPage(Section section, int number, EntryDrawContext context, QWidget *parent = nullptr);

    const Section &section() const { return m_section; }
    /// The entry list, filled from the Section file when it is made.
    EntryListBox *list();
    QObject *makeControl(const QString &name) override;

signals:
    void entryClicked(tv::EntryListBox *list);
    void entryMenuRequested(tv::EntryListBox *list, int row, QPoint globalPos);

protected:
    void showEvent(QShowEvent *event) override;

private:
    QString listName() const;

    Section m_section;
    int m_number;
    EntryDrawContext m_context;
    EntryListBox *m_list = nullptr;
};

} // namespace tv

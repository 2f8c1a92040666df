// SPDX-License-Identifier: GPL-3.0-or-later
#include "sectionpage.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/ini.h"

#include <QVBoxLayout>

namespace tv {

SectionPage::SectionPage(Section section, int number, EntryDrawContext context, QWidget *parent)
    : QWidget(parent)
    , m_section(std::move(section))
    , m_number(number)
    , m_context(std::move(context))
{
    setObjectName(QStringLiteral("SectionTabSheet%1").arg(number));
}

QString SectionPage::listName() const
{
    return QStringLiteral("SectionListBox%1").arg(m_number);
}

EntryListBox *SectionPage::list()
{
    if (m_list)
        return m_list;
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_list = new EntryListBox(m_context, m_section, this);
    m_list->setObjectName(listName());
    m_list->setAccessibleName(fromCp1252(m_section.caption));
    m_list->setEntries(ini::sectionNames(programFile(sectionFileName(m_section.line))));
    layout->addWidget(m_list);
    // Ctrl+Tab from a list focuses the page it shows next: the focus goes on
    // into its list, which is shown now rather than after the page's show event.
    setFocusProxy(m_list);
    m_list->show();
    connect(m_list, &EntryListBox::entryClicked, this, &SectionPage::entryClicked);
    connect(m_list, &EntryListBox::entryMenuRequested, this, &SectionPage::entryMenuRequested);
    return m_list;
}

QObject *SectionPage::makeControl(const QString &name)
{
    if (m_list || name.compare(listName(), Qt::CaseInsensitive) != 0)
        return nullptr;
    return list();
}

void SectionPage::showEvent(QShowEvent *event)
{
    list();
    QWidget::showEvent(event);
}

} // namespace tv

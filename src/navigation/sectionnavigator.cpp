// SPDX-License-Identifier: GPL-3.0-or-later
#include "sectionnavigator.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "navigation/sectionpage.h"

namespace tv {
namespace {

QString tabText(const QByteArray &caption)
{
    // A tab text treats "&" as a mnemonic; the caption shows it as itself.
    return fromCp1252(caption).replace(u'&', QStringLiteral("&&"));
}

} // namespace

SectionNavigator::SectionNavigator(
    SectionTabWidget *pageControl, std::function<QByteArray()> newestModule, QObject *parent)
    : QObject(parent)
    , m_pageControl(pageControl)
    , m_newestModule(std::move(newestModule))
{
}

void SectionNavigator::CreateSectionTabs()
{
    const QList<Section> sections = readSections();
    const EntryDrawContext context { [this] { return activeSectionFile(); }, m_newestModule };
    for (int n = 1; n <= sections.size(); ++n) {
        const Section &section = sections[n - 1];
        auto *sheet = new SectionPage(section, n, context);
        connect(sheet, &SectionPage::entryClicked, this, &SectionNavigator::entryClicked);
        connect(sheet, &SectionPage::entryMenuRequested, this, &SectionNavigator::entryMenuRequested);
        const int index = m_pageControl->addTab(sheet, tabText(section.caption));
        m_pageControl->setTabToolTip(index, fromCp1252(section.caption));
    }
    if (m_pageControl->count() > 0)
        m_pageControl->setCurrentIndex(0);
}

void SectionNavigator::removeSectionTabs()
{
    m_pageControl->deleteAllTabs();
}

SectionPage *SectionNavigator::page(int tab) const
{
    return qobject_cast<SectionPage *>(m_pageControl->widget(tab));
}

Section SectionNavigator::activeSection() const
{
    const SectionPage *active = page(m_pageControl->currentIndex());
    return active ? active->section() : Section();
}

QString SectionNavigator::activeSectionFile() const
{
    return programFile(sectionFileName(activeSection().line));
}

EntryListBox *SectionNavigator::activeList() const
{
    return list(m_pageControl->currentIndex());
}

EntryListBox *SectionNavigator::list(int tab) const
{
    SectionPage *sheet = page(tab);
    return sheet ? sheet->list() : nullptr;
}

int SectionNavigator::tabOf(const QByteArray &line, int preferred) const
{
    if (const SectionPage *sheet = page(preferred); sheet && sheet->section().line == line)
        return preferred;
    for (int tab = 0; tab < m_pageControl->count(); ++tab) {
        if (page(tab)->section().line == line)
            return tab;
    }
    return -1;
}

int SectionNavigator::rowOf(const EntryListBox *list, const QByteArray &name, int preferred)
{
    if (!list)
        return -1;
    if (preferred >= 0 && preferred < list->count() && list->entryName(preferred) == name)
        return preferred;
    for (int row = 0; row < list->count(); ++row) {
        if (list->entryName(row) == name)
            return row;
    }
    return -1;
}

int SectionNavigator::findEntry(const EntryListBox *list, const QByteArray &text)
{
    if (!list || text.isEmpty())
        return -1;
    const QByteArray wanted = upperCp1252(text);
    for (int i = list->selectedRow() + 1; i < list->count(); ++i) {
        if (upperCp1252(list->entryName(i)).contains(wanted))
            return i;
    }
    return -1;
}

int SectionNavigator::EntriesListboxenCount(int n) const
{
    const EntryListBox *entries = list(n - 1);
    return entries ? entries->count() : 0;
}

QByteArray SectionNavigator::GetListboxEntry(int n, int index) const
{
    const EntryListBox *entries = list(n - 1);
    return entries ? entries->entryName(index) : QByteArray();
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sectionnavigator.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "widgets/findcontrol.h"

#include <QVBoxLayout>

namespace tv {
namespace {
constexpr char kCaptionProperty[] = "sectionCaption";

QString tabText(const QByteArray &caption)
{
    // A tab text treats "&" as a mnemonic; the caption shows it as itself.
    return fromCp1252(caption).replace(u'&', QStringLiteral("&&"));
}
} // namespace

SectionNavigator::SectionNavigator(
    SectionTabWidget *pageControl, std::function<QByteArray()> newestModul, QObject *parent)
    : QObject(parent)
    , m_pageControl(pageControl)
    , m_newestModul(std::move(newestModul))
{
}

void SectionNavigator::CreateSectionTabs()
{
    const QList<QByteArray> lines = readSectionLines();
    const EntryDrawContext context { [this] { return activeSectionFile(); }, m_newestModul };
    for (int n = 1; n <= lines.size(); ++n) {
        const QByteArray &line = lines[n - 1];
        const QByteArray caption = ConvertUmlaut(line, true);
        auto *sheet = new QWidget;
        sheet->setObjectName(QStringLiteral("SectionTabSheet%1").arg(n));
        sheet->setProperty(kCaptionProperty, caption);
        auto *layout = new QVBoxLayout(sheet);
        layout->setContentsMargins(0, 0, 0, 0);

        auto *list = new EntryListBox(context, sheet);
        list->setObjectName(QStringLiteral("SectionListBox%1").arg(n));
        list->setAccessibleName(fromCp1252(caption));
        list->setEntries(ini::sectionNames(programFile(sectionFileName(line))));
        layout->addWidget(list);
        connect(list, &EntryListBox::entryClicked, this, &SectionNavigator::entryClicked);

        const int index = m_pageControl->addTab(sheet, tabText(caption));
        m_pageControl->setTabToolTip(index, fromCp1252(caption));
    }
    if (m_pageControl->count() > 0)
        m_pageControl->setCurrentIndex(0);
}

void SectionNavigator::removeSectionTabs()
{
    m_pageControl->deleteAllTabs();
}

QByteArray SectionNavigator::activeCaption() const
{
    const QWidget *page = m_pageControl->currentWidget();
    return page ? page->property(kCaptionProperty).toByteArray() : QByteArray();
}

QString SectionNavigator::activeSectionFile() const
{
    return sectionFileForCaption(activeCaption());
}

EntryListBox *SectionNavigator::activeList() const
{
    QWidget *page = m_pageControl->currentWidget();
    return page ? page->findChild<EntryListBox *>() : nullptr;
}

QByteArray SectionNavigator::captionOf(const EntryListBox *list)
{
    const QWidget *sheet = list ? list->parentWidget() : nullptr;
    return sheet ? sheet->property(kCaptionProperty).toByteArray() : QByteArray();
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

EntryListBox *SectionNavigator::listBox(int n) const
{
    return qobject_cast<EntryListBox *>(
        findControl(m_pageControl, QStringLiteral("SectionListBox%1").arg(n)));
}

int SectionNavigator::EntriesListboxenCount(int n) const
{
    const EntryListBox *list = listBox(n);
    return list ? list->count() : 0;
}

QByteArray SectionNavigator::GetListboxEntry(int n, int index) const
{
    const EntryListBox *list = listBox(n);
    return list ? list->entryName(index) : QByteArray();
}

} // namespace tv

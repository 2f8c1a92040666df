// SPDX-License-Identifier: GPL-3.0-or-later
#include "sectiontabsaccessible.h"

#include "navigation/sectiontabs.h"
#include "navigation/shorttext.h"
#include "widgets/tablistaccessible.h"

namespace tv {
namespace {

class SectionTabListAccessible : public TabListAccessible
{
public:
    using TabListAccessible::TabListAccessible;

    int tabCount() const override { return tabBar()->count(); }
    // Captions can be megabytes long; the name is what the tool tip shows.
    QString tabName(int index) const override
    {
        return shortText(withoutMnemonics(tabBar()->tabText(index)));
    }
    QString tabDescription(int index) const override { return tabBar()->tabToolTip(index); }
    int currentTab() const override { return tabBar()->currentIndex(); }
    QRect tabRect(int index) const override { return tabBar()->wrappedTabRect(index); }
    int tabAt(const QPoint &pos) const override { return tabBar()->wrappedTabAt(pos); }
    bool isTabEnabled(int) const override { return true; }
    void pressTab(int index) override { tabBar()->setCurrentIndex(index); }

private:
    WrappingTabBar *tabBar() const { return static_cast<WrappingTabBar *>(bar()); }
};

QAccessibleInterface *sectionTabsFactory(const QString &className, QObject *object)
{
    if (className == QLatin1String(WrappingTabBar::staticMetaObject.className()) && object
        && object->isWidgetType())
        return new SectionTabListAccessible(static_cast<WrappingTabBar *>(object));
    return nullptr;
}

} // namespace

void installSectionTabsAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(sectionTabsFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace tv

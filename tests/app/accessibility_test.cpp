// SPDX-License-Identifier: GPL-3.0-or-later
#include "accessibletree.h"
#include "app/application.h"
#include "app/favouritesdialog.h"
#include "app/mainwindow.h"
#include "app/siteconfig.h"
#include "formdriver.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "searchwindow/searchwindow.h"
#include "stats/statistikwindow.h"
#include "testfixture.h"
#include "widgets/findcontrol.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

using namespace tv;

namespace {

enum class Window { Main, Statistics, FullTextSearch, Favourites };

/// The tab a page tab list reports as current; -1 for none or several.
int reportedTab(QAccessibleInterface *list)
{
    int current = -1;
    for (int i = 0; i < list->childCount(); ++i) {
        if (list->child(i)->state().selected) {
            if (current >= 0)
                return -1;
            current = i;
        }
    }
    return current;
}

} // namespace

/// What a screen reader finds in our windows, walked through Qt's accessibility interfaces.
class AccessibilityTest : public TestFixture
{
    Q_OBJECT

    std::unique_ptr<TForm1> m_form;
    std::unique_ptr<QWidget> m_window;

    void setUp() override
    {
        writeEveryPartKindCatalogue(*m_dirs);
        m_form = startMainWindow(*m_seam);
        QVERIFY(m_form);
    }

    void tearDown() override
    {
        m_window.reset();
        m_form.reset();
    }

    /// The main window with the entry of every part kind, each page shown once.
    QWidget *mainWindowWithEveryPart()
    {
        clickEntry(*m_form, 0);
        QTabWidget *parts = m_form->PageControl2();
        if (parts->count() != 7) // Index and six parts
            return nullptr;
        for (int i = parts->count() - 1; i >= 0; --i)
            parts->setCurrentIndex(i);
        return m_form.get();
    }

    QWidget *searchWindow()
    {
        m_form->Volltextsuche1Click();
        search::SearchWindow *window = m_form->searchWindow();
        // The index is built in the background; the window's status says when it is done.
        const QLabel *status = window->statusLabel();
        if (!QTest::qWaitFor(
                [status] { return !status->text().contains(QStringLiteral("aufgebaut")); }, 20000))
            return nullptr;
        QTest::keyClicks(window->queryField(), QStringLiteral("Hinweise"));
        return window;
    }

    QWidget *open(Window which)
    {
        switch (which) {
        case Window::Main:
            return mainWindowWithEveryPart();
        case Window::Statistics:
            m_window = std::make_unique<TForm2>(m_form.get());
            break;
        case Window::FullTextSearch:
            return searchWindow();
        case Window::Favourites:
            m_window = std::make_unique<FavouritesDialog>(
                QList<Favourite> { { QStringLiteral("Alle Teile"), { "Grafik", "Alle Teile", 0 } },
                    { QStringLiteral("Pinsel"), { "Bilder & Farben", "Pinsel", 0 } } },
                m_form.get());
            break;
        }
        m_window->show();
        return QTest::qWaitForWindowExposed(m_window.get()) ? m_window.get() : nullptr;
    }

private slots:
    void windowsHideNothing_data()
    {
        QTest::addColumn<Window>("window");
        QTest::addColumn<QAccessible::Role>("role");
        QTest::newRow("main window with every kind of part") << Window::Main << QAccessible::Window;
        QTest::newRow("Modulstatistik") << Window::Statistics << QAccessible::Dialog;
        QTest::newRow("Volltextsuche") << Window::FullTextSearch << QAccessible::Window;
        QTest::newRow("Favoriten verwalten") << Window::Favourites << QAccessible::Dialog;
    }

    void windowsHideNothing()
    {
        QFETCH(Window, window);
        QFETCH(QAccessible::Role, role);
        QWidget *shown = open(window);
        QVERIFY(shown);
        QCOMPARE(QAccessible::queryAccessibleInterface(shown)->role(), role);
        QCOMPARE(QAccessible::queryAccessibleInterface(shown)->text(QAccessible::Name), shown->windowTitle());
        const QStringList faults = accessibilityFaults(shown);
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(u'\n')));
    }

    void toolBarButtonsSayWhatTheyOpen_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        QTest::newRow("home") << "Speedbutton"
                              << "Startseite" << QString::fromLatin1(site::kHomeUrl);
        QTest::newRow("news") << "SpeedButton3"
                              << "Neuigkeiten" << QString::fromLatin1(site::kNewsUrl);
        QTest::newRow("links") << "SpeedButton1"
                               << "Links" << QString::fromLatin1(site::kLinksUrl);
        QTest::newRow("quit") << "SpeedButton2"
                              << "Beenden"
                              << "Tipvault beenden";
    }

    void toolBarButtonsSayWhatTheyOpen()
    {
        QFETCH(QString, button);
        QFETCH(QString, name);
        QFETCH(QString, description);
        QAccessibleInterface *iface
            = QAccessible::queryAccessibleInterface(findControl(m_form.get(), button));
        QVERIFY(iface);
        QCOMPARE(iface->role(), QAccessible::Button);
        QCOMPARE(iface->text(QAccessible::Name), name);
        QCOMPARE(iface->text(QAccessible::Description), description);
    }

    void sectionTabsAreAPageTabList()
    {
        QAccessibleInterface *tabs = QAccessible::queryAccessibleInterface(m_form->PageControl1()->tabBar());
        QCOMPARE(tabs->role(), QAccessible::PageTabList);
        QCOMPARE(tabs->text(QAccessible::Name), QStringLiteral("Abschnitte"));
        QStringList names;
        for (int i = 0; i < tabs->childCount(); ++i) {
            QAccessibleInterface *tab = tabs->child(i);
            QCOMPARE(tab->role(), QAccessible::PageTab);
            QCOMPARE(tab->parent(), tabs);
            QCOMPARE(tabs->indexOfChild(tab), i);
            QVERIFY(!tab->rect().isEmpty());
            QCOMPARE(tabs->childAt(tab->rect().center().x(), tab->rect().center().y()), tab);
            names << tab->text(QAccessible::Name);
        }
        // The caption as it is shown: "&" is no mnemonic.
        QCOMPARE(names, QStringList({ "Grafik", "Kältetechnik", "Bilder & Farben" }));
        QCOMPARE(reportedTab(tabs), 0);

        // A press switches, as a click does.
        QAccessibleActionInterface *press = tabs->child(2)->actionInterface();
        QVERIFY(press);
        QCOMPARE(press->actionNames(), QStringList(QAccessibleActionInterface::pressAction()));
        press->doAction(QAccessibleActionInterface::pressAction());
        QCOMPARE(m_form->PageControl1()->currentIndex(), 2);
        QVERIFY(m_form->windowTitle().endsWith(QStringLiteral("[Bilder & Farben]")));
        QCOMPARE(reportedTab(tabs), 2);
    }

    void sectionTabsAfterARebuild()
    {
        QAccessibleInterface *tabs = QAccessible::queryAccessibleInterface(m_form->PageControl1()->tabBar());
        QAccessibleInterface *third = tabs->child(2);
        QVERIFY(third->isValid());
        m_form->PageControl1()->setCurrentIndex(2);
        // An update integration leaves two sections.
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Kaeltetechnik\r\nGrafik\r\n");
        QVERIFY(m_form->RebuildNavigation());
        QCOMPARE(tabs->childCount(), 2);
        QCOMPARE(tabs->child(0)->text(QAccessible::Name), QStringLiteral("Kältetechnik"));
        QCOMPARE(reportedTab(tabs), 0);
        // What a reader still holds of the tab that went says so.
        QVERIFY(!third->isValid());
        QVERIFY(third->state().invalid);
        QCOMPARE(third->text(QAccessible::Name), QString());
        QCOMPARE(tabs->indexOfChild(third), -1);
    }

    void readersFollowCtrlTab()
    {
        // What a reader asks when the tabs tell it of a change (Qt 6.4 hands the
        // events themselves only to a platform bridge, which offscreen lacks).
        QAccessibleInterface *tabs = QAccessible::queryAccessibleInterface(m_form->PageControl1()->tabBar());
        EntryListBox *list = m_form->sections()->activeList();
        list->setFocus();

        QTest::keyClick(list, Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(m_form->PageControl1()->currentIndex(), 1);
        QCOMPARE(reportedTab(tabs), 1);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(reportedTab(tabs), 0);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_form->PageControl1()->currentIndex(), 2);
        QCOMPARE(reportedTab(tabs), 2);
        // The focus went on into the chosen section's list, which a reader names by its section.
        QAccessibleInterface *focused = QAccessible::queryAccessibleInterface(QApplication::focusWidget());
        QCOMPARE(focused->role(), QAccessible::List);
        QCOMPARE(focused->text(QAccessible::Name), QStringLiteral("Bilder & Farben"));
    }
};

int main(int argc, char *argv[])
{
    AccessibilityTest test;
    TipvaultApplication app(argc, argv, test.seam());
    return QTest::qExec(&test, argc, argv);
}
#include "accessibility_test.moc"

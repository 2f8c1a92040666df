// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/mainwindow.h"
#include "catalogue/cp1252.h"
#include "catalogue/paths.h"
#include "formdriver.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "navigation/sectiontabs.h"
#include "search/query.h"
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/entryviewer.h"
#include "viewer/indexgrid.h"
#include "widgets/findcontrol.h"

#include <QLineEdit>
#include <QPointer>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QtTest>

using namespace tv;

/// The section tabs, their entry lists, and how a place is found in them.
class NavigationTest : public TestFixture
{
    Q_OBJECT

    /// Sections "Abschnitt Nummer 1" ... "Abschnitt Nummer <count>", one entry each.
    void writeNumberedSections(int count)
    {
        QByteArray sections;
        for (int i = 1; i <= count; ++i) {
            const QByteArray line = "Abschnitt Nummer " + QByteArray::number(i);
            sections += line + "\r\n";
            m_dirs->writeProgramFile(
                QStringLiteral("Section_%1.dat").arg(QString::fromLatin1(line)), "[E]\r\n");
        }
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), sections);
    }

    /// "Grafik" with 13 entries, the first of three parts without a module, and "Kaeltetechnik".
    void writeNamesCatalogue()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
        QByteArray names = "[Bitmaps laden]\r\nCount=3\r\n";
        for (const char *name : { "Dateien kopieren", "Bitmap drehen", "Zwoelf Teile", "Leer", "Kaputt",
                 "A A", "A B A", "A basis A", "Ohne A", "Riesig", "Farben \xE4ndern", "Ausbruch" })
            names += QByteArray("[") + name + "]\r\nCount=0\r\n";
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), names);
        m_dirs->writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"), "[K\xFChlen]\r\nCount=0\r\n");
    }

private slots:
    void buildsTabsListsAndCaption()
    {
        writeSmallCatalogue(*m_dirs);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 - NEU.TVM  [Grafik]"));
        QCOMPARE(form.PageControl1()->count(), 2);
        QCOMPARE(form.PageControl1()->tabText(1), QStringLiteral("Kältetechnik"));
        QCOMPARE(form.CurrentEntryIndex(), -1);
        QCOMPARE(form.EntriesListboxenCount(1), 4);
        QCOMPARE(form.GetListboxEntry(1, 2), QByteArray("Farben & Stifte"));
        QCOMPARE(form.GetListboxEntry(2, 0), QByteArray("K\xFChlschrank"));
        // Run-time controls are found by name without regard to case.
        QVERIFY(qobject_cast<EntryListBox *>(findControl(&form, QStringLiteral("SectionListbox2"))));
        QVERIFY(findControl(&form, QStringLiteral("sectiontabsheet1")));
        auto *list = qobject_cast<EntryListBox *>(findControl(&form, QStringLiteral("SectionListBox1")));
        QCOMPARE(list->item(2)->text(), QStringLiteral("Farben & Stifte"));
        QCOMPARE(list->currentRow(), -1);
        QCOMPARE(form.StringGrid1()->cellText(0, 0), QStringLiteral("Typ"));
        QCOMPARE(form.StringGrid1()->cellText(1, 0), QStringLiteral("Beschreibung"));
        QCOMPARE(form.StringGrid1()->cellText(2, 0), QStringLiteral("Modul"));
    }

    void captionWithoutNewestModule()
    {
        writeSmallCatalogue(*m_dirs, false);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 -   [Grafik]"));
    }

    void tabSwitchFollowsWithCaption()
    {
        writeSmallCatalogue(*m_dirs);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.setStatusText(QStringLiteral("Eintrag: 1/4"));
        auto *bar = qobject_cast<WrappingTabBar *>(form.PageControl1()->tabBar());
        QVERIFY(bar);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->wrappedTabRect(1).center());
        QCOMPARE(form.PageControl1()->currentIndex(), 1);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 - NEU.TVM  [Kältetechnik]"));
        QCOMPARE(form.statusText(), QString());
        QCOMPARE(form.sections()->activeSectionFile(),
            m_dirs->programDir() + QStringLiteral("Section_Kaeltetechnik.dat"));
    }

    void sectionTabsWrapIntoRows()
    {
        writeNumberedSections(8);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *bar = qobject_cast<WrappingTabBar *>(form.PageControl1()->tabBar());
        QVERIFY(bar->rowCount() > 1);
        // Every tab is visible inside the pane: none is scrolled away.
        for (int i = 0; i < form.PageControl1()->count(); ++i)
            QVERIFY(bar->rect().contains(bar->wrappedTabRect(i)));
        // A tab of an upper row is chosen: its row moves down next to the page.
        const int last = form.PageControl1()->count() - 1;
        QVERIFY(bar->wrappedTabRect(last).top() < bar->wrappedTabRect(0).top());
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->wrappedTabRect(last).center());
        QCOMPARE(form.PageControl1()->currentIndex(), last);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 -   [Abschnitt Nummer 8]"));
        QVERIFY(bar->wrappedTabRect(last).top() > bar->wrappedTabRect(0).top());
        // The page starts below all rows.
        QWidget *page = form.PageControl1()->currentWidget();
        QVERIFY(page->mapTo(form.PageControl1(), QPoint(0, 0)).y() > bar->geometry().bottom());
    }

    void manySectionsKeepTheWindowOnTheScreen()
    {
        // 60 sections wrap into far more rows than a third of the pane holds.
        writeNumberedSections(60);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCoreApplication::processEvents();
        const QSize screen = QGuiApplication::primaryScreen()->size();
        QCOMPARE(form.size(), mainWindowGeometry(screen).window);
        SectionTabWidget *pane = form.PageControl1();
        WrappingTabBar *bar = pane->tabBar();
        QScrollArea *rows = pane->tabRows();
        QVERIFY(bar->height() > pane->height()); // the rows would not even fit the pane
        QVERIFY2(rows->height() <= pane->height() / 3 + 1,
            qPrintable(QStringLiteral("%1 of %2").arg(rows->height()).arg(pane->height())));
        QVERIFY(pane->currentWidget()->height() > pane->height() / 2); // the list keeps its room

        // The chosen tab's row is shown; a tab of the first row is scrolled to and clicked.
        const auto shown = [&](int index) {
            const QRect r = bar->wrappedTabRect(index).translated(bar->pos());
            return rows->viewport()->rect().contains(r);
        };
        QVERIFY(shown(0));
        const int top = bar->wrappedTabAt(QPoint(1, 1));
        QVERIFY(top > 0 && !shown(top));
        rows->verticalScrollBar()->setValue(0);
        QVERIFY(shown(top));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->wrappedTabRect(top).center());
        QCOMPARE(pane->currentIndex(), top);
        QCoreApplication::processEvents();
        QVERIFY(shown(top));

        // From the keyboard every section is reached, and shown.
        auto *list = findControl(&form, QStringLiteral("SectionListBox%1").arg(top + 1));
        QTest::keyClick(qobject_cast<QWidget *>(list), Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(pane->currentIndex(), top + 1);
        QCoreApplication::processEvents();
        QVERIFY(shown(top + 1));
        pane->setCurrentIndex(0);
        QTest::keyClick(pane, Qt::Key_PageUp, Qt::ControlModifier);
        QCOMPARE(pane->currentIndex(), 59);
        QCoreApplication::processEvents();
        QVERIFY(shown(59));
    }

    void manyTabsAreLaidOutOnce()
    {
        SectionTabWidget tabs;
        tabs.resize(300, 400);
        tabs.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tabs));
        WrappingTabBar *bar = tabs.tabBar();
        const int before = bar->layoutPasses();
        QSignalSpy changes(&tabs, &SectionTabWidget::currentChanged);
        for (int i = 1; i <= 3000; ++i)
            tabs.addTab(new QWidget, QStringLiteral("Abschnitt %1").arg(i));
        QCoreApplication::processEvents();
        QVERIFY2(
            bar->layoutPasses() - before <= 2, qPrintable(QString::number(bar->layoutPasses() - before)));
        QCOMPARE(changes.size(), 1); // the first tab became current
        QCOMPARE(tabs.currentIndex(), 0);
        QVERIFY(bar->rowCount() > 100);
        QVERIFY(bar->rect().contains(bar->wrappedTabRect(2999)));
        tabs.setCurrentIndex(2999);
        QCOMPARE(tabs.currentWidget(), tabs.widget(2999));
        tabs.deleteAllTabs();
        QCOMPARE(tabs.count(), 0);
        QCOMPARE(tabs.currentWidget(), nullptr);
    }

    void startUpLaysOutTheSectionTabsOnce()
    {
        QByteArray sections;
        for (int i = 1; i <= 300; ++i) {
            const QByteArray line = "Abschnitt " + QByteArray::number(i);
            sections += line + "\r\n";
            m_dirs->writeProgramFile(
                QStringLiteral("Section_%1.dat").arg(QString::fromLatin1(line)), "[E]\r\n");
        }
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), sections);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.PageControl1()->count(), 300);
        // A few passes for the sizes the window goes through, not one per tab.
        QVERIFY2(form.PageControl1()->tabBar()->layoutPasses() <= 10,
            qPrintable(QString::number(form.PageControl1()->tabBar()->layoutPasses())));
        // Ctrl+Tab steps to the next section.
        QTest::keyClick(qobject_cast<QWidget *>(findControl(&form, QStringLiteral("SectionListBox1"))),
            Qt::Key_Tab, Qt::ControlModifier);
        QCOMPARE(form.PageControl1()->currentIndex(), 1);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 -   [Abschnitt 2]"));
    }

    void longEntryNamesAreShownShort()
    {
        // 6 MB of name: clicking it completes, and what is shown is short.
        QByteArray longName = "Langer Name";
        while (longName.size() < 6'000'000)
            longName += " und noch l\xE4nger";
        longName += " ENDE";
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(
            QStringLiteral("Section_Grafik.dat"), "[Kurz]\r\nCount=0\r\n[" + longName + "]\r\nCount=0\r\n");
        auto form = std::make_unique<TForm1>(*m_seam);
        QVERIFY(form->FormCreate());
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(form->GetListboxEntry(1, 1), longName); // the name itself stays whole
        auto *list = qobject_cast<EntryListBox *>(findControl(form.get(), QStringLiteral("SectionListBox1")));
        QVERIFY(list->item(1)->text().size() <= 200);
        QVERIFY(list->item(1)->text().startsWith(QStringLiteral("Langer Name und noch länger")));

        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
        QCOMPARE(form->CurrentEntryIndex(), 1);
        QVERIFY(
            form->statusText().startsWith(QStringLiteral("Eintrag: 2/2      -      Langer Name und noch")));
        QVERIFY(form->statusText().size() <= 500);
        QVERIFY(form->statusText().endsWith(u'…'));
        QVERIFY(form->width() < 10000);

        // The search reads the whole name.
        list->selectRow(0);
        form->Edit1()->setText(QStringLiteral("ende"));
        form->Edit1KeyPress();
        QCOMPARE(list->selectedRow(), 1);
    }

    void entryLookRules()
    {
        QCOMPARE(entryLook("!Neuheiten", "alt", "neu.tvm"), EntryLook::Marked);
        QCOMPARE(entryLook("!Neuheiten", "neu", "neu.tvm"), EntryLook::Marked);
        QCOMPARE(entryLook("Bitmaps", "Neu", "neu.tvm"), EntryLook::New);
        QCOMPARE(entryLook("Bitmaps", "alt", "neu.tvm"), EntryLook::Regular);
        QCOMPARE(entryLook("Bitmaps", "", ""), EntryLook::Regular);
        QCOMPARE(entryLook("Bitmaps", "\xE4", "\xC4.tvm"), EntryLook::Regular); // ASCII-only upper-casing

        writeSmallCatalogue(*m_dirs);
        const QString file = m_dirs->programDir() + QStringLiteral("Section_Grafik.dat");
        QCOMPARE(entryModule(file, "Bitmaps laden"), QByteArray("neu"));
        QCOMPARE(entryModule(file, "Dateien kopieren"), QByteArray("alt")); // CModul wins over 1Modul
        QCOMPARE(entryModule(file, "Fehlt"), QByteArray());
    }

    void listIsPaintedByTheRules()
    {
        writeSmallCatalogue(*m_dirs);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto *list = qobject_cast<EntryListBox *>(findControl(&form, QStringLiteral("SectionListBox1")));
        const QImage image = list->viewport()->grab().toImage();
        auto rowHas = [&](int row, QColor colour) {
            const QRect r = list->visualItemRect(list->item(row));
            for (int y = r.top(); y <= r.bottom(); ++y)
                for (int x = r.left(); x <= r.right(); ++x)
                    if (image.pixelColor(x, y) == colour)
                        return true;
            return false;
        };
        const QColor yellow(255, 255, 0);
        QVERIFY(rowHas(0, yellow)); // !Neuheiten: yellow
        QVERIFY(!rowHas(1, yellow)); // new entry: white
        QVERIFY(rowHas(1, QColor(255, 255, 255)));
        QVERIFY(rowHas(3, QColor(0, 0, 255))); // blue background
        // What the colours say reaches screen readers in words.
        QCOMPARE(list->item(0)->data(Qt::AccessibleDescriptionRole).toString(),
            QStringLiteral("Markierter Eintrag"));
        QCOMPARE(
            list->item(1)->data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Neuer Eintrag"));
        QVERIFY(!list->item(3)->data(Qt::AccessibleDescriptionRole).isValid());
    }

    void keyboardPicksAnEntry()
    {
        writeSmallCatalogue(*m_dirs);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.focusWidget(), form.Edit1()); // the search box takes the focus first
        auto *list = form.sections()->activeList();
        QSignalSpy spy(form.sections(), &SectionNavigator::entryClicked);
        list->setFocus();
        // Focus makes the first entry current without picking it; each move picks one.
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
        QCOMPARE(list->currentRow(), 2);
        QCOMPARE(spy.size(), 2);
        QCOMPARE(list->selectedItems().value(0), list->item(2));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(3)).center());
        QCOMPARE(list->currentRow(), 3);
        QCOMPARE(spy.size(), 3);
    }

    void aPlaceOpensTheSectionOfItsLine_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<bool>("bySearch");
        // "&" is doubled in a tab's text; a literal "ä" is no "ae" of the file's name.
        QTest::newRow("ampersand, click") << QByteArray("Tipps & Tricks") << false;
        QTest::newRow("ampersand, search result") << QByteArray("Tipps & Tricks") << true;
        QTest::newRow("umlaut, click") << QByteArray("K\xE4ltetechnik") << false;
        QTest::newRow("umlaut, search result") << QByteArray("K\xE4ltetechnik") << true;
    }

    void aPlaceOpensTheSectionOfItsLine()
    {
        QFETCH(QByteArray, line);
        QFETCH(bool, bySearch);
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n" + line + "\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), "[Anderes]\r\nCount=0\r\n");
        m_dirs->writeProgramFile(
            QStringLiteral("Section_%1.dat").arg(fromCp1252(line)), "[Eintrag]\r\n1Describe=richtig\r\n");
        // What the caption turned back into a line would read.
        m_dirs->writeProgramFile(
            QStringLiteral("Section_Kaeltetechnik.dat"), "[Eintrag]\r\n1Describe=falsch\r\n");
        const auto form = startMainWindow(*m_seam);
        QVERIFY(form);
        if (bySearch) {
            search::Hit hit;
            hit.sectionLine = line;
            hit.sectionPosition = 1;
            hit.entry = "Eintrag";
            hit.part = 1;
            form->openSearchHit(hit, {});
        } else {
            form->PageControl1()->setCurrentIndex(1);
            clickEntry(*form, 0, 2);
        }
        QCOMPARE(form->statusText(), QStringLiteral("Eintrag: 1/1      -      Eintrag"));
        QCOMPARE(form->viewer()->shownSection(), line);
        QCOMPARE(form->StringGrid1()->cellText(1, 1), QStringLiteral("richtig"));
    }

    void listsAreMadeWhenFirstNeeded()
    {
        writeNumberedSections(3);
        const auto form = startMainWindow(*m_seam);
        QVERIFY(form);
        // The shown tab has its list; the others get theirs when shown or looked up.
        QVERIFY(form->findChild<EntryListBox *>(QStringLiteral("SectionListBox1")));
        QVERIFY(!form->findChild<EntryListBox *>(QStringLiteral("SectionListBox2")));
        QVERIFY(!form->findChild<EntryListBox *>(QStringLiteral("SectionListBox3")));
        form->PageControl1()->setCurrentIndex(1);
        auto *second = form->findChild<EntryListBox *>(QStringLiteral("SectionListBox2"));
        QVERIFY(second);
        QCOMPARE(second->parentWidget(), form->PageControl1()->widget(1));
        QCOMPARE(second->accessibleName(), QStringLiteral("Abschnitt Nummer 2"));
        auto *third
            = qobject_cast<EntryListBox *>(findControl(form.get(), QStringLiteral("sectionlistbox3")));
        QVERIFY(third);
        QCOMPARE(third->section().line, QByteArray("Abschnitt Nummer 3"));
        QCOMPARE(third->entryName(0), QByteArray("E"));
        QCOMPARE(findControl(form.get(), QStringLiteral("SectionListBox3")), third);
        QCOMPARE(findControl(form.get(), QStringLiteral("SectionListBox4")), nullptr);
    }

    void aSectionSwitchRebuildsTheSamePosition()
    {
        writeNamesCatalogue();
        const auto form = startMainWindow(*m_seam);
        QVERIFY(form);
        clickEntry(*form, 0);
        QPointer<QWidget> first = form->PageControl2()->widget(1);
        clickEntry(*form, 0);
        QVERIFY(first);
        form->PageControl1()->setCurrentIndex(1);
        form->PageControl1()->setCurrentIndex(0);
        clickEntry(*form, 0);
        QVERIFY(!first);
        QCOMPARE(form->PageControl2()->currentIndex(), 1);
    }

    void searchMovesDownAndNeverWraps()
    {
        writeNamesCatalogue();
        const auto form = startMainWindow(*m_seam);
        QVERIFY(form);
        EntryListBox *list = form->sections()->list(0);
        QLineEdit *edit = form->Edit1();
        edit->setFocus();
        QTest::keyClicks(edit, QStringLiteral("bitmap"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(list->selectedRow(), 0);
        QCOMPARE(form->PageControl2()->count(), 4);
        QCOMPARE(edit->text(), QStringLiteral("bitmap"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(list->selectedRow(), 2);
        QCOMPARE(form->statusText(), QStringLiteral("Eintrag: 3/13      -      Bitmap drehen"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(form->statusText(), QStringLiteral("Keine Übereinstimmungen gefunden..."));
        QCOMPARE(list->selectedRow(), 2);

        edit->clear();
        QTest::keyClicks(edit, QStringLiteral("ÄNDERN"));
        QTest::keyClick(edit, Qt::Key_Enter);
        QCOMPARE(list->selectedRow(), 11);
        list->selectRow(0);
        edit->setText(QStringLiteral("aendern"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(form->statusText(), QStringLiteral("Keine Übereinstimmungen gefunden..."));
        edit->clear();
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(form->statusText(), QStringLiteral("Keine Übereinstimmungen gefunden..."));
        QCOMPARE(list->selectedRow(), 0);

        // Only the active section is searched.
        form->PageControl1()->setCurrentIndex(1);
        edit->setText(QStringLiteral("bitmap"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(form->statusText(), QStringLiteral("Keine Übereinstimmungen gefunden..."));
        edit->setText(QStringLiteral("k\xFChl"));
        QTest::keyClick(edit, Qt::Key_Return);
        QCOMPARE(form->sections()->list(1)->selectedRow(), 0);
    }
};

int main(int argc, char *argv[])
{
    NavigationTest test;
    // The error report of the event loop answers through the test's own seam.
    TipvaultApplication app(argc, argv, test.seam());
    return QTest::qExec(&test, argc, argv);
}
#include "navigation_test.moc"

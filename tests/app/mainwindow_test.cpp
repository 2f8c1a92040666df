// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktopseam.h"
#include "app/application.h"
#include "app/mainwindow.h"
#include "app/timezone.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "navigation/sectiontabs.h"
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/indexgrid.h"
#include "widgets/findcontrol.h"

#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace tv;

namespace {

// A small catalogue: two sections, the second shown with "ä".
void writeCatalogue(const TestDirs &dirs, bool withNewest = true)
{
    dirs.writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
    dirs.writeProgramFile(QStringLiteral("Section_Grafik.dat"),
        "[!Neuheiten]\r\n1Modul=alt\r\n"
        "[Bitmaps laden]\r\n1Modul=neu\r\n"
        "[Farben & Stifte]\r\n1Modul=alt\r\n"
        "[Dateien kopieren]\r\nCModul=alt\r\n1Modul=neu\r\n");
    dirs.writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"), "[K\xFChlschrank]\r\nCModul=Neu\r\n");
    if (withNewest)
        dirs.writeProgramFile(
            QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=neu.tvm\r\nDate=3\r\n");
}

class Thrower : public QObject
{
public:
    bool event(QEvent *e) override
    {
        if (e->type() == QEvent::User)
            throw IoError(5);
        return QObject::event(e);
    }
};

} // namespace

class MainWindowTest : public TestFixture
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

private slots:
    void incompleteCatalogueStopsTheStart()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        TForm1 form(*m_seam);
        QVERIFY(!form.FormCreate());
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Error);
        QCOMPARE(m_seam->messages[0].text,
            QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu."));
        QVERIFY(!QFileInfo::exists(m_dirs->workDir()));
    }

    void emptyCatalogueStartsWithoutTabs()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "");
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        QCOMPARE(form.PageControl1()->count(), 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 -   []"));
    }

    void buildsTabsListsAndCaption()
    {
        writeCatalogue(*m_dirs);
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
        writeCatalogue(*m_dirs, false);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        QCOMPARE(form.windowTitle(), QStringLiteral("Tipvault v1.1 -   [Grafik]"));
    }

    void tabSwitchFollowsWithCaption()
    {
        writeCatalogue(*m_dirs);
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

    void timeZoneIsPinnedOnlyWhenUnset()
    {
        const QByteArray saved = qgetenv("TZ");
        const bool wasSet = qEnvironmentVariableIsSet("TZ");
        // Unset: the system's zone file, and every local time reads as before.
        qunsetenv("TZ");
        ::tzset();
        const time_t stamp = 1719835200; // 2024-07-01 12:00 UTC
        struct tm before
        {
        };
        ::localtime_r(&stamp, &before);
        pinLocalTimeZone();
        QCOMPARE(qgetenv("TZ"), QByteArray(":/etc/localtime"));
        struct tm after
        {
        };
        ::localtime_r(&stamp, &after);
        QCOMPARE(after.tm_hour, before.tm_hour);
        QCOMPARE(after.tm_isdst, before.tm_isdst);
        // Set: left alone.
        qputenv("TZ", "Asia/Tokyo");
        pinLocalTimeZone();
        QCOMPARE(qgetenv("TZ"), QByteArray("Asia/Tokyo"));
        if (wasSet)
            qputenv("TZ", saved);
        else
            qunsetenv("TZ");
        ::tzset();
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

    void nameWithNulIsNeverCut()
    {
        // What a C string would read of the name is there; the name itself is not.
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), QByteArray("Qt-Ober\0flaechen\r\n", 18));
        m_dirs->writeProgramFile(QStringLiteral("Section_Qt-Ober"), "[Falsch]\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Qt-Ober.dat"), "[Falsch]\r\n");
        const QByteArray name("Section_Qt-Ober\0flaechen.dat", 28);
        QVERIFY(!fileExistsIn(m_dirs->programDir(), name));
        QCOMPARE(resolveName(m_dirs->programDir(), name), QString());
        TForm1 form(*m_seam);
        QVERIFY(!form.FormCreate());
        QCOMPARE(m_seam->messageTexts(),
            QStringList {
                QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu.") });
    }

    void entryLookRules()
    {
        QCOMPARE(entryLook("!Neuheiten", "alt", "neu.tvm"), EntryLook::Marked);
        QCOMPARE(entryLook("!Neuheiten", "neu", "neu.tvm"), EntryLook::Marked);
        QCOMPARE(entryLook("Bitmaps", "Neu", "neu.tvm"), EntryLook::New);
        QCOMPARE(entryLook("Bitmaps", "alt", "neu.tvm"), EntryLook::Regular);
        QCOMPARE(entryLook("Bitmaps", "", ""), EntryLook::Regular);
        QCOMPARE(entryLook("Bitmaps", "\xE4", "\xC4.tvm"), EntryLook::Regular); // ASCII-only upper-casing

        writeCatalogue(*m_dirs);
        const QString file = m_dirs->programDir() + QStringLiteral("Section_Grafik.dat");
        QCOMPARE(entryModul(file, "Bitmaps laden"), QByteArray("neu"));
        QCOMPARE(entryModul(file, "Dateien kopieren"), QByteArray("alt")); // CModul wins over 1Modul
        QCOMPARE(entryModul(file, "Fehlt"), QByteArray());
    }

    void listIsPaintedByTheRules()
    {
        writeCatalogue(*m_dirs);
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
        writeCatalogue(*m_dirs);
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

    void geometryArithmetic()
    {
        const MainWindowGeometry g = mainWindowGeometry(QSize(1024, 768));
        QCOMPARE(g.window, QSize(944, 668));
        QCOMPARE(g.sectionWidth, 283);
        const IndexGridLayout l = indexGridLayout(443, 329);
        QCOMPARE(l.column0, 110);
        QCOMPARE(l.column1, 265);
        QCOMPARE(l.column2, 59);
        QCOMPARE(l.rows, 16);
        QCOMPARE(indexGridLayout(100, 10).rows, 1);
    }

    void gridFollowsItsSize()
    {
        IndexGrid grid;
        grid.resize(443, 329);
        grid.fitToSize();
        QCOMPARE(grid.columnWidth(0), 110);
        QCOMPARE(grid.columnWidth(1), 265);
        QCOMPARE(grid.columnWidth(2), 59);
        QCOMPARE(grid.rowTotal(), 16);
    }

    void closingRemovesTheWorkDirectory()
    {
        writeCatalogue(*m_dirs);
        {
            TForm1 form(*m_seam);
            QVERIFY(form.FormCreate());
            form.show();
            TestDirs::writeFile(GetWorkDir() + QStringLiteral("left.rtf"), "x");
            QTest::keyClick(&form, Qt::Key_B, Qt::AltModifier); // nothing bound: the window stays
            QVERIFY(form.close());
        }
        QVERIFY(!QFileInfo::exists(m_dirs->workDir()));

        // A subdirectory keeps the Work directory alive; the plain files go.
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        QVERIFY(QDir().mkpath(GetWorkDir() + QStringLiteral("sub")));
        TestDirs::writeFile(GetWorkDir() + QStringLiteral("a.txt"), "x");
        form.Beenden1Click();
        QVERIFY(QFileInfo::exists(m_dirs->workDir() + QStringLiteral("sub")));
        QVERIFY(!QFileInfo::exists(m_dirs->workDir() + QStringLiteral("a.txt")));
    }

    void exceptionInAHandlerIsReportedAndTheProgramGoesOn()
    {
        Thrower thrower;
        QEvent event(QEvent::User);
        QCoreApplication::sendEvent(&thrower, &event);
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Tipvault"));
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Error);
        QCOMPARE(m_seam->messages[0].buttons, int(Ok));
        QCOMPARE(m_seam->messages[0].text, QStringLiteral("Dateizugriff verweigert."));
    }

    void desktopBoxesSpeakGerman()
    {
        // The real seam: a Yes/No box with German buttons, Yes as default, Escape answering No.
        DesktopSeam desktop;
        QStringList buttons;
        QString defaultButton;
        QString title;
        Qt::CursorShape cursorWhileAsking = Qt::WaitCursor;
        desktop.setBusy(true); // a busy command asks: the box shows the arrow
        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            cursorWhileAsking = QGuiApplication::overrideCursor()->shape();
            title = box->windowTitle();
            for (QAbstractButton *b : box->buttons())
                buttons.append(b->text());
            defaultButton = box->defaultButton() ? box->defaultButton()->text() : QString();
            QTest::keyClick(box, Qt::Key_Escape);
        });
        const MessageButton answer = desktop.message(MessageRequest {
            MessageKind::Confirmation, QStringLiteral("Bestätigung"), QStringLiteral("Weiter?"), Yes | No });
        QCOMPARE(answer, No);
        QCOMPARE(cursorWhileAsking, Qt::ArrowCursor);
        QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
        desktop.setBusy(false);
        QVERIFY(!QGuiApplication::overrideCursor());
        QCOMPARE(title, QStringLiteral("Bestätigung"));
        buttons.sort();
        QCOMPARE(buttons, (QStringList { QStringLiteral("&Ja"), QStringLiteral("&Nein") }));
        QCOMPARE(defaultButton, QStringLiteral("&Ja"));

        QTimer::singleShot(0, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Return);
        });
        QCOMPARE(desktop.message(MessageRequest {
                     MessageKind::Error, QStringLiteral("Fehler"), QStringLiteral("x"), Ok }),
            Ok);
    }

    void unreadableSectionListIsReported()
    {
        writeCatalogue(*m_dirs);
        TForm1 form(*m_seam);
        QVERIFY(form.FormCreate());
        // Sections.dat replaced by a folder after the start: the error report shows it.
        QVERIFY(QFile::remove(m_dirs->programDir() + QStringLiteral("Sections.dat")));
        QVERIFY(QDir().mkdir(m_dirs->programDir() + QStringLiteral("Sections.dat")));
        guarded(*m_seam, [&] { form.sections()->CreateSectionTabs(); });
        QCOMPARE(m_seam->messageTexts(), QStringList { QStringLiteral("Dateizugriff verweigert.") });
    }
};

int main(int argc, char *argv[])
{
    MainWindowTest test;
    // The error report of the event loop answers through the test's own seam.
    TipvaultApplication app(argc, argv, test.seam());
    return QTest::qExec(&test, argc, argv);
}
#include "mainwindow_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/mainwindow.h"
#include "formdriver.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "search/searchservice.h"
#include "searchwindow/searchwindow.h"
#include "testfixture.h"
#include "viewer/archivepart.h"
#include "zip/zipaccess.h"
#include "zipwriter.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTextEdit>
#include <QtTest>

using namespace tv;
using search::SearchWindow;

namespace {

const QByteArray kText = "{\\rtf1\\ansi Erste Zeile.\\par Hier steht der Arbeits{\\b spei}cher und die "
                         "Gr\\'f6\\'dfe.\\par}";

} // namespace

class SearchWindowTest : public TestFixture
{
    Q_OBJECT

    std::unique_ptr<TForm1> m_form;

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[Bitmaps]\r\nCount=2\r\n1Modul=basis\r\n1File=b.rtf\r\n2=Beispiel\r\n2Modul=basis\r\n"
            "2File=code.zip\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"),
            "[Kompressoren]\r\nCount=2\r\n1Modul=basis\r\n1File=k.txt\r\n2=Artikel\r\n2Modul=basis\r\n"
            "2File=s.rtf\r\n2Describe=Arbeitsweise\r\n[Zweiter]\r\n1Modul=basis\r\n1File=k.txt\r\n");
        m_dirs->writeProgramFile(QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=basis.tvm\r\n");
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "b.rtf", "{\\rtf1 Bilder}" }, { "k.txt", "Kurz" }, { "s.rtf", kText },
                { "code.zip",
                    zipBytes({ { "liesmich.txt", "Lies mich" },
                        { "src/lader.cpp", "void ladeSchrift();\n" } }) } });
        m_form = startMainWindow(*m_seam);
        QVERIFY(m_form);
    }

    void tearDown() override { m_form.reset(); }

    // Opens the window with its shortcut and waits until the index is built.
    SearchWindow *openWindow()
    {
        QTest::keyClick(m_form.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        SearchWindow *window = m_form->searchWindow();
        if (!window || !QTest::qWaitForWindowExposed(window))
            return nullptr;
        auto *service = window->findChild<QLabel *>(QStringLiteral("Suchstatus"));
        if (!QTest::qWaitFor(
                [service] { return !service->text().contains(QStringLiteral("aufgebaut")); }, 20000))
            return nullptr;
        return window;
    }

    static bool typeAndWait(SearchWindow *window, const QString &text, int expected)
    {
        window->queryField()->clear();
        QTest::keyClicks(window->queryField(), text);
        return QTest::qWaitFor([&] { return window->resultList()->count() == expected; }, 20000);
    }

private slots:
    void indexIsReadyBeforeTheWindowIsOpened()
    {
        m_form.reset();
        auto form = std::make_unique<TForm1>(*m_seam);
        form->ZipAccess1().setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        QVERIFY(form->FormCreate());
        form->show();
        QVERIFY(!form->searchService()); // start-up does not wait for the index
        QTRY_VERIFY_WITH_TIMEOUT(form->searchService(), 20000);
        QTRY_VERIFY_WITH_TIMEOUT(!form->searchService()->isIndexing(), 20000);
        QVERIFY(!form->searchWindow());
        QTest::keyClick(form.get(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        SearchWindow *window = form->searchWindow();
        QVERIFY(window);
        QVERIFY2(!window->statusLabel()->text().contains(QStringLiteral("aufgebaut")),
            qPrintable(window->statusLabel()->text()));
        QVERIFY(typeAndWait(window, QStringLiteral("speicher"), 1));
    }

    void closingDuringTheBuildKeepsWhatIsDone()
    {
        // The program ends while the index is being built: no wait for the
        // rest, and the next start finds a sound index to go on with.
        QTRY_VERIFY_WITH_TIMEOUT(m_form->searchService(), 20000);
        m_form.reset();
        m_form = startMainWindow(*m_seam);
        QVERIFY(m_form);
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("kurz"), 2));
    }

    void progressCountsParts()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        // What the window says while the index is built, from the service's report.
        QMetaObject::invokeMethod(m_form->searchService(), "progress", Q_ARG(int, 12340), Q_ARG(int, 53895));
        QVERIFY2(window->statusLabel()->text().contains(QStringLiteral("Index: 12.340 von 53.895 Teilen")),
            qPrintable(window->statusLabel()->text()));
    }

    void menuEntryOpensTheWindow()
    {
        auto *action = m_form->findChild<QAction *>(QStringLiteral("Volltextsuche1"));
        QVERIFY(action);
        QCOMPARE(action->text(), QStringLiteral("&Volltextsuche..."));
        QCOMPARE(action->shortcut(), QKeySequence(QStringLiteral("Ctrl+Shift+F")));
        action->trigger();
        SearchWindow *window = m_form->searchWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), QStringLiteral("Volltextsuche"));
        QCOMPARE(window->queryField()->accessibleName(), QStringLiteral("Suchbegriff"));
        QCOMPARE(window->sectionBox()->itemText(0), QStringLiteral("Alle Bereiche"));
        QCOMPARE(window->sectionBox()->itemText(2), QStringLiteral("Kältetechnik"));
        for (const auto kind : { search::Kind::Entries, search::Kind::Texts, search::Kind::Archives,
                 search::Kind::HtmlPages, search::Kind::Links })
            QVERIFY(window->kindBox(kind)->isChecked());
        QCOMPARE(window->kindBox(search::Kind::HtmlPages)->text(), QStringLiteral("&HTML-Seiten"));
    }

    void resultsShowEntrySectionPartAndContext()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("speicher"), 1));
        const QString text = window->resultList()->item(0)->data(Qt::AccessibleTextRole).toString();
        QVERIFY2(text.contains(QStringLiteral("Kompressoren")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Kältetechnik")));
        QVERIFY(text.contains(QStringLiteral("Artikel")));
        QVERIFY(text.contains(QStringLiteral("Arbeitsspeicher")));
        QVERIFY(window->statusLabel()->text().contains(QStringLiteral("1 Treffer")));
    }

    void scopeNarrowsTheResults()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("kurz"), 2));
        window->sectionBox()->setCurrentIndex(1); // Grafik
        QTRY_COMPARE_WITH_TIMEOUT(window->resultList()->count(), 0, 20000);
        window->sectionBox()->setCurrentIndex(0);
        QTRY_COMPARE_WITH_TIMEOUT(window->resultList()->count(), 2, 20000);
        window->kindBox(search::Kind::Texts)->setChecked(false);
        QTRY_COMPARE_WITH_TIMEOUT(window->resultList()->count(), 0, 20000);
    }

    void enterOpensEntryPartAndSelectsTheMatch()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("groesse"), 1));
        QTest::keyClick(window->queryField(), Qt::Key_Return);

        QCOMPARE(m_form->PageControl1()->currentIndex(), 1);
        EntryListBox *list = m_form->sections()->activeList();
        QCOMPARE(list->selectedRow(), 0);
        QCOMPARE(m_form->PageControl2()->currentIndex(), 2);
        auto *edit = m_form->PageControl2()->widget(2)->findChild<QTextEdit *>();
        QVERIFY(edit);
        QCOMPARE(edit->textCursor().selectedText(), QStringLiteral("Größe"));
        QVERIFY(window->isVisible()); // it stays open beside the main window
    }

    void memberHitOpensTheArchiveWithTheMemberSelected()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("ladeschrift"), 1));
        const QString text = window->resultList()->item(0)->data(Qt::AccessibleTextRole).toString();
        QVERIFY2(text.contains(QStringLiteral("src/lader.cpp: void ladeSchrift();")), qPrintable(text));
        QTest::keyClick(window->queryField(), Qt::Key_Return);

        QCOMPARE(m_form->PageControl1()->currentIndex(), 0);
        QCOMPARE(m_form->PageControl2()->currentIndex(), 2);
        auto *archive = qobject_cast<ArchivePage *>(m_form->PageControl2()->widget(2));
        QVERIFY(archive);
        QVERIFY(archive->currentMember());
        QCOMPARE(archive->currentMember()->Name, QStringLiteral("src/lader.cpp"));
        QCOMPARE(archive->preview()->shown(), MemberPreview::Shown::Text);
    }

    void upAndDownMoveThroughTheResults()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("kurz"), 2));
        QCOMPARE(window->resultList()->currentRow(), 0);
        QTest::keyClick(window->queryField(), Qt::Key_Down);
        QCOMPARE(window->resultList()->currentRow(), 1);
        const QString second = window->resultList()->item(1)->data(Qt::AccessibleTextRole).toString();
        QTest::keyClick(window->queryField(), Qt::Key_Return);
        EntryListBox *list = m_form->sections()->activeList();
        QVERIFY2(
            second.startsWith(QString::fromLatin1(list->entryName(list->selectedRow()))), qPrintable(second));
        QTest::keyClick(window->queryField(), Qt::Key_Up);
        QCOMPARE(window->resultList()->currentRow(), 0);
    }

    void doubleClickOpensAndEscapeCloses()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("bilder"), 1));
        QListWidget *results = window->resultList();
        const QPoint at = results->visualItemRect(results->item(0)).center();
        QTest::mouseClick(results->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(m_form->sections()->activeList()->selectedRow(), -1); // one click only chooses
        QTest::mouseDClick(results->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(m_form->PageControl1()->currentIndex(), 0);
        QCOMPARE(m_form->sections()->activeList()->selectedRow(), 0);
        QTest::keyClick(window->queryField(), Qt::Key_Escape);
        QVERIFY(!window->isVisible());
    }

    void shortWordsFindNames()
    {
        SearchWindow *window = openWindow();
        QVERIFY(window);
        QVERIFY(typeAndWait(window, QStringLiteral("ko"), 1));
        QVERIFY(window->resultList()
                    ->item(0)
                    ->data(Qt::AccessibleTextRole)
                    .toString()
                    .startsWith(QStringLiteral("Kompressoren")));
    }
};

QTEST_MAIN(SearchWindowTest)
#include "searchwindow_test.moc"

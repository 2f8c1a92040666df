// SPDX-License-Identifier: GPL-3.0-or-later
// "tipvault:" links: copied from the window, opened in a fresh start, and a
// query from outside.
#include "app/linkcommands.h"
#include "app/mainwindow.h"
#include "app/readercomforts.h"
#include "app/startrequest.h"
#include "catalogue/paths.h"
#include "formdriver.h"
#include "navigation/entrylistbox.h"
#include "searchwindow/searchwindow.h"
#include "testfixture.h"
#include "widgets/findcontrol.h"
#include "zipwriter.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QTabWidget>
#include <QtTest>

using namespace tv;

namespace {

const QByteArray kGrafik
    = "[Bitmaps laden]\r\nCount=3\r\n1Modul=basis\r\n1File=a.txt\r\n"
      "2=Hinweise\r\n2Modul=basis\r\n2File=a.txt\r\n3=Hinweise\r\n3Modul=basis\r\n3File=a.txt\r\n"
      "[Farben & Stifte]\r\n1Modul=basis\r\n1File=a.txt\r\n";

EntryListBox *listOf(TForm1 &form, int section)
{
    return qobject_cast<EntryListBox *>(findControl(&form, QStringLiteral("SectionListBox%1").arg(section)));
}

} // namespace

class LinksTest : public TestFixture
{
    Q_OBJECT

    std::unique_ptr<TForm1> m_form;

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), kGrafik);
        m_dirs->writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"),
            "[K\xFChlschrank]\r\n1Modul=basis\r\n1File=a.txt\r\n");
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"), { { "a.txt", "Text\r\n" } });
        start();
    }
    void tearDown() override { m_form.reset(); }

    void start()
    {
        m_form = startMainWindow(*m_seam);
        QVERIFY(m_form);
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }
    /// A fresh start that is handed `link` as its argument.
    void startWith(const QString &link)
    {
        m_form->close();
        m_form.reset();
        start();
        carryOut(*m_form, StartRequest::fromArguments({ link }, QString(), QDir::currentPath()), false);
    }

private slots:
    void aCopiedLinkOpensItsPlaceInAFreshStart_data()
    {
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("section");
        QTest::addColumn<int>("row");
        QTest::addColumn<int>("part");
        QTest::addColumn<QString>("address");
        QTest::newRow("popup menu") << QStringLiteral("popup") << 2 << 0 << -1
                                    << QStringLiteral(
                                           "tipvault:?rubrik=Kaeltetechnik&eintrag=K%C3%BChlschrank");
        QTest::newRow("menu command, second of two captions")
            << QStringLiteral("key") << 1 << 0 << 3
            << QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Bitmaps%20laden&teil=Hinweise&nr=2");
        QTest::newRow("menu command, index tab") << QStringLiteral(
            "key") << 1 << 1 << 0 << QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Farben%20%26%20Stifte");
    }
    void aCopiedLinkOpensItsPlaceInAFreshStart()
    {
        QFETCH(QString, how);
        QFETCH(int, section);
        QFETCH(int, row);
        QFETCH(int, part);
        QFETCH(QString, address);
        m_form->PageControl1()->setCurrentIndex(section - 1);
        EntryListBox *list = listOf(*m_form, section);
        QVERIFY(list);
        if (how == u"popup") {
            const QPoint at = list->visualItemRect(list->item(row)).center();
            QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(list->viewport(), &event);
            QMenu *menu = m_form->links()->entryMenu();
            QTRY_VERIFY(menu->isVisible());
            menu->findChild<QAction *>(QStringLiteral("LinkKopieren2"))->trigger();
            menu->hide();
        } else {
            clickEntry(*m_form, row, section);
            m_form->PageControl2()->setCurrentIndex(part);
            QTest::keyClick(m_form.get(), Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        }
        QCOMPARE(m_seam->clipboardText, address);
        QCOMPARE(m_form->statusText(), QStringLiteral("Link kopiert: ") + address);

        startWith(address);
        const EntryRef shown = m_form->comforts()->shownPlace();
        QCOMPARE(m_form->PageControl1()->currentIndex(), section - 1);
        QCOMPARE(shown.entry, listOf(*m_form, section)->entryName(row));
        QCOMPARE(shown.part, part > 0 ? part : 1);
    }

    void aLinkToSomethingGoneSaysSo_data()
    {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("status");
        QTest::newRow("section") << QStringLiteral("tipvault:?rubrik=Netz&eintrag=x")
                                 << QStringLiteral("Der Abschnitt \"Netz\" ist nicht mehr vorhanden.");
        QTest::newRow("entry") << QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Pinsel")
                               << QStringLiteral("Der Eintrag \"Pinsel\" ist nicht mehr vorhanden.");
        QTest::newRow("part")
            << QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Bitmaps%20laden&teil=FAQ")
            << QStringLiteral("Der Teil \"FAQ\" des Eintrags \"Bitmaps laden\" ist nicht mehr vorhanden.");
        QTest::newRow("no link") << QStringLiteral("tipvault:?rubrik=Grafik")
                                 << QStringLiteral(
                                        "\"tipvault:?rubrik=Grafik\" ist kein gültiger Tipvault-Link.");
    }
    void aLinkToSomethingGoneSaysSo()
    {
        QFETCH(QString, address);
        QFETCH(QString, status);
        startWith(address);
        QCOMPARE(m_form->statusText(), status);
        QCOMPARE(m_seam->messages.size(), 0);
    }

    void aQueryFromOutsideOpensTheFullTextSearch_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("query");
        QTest::newRow("--suche") << QStringList() << QStringLiteral("std::move");
        QTest::newRow("link") << QStringList { QStringLiteral("tipvault:?suche=std%3A%3Amove") } << QString();
    }
    void aQueryFromOutsideOpensTheFullTextSearch()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, query);
        carryOut(*m_form, StartRequest::fromArguments(arguments, query, QDir::currentPath()), false);
        QVERIFY(m_form->searchWindow());
        QVERIFY(m_form->searchWindow()->isVisible());
        QCOMPARE(m_form->searchWindow()->queryField()->text(), QStringLiteral("std::move"));
    }
};

QTEST_MAIN(LinksTest)
#include "links_test.moc"

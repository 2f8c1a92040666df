// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/favouritesdialog.h"
#include "app/mainwindow.h"
#include "app/readercomforts.h"
#include "catalogue/paths.h"
#include "diskfaults.h"
#include "formdriver.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "testfixture.h"
#include "viewer/entryviewer.h"
#include "viewer/findbar.h"
#include "viewer/indexgrid.h"
#include "viewer/textpart.h"
#include "viewer/textprint.h"
#include "viewer/textzoom.h"
#include "widgets/findcontrol.h"
#include "zipwriter.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTextBlock>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>

using namespace tv;

namespace tv {
char *toString(const EntryRef &ref)
{
    return QTest::toString(QStringLiteral("%1 / %2 / %3")
                               .arg(QString::fromLatin1(ref.section), QString::fromLatin1(ref.entry))
                               .arg(ref.part));
}
} // namespace tv

namespace {

const QByteArray kArticle = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                            "\\f0\\fs24 Bitmaps laden mit \\b Stil\\b0\\par}";
const QByteArray kGrafik
    = "[Bitmaps laden]\r\nCount=2\r\n1Modul=basis\r\n1File=bitmaps.rtf\r\n"
      "2=Hinweise\r\n2Modul=basis\r\n2File=hinweise.txt\r\n2Describe=Hinweise zu Bitmaps\r\n"
      "[Farben]\r\n1Modul=basis\r\n1File=farben.txt\r\n"
      "[Dateien kopieren]\r\n1Modul=basis\r\n1File=kopieren.txt\r\n";

QString pdfText(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), { path, QStringLiteral("-") });
    if (!p.waitForStarted())
        return QStringLiteral("<pdftotext missing>");
    p.waitForFinished();
    return QString::fromUtf8(p.readAllStandardOutput()).simplified();
}

QAction *action(TForm1 &form, const QString &name)
{
    return form.menuBar()->findChild<QAction *>(name);
}

} // namespace

class ComfortsTest : public TestFixture
{
    Q_OBJECT

    std::unique_ptr<TForm1> m_form;

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), kGrafik);
        m_dirs->writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"),
            "[K\xFChlschrank]\r\nCount=2\r\n1Modul=basis\r\n1File=kuehl.txt\r\n2=FAQ\r\n2Modul=basis\r\n"
            "2File=kuehl.txt\r\n");
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "bitmaps.rtf", kArticle }, { "hinweise.txt", "Hinweise im Klartext\r\n" },
                { "farben.txt", "Farben\r\n" }, { "kopieren.txt", "Kopieren\r\n" },
                { "kuehl.txt", "K\xFChl\r\n" } });
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
    /// Closes the window as the user does and starts the program again.
    void restart()
    {
        m_form->close();
        m_form.reset();
        start();
    }
    ReaderComforts &comforts() { return *m_form->comforts(); }
    EntryRef shown() { return comforts().shownPlace(); }
    void key(int key, Qt::KeyboardModifiers modifiers)
    {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_form.get(),
            Qt::Key(key), modifiers);
    }
    void showTab(int n) { m_form->PageControl2()->setCurrentIndex(n); }
    /// Picks section tab `section` and clicks entry `row` in its list, as a user does.
    void clickIn(int section, int row)
    {
        m_form->PageControl1()->setCurrentIndex(section - 1);
        clickEntry(*m_form, row, section);
    }
    RichEdit *shownEdit()
    {
        auto *page = qobject_cast<TextPage *>(m_form->viewer()->currentPage());
        return page ? page->edit() : nullptr;
    }
    /// The point size of the text's first character.
    qreal firstSize()
    {
        QTextCursor c(shownEdit()->document());
        c.movePosition(QTextCursor::NextCharacter);
        return c.charFormat().fontPointSize();
    }
    void rewriteGrafik(const QByteArray &content)
    {
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), content);
        QVERIFY(m_form->RebuildNavigation());
    }

private slots:
    void backAndForwardAcrossSectionsAndPartTabs()
    {
        QVERIFY(!action(*m_form, QStringLiteral("Zurueck1"))->isEnabled());
        clickEntry(*m_form, 0);
        showTab(2);
        clickIn(2, 0);
        QCOMPARE(shown(), (EntryRef { "Kaeltetechnik", "K\xFChlschrank", 1 }));

        key(Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(shown(), (EntryRef { "Grafik", "Bitmaps laden", 2 }));
        QCOMPARE(m_form->PageControl1()->currentIndex(), 0);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tipvault v1.1 -   [Grafik]"));
        // As a click on the part tab would, showing the second tab emptied the status bar.
        QCOMPARE(m_form->statusText(), QString());
        key(Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(shown(), (EntryRef { "Grafik", "Bitmaps laden", 1 }));
        QVERIFY(!action(*m_form, QStringLiteral("Zurueck1"))->isEnabled());

        key(Qt::Key_Right, Qt::AltModifier);
        QCOMPARE(shown(), (EntryRef { "Grafik", "Bitmaps laden", 2 }));
        // The mouse's own buttons, wherever the pointer is.
        QTest::mousePress(m_form->StringGrid1()->viewport(), Qt::ForwardButton);
        QCOMPARE(shown(), (EntryRef { "Kaeltetechnik", "K\xFChlschrank", 1 }));
        QTest::mousePress(shownEdit()->viewport(), Qt::BackButton);
        QCOMPARE(shown(), (EntryRef { "Grafik", "Bitmaps laden", 2 }));

        // A new place drops what lay ahead.
        clickEntry(*m_form, 1);
        QVERIFY(!action(*m_form, QStringLiteral("Vor1"))->isEnabled());
        QCOMPARE(comforts().history().places().size(), 3);
    }

    void historyFollowsNamesThroughARebuiltList()
    {
        clickEntry(*m_form, 1); // Farben
        clickEntry(*m_form, 2); // Dateien kopieren
        // An update puts a new entry first and takes "Dateien kopieren" away.
        rewriteGrafik(
            "[Neu]\r\n1Modul=basis\r\n1File=farben.txt\r\n" + kGrafik.left(kGrafik.indexOf("[Dateien")));
        clickEntry(*m_form, 0); // Neu
        action(*m_form, QStringLiteral("Zurueck1"))->trigger();
        QCOMPARE(m_form->statusText(),
            QStringLiteral("Der Eintrag \"Dateien kopieren\" ist nicht mehr vorhanden."));
        action(*m_form, QStringLiteral("Zurueck1"))->trigger();
        QCOMPARE(shown(), (EntryRef { "Grafik", "Farben", 1 }));
        QCOMPARE(m_form->statusText(), QStringLiteral("Eintrag: 3/3      -      Farben"));
        QCOMPARE(m_form->CurrentEntryIndex(), 2);
    }

    void theLastSessionComesBack()
    {
        clickIn(2, 0);
        showTab(2);
        restart();
        QCOMPARE(shown(), (EntryRef { "Grafik", {}, 0 })); // nothing before the restore
        comforts().restoreSession();
        QCOMPARE(shown(), (EntryRef { "Kaeltetechnik", "K\xFChlschrank", 2 }));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tipvault v1.1 -   [Kältetechnik]"));
        QCOMPARE(m_form->CurrentEntryIndex(), 0);
        QCOMPARE(shownEdit()->toPlainText(), QStringLiteral("Kühl\n"));
    }

    void aSessionWhoseEntryIsGone()
    {
        clickEntry(*m_form, 2);
        restart();
        rewriteGrafik(kGrafik.left(kGrafik.indexOf("[Dateien")));
        comforts().restoreSession();
        QCOMPARE(m_form->statusText(),
            QStringLiteral("Der Eintrag \"Dateien kopieren\" ist nicht mehr vorhanden."));
        QVERIFY(m_form->viewer()->shownEntry().isEmpty());
        QCOMPARE(m_form->PageControl2()->count(), 1);
        QVERIFY(m_seam->messages.isEmpty());
    }

    void zoomIsKeptForAllTextPartsAndSessions()
    {
        clickEntry(*m_form, 0);
        QCOMPARE(firstSize(), 12.0);
        key(Qt::Key_Plus, Qt::ControlModifier);
        key(Qt::Key_Plus, Qt::ControlModifier);
        QCOMPARE(comforts().state().zoom(), 120);
        QCOMPARE(firstSize(), 14.4);
        // A plain text part follows through its default font.
        const qreal plainBase = QFontInfo(QFontDatabase::systemFont(QFontDatabase::FixedFont)).pointSizeF();
        showTab(2);
        QCOMPARE(shownEdit()->document()->defaultFont().pointSizeF(), plainBase * 1.2);
        key(Qt::Key_0, Qt::ControlModifier);
        QCOMPARE(shownEdit()->document()->defaultFont().pointSizeF(), plainBase);
        showTab(1);
        QCOMPARE(firstSize(), 12.0);
        key(Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(firstSize(), 10.8);

        QWheelEvent wheel(QPointF(5, 5), shownEdit()->viewport()->mapToGlobal(QPointF(5, 5)), QPoint(),
            QPoint(0, 240), Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(shownEdit()->viewport(), &wheel);
        QCOMPARE(comforts().state().zoom(), 110);
        QCOMPARE(firstSize(), 13.2);

        // Paper and PDF get the sizes the text was loaded with.
        const std::unique_ptr<QTextDocument> copy = printableCopy(*shownEdit()->document());
        QTextCursor c(copy.get());
        c.movePosition(QTextCursor::NextCharacter);
        QCOMPARE(c.charFormat().fontPointSize(), 12.0);
        QCOMPARE(textZoom(*copy), 100);

        restart();
        QCOMPARE(comforts().state().zoom(), 110);
        comforts().restoreSession();
        QCOMPARE(firstSize(), 13.2);
    }

    void favouritesAddOpenAndSurviveARestart()
    {
        QVERIFY(!action(*m_form, QStringLiteral("ZuFavoritenHinzufuegen1"))->isEnabled());
        clickEntry(*m_form, 2);
        key(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(
            m_form->statusText(), QStringLiteral("\"Dateien kopieren\" wurde zu den Favoriten hinzugefügt."));
        key(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(
            m_form->statusText(), QStringLiteral("\"Dateien kopieren\" ist bereits unter den Favoriten."));
        clickIn(2, 0);
        key(Qt::Key_D, Qt::ControlModifier);
        QCOMPARE(comforts().state().favourites().size(), 2);

        restart();
        QMenu *menu = comforts().favouritesMenu();
        emit menu->aboutToShow();
        auto *first = menu->findChild<QAction *>(QStringLiteral("Favorit1"));
        auto *second = menu->findChild<QAction *>(QStringLiteral("Favorit2"));
        QVERIFY(first && second);
        QCOMPARE(first->text(), QStringLiteral("&1 Dateien kopieren"));
        QCOMPARE(second->text(), QStringLiteral("&2 Kühlschrank"));
        second->trigger();
        QCOMPARE(shown(), (EntryRef { "Kaeltetechnik", "K\xFChlschrank", 1 }));
        QCOMPARE(m_form->statusText(), QStringLiteral("Eintrag: 1/1      -      Kühlschrank"));
        first->trigger();
        QCOMPARE(shown(), (EntryRef { "Grafik", "Dateien kopieren", 1 }));
    }

    void aFavouriteGoneWithAnUpdateIsGreyed()
    {
        clickEntry(*m_form, 2);
        comforts().addFavourite();
        clickEntry(*m_form, 1);
        comforts().addFavourite();
        rewriteGrafik(kGrafik.left(kGrafik.indexOf("[Dateien")));
        QMenu *menu = comforts().favouritesMenu();
        emit menu->aboutToShow();
        auto *gone = menu->findChild<QAction *>(QStringLiteral("Favorit1"));
        QVERIFY(!gone->isEnabled());
        QCOMPARE(gone->toolTip(),
            QStringLiteral("Der Eintrag \"Dateien kopieren\" ist nach einem Update nicht mehr vorhanden."));
        QVERIFY(menu->findChild<QAction *>(QStringLiteral("Favorit2"))->isEnabled());
        // It stays a favourite: an update that brings it back makes it usable again.
        QCOMPARE(comforts().state().favourites().size(), 2);
        rewriteGrafik(kGrafik);
        emit menu->aboutToShow();
        QVERIFY(menu->findChild<QAction *>(QStringLiteral("Favorit1"))->isEnabled());
        QVERIFY(m_seam->messages.isEmpty());
    }

    void favouritesRenamedRemovedAndReordered()
    {
        for (int row = 0; row < 3; ++row) {
            clickEntry(*m_form, row);
            comforts().addFavourite();
        }
        bool ran = false;
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<FavouritesDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            // However this ends, the dialog goes, so that exec() returns.
            const auto closer = qScopeGuard([dialog] {
                if (dialog->isVisible())
                    dialog->reject();
            });
            QVERIFY(QTest::qWaitForWindowActive(dialog));
            ran = true;
            QListWidget *list = dialog->list();
            list->setFocus();
            list->setCurrentRow(1);
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("Umbenennen")), Qt::LeftButton);
            auto *editor = list->viewport()->findChild<QLineEdit *>();
            QVERIFY(editor);
            editor->selectAll();
            QTest::keyClicks(editor, QStringLiteral("Farbtafeln"));
            // Enter ends the renaming, not the dialog.
            QTest::keyClick(editor, Qt::Key_Return);
            QVERIFY(dialog->isVisible());
            QTRY_COMPARE(dialog->favourites()[1].title, QStringLiteral("Farbtafeln"));
            list->setFocus();
            list->setCurrentRow(0);
            QTest::keyClick(list, Qt::Key_Delete); // Bitmaps laden goes
            QCOMPARE(dialog->favourites().size(), 2);
            list->setCurrentRow(1);
            QTest::keyClick(list, Qt::Key_Up, Qt::ControlModifier); // Dateien kopieren first
            QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("OK")), Qt::LeftButton);
            QCOMPARE(dialog->result(), int(QDialog::Accepted));
        });
        action(*m_form, QStringLiteral("FavoritenVerwalten1"))->trigger();
        QVERIFY(ran);
        QCOMPARE(comforts().state().favourites().size(), 2);
        restart();
        const QList<Favourite> &f = comforts().state().favourites();
        QCOMPARE(f.size(), 2);
        QCOMPARE(f[0].title, QStringLiteral("Dateien kopieren"));
        QCOMPARE(f[1].title, QStringLiteral("Farbtafeln"));
        QCOMPARE(f[1].ref, (EntryRef { "Grafik", "Farben", 0 }));
    }

    void cancellingTheDialogChangesNothing()
    {
        clickEntry(*m_form, 0);
        comforts().addFavourite();
        QTimer::singleShot(0, this, [&] {
            auto *dialog = qobject_cast<FavouritesDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->remove();
            QCOMPARE(dialog->favourites().size(), 0);
            dialog->reject();
        });
        comforts().manageFavourites();
        QCOMPARE(comforts().state().favourites().size(), 1);
    }

    void aDamagedSettingsFileIsIgnoredWithANote()
    {
        clickEntry(*m_form, 0);
        comforts().addFavourite();
        m_form->close();
        m_form.reset();
        const QString path = UserState::fileFor(GetProgramDir());
        TestDirs::writeFile(path, "\x00\x01garbage");
        start();
        QVERIFY2(
            m_form->statusText().contains(QStringLiteral("beschädigt")), qPrintable(m_form->statusText()));
        QVERIFY(m_form->statusText().contains(path));
        QVERIFY(comforts().state().favourites().isEmpty());
        QVERIFY(m_seam->messages.isEmpty());
        // The next closing writes a sound file; the start after it has nothing to say.
        restart();
        QCOMPARE(m_form->statusText(), QString());
    }

    void aPrintedPdfHoldsThePartsText()
    {
        clickEntry(*m_form, 0);
        const QString pdf = m_dirs->tempDir() + QStringLiteral("druck.pdf");
        m_seam->printFiles = { pdf };
        key(Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(m_seam->printedDocNames, QStringList { QStringLiteral("Bitmaps laden") });
        QCOMPARE(pdfText(pdf), QStringLiteral("Bitmaps laden mit Stil 1")); // and the page number

        // The popup menu prints the part it was opened on; a cancelled dialog prints nothing.
        showTab(2);
        auto *menu = m_form->findChild<TextPartMenu *>(QStringLiteral("PopupMenu1"));
        menu->popupFor(shownEdit(), QPoint());
        m_seam->printFiles = { QString() };
        menu->findChild<QAction *>(QStringLiteral("Drucken2"))->trigger();
        menu->close();
        QCOMPARE(m_seam->printedDocNames.size(), 2);
        QCOMPARE(m_seam->printedDocNames.last(), QStringLiteral("Hinweise zu Bitmaps"));
        QCOMPARE(QDir(m_dirs->tempDir()).entryList({ QStringLiteral("*.pdf") }),
            QStringList { QStringLiteral("druck.pdf") });

        // Printing takes the text at its own size, whatever the zoom.
        showTab(1);
        key(Qt::Key_Plus, Qt::ControlModifier);
        m_seam->printFiles = { pdf };
        action(*m_form, QStringLiteral("Drucken1"))->trigger();
        QCOMPARE(pdfText(pdf), QStringLiteral("Bitmaps laden mit Stil 1")); // and the page number
    }

    void printingIsOnlyForTextParts()
    {
        QVERIFY(!action(*m_form, QStringLiteral("Drucken1"))->isEnabled());
        clickEntry(*m_form, 0);
        QVERIFY(action(*m_form, QStringLiteral("Drucken1"))->isEnabled());
        showTab(0);
        QVERIFY(!action(*m_form, QStringLiteral("PdfExport1"))->isEnabled());
    }

    void exportedPdfHoldsThePartsText()
    {
        clickEntry(*m_form, 0);
        showTab(2);
        const QString pdf = m_dirs->tempDir() + QStringLiteral("export.pdf");
        m_seam->saveFiles = { { pdf, 0 } };
        action(*m_form, QStringLiteral("PdfExport1"))->trigger();
        QCOMPARE(m_seam->saveRequests.value(0).fileName, QStringLiteral("Hinweise zu Bitmaps"));
        QCOMPARE(
            m_seam->saveRequests.value(0).filters, QStringList { QStringLiteral("PDF-Dateien (*.pdf)") });
        QCOMPARE(pdfText(pdf), QStringLiteral("Hinweise im Klartext 1"));
    }

    void aFailedExportLeavesTheOldFile()
    {
        clickEntry(*m_form, 0);
        const QString pdf = m_dirs->tempDir() + QStringLiteral("alt.pdf");
        TestDirs::writeFile(pdf, "alt");
        m_seam->saveFiles = { { pdf, 0 } };
        {
            const FileSizeLimit limit(200);
            action(*m_form, QStringLiteral("PdfExport1"))->trigger();
        }
        QCOMPARE(m_seam->messageTexts(),
            QStringList { QStringLiteral("Datei %1 kann nicht erstellt werden.").arg(pdf) });
        QFile f(pdf);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), QByteArray("alt"));
    }

    void aStateThatCannotBeWrittenAtClosingIsToldInABox()
    {
        clickEntry(*m_form, 0);
        comforts().addFavourite();
        const QString path = UserState::fileFor(GetProgramDir());
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray before = saved.readAll();
        saved.close();
        clickIn(2, 0);
        {
            // The file with the new session is larger than the limit: its write fails.
            const FileSizeLimit limit(before.size());
            m_form->close();
        }
        const QStringList texts = m_seam->messageTexts();
        QVERIFY2(texts.contains(QStringLiteral("Die Favoriten und Einstellungen konnten nicht in %1 "
                                               "gespeichert werden: %2")
                                    .arg(path, QString::fromLocal8Bit(std::strerror(EFBIG)))),
            qPrintable(texts.join(u'\n')));
        QVERIFY(saved.open(QIODevice::ReadOnly));
        QCOMPARE(saved.readAll(), before);
    }

    void findBarOpensUnderTheTextWithCtrlF()
    {
        clickIn(1, 0);
        shownEdit()->setFocus();
        FindBar *bar = m_form->findBar();
        QVERIFY(!bar->isVisible());
        key(Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QVERIFY(bar->field()->hasFocus());
        QCOMPARE(bar->parentWidget(), m_form->PageControl2()->parentWidget());
        QVERIFY(bar->y() >= m_form->PageControl2()->geometry().bottom());
        QTest::keyClicks(bar->field(), QStringLiteral("stil"));
        QCOMPARE(bar->countLabel()->text(), QStringLiteral("1 von 1"));
        key(Qt::Key_Escape, Qt::NoModifier);
        QVERIFY(!bar->isVisible());
        QVERIFY(shownEdit()->hasFocus());
        QCOMPARE(shownEdit()->textCursor().selectedText(), QStringLiteral("Stil"));
        // The menu's entry opens it too, with the word of last time selected.
        auto *menu = m_form->menuBar()->findChild<QMenu *>(QStringLiteral("Bearbeiten1"));
        QVERIFY(menu && menu->actions().contains(action(*m_form, QStringLiteral("ImTextSuchen1"))));
        action(*m_form, QStringLiteral("ImTextSuchen1"))->trigger();
        QVERIFY(bar->isVisible());
        QCOMPARE(bar->field()->selectedText(), QStringLiteral("stil"));
    }

    void newCommandsHaveKeysAndNames()
    {
        for (const char *name : { "Zurueck1", "Vor1", "Vergroessern1", "Verkleinern1", "Originalgroesse1",
                 "ZuFavoritenHinzufuegen1", "Drucken1", "ImTextSuchen1" }) {
            QAction *a = action(*m_form, QString::fromLatin1(name));
            QVERIFY2(a && !a->shortcut().isEmpty() && a->text().contains(u'&'), name);
        }
        QVERIFY(action(*m_form, QStringLiteral("FavoritenVerwalten1")));
        QVERIFY(action(*m_form, QStringLiteral("PdfExport1")));
        // The window's own menus keep their order; the new ones stand before "Hilfe".
        QStringList menus;
        for (QAction *a : m_form->menuBar()->actions())
            menus.append(a->text());
        QCOMPARE(menus,
            (QStringList { QStringLiteral("&Datei"), QStringLiteral("&Updates"), QStringLiteral("E&xtras"),
                QStringLiteral("&Bearbeiten"), QStringLiteral("&Ansicht"), QStringLiteral("&Favoriten"),
                QStringLiteral("&Hilfe") }));
    }
};

QTEST_MAIN(ComfortsTest)
#include "comforts_test.moc"

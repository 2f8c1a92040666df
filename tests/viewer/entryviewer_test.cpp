// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/entry.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/archivepart.h"
#include "viewer/entryviewer.h"
#include "viewer/indexgrid.h"
#include "viewer/textpart.h"
#include "viewerstand.h"
#include "zipwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QTabWidget>
#include <QTextBlock>
#include <QtTest>

using namespace tv;

namespace {

const QByteArray kArticle = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}"
                            "{\\colortbl ;\\red255\\green0\\blue0;}"
                            "\\pard\\f0\\fs20 Normal {\\b Fett} und {\\cf1 rot} \\'e4\\par}";

const QByteArray kSection
    = "[Bitmaps laden]\r\nCount=3\r\n1=Artikel\r\n1Modul=basis\r\n1File=bitmaps.rtf\r\n1Describe=Bitmaps mit "
      "Qt laden\r\n"
      "2=Hinweise\r\n2Modul=Neu\r\n2File=notiz.txt\r\n3=Archiv\r\n3Modul=basis\r\n3File=beispiel.zip\r\n"
      "[Dateien kopieren]\r\n1Modul=basis\r\n1File=notiz.txt\r\n"
      "[Bitmap "
      "drehen]\r\nCount=2\r\n1=artikel\r\n1Modul=basis\r\n2=Beschreibung\r\n2Modul=basis\r\n2File=notiz."
      "txt\r\n"
      "[Zwoelf Teile]\r\nCount=0xC\r\n"
      "[Leer]\r\nCount=0\r\n"
      "[Kaputt]\r\nCount=2\r\n1Modul=basis\r\n1File=nicht_da.rtf\r\n2Modul=basis\r\n2File=notiz.txt\r\n"
      "[A A]\r\nCount=2\r\n1Modul=a\r\n2Modul=a\r\n"
      "[A B A]\r\nCount=3\r\n1Modul=a\r\n2Modul=b\r\n3Modul=a\r\n"
      "[A basis A]\r\nCount=3\r\n1Modul=a\r\n2Modul=basis\r\n2File=notiz.txt\r\n3Modul=a\r\n"
      "[Ohne A]\r\nCount=2\r\n2Modul=a\r\n"
      "[Riesig]\r\nCount=2147483647\r\n"
      "[Farben \xE4ndern]\r\n1Modul=basis\r\n1File=notiz.txt\r\n"
      "[Ausbruch]\r\n1Modul=basis\r\n1File=../opfer.txt\r\n";

enum Row {
    Bitmaps,
    Kopieren,
    Drehen,
    Zwoelf,
    Leer,
    Kaputt,
    AA,
    ABA,
    AbasisA,
    OhneA,
    Riesig,
    Farben,
    Ausbruch
};

const QList<QByteArray> kNames = { "Bitmaps laden", "Dateien kopieren", "Bitmap drehen", "Zwoelf Teile",
    "Leer", "Kaputt", "A A", "A B A", "A basis A", "Ohne A", "Riesig", "Farben \xE4ndern", "Ausbruch" };

/// Pixels of a mark's colours in the 16 x 16 square at the start of a cell
/// where the status mark goes; the kind mark starts 15 pixels further right.
struct MarkPixels
{
    int red = 0; // the cross of a missing module
    int green = 0; // the mark of the newest module
    int gold = 0; // the archive kind's box
};

MarkPixels markPixels(const QImage &image, const QRect &cell, int offset = 2)
{
    MarkPixels found;
    for (int y = cell.top(); y < cell.top() + 16; ++y) {
        for (int x = cell.left() + offset; x < cell.left() + offset + 15; ++x) {
            const QColor c = image.pixelColor(x, y);
            found.red += c.red() > 150 && c.green() < 90 && c.blue() < 90;
            found.green += c.green() > 110 && c.red() < 100 && c.blue() < 110;
            found.gold += c.red() > 200 && c.green() > 150 && c.green() < 215 && c.blue() < 150;
        }
    }
    return found;
}

} // namespace

class EntryViewerTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<ViewerStand> m_stand;

    void click(int row) { m_stand->click("Grafik", row); }
    QTabWidget *pages() const { return m_stand->pages(); }
    IndexGrid *grid() const { return m_stand->grid(); }
    EntryViewer *viewer() const { return m_stand->viewer(); }
    RichEdit *richEdit(int n) const
    {
        return m_stand->control<RichEdit>(QStringLiteral("EntryRichEdit%1").arg(n));
    }

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), kSection);
        m_dirs->writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"),
            "[K\xFChlen]\r\n1Modul=basis\r\n1File=notiz.txt\r\n");
        m_dirs->writeProgramFile(QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=neu.tvm\r\n");
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "bitmaps.rtf", kArticle }, { "notiz.txt", "Zeile eins\r\nZeile zwei \xE4\r\n" },
                { "beispiel.zip", zipBytes({ { "a.txt", "A" } }) } });
        writeZip(m_dirs->programDir() + QStringLiteral("neu.tvm"), { { "notiz.txt", "Neue Notiz\r\n" } });
        QCOMPARE(SectionFile::ofLine("Grafik").entryNames(), kNames);
        m_stand = ViewerStand::start(*m_seam);
        QVERIFY(m_stand);
    }
    void tearDown() override { m_stand.reset(); }

private slots:
    void clickShowsTheEntry()
    {
        click(Bitmaps);
        QCOMPARE(m_seam->messageTexts().join(u"|"), QString());
        QCOMPARE(pages()->count(), 4);
        QCOMPARE(pages()->tabText(1), QStringLiteral("Artikel"));
        QCOMPARE(pages()->tabText(2), QStringLiteral("Hinweise"));
        QCOMPARE(pages()->tabText(3), QStringLiteral("Archiv"));
        QCOMPARE(viewer()->page(3)->part().kind, PartKind::Archive);
        QCOMPARE(pages()->currentIndex(), 1);
        QCOMPARE(m_stand->statusText(), QStringLiteral("Eintrag: 1/13      -      Bitmaps laden"));
        QCOMPARE(viewer()->currentEntryIndex(), 0);

        QCOMPARE(grid()->cellText(0, 1), QStringLiteral("           Artikel"));
        QCOMPARE(grid()->cellText(1, 1), QStringLiteral("Bitmaps mit Qt laden"));
        QCOMPARE(grid()->cellText(2, 1), QStringLiteral("BASIS.TVM"));
        QCOMPARE(grid()->cellText(1, 2), QStringLiteral("Bitmaps laden")); // Describe defaults to the entry
        QCOMPARE(grid()->cellText(2, 2), QStringLiteral("NEU.TVM"));
        // The marks, as assistive technology hears them.
        const QModelIndex newest = grid()->model()->index(1, 0);
        QCOMPARE(newest.data(Qt::AccessibleDescriptionRole).toString(), QStringLiteral("Neuestes Modul"));
        QVERIFY(!grid()->model()->index(0, 0).data(Qt::AccessibleDescriptionRole).isValid());

        // The RTF keeps its formatting on the light yellow background.
        RichEdit *rtf = richEdit(1);
        QVERIFY(rtf && rtf->isReadOnly());
        QCOMPARE(rtf->palette().color(QPalette::Base), QColor(255, 255, 187));
        QCOMPARE(rtf->toPlainText().trimmed(), QStringLiteral("Normal Fett und rot ä"));
        QTextCursor cursor(rtf->document());
        cursor.setPosition(rtf->toPlainText().indexOf(QStringLiteral("Fett")) + 1);
        QVERIFY(cursor.charFormat().fontWeight() >= QFont::Bold);
        cursor.setPosition(rtf->toPlainText().indexOf(QStringLiteral("rot")) + 1);
        QCOMPARE(cursor.charFormat().foreground().color(), QColor(255, 0, 0));
        // Plain text in the fixed font.
        QCOMPARE(richEdit(2)->toPlainText(), QStringLiteral("Neue Notiz\n"));
        const QFontMetrics metrics(richEdit(2)->document()->defaultFont());
        QCOMPARE(metrics.horizontalAdvance(QStringLiteral("iiii")),
            metrics.horizontalAdvance(QStringLiteral("MMMM")));
        // Nothing of the texts stays on disk.
        QCOMPARE(QDir(GetWorkDir()).entryList(QDir::Files), QStringList());
    }

    void partsAreShownByTheirNumber()
    {
        click(Bitmaps);
        EntryViewer *viewer = this->viewer();
        auto *text = qobject_cast<TextPage *>(viewer->currentPage());
        QVERIFY(text);
        QCOMPARE(text->edit(), richEdit(1));
        QCOMPARE(text->part().file, QByteArray("bitmaps.rtf"));

        // As a click on the tab: the archive page says that no folder is chosen yet.
        QVERIFY(viewer->showPart(3));
        QCOMPARE(pages()->currentIndex(), 3);
        auto *archive = qobject_cast<ArchivePage *>(viewer->currentPage());
        QVERIFY(archive);
        QCOMPARE(archive->part().kind, PartKind::Archive);
        QCOMPARE(m_stand->statusText(), QStringLiteral("Archiv-Output: (kein Pfad)"));

        QVERIFY(!viewer->showPart(4));
        QVERIFY(!viewer->showPart(0));
        QCOMPARE(pages()->currentIndex(), 3);
        pages()->setCurrentIndex(0);
        QVERIFY(!viewer->currentPage());
    }

    void sameEntryIsNotRebuilt()
    {
        click(Bitmaps);
        QPointer<QWidget> first = pages()->widget(1);
        pages()->setCurrentIndex(2);
        m_stand->setStatusText(QStringLiteral("anders"));
        click(Bitmaps);
        QVERIFY(first);
        QCOMPARE(pages()->currentIndex(), 2);
        QCOMPARE(m_stand->statusText(), QStringLiteral("Eintrag: 1/13      -      Bitmaps laden"));

        // A section switch forgets the index: the same position rebuilds.
        viewer()->forgetCurrentEntry();
        click(Bitmaps);
        QVERIFY(!first);
        QCOMPARE(pages()->currentIndex(), 1);
    }

    void rowsFromTenOnAreKept()
    {
        click(Zwoelf);
        QCOMPARE(pages()->count(), 13);
        QCOMPARE(grid()->cellText(2, 12), QStringLiteral(".TVM"));
        QCOMPARE(m_seam->messages.size(), 0); // the empty module name never matches the last missing one
        click(Bitmaps);
        QCOMPARE(pages()->count(), 4);
        QCOMPARE(grid()->cellText(1, 3), QStringLiteral("Bitmaps laden"));
        for (int row = 4; row <= 9; ++row)
            QCOMPARE(grid()->cellText(1, row), QString());
        for (int row = 10; row <= 12; ++row)
            QCOMPARE(grid()->cellText(0, row), QStringLiteral("           Artikel"));
    }

    void entryWithoutParts()
    {
        click(Bitmaps);
        click(Leer);
        QCOMPARE(pages()->count(), 1);
        QCOMPARE(pages()->currentIndex(), 0);
        QCOMPARE(grid()->cellText(0, 1), QString());
        QCOMPARE(m_stand->statusText(), QStringLiteral("Eintrag: 5/13      -      Leer"));
    }

    void captionOfNoKind()
    {
        click(Drehen);
        QCOMPARE(pages()->tabText(1), QStringLiteral("artikel"));
        QCOMPARE(viewer()->page(1)->part().kind, PartKind::None);
        QVERIFY(!richEdit(1));
        QVERIFY(richEdit(2));
    }

    void missingModulesAreReportedByRuns()
    {
        const QString a = QStringLiteral("Das Modul 'a.tvm' ist nicht installiert oder es ist beschädigt.");
        const QString b = QStringLiteral("Das Modul 'b.tvm' ist nicht installiert oder es ist beschädigt.");
        click(AA);
        QCOMPARE(m_seam->messageTexts(), QStringList { a });
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        QCOMPARE(pages()->count(), 3); // the tabs stay, empty
        QVERIFY(viewer()->page(1)->children().isEmpty());
        m_seam->messages.clear();
        click(ABA);
        QCOMPARE(m_seam->messageTexts(), (QStringList { a, b, a }));
        m_seam->messages.clear();
        click(AbasisA);
        QCOMPARE(m_seam->messageTexts(), QStringList { a });
        m_seam->messages.clear();
        click(OhneA);
        QCOMPARE(m_seam->messageTexts(), QStringList { a });
        QCOMPARE(grid()->cellText(2, 1), QStringLiteral(".TVM"));
        QCOMPARE(grid()->model()->index(0, 0).data(Qt::AccessibleDescriptionRole).toString(),
            QStringLiteral("Modul fehlt"));
    }

    void marksAreDrawnIntoTheirCells()
    {
        // Parts in an installed module, in the newest module, and an archive in the installed one.
        click(Bitmaps);
        pages()->setCurrentIndex(0);
        QImage image = grid()->viewport()->grab().toImage();
        const MarkPixels installed = markPixels(image, grid()->cellRect(0, 1));
        const MarkPixels newest = markPixels(image, grid()->cellRect(0, 2));
        QCOMPARE(installed.red + installed.green, 0);
        QCOMPARE(newest.red, 0);
        QVERIFY2(newest.green > 10, qPrintable(QString::number(newest.green)));
        QVERIFY(markPixels(image, grid()->cellRect(0, 3), 17).gold > 10);
        QCOMPARE(markPixels(image, grid()->cellRect(0, 1), 17).gold, 0);
        for (int column = 1; column < 3; ++column) {
            for (int row = 1; row <= 3; ++row) {
                const MarkPixels none = markPixels(image, grid()->cellRect(column, row));
                QCOMPARE(none.red + none.green + none.gold, 0);
            }
        }

        // Both parts lie in a missing module.
        click(AA);
        pages()->setCurrentIndex(0);
        image = grid()->viewport()->grab().toImage();
        for (int row = 1; row <= 2; ++row) {
            const MarkPixels missing = markPixels(image, grid()->cellRect(0, row));
            QVERIFY2(missing.red > 10, qPrintable(QString::number(missing.red)));
            QCOMPARE(missing.green, 0);
        }
        QCOMPARE(markPixels(image, grid()->cellRect(0, 3)).red, 0); // the row of no part
    }

    void aBuilderErrorEndsTheBuild()
    {
        click(Bitmaps);
        m_stand->setStatusText(QStringLiteral("vorher"));
        click(Kaputt);
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Tipvault"));
        QCOMPARE(m_seam->messages[0].text,
            QStringLiteral("Datei %1nicht_da.rtf kann nicht geöffnet werden.").arg(m_dirs->workDir()));
        QCOMPARE(pages()->count(), 2); // the second part got no tab
        QCOMPARE(grid()->cellText(2, 2), QStringLiteral("BASIS.TVM"));
        QCOMPARE(viewer()->currentEntryIndex(), 0);
        QCOMPARE(m_stand->statusText(), QStringLiteral("vorher"));
        QCOMPARE(m_seam->busyDepth, 0);
        // The entry still shown by index 0 is not rebuilt by a click on it.
        click(Bitmaps);
        QCOMPARE(pages()->count(), 2);
    }

    void aLeftOverCopyNeverStandsInForAMissingMember()
    {
        // Left in the Work directory by a killed run or an HTML page's archive, in another letter case.
        TestDirs::writeFile(GetWorkDir() + QStringLiteral("NICHT_DA.RTF"), "{\\rtf1 veraltet}");
        click(Kaputt);
        QCOMPARE(m_seam->messageTexts(),
            QStringList {
                QStringLiteral("Datei %1nicht_da.rtf kann nicht geöffnet werden.").arg(m_dirs->workDir()) });
        QVERIFY(!QFileInfo::exists(m_dirs->workDir() + QStringLiteral("NICHT_DA.RTF")));
    }

    void aPartFileNameNeverLeavesTheWorkDirectory()
    {
        // A Section file from an update names "../opfer.txt": nothing beside the
        // Work directory is shown or deleted.
        const QString victim = m_dirs->tempDir() + QStringLiteral("opfer.txt");
        TestDirs::writeFile(victim, "geheim");
        click(Ausbruch);
        QCOMPARE(m_seam->messageTexts(),
            QStringList {
                QStringLiteral("Datei %1../opfer.txt kann nicht geöffnet werden.").arg(m_dirs->workDir()) });
        QVERIFY(QFileInfo::exists(victim));
        QCOMPARE(richEdit(1)->toPlainText(), QString());
    }

    void hugeCountIsCut()
    {
        click(Riesig);
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Warning);
        QVERIFY(m_seam->messages[0].text.contains(QStringLiteral("999")));
        QCOMPARE(pages()->count(), 1 + kMaxParts);
    }

    void doubleClickJumpsToThePart()
    {
        click(Bitmaps);
        m_stand->setStatusText(QStringLiteral("bleibt"));
        // QTest's double click is not turned into one for item views here: press,
        // then deliver the double-click event the window system would send.
        auto dblClick = [&](int row) {
            const QPoint pos = grid()->cellRect(1, row).center();
            QWidget *viewport = grid()->viewport();
            QTest::mouseClick(viewport, Qt::LeftButton, {}, pos);
            QTest::mousePress(viewport, Qt::LeftButton, {}, pos);
            QMouseEvent dbl(QEvent::MouseButtonDblClick, pos, viewport->mapToGlobal(pos), Qt::LeftButton,
                Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(viewport, &dbl);
            QTest::mouseRelease(viewport, Qt::LeftButton, {}, pos);
        };
        dblClick(3);
        QCOMPARE(grid()->currentGridRow(), 3);
        QCOMPARE(pages()->currentIndex(), 3);
        QCOMPARE(m_stand->statusText(), QStringLiteral("bleibt")); // no "Archiv-Output" text
        dblClick(2);
        QCOMPARE(pages()->currentIndex(), 2);
        dblClick(5); // beyond the last part
        QCOMPARE(pages()->currentIndex(), 2);
        // From the keyboard: Enter on a row.
        grid()->setFocus();
        grid()->setCurrentIndex(grid()->model()->index(0, 0));
        QTest::keyClick(grid(), Qt::Key_Return);
        QCOMPARE(pages()->currentIndex(), 1);
        // A change of tab by the user runs the tab change.
        pages()->setCurrentIndex(3);
        QCOMPARE(m_stand->statusText(), QStringLiteral("Archiv-Output: (kein Pfad)"));
        pages()->setCurrentIndex(1);
        QCOMPARE(m_stand->statusText(), QString());
    }

    void copyAndSave()
    {
        click(Bitmaps);
        RichEdit *edit = richEdit(1);
        auto *menu = m_stand->findChild<TextPartMenu *>(QStringLiteral("PopupMenu1"));
        QVERIFY(menu);
        menu->popupFor(edit, edit->mapToGlobal(QPoint(5, 5)));
        QVERIFY(!menu->Kopieren1()->isEnabled());
        menu->hide();
        menu->Allesmarkieren1Click();
        menu->popupFor(edit, edit->mapToGlobal(QPoint(5, 5)));
        QVERIFY(menu->Kopieren1()->isEnabled());
        menu->Kopieren1()->trigger();
        QCOMPARE(m_seam->clipboardText.trimmed(), QStringLiteral("Normal Fett und rot ä"));
        QVERIFY(m_seam->clipboardRtf.startsWith("{\\rtf"));
        menu->hide();

        const QString rtfPath = m_dirs->tempDir() + QStringLiteral("artikel.rtf");
        const QString txtPath = m_dirs->tempDir() + QStringLiteral("artikel.RTF");
        m_seam->saveFiles = { { rtfPath, 0 }, { txtPath, 0 }, {} };
        menu->popupFor(edit, edit->mapToGlobal(QPoint(5, 5)));
        menu->Speichernunter1Click();
        QCOMPARE(m_seam->saveRequests.size(), 1);
        QCOMPARE(m_seam->saveRequests[0].fileName, QStringLiteral("Bitmaps mit Qt laden"));
        QCOMPARE(m_seam->saveRequests[0].directory, m_dirs->programDir());
        QCOMPARE(m_seam->saveRequests[0].filters,
            (QStringList {
                QStringLiteral("RichEdit-Dateien (*.rtf)"), QStringLiteral("Textdateien (*.txt)") }));
        QFile rtf(rtfPath);
        QVERIFY(rtf.open(QIODevice::ReadOnly));
        QVERIFY(rtf.readAll().startsWith("{\\rtf1"));
        menu->Speichernunter1Click();
        QFile txt(txtPath);
        QVERIFY(txt.open(QIODevice::ReadOnly));
        QCOMPARE(txt.readAll(), QByteArray("Normal Fett und rot \xE4\r\n"));
        menu->Speichernunter1Click(); // cancelled: nothing happens
        QCOMPARE(m_seam->saveRequests.size(), 3);
        QVERIFY(edit->isReadOnly());
    }

    void saveIntoAMissingFolderIsReported()
    {
        click(Bitmaps);
        auto *menu = m_stand->findChild<TextPartMenu *>(QStringLiteral("PopupMenu1"));
        const QString path = m_dirs->tempDir() + QStringLiteral("fehlt/x.txt");
        m_seam->saveFiles = { { path, 1 } };
        menu->popupFor(richEdit(1), QPoint());
        guarded(*m_seam, [&] { menu->Speichernunter1Click(); });
        QCOMPARE(m_seam->messageTexts(),
            QStringList { QStringLiteral("Datei %1 kann nicht erstellt werden.").arg(path) });
    }

    void extensionRule()
    {
        QCOMPARE(fileExtension(QStringLiteral("/home/a/b.rtf")), QStringLiteral(".rtf"));
        QCOMPARE(fileExtension(QStringLiteral("/home/a.b/c")), QString());
        QCOMPARE(fileExtension(QStringLiteral("x.RTF")), QStringLiteral(".RTF"));
        QCOMPARE(fileExtension(QStringLiteral("c:x")), QString());
    }
};

int main(int argc, char *argv[])
{
    EntryViewerTest test;
    QApplication app(argc, argv);
    return QTest::qExec(&test, argc, argv);
}
#include "entryviewer_test.moc"

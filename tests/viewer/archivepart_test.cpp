// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "diskfaults.h"
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/archivepart.h"
#include "viewer/entryviewer.h"
#include "viewerstand.h"
#include "widgets/sortgrid.h"
#include "zip/zipaccess.h"
#include "zipwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <sys/mount.h>
#include <sys/stat.h>

using namespace tv;

namespace {

constexpr quint32 kMay2024 = (quint32((44 << 9) | (5 << 5) | 4) << 16) | (12 << 11); // 04.05.2024 12:00
constexpr quint32 kJan2023 = (quint32((43 << 9) | (1 << 5) | 31) << 16); // 31.01.2023

// libzip writes only real dates: patch month 0 into the second member's
// local header and central directory record.
QByteArray withBadDate(QByteArray archive)
{
    const quint16 monthZero = (44 << 9) | (0 << 5) | 1;
    const qsizetype local = archive.indexOf("PK\x03\x04", 1);
    const qsizetype central = archive.indexOf("PK\x01\x02", archive.indexOf("PK\x01\x02") + 1);
    for (const qsizetype date : { local + 12, central + 14 }) {
        archive[date] = char(monthZero & 0xFF);
        archive[date + 1] = char(monthZero >> 8);
    }
    return archive;
}

const QByteArray kSection
    = "[Beispiel]\r\nCount=2\r\n"
      "1=Beispiel\r\n1Modul=basis\r\n1File=beispiel.zip\r\n1Describe=Kurz\r\n1Archiv=Lange Beschreibung\r\n"
      "2=Artikel\r\n2Modul=zweites\r\n2File=text.txt\r\n"
      "[Kaputt]\r\n1=Archiv\r\n1Modul=basis\r\n1File=kaputt.zip\r\n"
      "[Fehlt]\r\n1=Komponente\r\n1Modul=basis\r\n1File=gibtsnicht.zip\r\n1Describe=Nur kurz\r\n"
      "[Datum]\r\n1=Archiv\r\n1Modul=basis\r\n1File=datum.zip\r\n"
      "[Ausbruch]\r\n1=Archiv\r\n1Modul=basis\r\n1File=../opfer.zip\r\n";

enum Row { Beispiel, Kaputt, Fehlt, Datum, Ausbruch };

constexpr quint32 dosDate(int year, int month, int day)
{
    return quint32(((year - 1980) << 9) | (month << 5) | day) << 16;
}

} // namespace

class ArchivePartTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<ViewerStand> m_stand;
    QTemporaryDir m_home;
    QByteArray m_oldHome;

    void open(Row row) { m_stand->click("Grafik", row); }
    template <typename T> T *control(const QString &name) const { return m_stand->control<T>(name); }
    TSortGrid *grid() const { return control<TSortGrid>(QStringLiteral("SortGrid1")); }
    QLineEdit *edit() const { return control<QLineEdit>(QStringLiteral("ArchivEdit1")); }
    QPushButton *extractButton() const { return control<QPushButton>(QStringLiteral("ExtractButton1")); }
    QToolButton *folderButton() const { return edit()->parentWidget()->findChild<QToolButton *>(); }
    QPushButton *openButton() const
    {
        for (QPushButton *b : edit()->parentWidget()->findChildren<QPushButton *>())
            if (b->text() == QStringLiteral("Zielverzeichnis &durchsuchen"))
                return b;
        return nullptr;
    }
    void typeFolder(const QString &folder)
    {
        edit()->clear();
        QTest::keyClicks(edit(), folder);
    }
    QString status() const { return m_stand->statusText(); }
    QStringList filesIn(const QString &dir) const
    {
        return QDir(dir).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    }
    /// Everything in `dir`, hidden files too, so a left-over probe or temporary file shows.
    static QStringList allIn(const QString &dir)
    {
        return QDir(dir).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    void clickHeader(int col)
    {
        QHeaderView *header = grid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
            QPoint(
                header->sectionViewportPosition(col) + header->sectionSize(col) / 2, header->height() / 2));
    }
    QStringList column(int col) const
    {
        QStringList cells;
        for (int row = 1; row < grid()->RowCount(); ++row)
            cells.append(grid()->Cells(col, row));
        return cells;
    }
    /// An archive part whose members are dated so that their text order
    /// differs from their date order in every locale tried, plus enough
    /// members for a vertical scroll bar.
    void useDatedArchive()
    {
        QList<ZipMember> members { { "mai.txt", "a", dosDate(2024, 5, 4) },
            { "neu.txt", "b", dosDate(2025, 1, 1) }, { "alt.txt", "c", dosDate(2023, 1, 31) } };
        for (int i = 0; i < 12; ++i)
            members.append({ "fuell" + QByteArray::number(i) + ".txt", "f", dosDate(2023, 1, 31) });
        writeZip(
            m_dirs->programDir() + QStringLiteral("basis.tvm"), { { "beispiel.zip", zipBytes(members) } });
    }

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), kSection);
        const QByteArray inner
            = zipBytes({ { "liesmich.txt", "Bitte lesen", kMay2024 }, { "src/", "", kJan2023 },
                { "src/main.cpp", QByteArray(500, 'x'), kJan2023 }, { "Datei.zip", "Mitglied", kMay2024 } });
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "beispiel.zip", inner }, { "kaputt.zip", "das ist kein Archiv" },
                { "datum.zip",
                    withBadDate(zipBytes({ { "gut.txt", "g", kMay2024 }, { "schlecht.txt", "s" } })) } });
        writeZip(m_dirs->programDir() + QStringLiteral("zweites.tvm"), { { "text.txt", "Text" } });
        m_stand = ViewerStand::start(*m_seam);
        QVERIFY(m_stand);
    }
    void tearDown() override { m_stand.reset(); }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        m_oldHome = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(m_home.path()));
    }
    void cleanupTestCase() { qputenv("HOME", m_oldHome); }

    void pageListsTheArchive()
    {
        open(Beispiel);
        QCOMPARE(m_seam->messageTexts(), QStringList());
        QCOMPARE(m_stand->pages()->currentIndex(), 1);
        QCOMPARE(status(), QStringLiteral("Archiv-Output: (kein Pfad)")); // the archive tab is active
        QCOMPARE(grid()->RowCount(), 5);
        QCOMPARE(grid()->Cells(0, 0), QStringLiteral("Datei"));
        QCOMPARE(grid()->Cells(3, 0), QStringLiteral("Datum"));
        QCOMPARE(grid()->Cells(0, 1), QStringLiteral("liesmich.txt"));
        QCOMPARE(grid()->Cells(2, 1), QStringLiteral("11"));
        QCOMPARE(grid()->Cells(3, 1), QLocale().toString(QDate(2024, 5, 4), QLocale::ShortFormat));
        QCOMPARE(grid()->Cells(0, 2), QStringLiteral("src/"));
        QCOMPARE(grid()->Cells(1, 2), QStringLiteral("0"));
        QCOMPARE(grid()->Cells(0, 3), QStringLiteral("src/main.cpp"));
        QCOMPARE(grid()->Cells(2, 3), QStringLiteral("500"));
        auto *description = edit()->parentWidget()->findChild<QPlainTextEdit *>();
        QCOMPARE(description->toPlainText(), QStringLiteral("Lange Beschreibung"));
        QVERIFY(description->isReadOnly());
        QCOMPARE(extractButton()->text(), QStringLiteral("Archiv &entpacken"));
        QCOMPARE(filesIn(GetWorkDir()), QStringList()); // the listing's copy is gone

        // A click on the "Entpackt" header sorts by size, numbers as numbers,
        // under the busy cursor.
        const int busyCalls = m_seam->busyCalls;
        QHeaderView *header = grid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(2) + header->sectionSize(2) / 2, header->height() / 2));
        QCOMPARE(grid()->Cells(0, 1), QStringLiteral("src/"));
        QCOMPARE(grid()->Cells(0, 2), QStringLiteral("Datei.zip"));
        QCOMPARE(grid()->Cells(0, 4), QStringLiteral("src/main.cpp"));
        QCOMPARE(m_seam->busyCalls, busyCalls + 2);
        QCOMPARE(m_seam->busyDepth, 0);
    }

    /// The listing's texts are the program's: Windows-1252 bytes, and the
    /// program's errors when a file cannot be read or written.
    void listingTextsAreWindows1252()
    {
        open(Beispiel);
        grid()->setCells(0, 1, QStringLiteral("Größe€.txt"));
        const QString out = m_dirs->tempDir() + QStringLiteral("liste.txt");
        grid()->ExportDelimited(out, u';');
        QFile written(out);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QVERIFY(written.readAll().startsWith("Datei;Gepackt;Entpackt;Datum\r\nGr\xF6\xDF"
                                             "e\x80.txt;"));
        QVERIFY_THROWS_EXCEPTION(WriteError, grid()->ExportDelimited(out + QStringLiteral("/nicht"), u';'));
        QVERIFY_THROWS_EXCEPTION(IoError, grid()->ImportDelimited(out + QStringLiteral(".fehlt"), u';'));
        grid()->ImportDelimited(out, u';');
        QCOMPARE(grid()->Cells(0, 1), QStringLiteral("Größe€.txt"));
    }

    void extractIntoATypedFolder()
    {
        open(Beispiel);
        const QString target = m_dirs->tempDir() + QStringLiteral("ziel");
        QVERIFY(QDir().mkpath(target));
        TestDirs::writeFile(target + QStringLiteral("/Datei.zip"), "meine eigene Datei");
        typeFolder(target);
        QCOMPARE(status(), QStringLiteral("Archiv-Output: ") + target);
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        // Every member lands flat in the folder; the user's Datei.zip is replaced only by the member of that
        // name.
        QCOMPARE(status(), QStringLiteral("Es wurde(n) 3 Datei(en) nach '%1/' entpackt...").arg(target));
        QCOMPARE(filesIn(target),
            (QStringList {
                QStringLiteral("Datei.zip"), QStringLiteral("liesmich.txt"), QStringLiteral("main.cpp") }));
        QFile member(target + QStringLiteral("/Datei.zip"));
        QVERIFY(member.open(QIODevice::ReadOnly));
        QCOMPARE(member.readAll(), QByteArray("Mitglied"));
        QCOMPARE(filesIn(GetWorkDir()), QStringList());
        // Twice: the files are replaced without a question and the count is the same.
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Es wurde(n) 3 Datei(en) nach '%1/' entpackt...").arg(target));
        QCOMPARE(m_seam->messages.size(), 0);
    }

    void aUsersOwnDateiZipSurvives()
    {
        // An archive without a member of that name never touches the user's file.
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "beispiel.zip", zipBytes({ { "a.txt", "A" } }) } });
        open(Beispiel);
        const QString target = m_dirs->tempDir() + QStringLiteral("ziel/");
        QVERIFY(QDir().mkpath(target));
        TestDirs::writeFile(target + QStringLiteral("Datei.zip"), "meine eigene Datei");
        typeFolder(target);
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Es wurde(n) 1 Datei(en) nach '%1' entpackt...").arg(target));
        QFile own(target + QStringLiteral("Datei.zip"));
        QVERIFY(own.open(QIODevice::ReadOnly));
        QCOMPARE(own.readAll(), QByteArray("meine eigene Datei"));
    }

    void relativeFolderMeansHome()
    {
        open(Beispiel);
        QVERIFY(QDir(m_home.path()).mkdir(QStringLiteral("Beispiele")));
        typeFolder(QStringLiteral("Beispiele"));
        const QString absolute = m_home.path() + QStringLiteral("/Beispiele");
        QCOMPARE(status(), QStringLiteral("Archiv-Output: ") + absolute);
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Es wurde(n) 3 Datei(en) nach '%1/' entpackt...").arg(absolute));
        QVERIFY(QFileInfo::exists(absolute + QStringLiteral("/liesmich.txt")));
        QCOMPARE(
            absoluteFolder(QStringLiteral("~/x"), QStringLiteral("/home/a")), QStringLiteral("/home/a/x"));
        QCOMPARE(absoluteFolder(QStringLiteral("~"), QStringLiteral("/home/a")), QStringLiteral("/home/a/"));
        QCOMPARE(absoluteFolder(QString(), QStringLiteral("/home/a")), QString());
    }

    void missingFolderIsCreatedOnlyOnYes()
    {
        open(Beispiel);
        const QString target = m_dirs->tempDir() + QStringLiteral("neu/tief/ziel");
        typeFolder(target);
        m_seam->answers = { No };
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Bestätigung"));
        QCOMPARE(m_seam->messages[0].text,
            QStringLiteral("Der Pfad '%1' existiert nicht. Soll dieser erstellt werden?").arg(target));
        QCOMPARE(status(), QStringLiteral("Keine Datei entpackt..."));
        QVERIFY(!QFileInfo::exists(m_dirs->tempDir() + QStringLiteral("neu")));

        m_seam->answers = { Yes };
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Es wurde(n) 3 Datei(en) nach '%1/' entpackt...").arg(target));
        QVERIFY(QFileInfo::exists(target + QStringLiteral("/main.cpp")));

        // A folder that cannot be made: below a plain file.
        TestDirs::writeFile(m_dirs->tempDir() + QStringLiteral("datei"), "x");
        typeFolder(m_dirs->tempDir() + QStringLiteral("datei/unter"));
        m_seam->answers = { Yes };
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Ungültiger Pfad..."));
    }

    void folderDialogAndTabSwitch()
    {
        open(Beispiel);
        const QString chosen = m_dirs->tempDir() + QStringLiteral("gewaehlt");
        QVERIFY(QDir().mkpath(chosen));
        m_seam->folders = { chosen, QString() };
        QTest::mouseClick(folderButton(), Qt::LeftButton);
        QCOMPARE(m_seam->folderPrompts, QStringList { QStringLiteral("Zielverzeichnis wählen:") });
        QCOMPARE(edit()->text(), chosen + u'/');
        QCOMPARE(status(), QStringLiteral("Archiv-Output: %1/").arg(chosen));
        // Cancelling keeps the folder chosen before.
        QTest::mouseClick(folderButton(), Qt::LeftButton);
        QCOMPARE(edit()->text(), chosen + u'/');
        QCOMPARE(status(), QStringLiteral("Archiv-Output: %1/").arg(chosen));

        QTest::mouseClick(openButton(), Qt::LeftButton);
        QCOMPARE(m_seam->opened, QList<QUrl> { QUrl::fromLocalFile(chosen + u'/') });

        // Another tab and back: the folder is gone.
        m_stand->pages()->setCurrentIndex(2);
        m_stand->pages()->setCurrentIndex(1);
        QCOMPARE(edit()->text(), QString());
        QCOMPARE(status(), QStringLiteral("Archiv-Output: (kein Pfad)"));
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Kein Zielpfad gewählt..."));
        QTest::mouseClick(openButton(), Qt::LeftButton);
        QCOMPARE(m_seam->opened.size(), 1);

        typeFolder(m_dirs->tempDir() + QStringLiteral("nirgends"));
        QTest::mouseClick(openButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Ungültiger Pfad..."));
    }

    /// The listing's dates sort as dates whatever locale the program runs in;
    /// the C locale writes "4 May 2024".
    void datesSortAsDatesInEveryLocale_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char *name : { "C", "C.UTF-8", "de_DE", "en_US", "en_GB", "ja_JP", "bg_BG", "ar_EG" })
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void datesSortAsDatesInEveryLocale()
    {
        QFETCH(QString, locale);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        useDatedArchive();
        open(Beispiel);
        QCOMPARE(grid()->Cells(3, 1), QLocale().toString(QDate(2024, 5, 4), QLocale::ShortFormat));
        clickHeader(3);
        const QStringList names = column(0);
        QCOMPARE(names.mid(13), (QStringList { QStringLiteral("mai.txt"), QStringLiteral("neu.txt") }));
        QCOMPARE(names.first(), QStringLiteral("alt.txt"));
    }

    /// The four columns fit the 364-pixel grid: no horizontal scroll bar, and
    /// every header text whole, also with a vertical scroll bar.
    void columnsFitTheGrid_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::newRow("de_DE") << QStringLiteral("de_DE");
        QTest::newRow("C") << QStringLiteral("C");
    }

    void columnsFitTheGrid()
    {
        QFETCH(QString, locale);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
        useDatedArchive();
        open(Beispiel);
        TSortGrid *g = grid();
        QVERIFY(QTest::qWaitForWindowExposed(g->window()));
        QCOMPARE(g->width(), 364);
        QVERIFY(g->verticalScrollBar()->isVisible());
        QVERIFY(!g->horizontalScrollBar()->isVisible());
        int total = 0;
        for (int col = 0; col < 4; ++col) {
            total += g->ColWidths(col);
            for (int row = 0; row < (col == 0 ? 1 : g->RowCount()); ++row) {
                const TGridDrawState state = row == 0 ? TGridDrawState(gdFixed) : TGridDrawState();
                const int text = QFontMetrics(g->CellFormat(col, row, state).CellFont)
                                     .horizontalAdvance(g->Cells(col, row));
                QVERIFY2(g->ColWidths(col) >= text + 4, qPrintable(g->Cells(col, row)));
            }
        }
        QVERIFY2(total <= g->viewport()->width(), qPrintable(QString::number(total)));
    }

    /// A folder that cannot be written, even by root: a read-only file
    /// system. The user is told which folder, and nothing is written anywhere.
    void readOnlyFolderIsNamed()
    {
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        const QString target = fs.path() + QStringLiteral("ziel/");
        QVERIFY(QDir().mkpath(target));
        QVERIFY(::mount("tmpfs", QFile::encodeName(fs.path()).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                    nullptr)
            == 0);
        open(Beispiel);
        const QString current = QDir::currentPath();
        const QStringList before = allIn(current);
        typeFolder(target);
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Keine Datei entpackt..."));
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        QCOMPARE(m_seam->messages[0].text,
            QStringLiteral("Nach '%1' kann nicht entpackt werden: Dateizugriff verweigert.").arg(target));
        QVERIFY(allIn(target).isEmpty());
        QCOMPARE(allIn(current), before);
        QCOMPARE(allIn(GetWorkDir()), QStringList());
    }

    /// A folder that exists but cannot be entered: the members must not land
    /// in the current directory while the status counts them.
    void unenterableFolderIsNamed()
    {
        open(Beispiel);
        const QString nox = m_dirs->tempDir() + QStringLiteral("nox/");
        QVERIFY(QDir().mkpath(nox));
        QVERIFY(::chmod(QFile::encodeName(nox).constData(), 0700) == 0);
        QVERIFY(::chmod(QFile::encodeName(m_dirs->tempDir()).constData(), 0711) == 0);
        const QString current = QDir::currentPath();
        const QStringList before = allIn(current);
        typeFolder(nox);
        {
            AsNobody nobody;
            if (!nobody.active())
                QSKIP("cannot check files as another user here (needs root)");
            QTest::mouseClick(extractButton(), Qt::LeftButton);
        }
        QCOMPARE(status(), QStringLiteral("Keine Datei entpackt..."));
        QCOMPARE(m_seam->messageTexts(),
            QStringList {
                QStringLiteral("Nach '%1' kann nicht entpackt werden: Dateizugriff verweigert.").arg(nox) });
        QVERIFY(allIn(nox).isEmpty());
        QCOMPARE(allIn(current), before);
        QCOMPARE(allIn(GetWorkDir()), QStringList());
    }

    /// A full folder: what could not be written is reported with its reason,
    /// is not counted, and an older file of that name stays as it was.
    void fullFolderReportsWhatFailed()
    {
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        open(Beispiel);
        TestDirs::writeFile(fs.path() + QStringLiteral("liesmich.txt"), "meine Notizen");
        fs.fill();
        typeFolder(fs.path());
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Es wurde(n) 0 Datei(en) nach '%1' entpackt...").arg(fs.path()));
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        const QString text = m_seam->messages[0].text;
        QVERIFY2(text.startsWith(
                     QStringLiteral("Nicht alle Dateien konnten nach '%1' entpackt werden:").arg(fs.path())),
            qPrintable(text));
        for (const char *name : { "liesmich.txt", "main.cpp", "Datei.zip" })
            QVERIFY2(text.contains(QStringLiteral("Cannot write %1: ").arg(QLatin1String(name))),
                qPrintable(text));
        QCOMPARE(
            allIn(fs.path()), (QStringList { QStringLiteral("ballast"), QStringLiteral("liesmich.txt") }));
        QFile old(fs.path() + QStringLiteral("liesmich.txt"));
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("meine Notizen"));
        QCOMPARE(allIn(GetWorkDir()), QStringList());
    }

    void theArchivesOwnModuleIsUsed()
    {
        // The second part lies in another module; the button keeps its own part's module.
        open(Beispiel);
        QCOMPARE(m_stand->viewer()->page(2)->part().modul, QByteArray("zweites"));
        const QString target = m_dirs->tempDir() + QStringLiteral("ziel");
        QVERIFY(QDir().mkpath(target));
        QVERIFY(m_stand->viewer()->showPart(1));
        typeFolder(target);
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(status(), QStringLiteral("Es wurde(n) 3 Datei(en) nach '%1/' entpackt...").arg(target));
    }

    void damagedArchive()
    {
        open(Kaputt);
        QCOMPARE(m_seam->messages.size(), 1);
        QVERIFY(m_seam->messages[0].text.startsWith(QStringLiteral("No valid zip entries found")));
        QCOMPARE(grid()->RowCount(), 1);
        QVERIFY(extractButton()); // the page is complete
    }

    void partFileMissingFromTheModule()
    {
        open(Fehlt);
        QCOMPARE(m_seam->messages.size(), 0);
        QCOMPARE(grid()->RowCount(), 1);
        QCOMPARE(
            edit()->parentWidget()->findChild<QPlainTextEdit *>()->toPlainText(), QStringLiteral("Nur kurz"));
        typeFolder(m_dirs->tempDir());
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(m_seam->messageTexts(), QStringList { QStringLiteral("Error - no zip file specified") });
        QCOMPARE(
            status(), QStringLiteral("Es wurde(n) 0 Datei(en) nach '%1' entpackt...").arg(m_dirs->tempDir()));
    }

    void aBadDateEndsTheBuild()
    {
        open(Datum);
        QCOMPARE(m_seam->messageTexts(),
            QStringList { QStringLiteral("Ungültiges Argument zum Codieren des Datums.") });
        QCOMPARE(grid()->Cells(0, 1), QStringLiteral("gut.txt"));
        QVERIFY(!extractButton());
        QCOMPARE(m_stand->viewer()->currentEntryIndex(), -1);
        QVERIFY_THROWS_EXCEPTION(Error, dosDateTime((quint32((44 << 9) | (1 << 5) | 1) << 16) | (24 << 11)));
        QCOMPARE(dosDateTime(kMay2024), QDateTime(QDate(2024, 5, 4), QTime(12, 0)));
    }

    void aPartFileNameNeverLeavesTheWorkDirectory()
    {
        const QString victim = m_dirs->tempDir() + QStringLiteral("opfer.zip");
        TestDirs::writeFile(victim, zipBytes({ { "privat.txt", "geheim" } }));
        open(Ausbruch);
        QCOMPARE(grid()->RowCount(), 1); // the user's archive is not listed
        typeFolder(m_dirs->tempDir());
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(m_seam->messageTexts(), QStringList { QStringLiteral("Error - no zip file specified") });
        QVERIFY(QFileInfo::exists(victim));
        QVERIFY(!QFileInfo::exists(m_dirs->tempDir() + QStringLiteral("privat.txt")));
    }

    void missingEngine()
    {
        QTemporaryDir empty;
        m_stand->zip().setEngineDirectory(empty.path());
        open(Beispiel);
        // The archive page, then the text part of the same entry, miss the engine.
        QCOMPARE(m_seam->messageTexts().mid(0, 2),
            (QStringList {
                QStringLiteral("unzipengine not found"), QStringLiteral("unzipengine not found") }));
        QCOMPARE(grid()->RowCount(), 1);
        m_seam->messages.clear();
        typeFolder(m_dirs->tempDir());
        QTest::mouseClick(extractButton(), Qt::LeftButton);
        QCOMPARE(m_seam->messageTexts(),
            (QStringList {
                QStringLiteral("unzipengine not found"), QStringLiteral("Error - no zip file specified") }));
        QCOMPARE(
            status(), QStringLiteral("Es wurde(n) 0 Datei(en) nach '%1' entpackt...").arg(m_dirs->tempDir()));
    }
};

QTEST_MAIN(ArchivePartTest)
#include "archivepart_test.moc"

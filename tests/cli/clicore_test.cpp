// SPDX-License-Identifier: GPL-3.0-or-later
// The command-line tool's logic, called directly: names, the linter and the
// packer, on small catalogues written by each test.
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "cli/clierror.h"
#include "cli/linter.h"
#include "cli/names.h"
#include "cli/packer.h"
#include "cli/stderrseam.h"
#include "clitestdata.h"
#include "testfixture.h"
#include "zipwriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QtTest>

using namespace tv;
using namespace tv::cli;

namespace {

QString engineDir()
{
    return builtProgramDir();
}

/// What check says, one finding a line, as the command prints it.
QStringList lint(StderrSeam &seam)
{
    QStringList lines;
    for (const Finding &f : checkCatalogue(seam, engineDir()))
        lines << f.toString();
    return lines;
}

} // namespace

class CliCoreTest : public TestFixture
{
    Q_OBJECT

    std::FILE *m_null = nullptr;
    std::unique_ptr<StderrSeam> m_stderr;

    QString dir() const { return m_dirs->programDir(); }
    QStringList check() { return lint(*m_stderr); }

    void setUp() override
    {
        writeSmallCatalogue(dir());
        m_stderr = std::make_unique<StderrSeam>(m_null);
    }
    void tearDown() override { m_stderr.reset(); }

    void replaceSectionFile(const char *utf8)
    {
        writeCatalogueFile(dir(), QStringLiteral("Section_Grafik.dat"), utf8);
    }

    /// The one finding the fault in the Grafik section causes.
    void expectOnly(const QString &finding)
    {
        const QStringList findings = check();
        QVERIFY2(findings == QStringList { finding }, qPrintable(findings.join(u'\n')));
    }

private slots:
    void initTestCase()
    {
        m_null = std::fopen("/dev/null", "w");
        QVERIFY(m_null);
    }
    void cleanupTestCase() { std::fclose(m_null); }

    // ------------------------------------------------------------- names

    void sectionsAnswerToShownAndStoredNamesInAnyCase()
    {
        for (const char *typed : { "Kältetechnik", "KÄLTETECHNIK", "kaeltetechnik", "kält", "K" })
            QCOMPARE(resolveSection(QString::fromUtf8(typed)).line, QByteArray("Kaeltetechnik"));
        QCOMPARE(resolveSection(QStringLiteral("gra")).line, QByteArray("Grafik"));
    }

    void entriesByUniquePrefixAndExactNameFirst()
    {
        const Section grafik = resolveSection(QStringLiteral("Grafik"));
        // "Bitmap" is the whole name of one entry and the beginning of another.
        QCOMPARE(resolveEntry(grafik, QStringLiteral("bitmap")).name, QByteArray("Bitmap"));
        QCOMPARE(resolveEntry(grafik, QStringLiteral("bitmaps")).name, QByteArray("Bitmaps laden"));
        QCOMPARE(
            resolveEntry(grafik, QStringLiteral("FARBEN Ä")).name, toCp1252(QStringLiteral("Farben ändern")));
    }

    void ambiguousPrefixListsTheCandidates()
    {
        const Section grafik = resolveSection(QStringLiteral("Grafik"));
        try {
            resolveEntry(grafik, QStringLiteral("bi"));
            QFAIL("an ambiguous prefix was taken");
        } catch (const CliError &e) {
            QCOMPARE(e.code(), ExitFailed);
            QCOMPARE(e.message(),
                QStringLiteral(
                    "Eintrag 'bi' ist nicht eindeutig. In Frage kommen:\n  Bitmaps laden\n  Bitmap"));
        }
        QVERIFY_THROWS_EXCEPTION(CliError, resolveEntry(grafik, QStringLiteral("Kühlung")));
    }

    void namesDifferingOnlyInCaseTakeTheOneTypedSo()
    {
        replaceSectionFile("[Liste]\n1Modul=basis\n1File=link.txt\n[LISTE]\n1Modul=basis\n1File=link.txt\n");
        const Section grafik = resolveSection(QStringLiteral("Grafik"));
        QCOMPARE(resolveEntry(grafik, QStringLiteral("LISTE")).name, QByteArray("LISTE"));
        QVERIFY_THROWS_EXCEPTION(CliError, resolveEntry(grafik, QStringLiteral("liste")));
    }

    void partsByNumberCaptionOrDescription()
    {
        const Section k = resolveSection(QStringLiteral("kä"));
        const Entry e = resolveEntry(k, QStringLiteral("kühl"));
        QCOMPARE(resolvePart(k, e, QString()).number, 1);
        QCOMPARE(resolvePart(k, e, QStringLiteral("2")).number, 2);
        QCOMPARE(resolvePart(k, e, QStringLiteral("beisp")).number, 2);
        QCOMPARE(resolvePart(k, e, QStringLiteral("kältemittel")).number, 1);
        QVERIFY_THROWS_EXCEPTION(CliError, resolvePart(k, e, QStringLiteral("3")));
    }

    // ------------------------------------------- the model's bulk reading

    void keysClassifiedAsTheReaderReadsThem()
    {
        QCOMPARE(int(entryKeyOf("count").kind), int(EntryKeyKind::Count));
        QCOMPARE(int(entryKeyOf("CMODUL").kind), int(EntryKeyKind::CModul));
        QCOMPARE(int(entryKeyOf("12").kind), int(EntryKeyKind::Caption));
        QCOMPARE(entryKeyOf("12").part, 12);
        QCOMPARE(int(entryKeyOf("2modul").kind), int(EntryKeyKind::Modul));
        QCOMPARE(int(entryKeyOf("3File").kind), int(EntryKeyKind::File));
        QCOMPARE(int(entryKeyOf("3Describe").kind), int(EntryKeyKind::Describe));
        QCOMPARE(int(entryKeyOf("3Archiv").kind), int(EntryKeyKind::Archiv));
        for (const char *unknown : { "02Modul", "1000Modul", "Modul", "2Module", "x1", "" })
            QVERIFY2(entryKeyOf(unknown).kind == EntryKeyKind::Unknown, unknown);
    }

    void snapshotGivesTheRecordsOfTheFile()
    {
        replaceSectionFile(
            "[Bitmap]\nCount=0x3\n1=WWW-Link\n1Modul=basis\n1File=link.txt\n2Describe=\n3Archiv=lang\n"
            "[Leer]\nCount=0\n[Nur Name]\n");
        const SectionFile file = resolveSection(QStringLiteral("Grafik")).file();
        const SectionSnapshot snapshot(file);
        for (const QByteArray &name : file.entryNames()) {
            const Entry a = file.entry(name), b = snapshot.entry(name);
            QCOMPARE(b.declaredCount, a.declaredCount);
            QCOMPARE(b.partCount, a.partCount);
            QCOMPARE(b.newsModule, a.newsModule);
            const QList<Part> pa = file.parts(a), pb = snapshot.parts(b);
            QCOMPARE(pb.size(), pa.size());
            for (int i = 0; i < pa.size(); ++i) {
                QCOMPARE(pb[i].caption, pa[i].caption);
                QCOMPARE(pb[i].modul, pa[i].modul);
                QCOMPARE(pb[i].file, pa[i].file);
                QCOMPARE(pb[i].description, pa[i].description);
                QCOMPARE(pb[i].archiveText, pa[i].archiveText);
            }
        }
        QCOMPARE(snapshot.parts(snapshot.entry("Bitmap")).at(1).description, QByteArray());
        QCOMPARE(snapshot.parts(snapshot.entry("Bitmap")).at(2).archiveText, QByteArray("lang"));
    }

    void sectionsWithLinesKeepDoublesAndLines()
    {
        replaceSectionFile("[A]\nx=1\n\n[a]\n  y = ' 2 '\n");
        const QList<ini::SectionAt> sections
            = ini::sectionsWithLines(dir() + QStringLiteral("Section_Grafik.dat"));
        QCOMPARE(sections.size(), 2);
        QCOMPARE(sections[1].name, QByteArray("a"));
        QCOMPARE(sections[1].line, 4);
        QCOMPARE(sections[1].keys.size(), 1);
        QCOMPARE(sections[1].keys[0].key, QByteArray("y"));
        QCOMPARE(sections[1].keys[0].value, QByteArray(" 2 "));
        QCOMPARE(sections[1].keys[0].line, 5);
    }

    // ------------------------------------------------------------- check

    void smallCatalogueIsClean() { QCOMPARE(check(), QStringList()); }

    void missingSectionFileStopsTheStart()
    {
        QVERIFY(QFile::remove(dir() + QStringLiteral("Section_Grafik.dat")));
        // neu.tvm and basis.tvm's link served only that section.
        QCOMPARE(check(),
            (QStringList {
                QStringLiteral(
                    "Sections.dat:2: Fehler: Section_Grafik.dat fehlt; das Programm startet nicht"),
                QStringLiteral("basis.tvm: Warnung: 'link.txt' wird von keinem Eintrag benutzt"),
                QStringLiteral("neu.tvm: Warnung: Modul wird von keinem Eintrag benutzt") }));
        QVERIFY(!CheckFiles());
    }

    void extraLineEndAtTheEnd()
    {
        writeCatalogueFile(dir(), QStringLiteral("Sections.dat"), "Kaeltetechnik\nGrafik\n\n");
        const QStringList findings = check();
        QCOMPARE(findings.size(), 2);
        QVERIFY2(findings[0].startsWith(QStringLiteral("Sections.dat:3: Fehler: leere letzte Zeile")),
            qPrintable(findings[0]));
        QCOMPARE(findings[1],
            QStringLiteral("Sections.dat:3: Fehler: Section_.dat fehlt; das Programm startet nicht"));
    }

    void duplicateSection()
    {
        writeCatalogueFile(dir(), QStringLiteral("Sections.dat"), "Kaeltetechnik\nGrafik\ngrafik\n");
        expectOnly(
            QStringLiteral("Sections.dat:3: Fehler: Rubrik 'grafik' steht doppelt (zuerst in Zeile 2)"));
    }

    void refusedSectionName()
    {
        writeCatalogueFile(dir(), QStringLiteral("Sections.dat"), "Kaeltetechnik\nGrafik\n../x\n");
        const QStringList findings = check();
        QCOMPARE(findings.size(), 1);
        QVERIFY2(findings[0].startsWith(
                     QStringLiteral("Sections.dat:3: Fehler: Rubrikname '../x' wird nicht angenommen")),
            qPrintable(findings[0]));
    }

    void duplicateEntry()
    {
        replaceSectionFile("[Bitmap]\n1=WWW-Link\n1Modul=basis\n1File=link.txt\n\n"
                           "[Bitmaps laden]\n1Modul=neu\n1File=bitmaps.txt\n"
                           "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n"
                           "[BITMAP]\n1Modul=neu\n1File=bitmaps.txt\n");
        expectOnly(QStringLiteral("Section_Grafik.dat:13: Fehler: Eintrag 'BITMAP' steht doppelt (zuerst in "
                                  "Zeile 1); gelesen wird nur der erste"));
    }

    void controlCharacterInEntryName()
    {
        replaceSectionFile("[Bitmap]\n1=WWW-Link\n1Modul=basis\n1File=link.txt\n"
                           "[Bitmaps\tladen]\n1Modul=neu\n1File=bitmaps.txt\n"
                           "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n");
        expectOnly(
            QStringLiteral("Section_Grafik.dat:5: Fehler: Eintrag 'Bitmaps\tladen': Steuerzeichen im Namen"));
    }

    void missingModule()
    {
        QVERIFY(QFile::remove(dir() + QStringLiteral("neu.tvm")));
        const QStringList findings = check();
        QVERIFY(findings.contains(QStringLiteral(
            "Section_Grafik.dat:2: Fehler: Eintrag 'Bitmaps laden', Teil 1: Modul 'neu.tvm' fehlt")));
        QVERIFY(findings.contains(QStringLiteral(
            "Section_Grafik.dat:12: Fehler: Eintrag 'Farben ändern', Teil 1: Modul 'neu.tvm' fehlt")));
        QVERIFY(findings.contains(
            QStringLiteral("CheckVersion.dat: Warnung: das neueste Modul 'neu.tvm' ist nicht installiert")));
        QCOMPARE(findings.size(), 3);
    }

    void refusedModuleAndFileNames()
    {
        replaceSectionFile("[Bitmap]\n1=WWW-Link\n1Modul=../basis\n1File=link.txt\n"
                           "[Bitmaps laden]\n1Modul=neu\n1File=../bitmaps.txt\n"
                           "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben*.zip\n");
        const QStringList findings = check();
        QVERIFY(findings.contains(QStringLiteral("Section_Grafik.dat:3: Fehler: Eintrag 'Bitmap', Teil 1: "
                                                 "Modulname '../basis' wird nicht angenommen")));
        QVERIFY(
            findings.contains(QStringLiteral("Section_Grafik.dat:7: Fehler: Eintrag 'Bitmaps laden', Teil 1: "
                                             "Dateiname '../bitmaps.txt' wird nicht angenommen (kein Ordner, "
                                             "kein \"*\" oder \"?\")")));
        QVERIFY(findings.contains(
            QStringLiteral("Section_Grafik.dat:11: Fehler: Eintrag 'Farben ändern', Teil 1: "
                           "Dateiname 'farben*.zip' wird nicht angenommen (kein Ordner, kein "
                           "\"*\" oder \"?\")")));
    }

    void partFileMissingFromItsModuleCaseIgnored()
    {
        replaceSectionFile("[Bitmap]\n1=WWW-Link\n1Modul=BASIS\n1File=LINK.TXT\n"
                           "[Bitmaps laden]\n1Modul=neu\n1File=bitmap.txt\n"
                           "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n");
        const QStringList findings = check();
        QVERIFY2(
            findings.contains(QStringLiteral("Section_Grafik.dat:7: Fehler: Eintrag 'Bitmaps laden', Teil 1: "
                                             "Datei 'bitmap.txt' fehlt im Modul 'neu.tvm'")),
            qPrintable(findings.join(u'\n')));
        QVERIFY(findings.contains(
            QStringLiteral("neu.tvm: Warnung: 'bitmaps.txt' wird von keinem Eintrag benutzt")));
        QCOMPARE(findings.size(), 2);
    }

    void countOutOfRange_data()
    {
        QTest::addColumn<QByteArray>("count");
        QTest::addColumn<QString>("finding");
        QTest::newRow("negative")
            << QByteArray("-1")
            << QStringLiteral("Section_Grafik.dat:3: Fehler: Eintrag 'Bitmap': Count -1 ist kleiner als 0");
        QTest::newRow("beyond the cap")
            << QByteArray("0x3E8")
            << QStringLiteral(
                   "Section_Grafik.dat:3: Fehler: Eintrag 'Bitmap': Count 1000 ist größer als 999; "
                   "gezeigt werden nur 999 Teile");
        QTest::newRow("no number") << QByteArray("eins")
                                   << QStringLiteral(
                                          "Section_Grafik.dat:3: Fehler: Eintrag 'Bitmap': Count 'eins' ist "
                                          "keine Zahl; gelesen wird 1");
    }

    void countOutOfRange()
    {
        QFETCH(QByteArray, count);
        QFETCH(QString, finding);
        const QByteArray file = "[Bitmap]\n1=WWW-Link\nCount=" + count
            + "\n1Modul=basis\n1File=link.txt\n"
              "[Bitmaps laden]\n1Modul=neu\n1File=bitmaps.txt\n"
              "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n";
        replaceSectionFile(file.constData());
        const QStringList findings = check();
        QVERIFY2(findings.contains(finding), qPrintable(findings.join(u'\n')));
    }

    void countNotMatchingTheParts()
    {
        replaceSectionFile(
            "[Bitmap]\n1=WWW-Link\n1Modul=basis\n1File=link.txt\n2=Artikel\n2Modul=neu\n2File=bitmaps.txt\n"
            "[Bitmaps laden]\nCount=2\n1Modul=neu\n1File=bitmaps.txt\n"
            "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n");
        const QStringList findings = check();
        QVERIFY(findings.contains(
            QStringLiteral("Section_Grafik.dat:5: Fehler: Eintrag 'Bitmap': Teil 2 steht da, aber "
                           "Count ist 1; das Programm zeigt ihn nicht")));
        QVERIFY(findings.contains(
            QStringLiteral("Section_Grafik.dat:9: Fehler: Eintrag 'Bitmaps laden': Count ist 2, "
                           "aber für Teil 2 steht kein Schlüssel da")));
    }

    void unknownCaption()
    {
        replaceSectionFile("[Bitmap]\n1=Weblink\n1Modul=basis\n1File=link.txt\n"
                           "[Bitmaps laden]\n1Modul=neu\n1File=bitmaps.txt\n"
                           "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n");
        expectOnly(QStringLiteral("Section_Grafik.dat:2: Warnung: Eintrag 'Bitmap', Teil 1: unbekannte Art "
                                  "'Weblink'; der Teil bleibt leer"));
    }

    void unusedModule()
    {
        writeZip(dir() + QStringLiteral("alt.tvm"), { { "alt.txt", "alt" } });
        expectOnly(QStringLiteral("alt.tvm: Warnung: Modul wird von keinem Eintrag benutzt"));
    }

    void valueLongerThanTheProgramReads()
    {
        const QByteArray file
            = "[Bitmap]\n1=WWW-Link\n1Modul=basis\n1File=link.txt\n1Describe=" + QByteArray(2048, 'x')
            + "\n[Bitmaps laden]\n1Modul=neu\n1File=bitmaps.txt\n"
              "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n";
        replaceSectionFile(file.constData());
        expectOnly(QStringLiteral(
            "Section_Grafik.dat:5: Warnung: Eintrag 'Bitmap': der Wert von '1Describe' ist 2048 "
            "Zeichen lang; das Programm liest nur 2047"));
    }

    void damagedModule()
    {
        TestDirs::writeFile(dir() + QStringLiteral("neu.tvm"), "PK\x03\x04 kaputt");
        const QStringList findings = check();
        QVERIFY2(!findings.isEmpty()
                && findings.front().startsWith(
                    QStringLiteral("neu.tvm: Fehler: Modul kann nicht gelesen werden")),
            qPrintable(findings.join(u'\n')));
    }

    // ------------------------------------------------------------ packer

    void catalogueTextIsCp1252WithCrLf()
    {
        QCOMPARE(catalogueText(QStringLiteral("a"),
                     "\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
                     "e\nx\r\n"),
            QByteArray("Gr\xFC\xDF"
                       "e\r\nx\r\n"));
        try {
            catalogueText(QStringLiteral("q.dat"), "ok\nPfeil \xE2\x86\x92\n");
            QFAIL("a character outside 1252 was packed");
        } catch (const CliError &e) {
            QVERIFY2(e.message().startsWith(QStringLiteral("q.dat:2: das Zeichen U+2192")),
                qPrintable(e.message()));
        }
        QVERIFY_THROWS_EXCEPTION(CliError, catalogueText(QStringLiteral("b"), "\xFF\xFE"));
    }

    void packRefusesAFolderThatIsNoArchive()
    {
        const QString source = m_dirs->tempDir() + QStringLiteral("quelle");
        QVERIFY(QDir().mkpath(source + QStringLiteral("/catalogue")));
        QVERIFY(QDir().mkpath(source + QStringLiteral("/modules/basis/ordner")));
        writeCatalogueFile(source, QStringLiteral("/catalogue/Sections.dat"), "");
        TestDirs::writeFile(source + QStringLiteral("/modules/basis/ordner/a.txt"), "a");
        const QString out = m_dirs->tempDir() + QStringLiteral("aus");
        QVERIFY_THROWS_EXCEPTION(CliError, packCatalogue(source, out));
        QVERIFY(!QFile::exists(out + QStringLiteral("/basis.tvm")));
    }
};

QTEST_GUILESS_MAIN(CliCoreTest)
#include "clicore_test.moc"

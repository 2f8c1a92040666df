// SPDX-License-Identifier: GPL-3.0-or-later
// tipvault-cli as a user runs it: the real executable, its exit codes and
// output, without a display, on the sample catalogue and on catalogues made here.
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/paths.h"
#include "clitestdata.h"
#include "stats/modulstatistik.h"
#include "testfixture.h"
#include "updates/modulupdate.h"
#include "updates/updatefolder.h"
#include "zip/zipaccess.h"
#include "zipwriter.h"

#include <QDir>
#include <QDirIterator>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QUrl>
#include <QtTest>

using namespace tv;

namespace {

QJsonObject parseJson(const CliRun &run)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(run.out, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        qWarning().noquote() << "no JSON object:" << run.describe();
    return doc.object();
}

/// Every file below `dir` with its bytes, by relative path.
QMap<QString, QByteArray> contents(const QString &dir)
{
    QMap<QString, QByteArray> files;
    QDirIterator it(dir, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            files.insert(QDir(dir).relativeFilePath(path), file.readAll());
    }
    return files;
}

/// The laid-out sample catalogue and its Modules, copied to `dir`.
void copySample(const QString &dir)
{
    QVERIFY(QDir().mkpath(dir));
    const QDir bin(builtProgramDir());
    for (const QString &name :
        bin.entryList({ QStringLiteral("*.dat"), QStringLiteral("*.tvm") }, QDir::Files))
        QVERIFY(QFile::copy(bin.filePath(name), dir + u'/' + name));
}

QString sampleUpdates()
{
    return QStringLiteral(TV_SAMPLE_UPDATES);
}

} // namespace

class CliTest : public TestFixture
{
    Q_OBJECT

    QString dir() const { return m_dirs->programDir(); }
    QStringList at(const QStringList &args) const
    {
        return QStringList { QStringLiteral("--dir"), dir() } + args;
    }

private slots:
    void usageAndExitCodes_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("says");
        QTest::newRow("no command") << QStringList() << 2 << QStringLiteral("Kein Befehl angegeben.");
        QTest::newRow("unknown command")
            << QStringList { QStringLiteral("zeige") } << 2 << QStringLiteral("Unbekannter Befehl 'zeige'.");
        QTest::newRow("unknown option")
            << QStringList { QStringLiteral("sections"), QStringLiteral("--bunt") } << 2
            << QStringLiteral("Unbekannte Option 'bunt'.");
        QTest::newRow("option of another command") << QStringList { QStringLiteral("stats"),
            QStringLiteral("--force") } << 2 << QStringLiteral("kennt die Option --force nicht");
        QTest::newRow("too few arguments") << QStringList { QStringLiteral("show"), QStringLiteral("C++") }
                                           << 2 << QStringLiteral("Aufruf: tipvault-cli show RUBRIK EINTRAG");
        QTest::newRow("unknown kind") << QStringList { QStringLiteral("search"), QStringLiteral("x"),
            QStringLiteral("--kind"), QStringLiteral("bild") }
                                      << 2 << QStringLiteral("Unbekannte Art 'bild'");
        QTest::newRow("no word to search") << QStringList { QStringLiteral("search"), QStringLiteral("\"\"") }
                                           << 2 << QStringLiteral("Der Suchtext enthält kein Wort.");
        QTest::newRow("no such folder")
            << QStringList { QStringLiteral("--dir"), QStringLiteral("/nirgends"), QStringLiteral("stats") }
            << 1 << QStringLiteral("Der Ordner '/nirgends' existiert nicht.");
        QTest::newRow("missing value") << QStringList { QStringLiteral("stats"), QStringLiteral("--dir") }
                                       << 2 << QStringLiteral("Der Option --dir fehlt ihr Wert.");
        QTest::newRow("not found") << QStringList { QStringLiteral("entries"), QStringLiteral("Kochen") } << 1
                                   << QStringLiteral("Rubrik 'Kochen' nicht gefunden.");
    }

    void usageAndExitCodes()
    {
        QFETCH(QStringList, args);
        QFETCH(int, code);
        QFETCH(QString, says);
        const CliRun run = runCli(args);
        QVERIFY2(run.code == code, qPrintable(run.describe()));
        QVERIFY2(QString::fromUtf8(run.err).contains(says), qPrintable(run.describe()));
        QVERIFY(run.out.isEmpty());
    }

    void helpIsGerman()
    {
        const CliRun run = runCli({ QStringLiteral("--help") });
        QCOMPARE(run.code, 0);
        const QString help = QString::fromUtf8(run.out);
        QVERIFY(help.startsWith(QStringLiteral("Aufruf: tipvault-cli")));
        QVERIFY(help.contains(QStringLiteral("Im ganzen Katalog suchen")));
        QVERIFY(help.contains(QStringLiteral("Rückgabewerte: 0 Erfolg, 1 fehlgeschlagen")));
    }

    void sectionsOfTheSampleAsTheProgramShowsThem()
    {
        // No --dir: the catalogue beside the executable, where the build lays out the sample.
        const CliRun run = runCli({ QStringLiteral("sections"), QStringLiteral("--json") });
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        const QJsonArray sections = parseJson(run).value(QStringLiteral("sections")).toArray();
        setProgramDirOverride(builtProgramDir());
        const QList<Section> expected = readSections();
        QCOMPARE(sections.size(), expected.size());
        for (int i = 0; i < sections.size(); ++i) {
            const QJsonObject s = sections[i].toObject();
            QCOMPARE(s.value(QStringLiteral("number")).toInt(), i + 1);
            QCOMPARE(s.value(QStringLiteral("name")).toString(), fromCp1252(expected[i].caption));
            QCOMPARE(s.value(QStringLiteral("stored")).toString(), fromCp1252(expected[i].line));
            QCOMPARE(s.value(QStringLiteral("entries")).toInt(), expected[i].file().entryNames().size());
        }
        QCOMPARE(sections[1].toObject().value(QStringLiteral("name")).toString(),
            QStringLiteral("Qt-Oberflächen"));
    }

    void ambiguousPrefixOnTheSampleListsTheCandidates()
    {
        const CliRun run = runCli({ QStringLiteral("entries"), QStringLiteral("s") });
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromUtf8(run.err),
            QStringLiteral(
                "tipvault-cli: Rubrik 's' ist nicht eindeutig. In Frage kommen:\n  SQL-Datenbanken\n"
                "  Shell-Skripte\n"));
        QVERIFY(run.out.isEmpty());
    }

    void entriesFlagMarkedAndNew()
    {
        writeSmallCatalogue(dir());
        CliRun run
            = runCli(at({ QStringLiteral("entries"), QStringLiteral("KÄLTE"), QStringLiteral("--json") }));
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QJsonObject json = parseJson(run);
        QCOMPARE(json.value(QStringLiteral("section")).toObject().value(QStringLiteral("name")).toString(),
            QStringLiteral("Kältetechnik"));
        const QJsonArray kaelte = json.value(QStringLiteral("entries")).toArray();
        QCOMPARE(kaelte.size(), 2);
        QCOMPARE(
            kaelte[0].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("!Willkommen"));
        QCOMPARE(kaelte[0].toObject().value(QStringLiteral("marked")).toBool(), true);
        QCOMPARE(
            kaelte[1].toObject().value(QStringLiteral("name")).toString(), QStringLiteral("Kühlung prüfen"));
        QCOMPARE(kaelte[1].toObject().value(QStringLiteral("parts")).toInt(), 2);

        run = runCli(at({ QStringLiteral("entries"), QStringLiteral("grafik") }));
        QCOMPARE(QString::fromUtf8(run.out),
            QStringLiteral("Nr  Eintrag        Teile  Kennzeichen\n"
                           " 1  Bitmaps laden      1  neu\n"
                           " 2  Bitmap             1\n"
                           " 3  Farben ändern      1  neu\n"));
        run = runCli(at({ QStringLiteral("entries"), QStringLiteral("grafik"), QStringLiteral("--names") }));
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("Bitmaps laden\nBitmap\nFarben ändern\n"));
    }

    void showTellsEachPartsStatus()
    {
        writeSmallCatalogue(dir());
        QVERIFY(QFile::remove(dir() + QStringLiteral("basis.tvm")));
        writeCatalogueFile(dir(), QStringLiteral("Section_Grafik.dat"),
            "[Bitmaps "
            "laden]\nCount=2\n1Modul=neu\n1File=bitmaps.txt\n2=WWW-Link\n2Modul=basis\n2File=link.txt\n"
            "2Describe=\n");
        const CliRun run = runCli(at({ QStringLiteral("show"), QStringLiteral("gr"),
            QStringLiteral("bitmaps"), QStringLiteral("--json") }));
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        const QJsonObject json = parseJson(run);
        QCOMPARE(json.value(QStringLiteral("entry")).toObject().value(QStringLiteral("new")).toBool(), true);
        const QJsonArray parts = json.value(QStringLiteral("parts")).toArray();
        QCOMPARE(parts.size(), 2);
        const QJsonObject first = parts[0].toObject();
        QCOMPARE(first.value(QStringLiteral("caption")).toString(), QStringLiteral("Artikel"));
        QCOMPARE(first.value(QStringLiteral("kind")).toString(), QStringLiteral("text"));
        QCOMPARE(first.value(QStringLiteral("description")).toString(), QStringLiteral("Bitmaps laden"));
        QCOMPARE(first.value(QStringLiteral("status")).toString(), QStringLiteral("newest"));
        const QJsonObject second = parts[1].toObject();
        QCOMPARE(second.value(QStringLiteral("kind")).toString(), QStringLiteral("www"));
        QCOMPARE(second.value(QStringLiteral("description")).toString(), QString());
        QCOMPARE(second.value(QStringLiteral("status")).toString(), QStringLiteral("missing"));
    }

    void catConvertsRtfWithoutADisplay()
    {
        writeSmallCatalogue(dir());
        const QProcessEnvironment env = cliEnvironment();
        QVERIFY(!env.contains(QStringLiteral("DISPLAY")) && !env.contains(QStringLiteral("QT_QPA_PLATFORM")));
        CliRun run
            = runCli(at({ QStringLiteral("cat"), QStringLiteral("kä"), QStringLiteral("kühlung") }), env);
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("Grüße aus der Kälte\n"));
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        run = runCli(at({ QStringLiteral("cat"), QStringLiteral("kä"), QStringLiteral("kühlung"),
                         QStringLiteral("1"), QStringLiteral("--rtf") }),
            env);
        QCOMPARE(run.out, QByteArray("{\\rtf1\\ansi\\ansicpg1252 Gr\\'fc\\'dfe aus der K\\'e4lte\\par}"));
    }

    void linkNamesItsPlaceByNames_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("link");
        QTest::newRow("entry") << QStringList { QStringLiteral("grafik"), QStringLiteral("bitmaps l") }
                               << QStringLiteral("tipvault:?rubrik=Grafik&eintrag=Bitmaps%20laden");
        QTest::newRow("part by number")
            << QStringList { QStringLiteral("kä"), QStringLiteral("kühlung"), QStringLiteral("2") }
            << QStringLiteral("tipvault:?rubrik=Kaeltetechnik&eintrag=K%C3%BChlung%20pr%C3%BCfen&teil=Beispiel");
    }
    void linkNamesItsPlaceByNames()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, link);
        writeSmallCatalogue(dir());
        const CliRun run = runCli(at(QStringList { QStringLiteral("link") } + arguments));
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        // Given with --dir, the folder is part of the link.
        QCOMPARE(QString::fromUtf8(run.out),
            link + QStringLiteral("&ordner=")
                + QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(dir()).canonicalFilePath() + u'/'))
                + u'\n');
    }

    void catListsArchivesAndPrintsLinksAndPages()
    {
        writeSmallCatalogue(dir());
        CliRun run = runCli(at({ QStringLiteral("cat"), QStringLiteral("kä"), QStringLiteral("kühlung"),
            QStringLiteral("beispiel"), QStringLiteral("--json") }));
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QStringList names;
        for (const QJsonValue &m : parseJson(run).value(QStringLiteral("members")).toArray())
            names << m.toObject().value(QStringLiteral("name")).toString();
        QCOMPARE(names,
            (QStringList {
                QStringLiteral("src/"), QStringLiteral("src/main.cpp"), QStringLiteral("liesmich.txt") }));

        run = runCli(at({ QStringLiteral("cat"), QStringLiteral("grafik"), QStringLiteral("bitmap") }));
        QCOMPARE(run.out, QByteArray("https://example.org/bitmap\n"));
        run = runCli(at({ QStringLiteral("cat"), QStringLiteral("grafik"), QStringLiteral("farben") }));
        QCOMPARE(run.out, QByteArray("<html>Farben</html>"));
    }

    void catOfAMissingModuleSaysSo()
    {
        writeSmallCatalogue(dir());
        QVERIFY(QFile::remove(dir() + QStringLiteral("neu.tvm")));
        const CliRun run
            = runCli(at({ QStringLiteral("cat"), QStringLiteral("grafik"), QStringLiteral("bitmaps") }));
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromUtf8(run.err),
            QStringLiteral(
                "tipvault-cli: Das Modul 'neu.tvm' ist nicht installiert oder es ist beschädigt.\n"));
    }

    /// Modules that real tools write: what `cat` reads, `check` does not call an
    /// error, and what it cannot read it says why, exiting with 1.
    void catAndCheckAgreeOnRealModules_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("said");
        QTest::newRow("zip through a pipe") << QStringLiteral("zip -qr - . | cat > \"$OUT\"") << 0 << QString();
        QTest::newRow("python zipfile to a stream")
            << QStringLiteral("python3 -c 'import os, sys, zipfile\n"
                              "with zipfile.ZipFile(sys.stdout.buffer, \"w\", zipfile.ZIP_DEFLATED) as z:\n"
                              "    for f in sorted(os.listdir(\".\")): z.write(f)' | cat > \"$OUT\"")
            << 0 << QString();
        const QString cannot = QStringLiteral(
            "tipvault-cli: Teil 1 ('kuehlung.rtf' im Modul 'basis.tvm') kann nicht gelesen werden: 'kuehlung.rtf' ");
        QTest::newRow("7z Deflate64") << QStringLiteral("7z a -tzip -bd -bso0 -mm=Deflate64 \"$OUT\" .") << 1
                                      << cannot + QStringLiteral("ist mit Deflate64 gepackt, das nicht entpackt werden kann.\n");
        QTest::newRow("7z AES-256") << QStringLiteral("7z a -tzip -bd -bso0 -pgeheim -mem=AES256 \"$OUT\" .") << 1
                                    << cannot + QStringLiteral("ist verschlüsselt; ein Kennwort kann hier nicht eingegeben werden.\n");
    }
    void catAndCheckAgreeOnRealModules()
    {
        QFETCH(QString, command);
        QFETCH(int, code);
        QFETCH(QString, said);
        writeSmallCatalogue(dir());
        // The small catalogue's basis module, made again by the tool.
        const QString files = m_dirs->tempDir() + QStringLiteral("basis");
        QVERIFY(QDir().mkpath(files));
        TestDirs::writeFile(files + QStringLiteral("/willkommen.txt"), "Willkommen\r\n");
        TestDirs::writeFile(files + QStringLiteral("/kuehlung.rtf"),
            "{\\rtf1\\ansi " + QByteArray("K\\'e4ltemittel pr\\'fcfen. ").repeated(200) + "\\par}");
        TestDirs::writeFile(files + QStringLiteral("/beispiel.zip"), zipBytes({ { "main.cpp", "int main() {}\n" } }));
        TestDirs::writeFile(files + QStringLiteral("/link.txt"), "https://example.org/bitmap\r\n");
        QVERIFY(QFile::remove(dir() + QStringLiteral("basis.tvm")));
        QProcess tool;
        tool.setWorkingDirectory(files);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("OUT"), dir() + QStringLiteral("basis.tvm"));
        tool.setProcessEnvironment(env);
        tool.start(QStringLiteral("bash"), { QStringLiteral("-c"), QStringLiteral("set -eo pipefail; ") + command });
        QVERIFY(tool.waitForFinished(60000) && tool.exitCode() == 0);

        CliRun run = runCli(at({ QStringLiteral("cat"), QStringLiteral("kä"), QStringLiteral("kühlung"), QStringLiteral("1") }));
        QVERIFY2(run.code == code, qPrintable(run.describe()));
        if (code == 0)
            QVERIFY2(QString::fromUtf8(run.out).startsWith(QStringLiteral("Kältemittel prüfen.")), qPrintable(run.describe()));
        else
            QCOMPARE(QString::fromUtf8(run.err), said);
        run = runCli(at({ QStringLiteral("cat"), QStringLiteral("kä"), QStringLiteral("kühlung"), QStringLiteral("2") }));
        QVERIFY2(run.code == code && (code != 0 || run.out.contains("main.cpp")), qPrintable(run.describe()));
        run = runCli(at({ QStringLiteral("check") }));
        QVERIFY2(run.code == 0 && !run.out.contains("Fehler"), qPrintable(run.describe()));
    }

    void catOfAnArchivePartThatIsNoZipExitsOne()
    {
        writeSmallCatalogue(dir());
        writeZip(dir() + QStringLiteral("basis.tvm"), { { "beispiel.zip", "kein Archiv" } });
        const CliRun run = runCli(at({ QStringLiteral("cat"), QStringLiteral("kä"), QStringLiteral("kühlung"),
            QStringLiteral("beispiel") }));
        QCOMPARE(run.code, 1);
        QVERIFY2(QString::fromUtf8(run.err).contains(
                     QStringLiteral("Das Archiv 'beispiel.zip' ist kein ZIP-Archiv oder es ist beschädigt")),
            qPrintable(run.describe()));
    }

    void extractIsFlatAndReplacesNothingWithoutForce()
    {
        writeSmallCatalogue(dir());
        const QString target = m_dirs->tempDir() + QStringLiteral("ziel/neu");
        const QStringList args = at({ QStringLiteral("extract"), QStringLiteral("kä"), QStringLiteral("kühl"),
            QStringLiteral("2"), target });
        CliRun run = runCli(args);
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QCOMPARE(QDir(target).entryList(QDir::AllEntries | QDir::NoDotAndDotDot, QDir::Name),
            (QStringList { QStringLiteral("liesmich.txt"), QStringLiteral("main.cpp") }));

        TestDirs::writeFile(target + QStringLiteral("/main.cpp"), "meins");
        run = runCli(args);
        QCOMPARE(run.code, 1);
        QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("main.cpp")), qPrintable(run.describe()));
        QCOMPARE(contents(target).value(QStringLiteral("main.cpp")), QByteArray("meins"));

        run = runCli(args + QStringList { QStringLiteral("--force"), QStringLiteral("--json") });
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QCOMPARE(parseJson(run).value(QStringLiteral("extracted")).toInt(), 2);
        QCOMPARE(contents(target).value(QStringLiteral("main.cpp")), QByteArray("int main() {}\n"));
    }

    void extractRefusesAPartThatIsNoArchive()
    {
        writeSmallCatalogue(dir());
        const CliRun run = runCli(at({ QStringLiteral("extract"), QStringLiteral("kä"),
            QStringLiteral("kühl"), QStringLiteral("1"), m_dirs->tempDir() }));
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromUtf8(run.err),
            QStringLiteral("tipvault-cli: Teil 1 ist kein Archiv, sondern Text.\n"));
    }

    void searchFindsNamesFirstThenTexts()
    {
        writeSmallCatalogue(dir());
        const CliRun run
            = runCli(at({ QStringLiteral("search"), QStringLiteral("BITMAP"), QStringLiteral("--json") }));
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        const QJsonObject json = parseJson(run);
        QCOMPARE(json.value(QStringLiteral("in")).toString(), QStringLiteral("fulltext"));
        QStringList found;
        for (const QJsonValue &v : json.value(QStringLiteral("hits")).toArray()) {
            const QJsonObject hit = v.toObject();
            found << hit.value(QStringLiteral("entry")).toString() + u'#'
                    + (hit.value(QStringLiteral("part")).isNull()
                            ? QStringLiteral("name")
                            : hit.value(QStringLiteral("kind")).toString());
        }
        QCOMPARE(found,
            (QStringList { QStringLiteral("Bitmaps laden#name"), QStringLiteral("Bitmap#name"),
                QStringLiteral("Bitmaps laden#text"), QStringLiteral("Bitmap#www") }));
        QCOMPARE(json.value(QStringLiteral("total")).toInt(), 4);
    }

    void searchFindsFoldedWordsInTextsWithTheirPlace()
    {
        writeSmallCatalogue(dir());
        // "gruesse" finds "Grüße": the index folds umlauts and ß.
        const CliRun run = runCli(at({ QStringLiteral("search"), QStringLiteral("gruesse") }));
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QCOMPARE(QString::fromUtf8(run.out),
            QStringLiteral("Rubrik        Eintrag         Teil       Fundstelle\n"
                           "Kältetechnik  Kühlung prüfen  1 Artikel  Grüße aus der Kälte\n"));
        QVERIFY(run.err.isEmpty());

        const CliRun json = runCli(at({ QStringLiteral("search"), QStringLiteral("Kälte"),
            QStringLiteral("--kind"), QStringLiteral("text"), QStringLiteral("--json") }));
        const QJsonObject hit = parseJson(json).value(QStringLiteral("hits")).toArray().at(0).toObject();
        QCOMPARE(hit.value(QStringLiteral("context")).toString(), QStringLiteral("Grüße aus der Kälte "));
        QCOMPARE(hit.value(QStringLiteral("marks")).toArray(), (QJsonArray { QJsonArray { 14, 5 } }));
        QCOMPARE(hit.value(QStringLiteral("caption")).toString(), QStringLiteral("Artikel"));
        QCOMPARE(hit.value(QStringLiteral("section")).toObject().value(QStringLiteral("stored")).toString(),
            QStringLiteral("Kaeltetechnik"));
    }

    void searchNarrowsBySectionAndKind()
    {
        writeSmallCatalogue(dir());
        CliRun run
            = runCli(at({ QStringLiteral("search"), QStringLiteral("main.cpp"), QStringLiteral("--section"),
                QStringLiteral("kält"), QStringLiteral("--kind"), QStringLiteral("archiv") }));
        QCOMPARE(QString::fromUtf8(run.out),
            QStringLiteral("Rubrik        Eintrag         Teil        Fundstelle\n"
                           "Kältetechnik  Kühlung prüfen  2 Beispiel  src/ src/main.cpp liesmich.txt\n"));
        run = runCli(at({ QStringLiteral("search"), QStringLiteral("main.cpp"), QStringLiteral("--section"),
            QStringLiteral("grafik") }));
        QCOMPARE(run.code, 0);
        QVERIFY(run.out.isEmpty());
        QCOMPARE(run.err, QByteArray("Keine Übereinstimmungen gefunden...\n"));
        // Kinds add up: names and links.
        run = runCli(at({ QStringLiteral("search"), QStringLiteral("bitmap"), QStringLiteral("--kind"),
            QStringLiteral("name"), QStringLiteral("--kind"), QStringLiteral("link"),
            QStringLiteral("--json") }));
        QCOMPARE(parseJson(run).value(QStringLiteral("total")).toInt(), 3);
    }

    void searchFindsTextMembersOfArchives()
    {
        writeSmallCatalogue(dir());
        CliRun run = runCli(at({ QStringLiteral("search"), QStringLiteral("int main"),
            QStringLiteral("--kind"), QStringLiteral("archiv") }));
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QCOMPARE(QString::fromUtf8(run.out),
            QStringLiteral("Rubrik        Eintrag         Teil        Fundstelle\n"
                           "Kältetechnik  Kühlung prüfen  2 Beispiel  src/main.cpp: int main() {}\n"));
        run = runCli(at({ QStringLiteral("search"), QStringLiteral("int main"), QStringLiteral("--json") }));
        const QJsonObject hit = parseJson(run).value(QStringLiteral("hits")).toArray().at(0).toObject();
        QCOMPARE(hit.value(QStringLiteral("member")).toString(), QStringLiteral("src/main.cpp"));
        QCOMPARE(hit.value(QStringLiteral("marks")).toArray(),
            (QJsonArray { QJsonArray { 14, 3 }, QJsonArray { 18, 4 } }));
    }

    void searchKeepsItsIndexInTheUsersCache()
    {
        writeSmallCatalogue(dir());
        const QStringList before
            = QDir(dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
        QCOMPARE(runCli(at({ QStringLiteral("search"), QStringLiteral("kälte") })).code, 0);
        QCOMPARE(QDir(dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), before);
        // Under the program's name: the window and the command line share one index.
        QCOMPARE(QDir(m_dirs->cacheDir() + QStringLiteral("Tipvault/fulltext"))
                     .entryList({ QStringLiteral("*.sqlite") }, QDir::Files)
                     .size(),
            1);
    }

    void searchWithoutAUsableCacheWorksInMemory()
    {
        writeSmallCatalogue(dir());
        // The cache folder cannot be made: a file stands where it belongs.
        const QString blocked = m_dirs->tempDir() + QStringLiteral("kein-ordner");
        TestDirs::writeFile(blocked, "x");
        QProcessEnvironment env = cliEnvironment();
        env.insert(QStringLiteral("XDG_CACHE_HOME"), blocked);
        const CliRun run = runCli(at({ QStringLiteral("search"), QStringLiteral("kälte") }), env);
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QVERIFY(QString::fromUtf8(run.out).contains(QStringLiteral("Kühlung prüfen")));
        QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("nur im Arbeitsspeicher")),
            qPrintable(run.describe()));
    }

    void statsEqualTheStatisticsComputation()
    {
        const CliRun run = runCli({ QStringLiteral("stats"), QStringLiteral("--json") });
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        const QJsonArray rows = parseJson(run).value(QStringLiteral("modules")).toArray();
        setProgramDirOverride(builtProgramDir());
        ModulStatistik statistik;
        statistik.GetModulStatistik();
        QCOMPARE(rows.size(), statistik.rowCount());
        QVERIFY(rows.size() >= 4);
        for (int row = 0; row < statistik.rowCount(); ++row) {
            const QJsonObject o = rows[row].toObject();
            QCOMPARE(
                o.value(QStringLiteral("file")).toString(), fromCp1252(statistik.moduleText(row).trimmed()));
            QCOMPARE(o.value(QStringLiteral("total")).toInt(), statistik.total(row));
            QCOMPARE(o.value(QStringLiteral("text")).toInt(), statistik.count(row, CountColumn::Text));
            QCOMPARE(o.value(QStringLiteral("archive")).toInt(), statistik.count(row, CountColumn::Archive));
            QCOMPARE(o.value(QStringLiteral("html")).toInt(), statistik.count(row, CountColumn::Html));
            QCOMPARE(o.value(QStringLiteral("links")).toInt(), statistik.count(row, CountColumn::Www));
            QCOMPARE(o.value(QStringLiteral("installed")).toBool(), statistik.isInstalled(row));
        }
    }

    void integrateEqualsTheMenuCommand()
    {
        const QString byCli = m_dirs->tempDir() + QStringLiteral("cli");
        const QString byMenu = m_dirs->tempDir() + QStringLiteral("menu");
        copySample(byCli);
        copySample(byMenu);

        CliRun run = runCli({ QStringLiteral("--dir"), byCli, QStringLiteral("integrate"), sampleUpdates() });
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        QCOMPARE(run.out, QByteArray("Es wurde(n) 2 Modul(e) integriert.\n"));
        QVERIFY2(run.err.isEmpty(), run.err.constData());

        // The menu command: the folder chosen in the dialog, then the integration.
        setProgramDirOverride(byMenu);
        m_seam->folders = { sampleUpdates() };
        const std::optional<QString> folder = chooseUpdateFolder(*m_seam);
        QVERIFY(folder);
        TZipAccess zip(*m_seam);
        zip.setEngineDirectory(builtProgramDir());
        QCOMPARE(IntegrateUpdates(*m_seam, zip, *folder), 2);
        QVERIFY(m_seam->messages.isEmpty());

        const QMap<QString, QByteArray> cli = contents(byCli);
        const QMap<QString, QByteArray> menu = contents(byMenu);
        QCOMPARE(cli.keys(), menu.keys());
        for (auto it = cli.begin(); it != cli.end(); ++it)
            QVERIFY2(it.value() == menu.value(it.key()), qPrintable(it.key()));

        run = runCli({ QStringLiteral("--dir"), byCli, QStringLiteral("integrate"), sampleUpdates(),
            QStringLiteral("--json") });
        QCOMPARE(run.code, 0);
        QCOMPARE(parseJson(run).value(QStringLiteral("integrated")).toInt(), 0);
    }

    void integrateExitsOneWhenAnArchiveFails()
    {
        writeSmallCatalogue(dir());
        const QString updates = m_dirs->tempDir() + QStringLiteral("updates/");
        QVERIFY(QDir().mkpath(updates));
        TestDirs::writeFile(updates + QStringLiteral("kaputt.tvu"), "PK\x03\x04 kein Archiv");
        const CliRun run = runCli(at({ QStringLiteral("integrate"), updates, QStringLiteral("--json") }));
        QCOMPARE(run.code, 1);
        const QJsonObject json = parseJson(run);
        QCOMPARE(json.value(QStringLiteral("integrated")).toInt(), 0);
        QCOMPARE(json.value(QStringLiteral("failed")).toInt(), 1);
        QVERIFY2(run.err.startsWith("Fehler: ") && run.err.count('\n') == 1, qPrintable(run.describe()));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("kaputt.tvm")));
    }

    void checkOnTheSampleFindsOnlyTheMissingExtras()
    {
        const CliRun run = runCli({ QStringLiteral("check") });
        QCOMPARE(run.code, 1);
        QCOMPARE(QString::fromUtf8(run.out),
            QStringLiteral(
                "Section_Qt-Oberflaechen.dat:38: Fehler: Eintrag 'Model/View mit QAbstractListModel', "
                "Teil 3: Modul 'extras.tvm' fehlt\n"));
        QCOMPARE(run.err, QByteArray("1 Fehler, 0 Warnung(en)\n"));
    }

    void checkExitsZeroOnWarningsOnly()
    {
        writeSmallCatalogue(dir());
        CliRun run = runCli(at({ QStringLiteral("check") }));
        QVERIFY2(run.code == 0 && run.out.isEmpty() && run.err.isEmpty(), qPrintable(run.describe()));
        writeZip(dir() + QStringLiteral("alt.tvm"), { { "alt.txt", "alt" } });
        run = runCli(at({ QStringLiteral("check"), QStringLiteral("--json") }));
        QCOMPARE(run.code, 0);
        const QJsonObject json = parseJson(run);
        QCOMPARE(json.value(QStringLiteral("errors")).toInt(), 0);
        QCOMPARE(json.value(QStringLiteral("warnings")).toInt(), 1);
        const QJsonObject finding = json.value(QStringLiteral("findings")).toArray().at(0).toObject();
        QCOMPARE(finding.value(QStringLiteral("file")).toString(), QStringLiteral("alt.tvm"));
        QVERIFY(finding.value(QStringLiteral("line")).isNull());
        QCOMPARE(finding.value(QStringLiteral("severity")).toString(), QStringLiteral("warning"));
    }

    void packedCatalogueChecksCleanAndStarts()
    {
        const QString source = m_dirs->tempDir() + QStringLiteral("quelle/");
        for (const char *folder :
            { "catalogue", "modules/basis/beispiel.zip.d/src", "update/parts", "update/catalogue" })
            QVERIFY(QDir().mkpath(source + QLatin1String(folder)));
        auto utf8 = [&](const char *name, const char *text) {
            TestDirs::writeFile(source + QLatin1String(name), text);
        };
        utf8("catalogue/Sections.dat", "Kaeltetechnik\n");
        utf8("catalogue/Section_Kaeltetechnik.dat",
            "[Kühlung prüfen]\nCount=2\n1Modul=basis\n1File=kuehlung.txt\n2=Beispiel\n2Modul=basis\n"
            "2File=beispiel.zip\n");
        utf8("catalogue/CheckVersion.dat",
            "[ModulDate]\nModul=basis.tvm\nDate=1\n[CheckVersion]\nSection=1\n"
            "Section_Kaeltetechnik.dat=1\n");
        utf8("modules/basis/kuehlung.txt", "Grüße aus der Kälte\n");
        utf8("modules/basis/beispiel.zip.d/src/main.cpp", "int main() {}\n");
        utf8("update/parts/eis.txt", "Eis\n");
        utf8("update/catalogue/Sections.dat", "Kaeltetechnik\n");
        utf8("update/catalogue/CheckVersion.dat",
            "[ModulDate]\nModul=eis.tvm\nDate=2\n[CheckVersion]\nSection=1\n"
            "Section_Kaeltetechnik.dat=2\n");
        utf8("update/catalogue/Section_Kaeltetechnik.dat",
            "[Kühlung prüfen]\nCount=2\n1Modul=basis\n1File=kuehlung.txt\n2=Beispiel\n2Modul=basis\n"
            "2File=beispiel.zip\n[Eis]\n1Modul=eis\n1File=eis.txt\n");

        // Not a terminal: no progress line, nothing on standard error.
        CliRun run = runCli({ QStringLiteral("pack"), source, dir() });
        QVERIFY2(run.code == 0 && run.out.isEmpty() && run.err.isEmpty(), qPrintable(run.describe()));
        QCOMPARE(contents(dir()).value(QStringLiteral("Section_Kaeltetechnik.dat")),
            QByteArray("[K\xFChlung pr\xFC"
                       "fen]\r\nCount=2\r\n1Modul=basis\r\n1File=kuehlung.txt\r\n2=Beispiel\r\n"
                       "2Modul=basis\r\n2File=beispiel.zip\r\n"));
        run = runCli(at({ QStringLiteral("check") }));
        QVERIFY2(run.code == 0 && run.out.isEmpty() && run.err.isEmpty(), qPrintable(run.describe()));
        QVERIFY(CheckFiles());
        run = runCli(
            at({ QStringLiteral("cat"), QStringLiteral("Kältetechnik"), QStringLiteral("Kühlung prüfen") }));
        QCOMPARE(QString::fromUtf8(run.out), QStringLiteral("Grüße aus der Kälte\n"));
        run = runCli(at({ QStringLiteral("cat"), QStringLiteral("Kältetechnik"),
            QStringLiteral("Kühlung prüfen"), QStringLiteral("2") }));
        QVERIFY2(run.out.contains("src/main.cpp"), qPrintable(run.describe()));

        const QString updates = m_dirs->tempDir() + QStringLiteral("updates/");
        QVERIFY(QDir().mkpath(updates));
        run = runCli({ QStringLiteral("pack-update"), source + QStringLiteral("update"),
            updates + QStringLiteral("eis.tvu") });
        QVERIFY2(run.code == 0, qPrintable(run.describe()));
        run = runCli(at({ QStringLiteral("integrate"), updates }));
        QVERIFY2(
            run.code == 0 && run.out == "Es wurde(n) 1 Modul(e) integriert.\n", qPrintable(run.describe()));
        run = runCli(at({ QStringLiteral("check") }));
        QVERIFY2(run.code == 0 && run.out.isEmpty(), qPrintable(run.describe()));
        QVERIFY(CheckFiles());
        QCOMPARE(GetNewestModul(), QByteArray("eis.tvm"));
    }

    void bashCompletesCommandsSectionsAndEntries()
    {
        writeSmallCatalogue(dir());
        // The completion function as bash calls it, on the words typed so far.
        const QString script = QStringLiteral(
            "source '" TV_COMPLETION "'\n"
            "t() { COMP_WORDS=(\"$@\"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _tipvault_cli;\n"
            "      printf '%s|' \"${COMPREPLY[@]}\"; echo; }\n"
            "t tipvault-cli ch\n"
            "t tipvault-cli --dir \"$1\" entries K\n"
            "t tipvault-cli --dir \"$1\" show Grafik Bi\n"
            "t tipvault-cli --dir \"$1\" search x --kind h\n");
        QProcessEnvironment env = cliEnvironment();
        env.insert(QStringLiteral("PATH"), builtProgramDir() + u':' + env.value(QStringLiteral("PATH")));
        QProcess bash;
        bash.setProcessEnvironment(env);
        bash.start(QStringLiteral("bash"), { QStringLiteral("-c"), script, QStringLiteral("bash"), dir() });
        QVERIFY(bash.waitForFinished(60000));
        QCOMPARE(bash.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(bash.readAllStandardOutput()),
            QStringLiteral("check|\n"
                           "Kältetechnik|\n"
                           "Bitmaps\\ laden|Bitmap|\n"
                           "html|\n"));
    }

    void packStopsAtACharacterOutside1252()
    {
        const QString source = m_dirs->tempDir() + QStringLiteral("quelle/");
        QVERIFY(QDir().mkpath(source + QStringLiteral("catalogue")));
        TestDirs::writeFile(
            source + QStringLiteral("catalogue/Sections.dat"), "Grafik\nPfeile \xE2\x86\x92\n");
        const CliRun run = runCli({ QStringLiteral("pack"), source, dir() });
        QCOMPARE(run.code, 1);
        QVERIFY2(QString::fromUtf8(run.err).contains(QStringLiteral("Sections.dat:2: das Zeichen U+2192")),
            qPrintable(run.describe()));
        QVERIFY(!QFile::exists(dir() + QStringLiteral("Sections.dat")));
    }
};

QTEST_GUILESS_MAIN(CliTest)
#include "cli_test.moc"

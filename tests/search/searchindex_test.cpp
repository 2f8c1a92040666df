// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogfixture.h"
#include "diskfaults.h"
#include "search/database.h"
#include "search/searchindex.h"
#include "search/searchservice.h"
#include "testfixture.h"
#include "zipwriter.h"

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QSignalSpy>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

#include <chrono>
#include <thread>

using namespace tv;
using namespace tv::search;

namespace {

const QByteArray kRtf = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0 Der Arbeits\\b spei{\\i cher} und die "
                        "Gr\\'f6\\'dfe.\\par}";
const QByteArray kPlain = "Mit std::unique_ptr<T> und my_var.\r\nSELECT * FROM t; Groesse";
const QByteArray kPage = "<html><head><title>Abfragen-Seite</title><script>var geheim;</script></head>"
                         "<body><p>Verkn&uuml;pfte <i>Tab</i>ellen</p></body></html>";

QString hitText(const Hit &hit)
{
    return QString::fromLatin1(hit.entry) + u'#' + QString::number(hit.part);
}

} // namespace

class SearchIndexTest : public TestFixture
{
    Q_OBJECT

    QString m_dbPath;

    void setUp() override
    {
        m_dbPath = m_dirs->tempDir() + QStringLiteral("cache/fulltext/index.sqlite");
        CatalogWriter cat(m_dirs->programDir());
        cat.entry("Bitmaps laden")
            .part("Artikel", "basis", "bitmaps.rtf")
            .part("Beispiel", "basis", "beispiel.zip", "Quelltext zum Laden", "Beispiel mit Zeigern");
        cat.entry("Zeiger").part("Artikel", "basis", "zeiger.txt");
        cat.writeSection("Grafik");
        cat.entry("Abfragen").part("HTML-Seite", "web", "seite.zip").part("WWW-Link", "web", "link.txt");
        cat.entry("Ab und zu").part("Artikel", "web", "kurz.txt", "Kurz gesagt");
        cat.entry("Beta Alpha").part("Artikel", "web", "ba.txt");
        cat.writeSection("Datenbanken");
        cat.writeSections({ "Grafik", "Datenbanken" });
        cat.writeModule("basis",
            { { "bitmaps.rtf", kRtf }, { "zeiger.txt", kPlain },
                { "beispiel.zip",
                    zipBytes({ { "src/bitmap_loader.cpp", "int main" }, { "liesmich.txt", "x" },
                        { "doc/gruss.txt",
                            "Viele Gr\xfc\xdf"
                            "e vom Lader" },
                        { "bin/lader.o",
                            QByteArray("\x7f"
                                       "ELF\0\0 binaerwort",
                                17) },
                        { "gross.txt", "grosswort " + QByteArray(1024 * 1024, 'a') } }) } });
        writeWeb("alpha beta gamma");
    }

    void writeWeb(const QByteArray &kurz)
    {
        CatalogWriter(m_dirs->programDir())
            .writeModule("web",
                { { "seite.zip", zipBytes({ { "index.htm", kPage }, { "bild.gif", "GIF89a" } }) },
                    { "link.txt", "https://example.org/sql\r\nzweite Zeile" }, { "kurz.txt", kurz },
                    { "ba.txt", "beta alpha" } });
    }

    std::unique_ptr<SearchIndex> built(const QString &path)
    {
        auto index = std::make_unique<SearchIndex>(m_dirs->programDir(), path);
        const bool done = index->update([](const SearchIndex::Progress &) { return true; });
        if (!done)
            qWarning("update stopped");
        return index;
    }

    static QStringList find(SearchIndex &index, const QString &text, Kinds kinds = kAllKinds,
        std::optional<QByteArray> section = std::nullopt)
    {
        const auto results = index.query({ text, section, kinds }, [] { return false; });
        QStringList hits;
        for (const Hit &hit : results->hits)
            hits.append(hitText(hit));
        return hits;
    }

private slots:
    // Every rule of matching, through the word index: substrings inside words
    // and identifiers, punctuation as written, phrases across words.
    void matchingRules_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("hits");
        const QStringList zeiger { QStringLiteral("Zeiger#1") };
        const QStringList bitmaps { QStringLiteral("Bitmaps laden#1") };
        const QStringList kurz { QStringLiteral("Ab und zu#1") };
        QTest::newRow("inside a compound") << QStringLiteral("beitsspei") << bitmaps;
        QTest::newRow("end of a compound") << QStringLiteral("speicher") << bitmaps;
        QTest::newRow("inside an identifier") << QStringLiteral("ique_p") << zeiger;
        QTest::newRow("across ::") << QStringLiteral("d::uniq") << zeiger;
        QTest::newRow("ends with <") << QStringLiteral("ptr<") << zeiger;
        QTest::newRow("other character after <") << QStringLiteral("ptr<x") << QStringList();
        QTest::newRow("with the full stop") << QStringLiteral("my_var.") << zeiger;
        QTest::newRow("no such punctuation") << QStringLiteral("my_var;") << QStringList();
        QTest::newRow("phrase across words") << QStringLiteral("\"ha beta gam\"") << kurz;
        QTest::newRow("phrase with punctuation") << QStringLiteral("\"ptr<t> und my\"") << zeiger;
        QTest::newRow("phrase of a lone *") << QStringLiteral("\"select * from\"") << zeiger;
        QTest::newRow("phrase not adjacent") << QStringLiteral("\"std::unique_ptr<t> my_var\"") << QStringList();
        QTest::newRow("phrase of short words") << QStringLiteral("\"t; gr\"") << zeiger;
        QTest::newRow("umlaut in the query") << QStringLiteral("verknüpft") << QStringList { QStringLiteral("Abfragen#1") };
        QTest::newRow("ae for the umlaut") << QStringLiteral("groe") << QStringList { QStringLiteral("Bitmaps laden#1"), QStringLiteral("Zeiger#1") };
        QTest::newRow("word not there") << QStringLiteral("xylophon") << QStringList();
    }

    void matchingRules()
    {
        QFETCH(QString, query);
        QFETCH(QStringList, hits);
        auto index = built(m_dbPath);
        QStringList found = find(*index, query);
        found.sort();
        QCOMPARE(found, hits);
    }

    void substringsIgnoreCase()
    {
        auto index = built(m_dbPath);
        QVERIFY(!index->inMemory());
        QVERIFY(QFile::exists(m_dbPath));
        QCOMPARE(find(*index, QStringLiteral("unique_ptr")), QStringList { QStringLiteral("Zeiger#1") });
        QCOMPARE(
            find(*index, QStringLiteral("std::unique_ptr<t>")), QStringList { QStringLiteral("Zeiger#1") });
        QCOMPARE(find(*index, QStringLiteral("MY_VAR")), QStringList { QStringLiteral("Zeiger#1") });
        QCOMPARE(find(*index, QStringLiteral("select")), QStringList { QStringLiteral("Zeiger#1") });
        QCOMPARE(find(*index, QStringLiteral("ptr<x")), QStringList());
    }

    void rtfWordSplitByFormattingIsOneWord()
    {
        auto index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("speicher")), QStringList { QStringLiteral("Bitmaps laden#1") });
        QCOMPARE(find(*index, QStringLiteral("Arbeitsspeicher")),
            QStringList { QStringLiteral("Bitmaps laden#1") });
        QCOMPARE(find(*index, QStringLiteral("arial")), QStringList()); // the font table is no text
        QCOMPARE(find(*index, QStringLiteral("fonttbl")), QStringList());
    }

    void umlautsFoldBothWays()
    {
        auto index = built(m_dbPath);
        // The RTF says "Größe", the plain text "Groesse".
        const QStringList both { QStringLiteral("Bitmaps laden#1"), QStringLiteral("Zeiger#1") };
        for (const QString &query : { QStringLiteral("Größe"), QStringLiteral("GROESSE") }) {
            QStringList hits = find(*index, query);
            hits.sort();
            QCOMPARE(hits, both);
        }
        QCOMPARE(find(*index, QStringLiteral("verknuepfte")), QStringList { QStringLiteral("Abfragen#1") });
    }

    void everyWordMustMatchAndPhrasesAsWritten()
    {
        auto index = built(m_dbPath);
        const QStringList any = find(*index, QStringLiteral("alpha beta"));
        QCOMPARE(any.first(), QStringLiteral("Beta Alpha#0")); // the name first
        QCOMPARE(QSet<QString>(any.begin() + 1, any.end()),
            (QSet<QString> { QStringLiteral("Ab und zu#1"), QStringLiteral("Beta Alpha#1") }));
        QCOMPARE(
            find(*index, QStringLiteral("\"alpha beta\"")), QStringList { QStringLiteral("Ab und zu#1") });
        QCOMPARE(find(*index, QStringLiteral("alpha delta")), QStringList());
        // A word of the name and a word of the text find the part together.
        QCOMPARE(find(*index, QStringLiteral("zeiger select")), QStringList { QStringLiteral("Zeiger#1") });
    }

    void archiveMemberNamesAndDescription()
    {
        auto index = built(m_dbPath);
        QCOMPARE(
            find(*index, QStringLiteral("bitmap_loader")), QStringList { QStringLiteral("Bitmaps laden#2") });
        QCOMPARE(
            find(*index, QStringLiteral("src/bitmap")), QStringList { QStringLiteral("Bitmaps laden#2") });
        QCOMPARE(
            find(*index, QStringLiteral("mit zeigern")), QStringList { QStringLiteral("Bitmaps laden#2") });
    }

    // Text members are found by their words, with the member as context;
    // binary members and those over 1 MB only by their names.
    void archiveTextMembers_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("hits");
        QTest::addColumn<QString>("member");
        QTest::addColumn<QString>("context");
        QTest::newRow("source file") << QStringLiteral("int main") << 1
                                     << QStringLiteral("src/bitmap_loader.cpp")
                                     << QStringLiteral("src/bitmap_loader.cpp: int main");
        QTest::newRow("Windows-1252 text")
            << QStringLiteral("gruesse") << 1 << QStringLiteral("doc/gruss.txt")
            << QStringLiteral("doc/gruss.txt: Viele Grüße vom Lader");
        QTest::newRow("a name before a text as good")
            << QStringLiteral("lader") << 1 << QString()
            << QStringLiteral("…ader.cpp liesmich.txt doc/gruss.txt bin/lader.o gross.txt");
        QTest::newRow("binary member") << QStringLiteral("binaerwort") << 0 << QString() << QString();
        QTest::newRow("member over 1 MB") << QStringLiteral("grosswort") << 0 << QString() << QString();
    }

    void archiveTextMembers()
    {
        QFETCH(QString, query);
        QFETCH(int, hits);
        QFETCH(QString, member);
        QFETCH(QString, context);
        auto index = built(m_dbPath);
        const auto results = index->query({ query, std::nullopt, Kind::Archives }, [] { return false; });
        QCOMPARE(results->hits.size(), hits);
        if (hits == 0)
            return;
        const Hit &hit = results->hits.first();
        QCOMPARE(hitText(hit), QStringLiteral("Bitmaps laden#2"));
        QCOMPARE(hit.member, member);
        QCOMPARE(hit.context, context);
    }

    void htmlTextWithoutMarkupAndWebAddress()
    {
        auto index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("Tabellen")), QStringList { QStringLiteral("Abfragen#1") });
        QCOMPARE(
            find(*index, QStringLiteral("abfragen-seite")), QStringList { QStringLiteral("Abfragen#1") });
        QCOMPARE(find(*index, QStringLiteral("geheim")), QStringList());
        QCOMPARE(find(*index, QStringLiteral("<html")), QStringList());
        QCOMPARE(
            find(*index, QStringLiteral("example.org/sql")), QStringList { QStringLiteral("Abfragen#2") });
        QCOMPARE(find(*index, QStringLiteral("zweite")), QStringList()); // only the first line is the address
    }

    void shortWordsFindEntryNames()
    {
        auto index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("ab")),
            (QStringList { QStringLiteral("Abfragen#0"), QStringLiteral("Ab und zu#0") }));
        QCOMPARE(find(*index, QStringLiteral("zu ab")), QStringList { QStringLiteral("Ab und zu#0") });
        // With a long word: the long word anywhere, the short one in the name.
        QCOMPARE(find(*index, QStringLiteral("gamma zu")), QStringList { QStringLiteral("Ab und zu#1") });
        QCOMPARE(find(*index, QStringLiteral("gamma xy")), QStringList());
    }

    void countStopsPastTheCap()
    {
        CatalogWriter cat(m_dirs->programDir());
        for (int i = 0; i <= kCountAtMost; ++i)
            cat.entry("Eintrag " + QByteArray::number(i));
        cat.writeSection("Viele");
        cat.writeSections({ "Viele" });
        auto index = built(m_dbPath);
        const auto never = [] { return false; };
        // Through the index, and by a word too short for it.
        for (const QString &text : { QStringLiteral("eintrag"), QStringLiteral("ag") }) {
            const auto results = index->query({ text, std::nullopt, kAllKinds }, never);
            QCOMPARE(results->total, kCountAtMost);
            QVERIFY(results->moreThanTotal);
            QCOMPARE(results->hits.size(), kMaxHits);
        }
        const auto one = index->query({ QStringLiteral("eintrag 10000"), std::nullopt, kAllKinds }, never);
        QCOMPARE(one->total, 1);
        QVERIFY(!one->moreThanTotal);
    }

    void nameBeforeCaptionBeforeText()
    {
        auto index = built(m_dbPath);
        // "Zeiger" is an entry name and part of the archive's description ...
        const QStringList hits = find(*index, QStringLiteral("zeiger"));
        QCOMPARE(hits, (QStringList { QStringLiteral("Zeiger#0"), QStringLiteral("Bitmaps laden#2") }));
        // ... "laden" a name, a description and nothing else.
        QCOMPARE(find(*index, QStringLiteral("laden")),
            (QStringList { QStringLiteral("Bitmaps laden#0"), QStringLiteral("Bitmaps laden#2") }));
    }

    void textsRankByHowOftenTheWordOccurs()
    {
        CatalogWriter cat(m_dirs->programDir());
        cat.entry("Erster").part("Artikel", "rang", "einmal.txt");
        cat.entry("Zweiter").part("Artikel", "rang", "oft.txt");
        cat.entry("Dritter").part("Artikel", "rang", "nie.txt", "Puffer");
        cat.writeSection("Rang");
        cat.writeSections({ "Rang" });
        cat.writeModule("rang",
            { { "einmal.txt", "Ein Puffer." }, { "oft.txt", "Puffer, Puffer und noch ein Puffer." },
                { "nie.txt", "Nichts davon." } });
        auto index = built(m_dbPath);
        // The caption first, then the text that says it three times before the one that says it once.
        QCOMPARE(find(*index, QStringLiteral("puffer")),
            (QStringList {
                QStringLiteral("Dritter#1"), QStringLiteral("Zweiter#1"), QStringLiteral("Erster#1") }));
    }

    void scopeNarrowsBySectionAndKind()
    {
        auto index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("alpha"), kAllKinds, QByteArray("Grafik")), QStringList());
        QCOMPARE(find(*index, QStringLiteral("alpha"), kAllKinds, QByteArray("Datenbanken")).size(), 3);
        QCOMPARE(find(*index, QStringLiteral("alpha"), Kind::Entries),
            QStringList { QStringLiteral("Beta Alpha#0") });
        QCOMPARE(find(*index, QStringLiteral("abfragen"), Kind::HtmlPages),
            QStringList { QStringLiteral("Abfragen#1") });
        QCOMPARE(find(*index, QStringLiteral("example"), Kind::Texts), QStringList());
        QCOMPARE(find(*index, QStringLiteral("example"), Kind::Links),
            QStringList { QStringLiteral("Abfragen#2") });
        QCOMPARE(find(*index, QStringLiteral("bitmap_loader"), Kind::Archives).size(), 1);
        // The count follows the scope too.
        const auto never = [] { return false; };
        QCOMPARE(index->query({ QStringLiteral("alpha"), std::nullopt, kAllKinds }, never)->total, 3);
        QCOMPARE(index->query({ QStringLiteral("alpha"), QByteArray("Grafik"), kAllKinds }, never)->total, 0);
        QCOMPARE(index->query({ QStringLiteral("alpha"), std::nullopt, Kind::Texts }, never)->total, 2);
    }

    void resultsCarryContextCountAndSection()
    {
        auto index = built(m_dbPath);
        const auto results
            = index->query({ QStringLiteral("groesse"), std::nullopt, kAllKinds }, [] { return false; });
        QCOMPARE(results->total, 2);
        const Hit &rtf
            = results->hits.first().entry == "Zeiger" ? results->hits.last() : results->hits.first();
        QCOMPARE(rtf.sectionLine, QByteArray("Grafik"));
        QCOMPARE(rtf.caption, QByteArray("Artikel"));
        QCOMPARE(rtf.kind, PartKind::Text);
        QCOMPARE(rtf.marks.size(), 1);
        QCOMPARE(rtf.context.mid(rtf.marks[0].first, rtf.marks[0].second), QStringLiteral("Größe"));
    }

    void aSupersededQueryGivesNoAnswer()
    {
        auto index = built(m_dbPath);
        QVERIFY(!index->query({ QStringLiteral("alpha"), std::nullopt, kAllKinds }, [] { return true; }));
    }

    void replacedModuleIsReadAgain()
    {
        auto index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("gamma")).size(), 1);
        index.reset();
        writeWeb("delta epsilon");
        index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("gamma")), QStringList());
        QCOMPARE(find(*index, QStringLiteral("epsilon")), QStringList { QStringLiteral("Ab und zu#1") });
    }

    void unchangedModulesAreNotReadAgain()
    {
        // A module read within its last change's clock tick is read again next time.
        const QString basis = m_dirs->programDir() + QStringLiteral("basis.tvm");
        waitUntilChangeTimeIsPast(basis);
        built(m_dbPath);
        // Same size and time, other bytes: only a module read again would notice.
        struct stat before;
        QCOMPARE(::stat(QFile::encodeName(basis).constData(), &before), 0);
        QVERIFY(QFile::resize(basis, 0) && QFile::resize(basis, before.st_size));
        const timespec times[2] = { before.st_atim, before.st_mtim };
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(basis).constData(), times, 0), 0);
        // A changed Section file: its texts come from the index, not the module.
        CatalogWriter cat(m_dirs->programDir());
        cat.entry("Zeiger").part("Artikel", "basis", "zeiger.txt");
        cat.entry("Bitmaps neu laden").part("Artikel", "basis", "bitmaps.rtf");
        cat.writeSection("Grafik");

        auto index = built(m_dbPath);
        QCOMPARE(index->unreadableParts(), 0);
        QCOMPARE(find(*index, QStringLiteral("arbeitsspeicher")),
            QStringList { QStringLiteral("Bitmaps neu laden#1") });
        QCOMPARE(find(*index, QStringLiteral("bitmap_loader")), QStringList());
        // Entries that stayed keep their rows, in the file's new order.
        QCOMPARE(find(*index, QStringLiteral("e"), kAllKinds, QByteArray("Grafik")),
            (QStringList { QStringLiteral("Zeiger#0"), QStringLiteral("Bitmaps neu laden#0") }));
        QCOMPARE(find(*index, QStringLiteral("select")), QStringList { QStringLiteral("Zeiger#1") });
    }

    void removedSectionDisappears()
    {
        built(m_dbPath);
        CatalogWriter(m_dirs->programDir()).writeSections({ "Datenbanken" });
        auto index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("speicher")), QStringList());
        QCOMPARE(find(*index, QStringLiteral("zeiger")), QStringList());
        QCOMPARE(find(*index, QStringLiteral("alpha")).size(), 3);
    }

    void damagedModuleIsCountedNotFatal()
    {
        TestDirs::writeFile(m_dirs->programDir() + QStringLiteral("basis.tvm"), "PK\x03\x04 kaputt");
        auto index = built(m_dbPath);
        QCOMPARE(index->unreadableParts(), 3);
        QCOMPARE(find(*index, QStringLiteral("speicher")), QStringList());
        QCOMPARE(find(*index, QStringLiteral("zeiger")).first(), QStringLiteral("Zeiger#0"));
        QCOMPARE(find(*index, QStringLiteral("gamma")).size(), 1);
    }

    void missingModuleIsNoDamage()
    {
        QVERIFY(QFile::remove(m_dirs->programDir() + QStringLiteral("basis.tvm")));
        auto index = built(m_dbPath);
        QCOMPARE(index->unreadableParts(), 0);
        QCOMPARE(find(*index, QStringLiteral("bitmaps")).first(), QStringLiteral("Bitmaps laden#0"));
    }

    void unwritableCacheWorksInMemory()
    {
        // The cache folder's place is taken by a file: nothing can be created there.
        TestDirs::writeFile(m_dirs->tempDir() + QStringLiteral("cache"), "no folder");
        auto index = built(m_dbPath);
        QVERIFY(index->inMemory());
        QVERIFY(index->note().contains(QStringLiteral("Arbeitsspeicher")));
        QCOMPARE(find(*index, QStringLiteral("speicher")).size(), 1);
    }

    void fullDiskDuringBuildFallsBackToMemory()
    {
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        SearchIndex index(m_dirs->programDir(), fs.path() + QStringLiteral("index.sqlite"));
        QVERIFY(!index.inMemory());
        fs.fill();
        QVERIFY(index.update([](const SearchIndex::Progress &) { return true; }));
        QVERIFY(index.inMemory());
        QVERIFY(!index.note().isEmpty());
        QCOMPARE(find(index, QStringLiteral("speicher")).size(), 1);
    }

    void aWriterElsewhereIsWaitedFor()
    {
        built(m_dbPath);
        // Another process (the program, the command-line tool) is writing the index just then.
        Database other(m_dbPath);
        other.exec("BEGIN IMMEDIATE");
        std::thread release([&other] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            other.exec("COMMIT");
        });
        writeWeb("neu geschrieben");
        const auto index = built(m_dbPath);
        release.join();
        QVERIFY2(!index->inMemory(), qPrintable(index->note()));
        QCOMPARE(find(*index, QStringLiteral("geschrieben")), QStringList { QStringLiteral("Ab und zu#1") });
    }

    void damagedIndexFileIsReplaced()
    {
        QVERIFY(QDir().mkpath(QFileInfo(m_dbPath).absolutePath()));
        TestDirs::writeFile(m_dbPath, QByteArray(8192, 'x'));
        auto index = built(m_dbPath);
        QVERIFY(!index->inMemory());
        QVERIFY(index->note().contains(QStringLiteral("beschädigt")));
        QCOMPARE(find(*index, QStringLiteral("speicher")).size(), 1);
        index.reset();
        index = built(m_dbPath);
        QVERIFY(index->note().isEmpty());
    }

    void aStoppedBuildGoesOnWhereItStopped()
    {
        {
            SearchIndex index(m_dirs->programDir(), m_dbPath);
            int steps = 0;
            QVERIFY(!index.update(
                [&steps](const SearchIndex::Progress &p) { return p.done == 0 || ++steps < 1; }));
        }
        auto index = built(m_dbPath);
        QCOMPARE(find(*index, QStringLiteral("speicher")), QStringList { QStringLiteral("Bitmaps laden#1") });
        QCOMPARE(find(*index, QStringLiteral("gamma")), QStringList { QStringLiteral("Ab und zu#1") });
    }

    void olderIndexIsRebuiltNotRead()
    {
        // An index of an earlier layout that holds a row the catalogue never had.
        QVERIFY(QDir().mkpath(QFileInfo(m_dbPath).absolutePath()));
        {
            Database old(m_dbPath);
            old.exec("CREATE TABLE docs(id INTEGER PRIMARY KEY, fname TEXT, fbody TEXT);"
                     "INSERT INTO docs VALUES (1, 'geister', 'geisterzeile');"
                     "CREATE TABLE sections(id INTEGER PRIMARY KEY, line BLOB, position INTEGER, size INTEGER, "
                     "mtime INTEGER); PRAGMA user_version = 4;");
        }
        auto index = built(m_dbPath);
        QVERIFY2(!index->inMemory(), qPrintable(index->note()));
        QCOMPARE(find(*index, QStringLiteral("geister")), QStringList());
        QCOMPARE(find(*index, QStringLiteral("speicher")), QStringList { QStringLiteral("Bitmaps laden#1") });
        Database check(m_dbPath);
        Statement version(check.handle(), "PRAGMA user_version");
        QVERIFY(version.step());
        QVERIFY(version.integer(0) > 4);
    }

    void aQueryDuringTheBuildFindsWhatIsIndexed()
    {
        SearchIndex index(m_dirs->programDir(), m_dbPath);
        QStringList midway;
        int total = 0;
        QVERIFY(index.update([&](const SearchIndex::Progress &p) {
            total = p.total;
            if (midway.isEmpty() && p.done > 0 && p.done < p.total) // Grafik is done, Datenbanken not yet
                midway = find(index, QStringLiteral("e")) << QStringLiteral("|") << find(index, QStringLiteral("alpha"));
            return true;
        }));
        QCOMPARE(total, 7); // the parts of both sections
        QCOMPARE(midway, (QStringList { QStringLiteral("Bitmaps laden#0"), QStringLiteral("Zeiger#0"), QStringLiteral("|") }));
        QCOMPARE(find(index, QStringLiteral("alpha")).size(), 3);
    }

    void aCatalogueChangedDuringTheBuildIsReadNextTime()
    {
        SearchIndex index(m_dirs->programDir(), m_dbPath);
        bool changed = false;
        QVERIFY(index.update([&](const SearchIndex::Progress &p) {
            if (!changed && p.total > 0 && p.done == p.total) {
                // Every part is read, the modules are not marked as read yet: one changes on disk.
                writeWeb("neu und nachgelesen");
                changed = true;
            }
            return true;
        }));
        QVERIFY(changed);
        QCOMPARE(find(index, QStringLiteral("gamma")), QStringList { QStringLiteral("Ab und zu#1") });
        QVERIFY(index.update([](const SearchIndex::Progress &) { return true; }));
        QCOMPARE(find(index, QStringLiteral("gamma")), QStringList());
        QCOMPARE(find(index, QStringLiteral("nachgelesen")), QStringList { QStringLiteral("Ab und zu#1") });
    }

    void serviceAnswersTheNewestQuery()
    {
        SearchService service(m_dirs->programDir(), m_dbPath);
        QSignalSpy ready(&service, &SearchService::indexReady);
        QSignalSpy answers(&service, &SearchService::results);
        service.start();
        QVERIFY(ready.wait(20000));
        QCOMPARE(ready.first().first().toInt(), 0);
        service.search({ QStringLiteral("alpha"), std::nullopt, kAllKinds });
        const quint64 last = service.search({ QStringLiteral("gamma"), std::nullopt, kAllKinds });
        QTRY_VERIFY_WITH_TIMEOUT(
            !answers.isEmpty() && answers.last().first().value<Results>().generation == last, 20000);
        const Results final = answers.last().first().value<Results>();
        QCOMPARE(final.hits.size(), 1);
        QCOMPARE(hitText(final.hits.first()), QStringLiteral("Ab und zu#1"));
    }
};

QTEST_GUILESS_MAIN(SearchIndexTest)
#include "searchindex_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "catalogue/entry.h"
#include "catalogue/errors.h"
#include "testdirs.h"

#include <QtTest>

using namespace tv;

class EntryTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestDirs> m_dirs;

    SectionFile sectionFile(const QByteArray &content)
    {
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), content);
        return SectionFile::ofLine("Grafik");
    }

private slots:
    void init() { m_dirs = std::make_unique<TestDirs>(); }
    void cleanup() { m_dirs.reset(); }

    void missingKeysGiveTheDefaults_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no keys") << QByteArray("[Bitmaps laden]\r\n[Andere]\r\nCount=3\r\n1=FAQ\r\n");
        QTest::newRow("no section") << QByteArray("[Andere]\r\nCount=3\r\n1Modul=basis\r\n");
        QTest::newRow("no file") << QByteArray();
    }
    void missingKeysGiveTheDefaults()
    {
        QFETCH(QByteArray, content);
        SectionFile file = sectionFile(content);
        if (content.isEmpty()) {
            file = SectionFile(m_dirs->programDir() + QStringLiteral("Section_Fehlt.dat"));
            QVERIFY(file.entryNames().isEmpty());
        }
        const Entry entry = file.entry("Bitmaps laden");
        QCOMPARE(entry.name, QByteArray("Bitmaps laden"));
        QCOMPARE(entry.declaredCount, 1);
        QCOMPARE(entry.partCount, 1);
        QVERIFY(!entry.countCapped);
        QCOMPARE(entry.newsModule, QByteArray());
        const QList<Part> parts = file.parts(entry);
        QCOMPARE(parts.size(), 1);
        const Part &part = parts.first();
        QCOMPARE(part.number, 1);
        QCOMPARE(part.caption, QByteArray("Artikel"));
        QCOMPARE(part.kind, PartKind::Text);
        QCOMPARE(part.modul, QByteArray());
        QCOMPARE(part.file, QByteArray());
        QCOMPARE(part.description, QByteArray("Bitmaps laden"));
        QCOMPARE(part.archiveText, QByteArray());
        QVERIFY(!part.moduleInstalled());
    }

    void wholeFileReadEqualsEntryByEntry()
    {
        const SectionFile file = sectionFile("[Bitmaps laden]\r\nCount=0x2\r\n1Modul=basis\r\n2=Beispiel\r\n"
                                             "2Describe=\r\n[!Neu]\r\nCModul=neu\r\n[Leer]\r\nCount=0\r\n"
                                             "[BITMAPS LADEN]\r\nCount=5\r\n");
        const QList<EntryParts> all = file.entriesWithParts();
        const QList<QByteArray> names = file.entryNames();
        QCOMPARE(all.size(), names.size());
        for (qsizetype i = 0; i < all.size(); ++i) {
            const Entry entry = file.entry(names[i]);
            QCOMPARE(all[i].entry.name, entry.name);
            QCOMPARE(all[i].entry.declaredCount, entry.declaredCount);
            QCOMPARE(all[i].entry.newsModule, entry.newsModule);
            const QList<Part> parts = file.parts(entry);
            QCOMPARE(all[i].parts.size(), parts.size());
            for (qsizetype n = 0; n < parts.size(); ++n) {
                QCOMPARE(all[i].parts[n].caption, parts[n].caption);
                QCOMPARE(all[i].parts[n].modul, parts[n].modul);
                QCOMPARE(all[i].parts[n].description, parts[n].description);
                QCOMPARE(all[i].parts[n].archiveText, parts[n].archiveText);
            }
        }
        // The second "Bitmaps laden" reads as the first, as every read of it does.
        QCOMPARE(all[3].entry.declaredCount, 2);
        QCOMPARE(all[0].parts[1].description, QByteArray());
        QCOMPARE(all[2].parts.size(), 0);
        QVERIFY(SectionFile(m_dirs->programDir() + QStringLiteral("Section_Fehlt.dat"))
                    .entriesWithParts()
                    .isEmpty());
    }

    void partKeysAreRead()
    {
        const SectionFile file
            = sectionFile("[Bitmaps laden]\r\nCount=2\r\n1Modul=basis\r\n1File=bitmaps.rtf\r\n"
                          "1Describe=Bitmaps aus Dateien\r\n2=Beispiel\r\n2Modul=neu\r\n"
                          "2File=demo.zip\r\n2Describe=Kurz\r\n2Archiv=Lang und breit\r\n"
                          "3=FAQ\r\n");
        const QList<Part> parts = file.parts(file.entry("bitmaps LADEN")); // names ignore case
        QCOMPARE(parts.size(), 2);
        QCOMPARE(parts[0].caption, QByteArray("Artikel"));
        QCOMPARE(parts[0].modul, QByteArray("basis"));
        QCOMPARE(parts[0].file, QByteArray("bitmaps.rtf"));
        QCOMPARE(parts[0].description, QByteArray("Bitmaps aus Dateien"));
        QCOMPARE(parts[0].archiveText, QByteArray("Bitmaps aus Dateien")); // no Archiv: the description
        QCOMPARE(parts[1].number, 2);
        QCOMPARE(parts[1].caption, QByteArray("Beispiel"));
        QCOMPARE(parts[1].kind, PartKind::Archive);
        QCOMPARE(parts[1].modul, QByteArray("neu"));
        QCOMPARE(parts[1].file, QByteArray("demo.zip"));
        QCOMPARE(parts[1].description, QByteArray("Kurz"));
        QCOMPARE(parts[1].archiveText, QByteArray("Lang und breit"));
    }

    void emptyValuesAreNotDefaults()
    {
        const SectionFile file = sectionFile("[E]\r\n1=\r\n1Describe=\r\n2Describe=Zwei\r\n2Archiv=\r\n");
        const Part first = file.part("E", 1);
        QCOMPARE(first.caption, QByteArray());
        QCOMPARE(first.kind, PartKind::None);
        QCOMPARE(first.description, QByteArray());
        QCOMPARE(file.part("E", 2).archiveText, QByteArray());
    }

    void captionsMatchWithCase()
    {
        const SectionFile file
            = sectionFile("[E]\r\n1=artikel\r\n2=HTML-Seite\r\n3=WWW-Link\r\n4=Hinweise\r\n");
        QCOMPARE(file.part("E", 1).kind, PartKind::None);
        QCOMPARE(file.part("E", 2).kind, PartKind::Html);
        QCOMPARE(file.part("E", 3).kind, PartKind::Www);
        QCOMPARE(file.part("E", 4).kind, PartKind::Text);
    }

    void countIsAnInteger_data()
    {
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<qint32>("declared");
        QTest::addColumn<int>("parts");
        QTest::addColumn<bool>("capped");
        QTest::newRow("decimal") << QByteArray("3") << 3 << 3 << false;
        QTest::newRow("hex") << QByteArray("0x10") << 16 << 16 << false;
        QTest::newRow("hex upper") << QByteArray("0XA") << 10 << 10 << false;
        QTest::newRow("dollar") << QByteArray("$1F") << 31 << 31 << false;
        QTest::newRow("not a number") << QByteArray("abc") << 1 << 1 << false;
        QTest::newRow("empty") << QByteArray("") << 1 << 1 << false;
        QTest::newRow("zero") << QByteArray("0") << 0 << 0 << false;
        QTest::newRow("negative") << QByteArray("-5") << -5 << 0 << false;
        QTest::newRow("at the cap") << QByteArray("999") << 999 << 999 << false;
        QTest::newRow("past the cap") << QByteArray("1000") << 1000 << kMaxParts << true;
        QTest::newRow("hex past the cap") << QByteArray("0x3E8") << 1000 << kMaxParts << true;
        QTest::newRow("largest") << QByteArray("2147483647") << 2147483647 << kMaxParts << true;
        QTest::newRow("overflow") << QByteArray("2147483648") << 1 << 1 << false;
    }
    void countIsAnInteger()
    {
        QFETCH(QByteArray, value);
        QFETCH(qint32, declared);
        QFETCH(int, parts);
        QFETCH(bool, capped);
        const SectionFile file = sectionFile("[E]\r\nCount=" + value + "\r\n");
        const Entry entry = file.entry("E");
        QCOMPARE(entry.declaredCount, declared);
        QCOMPARE(entry.partCount, parts);
        QCOMPARE(entry.countCapped, capped);
        QCOMPARE(file.parts(entry).size(), parts);
    }

    void newsModuleAndMarks()
    {
        const SectionFile file = sectionFile("[!Neuheiten]\r\n1Modul=neu\r\n[Bitmaps]\r\nCModul=Neu\r\n"
                                             "1Modul=alt\r\n[Kopieren]\r\nCModul=alt\r\n1Modul=neu\r\n"
                                             "[Leer]\r\nCModul=\r\n1Modul=neu\r\n");
        const Entry marked = file.entry("!Neuheiten");
        QVERIFY(marked.isMarked());
        QCOMPARE(marked.newsModule, QByteArray("neu")); // no CModul: 1Modul
        QVERIFY(marked.isNew("NEU.tvm"));
        const Entry bitmaps = file.entry("Bitmaps");
        QVERIFY(!bitmaps.isMarked());
        QCOMPARE(bitmaps.newsModule, QByteArray("Neu"));
        QVERIFY(bitmaps.isNew("neu.tvm"));
        QVERIFY(!bitmaps.isNew("neu"));
        QVERIFY(!file.entry("Kopieren").isNew("neu.tvm")); // CModul wins over 1Modul
        QCOMPARE(file.entry("Leer").newsModule, QByteArray());
        QVERIFY(!isNewestModule("\xE4", "\xC4.tvm")); // ASCII-only upper-casing
        QVERIFY(!Entry().isNew(QByteArray())); // no newest module: nothing is new
    }

    void moduleMarksOnDisk()
    {
        m_dirs->writeProgramFile(QStringLiteral("neu.tvm"), "PK");
        m_dirs->writeProgramFile(QStringLiteral("basis.tvm"), "PK");
        QCOMPARE(moduleMark("NEU", "neu.tvm"), ModuleMark::Newest);
        QCOMPARE(moduleMark("Basis", "neu.tvm"), ModuleMark::None);
        QCOMPARE(moduleMark("fehlt", "fehlt.tvm"), ModuleMark::Missing); // missing wins over newest
        QCOMPARE(moduleMark("", ".tvm"), ModuleMark::Missing);
    }

    void moduleValuesMustBeBareNames()
    {
        // Each value points at a module file that exists; it still names no module.
        QVERIFY(QDir().mkpath(m_dirs->programDir() + QStringLiteral("unter")));
        TestDirs::writeFile(m_dirs->programDir() + QStringLiteral("unter/innen.tvm"), "PK");
        m_dirs->writeProgramFile(QStringLiteral("..tvm"), "PK");
        const QByteArray self = QFileInfo(m_dirs->programDir().chopped(1)).fileName().toUtf8();
        for (const QByteArray &modul : { QByteArray("unter/innen"), QByteArray("unter\\innen"),
                 "../" + self + "/unter/innen", QByteArray(".") }) {
            const SectionFile file = sectionFile("[E]\r\n1Modul=" + modul + "\r\n");
            const Part part = file.part("E", 1);
            QCOMPARE(part.modul, modul); // shown as written
            QVERIFY2(!part.moduleInstalled(), modul.constData());
            QCOMPARE(moduleMark(modul, modul + ".tvm"), ModuleMark::Missing);
        }
    }

    void readsAreNeverStale()
    {
        const SectionFile file = sectionFile("[E]\r\nCount=1\r\n1Modul=alt\r\n");
        QCOMPARE(file.part("E", 1).modul, QByteArray("alt"));
        TestDirs::writeFile(file.path(), "[E]\r\nCount=2\r\n1Modul=neuer\r\n");
        QCOMPARE(file.entry("E").partCount, 2);
        QCOMPARE(file.part("E", 1).modul, QByteArray("neuer"));
        QFile::remove(file.path());
        QCOMPARE(file.part("E", 1).modul, QByteArray());
    }

    void sectionsCarryCaptionAndFile()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n\r\n");
        m_dirs->writeProgramFile(QStringLiteral("section_kaeltetechnik.dat"), "[K\xFChlschrank]\r\n");
        const QList<Section> sections = readSections();
        QCOMPARE(sections.size(), 3);
        QCOMPARE(sections[1].line, QByteArray("Kaeltetechnik"));
        QCOMPARE(sections[1].caption, QByteArray("K\xE4ltetechnik"));
        QCOMPARE(sections[1].file().entryNames(), QList<QByteArray> { "K\xFChlschrank" });
        QCOMPARE(sections[2].caption, QByteArray());
        QCOMPARE(QFileInfo(sections[2].file().path()).fileName(), QStringLiteral("Section_.dat"));
    }

    void sectionsNeedTheirList() { QVERIFY_THROWS_EXCEPTION(IoError, readSections()); }
};

QTEST_GUILESS_MAIN(EntryTest)
#include "entry_test.moc"

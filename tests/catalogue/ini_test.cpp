// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/errors.h"
#include "catalogue/ini.h"
#include "diskfaults.h"
#include "testdirs.h"

#include <QDir>

#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>

using namespace tv;

class IniTest : public QObject
{
    Q_OBJECT

private:
    QString write(const QByteArray &content, const QString &name = QStringLiteral("test.ini"))
    {
        const QString path = m_dirs->programDir() + name;
        TestDirs::writeFile(path, content);
        return path;
    }
    static QByteArray read(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    std::unique_ptr<TestDirs> m_dirs;

    // The Version file as an integration leaves it: 88 bytes.
    static QByteArray versionFile()
    {
        return "[ModulDate]\r\nModul=neu.tvm\r\nDate=2026-12-01\r\n[Versions]\r\nGrafik=7\r\n"
               "Kaeltetechnik=3\r\n";
    }
    static QStringList filesIn(const QString &dir)
    {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    }
    static void expectWriteError(const QString &path, const QByteArray &section, const QByteArray &key,
        const QByteArray &value, const QString &message)
    {
        try {
            ini::writeString(path, section, key, value);
        } catch (const WriteError &e) {
            QCOMPARE(e.message(), message);
            return;
        }
        QFAIL("the write was not refused");
    }

private slots:
    void init() { m_dirs = std::make_unique<TestDirs>(); }
    void cleanup() { m_dirs.reset(); }

    void readsTrimmedQuotedCaseInsensitive()
    {
        const QString p = write("[ Grafik ]\r\n  1Modul =  'neu'  \r\nCount=\"3\"\r\nLeer=\r\n"
                                "[grafik]\r\n1Modul=zweite\r\n");
        QCOMPARE(ini::readString(p, "GRAFIK", "1modul", "d"), QByteArray("neu"));
        QCOMPARE(ini::readString(p, "Grafik", "Count", "d"), QByteArray("3"));
        QCOMPARE(ini::readString(p, "Grafik", "Leer", "d"), QByteArray(""));
        QCOMPARE(ini::readString(p, "Grafik", "fehlt", "d"), QByteArray("d"));
        QCOMPARE(ini::readString(p, "Andere", "Count", "d"), QByteArray("d"));
        QCOMPARE(ini::readString(p + QStringLiteral(".none"), "Grafik", "Count", "d"), QByteArray("d"));
        // Mismatched quotes stay.
        const QString q = write("[a]\nx='b\"\n");
        QCOMPARE(ini::readString(q, "a", "x", ""), QByteArray("'b\""));
    }

    void firstOfTwoEqualKeysWins()
    {
        const QString p = write("[Grafik]\r\nCount=2\r\n1Modul=erste\r\n COUNT = 5 \r\n1modul=zweite\r\n"
                                "[Leer]\r\nx=\r\nx=voll\r\n");
        QCOMPARE(ini::readString(p, "Grafik", "1Modul", "d"), QByteArray("erste"));
        QCOMPARE(ini::readInteger(p, "Grafik", "count", 1), 2);
        // An empty first value still wins over a later one.
        QCOMPARE(ini::readString(p, "Leer", "x", "d"), QByteArray(""));
        // A write replaces the value that is read; the later key stays as it was.
        ini::writeString(p, "grafik", "1MODUL", "neu");
        QCOMPARE(ini::readString(p, "Grafik", "1Modul", "d"), QByteArray("neu"));
        QCOMPARE(read(p),
            QByteArray("[Grafik]\r\nCount=2\r\n1MODUL=neu\r\n COUNT = 5 \r\n1modul=zweite\r\n"
                       "[Leer]\r\nx=\r\nx=voll\r\n"));
    }

    void umlautSectionNamesMatchWithoutCase()
    {
        const QString p = write("[Farben \xE4ndern]\r\nCount=2\r\n");
        QCOMPARE(ini::readInteger(p, "FARBEN \xC4NDERN", "count", 1), 2);
    }

    void valuesAreCutAt2047()
    {
        const QString p = write("[a]\r\nv=" + QByteArray(3000, 'x') + "\r\n");
        QCOMPARE(ini::readString(p, "a", "v", "").size(), 2047);
    }

    void integers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("expected");
        QTest::newRow("decimal") << QByteArray("42") << 42;
        QTest::newRow("hex 0x") << QByteArray("0x10") << 16;
        QTest::newRow("hex 0X") << QByteArray("0X1f") << 31;
        QTest::newRow("dollar") << QByteArray("$10") << 16;
        QTest::newRow("negative") << QByteArray("-7") << -7;
        QTest::newRow("plus") << QByteArray("+7") << 7;
        QTest::newRow("letters") << QByteArray("abc") << 1;
        QTest::newRow("empty") << QByteArray("") << 1;
        QTest::newRow("bare 0x") << QByteArray("0x") << 1;
        QTest::newRow("max") << QByteArray("2147483647") << 2147483647;
        QTest::newRow("overflow") << QByteArray("2147483648") << 1;
        QTest::newRow("min") << QByteArray("-2147483648") << int(-2147483648LL);
        QTest::newRow("trailing") << QByteArray("12a") << 1;
        QTest::newRow("signed 0x is no number") << QByteArray("-0x10") << 1;
        QTest::newRow("signed dollar") << QByteArray("-$10") << -16;
    }
    void integers()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, expected);
        const QString p = write("[e]\r\nCount=" + text + "\r\n");
        QCOMPARE(ini::readInteger(p, "e", "Count", 1), expected);
    }

    void listsEverySectionOfALargeFile()
    {
        // Far beyond 16 KiB of names: every one is listed, none is cut short.
        QByteArray content;
        for (int i = 0; i < 3000; ++i)
            content += "[Eintrag Nummer " + QByteArray::number(i) + " mit langem Namen]\r\nCount=1\r\n";
        const QString p = write(content);
        const QList<QByteArray> names = ini::sectionNames(p);
        QCOMPARE(names.size(), 3000);
        QCOMPARE(names.last(), QByteArray("Eintrag Nummer 2999 mit langem Namen"));
        QVERIFY(ini::sectionNames(p + QStringLiteral("x")).isEmpty());
    }

    void namesWithoutTheParseAreTheParsedNames_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QByteArray>>("names");
        QTest::newRow("line ends") << QByteArray("[a]\r\nx=1\r[b]\n[c]\n\r[d]")
                                   << QList<QByteArray> { "a", "b", "c", "d" };
        QTest::newRow("blanks") << QByteArray(" \t[ a b ] rest\r\n\v\f[c]\r\n  x = [nein]\r\n")
                                << QList<QByteArray> { "a b", "c" };
        QTest::newRow("brackets in text")
            << QByteArray("x[y]\r\n[a][b]\r\nk=[v]\r\n[z") << QList<QByteArray> { "a", "z" };
        QTest::newRow("empty names") << QByteArray("[]\r\n[ \r\n[\r\n") << QList<QByteArray> { "", "", "" };
        QTest::newRow("NUL") << QByteArray("[a\0b]\r\n\0[c]\r\n", 14)
                             << QList<QByteArray> { QByteArray("a\0b", 3) };
        QTest::newRow("none") << QByteArray("x=1\r\n") << QList<QByteArray> {};
    }

    void namesWithoutTheParseAreTheParsedNames()
    {
        QFETCH(QByteArray, content);
        QFETCH(QList<QByteArray>, names);
        const QString p = write(content);
        // Not read before: the names come from the headers alone.
        QCOMPARE(ini::sectionNames(p), names);
        // The parse, as any value read does it, and its names from the cache.
        QCOMPARE(ini::Reader(p).sectionNames(), names);
        QCOMPARE(ini::sectionNames(p), names);
    }

    void writeReplacesInPlaceAndKeepsOtherLines()
    {
        const QString p = write(
            "; Kopf\r\n[CheckVersion]\r\nSection = 5\r\nSection_A.dat=1\r\n\r\n[ModulDate]\r\nDate=7\r\n");
        ini::writeString(p, "checkversion", "section", "6");
        QCOMPARE(read(p),
            QByteArray(
                "; Kopf\r\n[CheckVersion]\r\nsection=6\r\nSection_A.dat=1\r\n\r\n[ModulDate]\r\nDate=7\r\n"));
        ini::writeString(p, "CheckVersion", "Section_B.dat", "2");
        QCOMPARE(read(p),
            QByteArray("; Kopf\r\n[CheckVersion]\r\nsection=6\r\nSection_A.dat=1\r\nSection_B.dat=2\r\n\r\n"
                       "[ModulDate]\r\nDate=7\r\n"));
        ini::writeString(p, "Settings", "ModulPath", "/home/a/");
        QVERIFY(read(p).endsWith("Date=7\r\n[Settings]\r\nModulPath=/home/a/\r\n"));
        QCOMPARE(ini::readString(p, "Settings", "ModulPath", "0"), QByteArray("/home/a/"));
    }

    void writeCreatesTheFileAndHandlesMissingFinalLineEnd()
    {
        const QString p = m_dirs->programDir() + QStringLiteral("TIPVAULT.ini");
        ini::writeString(p, "Settings", "ModulPath", "0");
        QCOMPARE(read(p), QByteArray("[Settings]\r\nModulPath=0\r\n"));
        const QString q = write("[a]\r\nx=1");
        ini::writeString(q, "a", "y", "2");
        QCOMPARE(read(q), QByteArray("[a]\r\nx=1\r\ny=2\r\n"));
    }

    void readAfterRewriteSeesNewValue()
    {
        // Same size, same second: the cache must still notice the change.
        const QString p = write("[a]\r\nx=1\r\n");
        QCOMPARE(ini::readString(p, "a", "x", ""), QByteArray("1"));
        TestDirs::writeFile(p, "[a]\r\nx=2\r\n");
        QCOMPARE(ini::readString(p, "a", "x", ""), QByteArray("2"));
        QFile::remove(p);
        QCOMPARE(ini::readString(p, "a", "x", "gone"), QByteArray("gone"));
    }

    void manyFilesAreEachReadAfreshWhenChanged()
    {
        // More files than any count-bounded cache holds: every file still
        // answers with what is on disk now, after a change too.
        QStringList paths;
        for (int i = 0; i < 150; ++i)
            paths.append(
                write("[a]\r\nx=" + QByteArray::number(i) + "\r\n", QStringLiteral("f%1.ini").arg(i)));
        for (int pass = 0; pass < 2; ++pass) {
            for (int i = 0; i < 150; ++i)
                QCOMPARE(ini::readInteger(paths[i], "a", "x", -1), i + pass * 1000);
            for (int i = 0; i < 150; ++i)
                TestDirs::writeFile(paths[i], "[a]\r\nx=" + QByteArray::number(i + 1000) + "\r\n");
        }
    }

    void aReaderAnswersFromOneMomentAndANewOneSeesChanges()
    {
        const QString p = write("[Eintrag]\r\nCount=2\r\n[eintrag]\r\nCount=9\r\n");
        const ini::Reader before(p);
        TestDirs::writeFile(p, "[Eintrag]\r\nCount=3\r\n");
        QCOMPARE(before.readInteger("EINTRAG", "count", 0), 2); // the first of two equal names
        QCOMPARE(before.sectionNames(), (QList<QByteArray> { "Eintrag", "eintrag" }));
        QCOMPARE(ini::Reader(p).readInteger("Eintrag", "Count", 0), 3);
        QCOMPARE(ini::Reader(m_dirs->programDir() + QStringLiteral("fehlt.ini")).readString("a", "b", "d"),
            QByteArray("d"));
    }

    void lookAlikeFileIsReadAfresh_data()
    {
        QTest::addColumn<int>("pauseMs");
        QTest::addColumn<int>("rounds");
        QTest::newRow("a clock tick later") << 20 << 1;
        // Within one tick of the coarse clock the change time may stay as it
        // was too: a copy read then must not be kept.
        QTest::newRow("within the clock's tick") << 0 << 50;
    }

    void lookAlikeFileIsReadAfresh()
    {
        // Same inode, same size, same modification time to the nanosecond (an
        // extracted file keeps its archive's stamp): only the change time tells.
        QFETCH(int, pauseMs);
        QFETCH(int, rounds);
        const QString p = m_dirs->programDir() + QStringLiteral("test.ini");
        const QByteArray name = QFile::encodeName(p);
        for (int round = 0; round < rounds; ++round) {
            TestDirs::writeFile(p, "[a]\r\nx=5\r\n");
            QCOMPARE(ini::readInteger(p, "a", "x", -1), 5);
            struct stat before
            {
            };
            QCOMPARE(::stat(name.constData(), &before), 0);
            QTest::qSleep(pauseMs);
            TestDirs::writeFile(p, "[a]\r\nx=7\r\n");
            const struct timespec times[2] = { before.st_atim, before.st_mtim };
            QCOMPARE(::utimensat(AT_FDCWD, name.constData(), times, 0), 0);
            struct stat after
            {
            };
            QCOMPARE(::stat(name.constData(), &after), 0);
            QCOMPARE(after.st_ino, before.st_ino);
            QCOMPARE(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
            QCOMPARE(ini::readInteger(p, "a", "x", -1), 7);
        }
    }

    void writeIntoMissingFolderFails()
    {
        const QString p = m_dirs->programDir() + QStringLiteral("nicht/da.ini");
        try {
            ini::writeString(p, "a", "x", "1");
            QFAIL("no error");
        } catch (const WriteError &e) {
            QCOMPARE(e.message(), QStringLiteral("nach %1 kann nicht geschrieben werden").arg(p));
        }
        QVERIFY(!QFileInfo::exists(p));
    }

    void aFullDiskLeavesTheOldFile()
    {
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        const QString p = fs.path() + QStringLiteral("CheckVersion.dat");
        TestDirs::writeFile(p, versionFile());
        fs.fill();
        expectWriteError(p, "Versions", "Netzwerk", QByteArray(8192, 'x'),
            QStringLiteral("nach %1 kann nicht geschrieben werden").arg(p));
        QCOMPARE(read(p), versionFile());
        QCOMPARE(filesIn(fs.path()),
            (QStringList { QStringLiteral("ballast"), QStringLiteral("CheckVersion.dat") }));
        // With room again the same write goes through.
        fs.freeBallast();
        ini::writeString(p, "Versions", "Netzwerk", "1");
        QCOMPARE(ini::readString(p, "Versions", "Netzwerk", ""), QByteArray("1"));
        QCOMPARE(ini::readString(p, "ModulDate", "Modul", ""), QByteArray("neu.tvm"));
    }

    void aFailedWriteLeavesTheOldFile()
    {
        const QString p = m_dirs->programDir() + QStringLiteral("CheckVersion.dat");
        TestDirs::writeFile(p, versionFile());
        {
            const FileSizeLimit limit(64);
            expectWriteError(p, "Versions", "Netzwerk", "1",
                QStringLiteral("nach %1 kann nicht geschrieben werden").arg(p));
        }
        QCOMPARE(read(p), versionFile());
        QCOMPARE(filesIn(m_dirs->programDir()), QStringList { QStringLiteral("CheckVersion.dat") });
    }

    void aReplacedFileKeepsItsMode()
    {
        const QString p = write("[a]\r\nx=1\r\n");
        QVERIFY(::chmod(QFile::encodeName(p).constData(), 0640) == 0);
        ini::writeString(p, "a", "x", "2");
        struct stat st
        {
        };
        QCOMPARE(::stat(QFile::encodeName(p).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0640);
    }

    void lineBreaksAndNulAreRefused_data()
    {
        QTest::addColumn<QByteArray>("section");
        QTest::addColumn<QByteArray>("key");
        QTest::addColumn<QByteArray>("value");
        QTest::newRow("lf in value") << QByteArray("ModulDate") << QByteArray("Modul")
                                     << QByteArray("neu.tvm\nDate=1999-01-01");
        QTest::newRow("cr in value") << QByteArray("ModulDate") << QByteArray("Modul")
                                     << QByteArray("neu.tvm\rDate=1999-01-01");
        QTest::newRow("nul in value")
            << QByteArray("ModulDate") << QByteArray("Modul") << QByteArray("neu\0.tvm", 8);
        QTest::newRow("lf in key") << QByteArray("Versions") << QByteArray("Grafik=9\nDate")
                                   << QByteArray("1");
        QTest::newRow("crlf in section")
            << QByteArray("Versions]\r\n[ModulDate") << QByteArray("Date") << QByteArray("1999-01-01");
    }
    void lineBreaksAndNulAreRefused()
    {
        QFETCH(QByteArray, section);
        QFETCH(QByteArray, key);
        QFETCH(QByteArray, value);
        const QString p = m_dirs->programDir() + QStringLiteral("CheckVersion.dat");
        TestDirs::writeFile(p, versionFile());
        expectWriteError(p, section, key, value,
            QStringLiteral("nach %1 kann nicht geschrieben werden: Abschnitte, Schlüssel und Werte "
                           "dürfen keinen Zeilenumbruch und kein Nullzeichen enthalten")
                .arg(p));
        QCOMPARE(read(p), versionFile());
        QCOMPARE(ini::readString(p, "ModulDate", "Date", ""), QByteArray("2026-12-01"));
    }

    /// Many values written in memory at once give the very bytes of writing
    /// them one after another: new sections and keys, replaced values, names
    /// in another letter case, a section written twice, odd line ends.
    void batchEqualsSingleWrites_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("no file yet") << QByteArray();
        QTest::newRow("version file") << versionFile();
        QTest::newRow("blank lines and comment")
            << QByteArray("; Kopf\r\n[CheckVersion]\r\nSection = 5\r\n\r\n\r\n[ModulDate]\r\nDate=7\r\n\r\n");
        QTest::newRow("no final line end") << QByteArray("[checkversion]\r\nsection_a.dat=1");
        QTest::newRow("lf line ends")
            << QByteArray("[CheckVersion]\nSection=1\n[ModulDate]\nModul=alt.tvm\n");
        QTest::newRow("cr line ends") << QByteArray("[CheckVersion]\rSection=1\r");
        QTest::newRow("section twice") << QByteArray("[CheckVersion]\r\nA=1\r\n[CheckVersion]\r\nB=2\r\n");
    }
    void batchEqualsSingleWrites()
    {
        QFETCH(QByteArray, content);
        const QList<ini::Assignment> changes { { "CheckVersion", "Section", "6" },
            { "CheckVersion", "Section_A.dat", "2" }, { "CHECKVERSION", " section_b.dat ", "'3'" },
            { "CheckVersion", "SECTION", "7" }, { "ModulDate", "Modul", "neu.tvm" },
            { " ModulDate ", "Date", "1010" }, { "Neu", "x", "" } };
        const QString p = m_dirs->programDir() + QStringLiteral("CheckVersion.dat");
        if (!content.isNull())
            TestDirs::writeFile(p, content);
        for (const ini::Assignment &change : changes)
            ini::writeString(p, change.section, change.key, change.value);
        QCOMPARE(ini::withStrings(content, changes, p), read(p));
    }

    void batchWithALineBreakIsRefusedWhole()
    {
        const QString p = write(versionFile());
        try {
            ini::withStrings(
                versionFile(), { { "ModulDate", "Modul", "neu.tvm" }, { "ModulDate", "Date", "1\n" } }, p);
        } catch (const WriteError &e) {
            QCOMPARE(e.message(),
                QStringLiteral("nach %1 kann nicht geschrieben werden: Abschnitte, Schlüssel und Werte "
                               "dürfen keinen Zeilenumbruch und kein Nullzeichen enthalten")
                    .arg(p));
            return;
        }
        QFAIL("the batch was not refused");
    }

    void writeLeavesNoTemporaryFiles()
    {
        const QString p = write("[a]\r\nx=1\r\n");
        ini::writeString(p, "a", "x", "2");
        QCOMPARE(
            QDir(m_dirs->programDir()).entryList(QDir::Files), QStringList { QStringLiteral("test.ini") });
    }
};

QTEST_GUILESS_MAIN(IniTest)
#include "ini_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"
#include "fakeseam.h"
#include "testdirs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

using namespace tv;

class CatalogueTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestDirs> m_dirs;

private slots:
    void init() { m_dirs = std::make_unique<TestDirs>(); }
    void cleanup() { m_dirs.reset(); }

    void lineRules_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QList<QByteArray>>("lines");
        using L = QList<QByteArray>;
        QTest::newRow("crlf final") << QByteArray("Grafik\r\nDatenbanken\r\n")
                                    << L { "Grafik", "Datenbanken" };
        QTest::newRow("extra crlf") << QByteArray("Grafik\r\nDatenbanken\r\n\r\n")
                                    << L { "Grafik", "Datenbanken", "" };
        QTest::newRow("no final end") << QByteArray("A\r\nB") << L { "A", "B" };
        QTest::newRow("lone cr") << QByteArray("A\rB\r") << L { "A", "B" };
        QTest::newRow("lone lf is text") << QByteArray("A\nB\r\nC") << L { "A\nB", "C" };
        QTest::newRow("ctrl-z ends") << QByteArray("A\r\nB\x1A\r\nC") << L { "A", "B" };
        QTest::newRow("empty") << QByteArray() << L {};
        QTest::newRow("blanks kept") << QByteArray(" A \r\n") << L { " A " };
    }
    void lineRules()
    {
        QFETCH(QByteArray, content);
        QFETCH(QList<QByteArray>, lines);
        QCOMPARE(splitLines(content), lines);
    }

    void readLinesReportsByCode()
    {
        try {
            readLines(m_dirs->programDir() + QStringLiteral("fehlt.dat"));
            QFAIL("no error");
        } catch (const IoError &e) {
            QCOMPARE(e.code(), 2);
            QCOMPARE(e.message(), QStringLiteral("Datei nicht gefunden"));
        }
        QCOMPARE(IoError::messageFor(5), QStringLiteral("Dateizugriff verweigert"));
        QCOMPARE(IoError::messageFor(101), QStringLiteral("Zu wenig Speicherplatz"));
        QCOMPARE(IoError::messageFor(106), QStringLiteral("Ungültige numerische Eingabe"));
        QCOMPARE(IoError::messageFor(183), QStringLiteral("E/A-Fehler 183"));
    }

    void convertUmlaut_data()
    {
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<bool>("toUmlaut");
        QTest::addColumn<QByteArray>("out");
        QTest::newRow("kaelte") << QByteArray("Kaeltetechnik") << true << QByteArray("K\xE4ltetechnik");
        QTest::newRow("aeae") << QByteArray("aeae") << true << QByteArray("\xE4\xE4");
        QTest::newRow("michael") << QByteArray("Michael") << true << QByteArray("Mich\xE4l");
        QTest::newRow("maerz") << QByteArray("Maerz aendern") << true << QByteArray("M\xE4rz \xE4ndern");
        QTest::newRow("upper untouched") << QByteArray("AE Ae") << true << QByteArray("AE Ae");
        QTest::newRow("empty") << QByteArray() << true << QByteArray();
        QTest::newRow("back") << QByteArray("K\xE4ltetechnik") << false << QByteArray("Kaeltetechnik");
        QTest::newRow("back twice") << QByteArray("\xE4\xE4") << false << QByteArray("aeae");
        QTest::newRow("capital umlaut stays") << QByteArray("\xC4pfel") << false << QByteArray("\xC4pfel");
    }
    void convertUmlaut()
    {
        QFETCH(QByteArray, in);
        QFETCH(bool, toUmlaut);
        QFETCH(QByteArray, out);
        QCOMPARE(ConvertUmlaut(in, toUmlaut), out);
    }

    void cp1252Table()
    {
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        const QString text = fromCp1252(all);
        QCOMPARE(text.at(0x80), QChar(0x20AC));
        QCOMPARE(text.at(0x9F), QChar(0x0178));
        QCOMPARE(text.at(0xE4), QChar(u'ä'));
        QCOMPARE(toCp1252(text), all);
        QCOMPARE(toCp1252(QStringLiteral("日")), QByteArray("?"));
    }

    void upperCasing()
    {
        QCOMPARE(upperAscii("neu.tvm \xE4"), QByteArray("NEU.TVM \xE4"));
        QCOMPARE(upperCp1252("farben \xE4ndern \xF6\xFC\x9A\x9C\x9E\xFF\xF7\xE0\xFE"),
            QByteArray("FARBEN \xC4NDERN \xD6\xDC\x8A\x8C\x8E\x9F\xF7\xC0\xDE"));
    }

    void lookupIgnoresAsciiCase()
    {
        m_dirs->writeProgramFile(QStringLiteral("name.tvm"), "x");
        m_dirs->writeProgramFile(QStringLiteral("Section_Kältetechnik.dat"), "[a]\r\n");
        QCOMPARE(
            resolveName(m_dirs->programDir(), "NAME.TVM"), m_dirs->programDir() + QStringLiteral("name.tvm"));
        QVERIFY(fileExistsIn(m_dirs->programDir(), "Name.Tvm"));
        QVERIFY(fileExistsIn(m_dirs->programDir(), "SECTION_K\xE4LTETECHNIK.DAT"));
        // Only ASCII letters fold: "Ä" is another name than "ä".
        QVERIFY(!fileExistsIn(m_dirs->programDir(), "Section_K\xC4ltetechnik.dat"));
        QVERIFY(!fileExistsIn(m_dirs->programDir(), "other.tvm"));
        QCOMPARE(
            resolveName(m_dirs->programDir(), "Neu.tvm"), m_dirs->programDir() + QStringLiteral("Neu.tvm"));
    }

    void workDirIsPrivateAndStable()
    {
        const QString first = GetWorkDir();
        QCOMPARE(first, m_dirs->workDir());
        struct stat st
        {
        };
        QCOMPARE(::lstat(QFile::encodeName(first).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0700);
        QCOMPARE(GetWorkDir(), first);
        QVERIFY(QDir(first).removeRecursively());
        QCOMPARE(GetWorkDir(), first);
        QVERIFY(QFileInfo(first).isDir());
    }

    void workFileTakesBareNamesOnly()
    {
        const QString work = GetWorkDir();
        QCOMPARE(workFile("a.rtf"), work + QStringLiteral("a.rtf"));
        for (const QByteArray &name : { QByteArray("../x"), QByteArray("a/b"), QByteArray("a\\b"),
                 QByteArray("."), QByteArray(".."), QByteArray(), QByteArray("/etc/passwd") })
            QVERIFY2(workFile(name).isEmpty(), name.constData());
    }

    void aDiskErrorIsNoAccessDenial()
    {
        // Reading this process's memory at address 0 fails with EIO, a real read error.
        try {
            readFileBytes(QStringLiteral("/proc/self/mem"));
            QFAIL("no error");
        } catch (const IoError &e) {
            QCOMPARE(e.message(), QStringLiteral("E/A-Fehler %1").arg(10000 + EIO));
        }
    }

    void systemErrorsNeverTakeTheProgramsCodes_data()
    {
        QTest::addColumn<int>("err");
        QTest::addColumn<QString>("message");
        QTest::newRow("ENOENT") << ENOENT << QStringLiteral("Datei nicht gefunden");
        QTest::newRow("ENOTDIR") << ENOTDIR << QStringLiteral("Ungültiger Dateiname");
        QTest::newRow("EMFILE") << EMFILE << QStringLiteral("Zu viele geöffnete Dateien");
        QTest::newRow("EACCES") << EACCES << QStringLiteral("Dateizugriff verweigert");
        QTest::newRow("ENOSPC") << ENOSPC << QStringLiteral("Zu wenig Speicherplatz");
        QTest::newRow("EEXIST") << EEXIST << QStringLiteral("E/A-Fehler 183");
        // Numbers that equal one of the program's own codes but mean something else.
        QTest::newRow("ESRCH") << ESRCH << QStringLiteral("E/A-Fehler 10003");
        QTest::newRow("EINTR") << EINTR << QStringLiteral("E/A-Fehler 10004");
        QTest::newRow("EIO") << EIO << QStringLiteral("E/A-Fehler 10005");
        QTest::newRow("ENETDOWN") << ENETDOWN << QStringLiteral("E/A-Fehler 10100");
        QTest::newRow("ENETUNREACH") << ENETUNREACH << QStringLiteral("E/A-Fehler 10101");
        QTest::newRow("EISCONN") << EISCONN << QStringLiteral("E/A-Fehler 10106");
    }
    void systemErrorsNeverTakeTheProgramsCodes()
    {
        QFETCH(int, err);
        QFETCH(QString, message);
        QCOMPARE(IoError::messageFor(IoError::codeFromErrno(err)), message);
    }

    void workDirOfAnotherUserIsLeftToThem()
    {
        const QString theirs = m_dirs->tempDir() + QStringLiteral("TIPVAULT");
        QVERIFY(QDir().mkdir(theirs));
        const QByteArray native = QFile::encodeName(theirs);
        if (::chown(native.constData(), 65534, 65534) != 0)
            QSKIP("cannot give a folder to another user here (needs root)");
        const QString mine = m_dirs->tempDir() + QStringLiteral("TIPVAULT-%1/").arg(::geteuid());
        const QString ours = mine + QString::number(::getpid()) + u'/';
        QCOMPARE(GetWorkDir(), ours);
        QCOMPARE(GetSharedWorkDir(), mine);
        for (const QString &dir : { mine, ours }) {
            struct stat st
            {
            };
            QCOMPARE(::lstat(QFile::encodeName(dir).constData(), &st), 0);
            QVERIFY(S_ISDIR(st.st_mode));
            QCOMPARE(int(st.st_mode & 0777), 0700);
            QCOMPARE(st.st_uid, ::geteuid());
        }
        TestDirs::writeFile(ours + QStringLiteral("a.rtf"), "x");
        QCOMPARE(workFile("a.rtf"), ours + QStringLiteral("a.rtf"));
        // Theirs stays untouched, and ours stays ours even when theirs is gone.
        QVERIFY(QDir(theirs).isEmpty());
        QVERIFY(QDir().rmdir(theirs));
        QCOMPARE(GetWorkDir(), ours);
    }

    void perUserWorkDirHasTheSameChecks()
    {
        const QString theirs = m_dirs->tempDir() + QStringLiteral("TIPVAULT");
        QVERIFY(QDir().mkdir(theirs));
        if (::chown(QFile::encodeName(theirs).constData(), 65534, 65534) != 0)
            QSKIP("cannot give a folder to another user here (needs root)");
        const QString mine = m_dirs->tempDir() + QStringLiteral("TIPVAULT-%1").arg(::geteuid());
        QTemporaryDir elsewhere;
        QVERIFY(QFile::link(elsewhere.path(), mine));
        QVERIFY_THROWS_EXCEPTION(IoError, GetWorkDir());
        QVERIFY(QFile::remove(mine));
        QVERIFY(QDir().mkdir(mine));
        QVERIFY(::chown(QFile::encodeName(mine).constData(), 65534, 65534) == 0);
        try {
            GetWorkDir();
            QFAIL("a folder of another user was taken");
        } catch (const IoError &e) {
            QCOMPARE(e.code(), 5);
        }
    }

    void moduleNamesAreBareNames()
    {
        QVERIFY(QDir(m_dirs->programDir()).mkdir(QStringLiteral("sub")));
        TestDirs::writeFile(m_dirs->programDir() + QStringLiteral("basis.tvm"), "PK");
        TestDirs::writeFile(m_dirs->programDir() + QStringLiteral("sub/basis.tvm"), "PK");
        TestDirs::writeFile(m_dirs->programDir() + QStringLiteral("sub\\basis.tvm"), "PK");
        QCOMPARE(moduleFile("BASIS"), m_dirs->programDir() + QStringLiteral("basis.tvm"));
        QVERIFY(moduleInstalled("Basis"));
        const QByteArray dirName = QDir(m_dirs->programDir()).dirName().toUtf8();
        for (const QByteArray &name :
            { QByteArray("sub/basis"), QByteArray("sub\\basis"), "../" + dirName + "/basis", QByteArray(".."),
                QByteArray("."), QByteArray(), QByteArray("basis\0/../x", 11) }) {
            QVERIFY2(moduleFile(name).isEmpty(), name.constData());
            QVERIFY2(!moduleInstalled(name), name.constData());
        }
        QVERIFY(!moduleInstalled("fehlt"));
    }

    void workDirRefusesASymbolicLink()
    {
        QTemporaryDir elsewhere;
        const QString link = m_dirs->tempDir() + QStringLiteral("TIPVAULT");
        QVERIFY(QFile::link(elsewhere.path(), link));
        try {
            GetWorkDir();
            QFAIL("a link was accepted");
        } catch (const IoError &e) {
            QCOMPARE(e.code(), 5);
        }
        QVERIFY(QDir(elsewhere.path()).isEmpty());
    }

    void workDirRefusesAPlainFile()
    {
        TestDirs::writeFile(m_dirs->tempDir() + QStringLiteral("TIPVAULT"), "x");
        QVERIFY_THROWS_EXCEPTION(IoError, GetWorkDir());
    }

    void clearDirectoryKeepsSubdirectories()
    {
        const QString work = GetWorkDir();
        TestDirs::writeFile(work + QStringLiteral("a.rtf"), "x");
        TestDirs::writeFile(work + QStringLiteral(".hidden"), "x");
        QVERIFY(QDir(work).mkdir(QStringLiteral("sub")));
        TestDirs::writeFile(work + QStringLiteral("sub/b.txt"), "x");
        ClearDirectory(work);
        QCOMPARE(QDir(work).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList { QStringLiteral("sub") });
        QVERIFY(QFileInfo::exists(work + QStringLiteral("sub/b.txt")));
    }

    void selectFolderThroughTheSeam()
    {
        FakeSeam seam;
        seam.folders = { QStringLiteral("/home/nutzer/ziel"), QString(), QStringLiteral("/") };
        QCOMPARE(SelectFolder(seam), std::optional<QString>(QStringLiteral("/home/nutzer/ziel/")));
        QVERIFY(!SelectFolder(seam));
        QCOMPARE(SelectFolder(seam), std::optional<QString>(QStringLiteral("/")));
        QCOMPARE(seam.folderPrompts.value(0), QStringLiteral("Zielverzeichnis wählen:"));
    }

    void programDirEndsWithOneSeparator()
    {
        tv::setProgramDirOverride(QStringLiteral("/"));
        QCOMPARE(GetProgramDir(), QStringLiteral("/"));
        tv::setProgramDirOverride(QString());
        QVERIFY(GetProgramDir().endsWith(u'/'));
        QVERIFY(!GetProgramDir().endsWith(QStringLiteral("//")));
    }

    void checkFiles()
    {
        QVERIFY(!CheckFiles()); // no Sections.dat
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "");
        QVERIFY(CheckFiles()); // 0 bytes pass
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), "");
        QVERIFY(!CheckFiles());
        m_dirs->writeProgramFile(QStringLiteral("section_kaeltetechnik.DAT"), "");
        QVERIFY(CheckFiles());
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n\r\n");
        QVERIFY(!CheckFiles()); // looks for Section_.dat
        m_dirs->writeProgramFile(QStringLiteral("Section_.dat"), "");
        QVERIFY(CheckFiles());
    }

    void newestModule()
    {
        QCOMPARE(GetNewestModul(), QByteArray());
        m_dirs->writeProgramFile(
            QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=neu.tvm\r\nDate=5\r\n");
        QCOMPARE(GetNewestModul(), QByteArray("neu.tvm"));
        QCOMPARE(sectionFileForCaption("K\xE4ltetechnik"),
            m_dirs->programDir() + QStringLiteral("Section_Kaeltetechnik.dat"));
    }
};

QTEST_GUILESS_MAIN(CatalogueTest)
#include "catalogue_test.moc"

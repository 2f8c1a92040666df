// SPDX-License-Identifier: GPL-3.0-or-later
#include "diskfaults.h"
#include "fakeseam.h"
#include "testdirs.h"
#include "zip/enginerecords.h"
#include "zip/zipaccess.h"
#include "zipbuilder.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace tv;

namespace {

using Messages = QList<QPair<int, QString>>;

QByteArray moduleArchive()
{
    ZipBuilder zip;
    zip.add(member("Sections.dat", "Grafik\r\n"))
        .add(member("tip0001.rtf", "{\\rtf1 Tipp}"))
        .add(member("sub/B.txt", "bee"))
        .add(member("K\xE4lte.txt", "kalt"))
        .add(member("README", "lies mich"));
    return zip.bytes();
}

/// Every name in `folder`, hidden ones too: a left-over temporary file shows.
QStringList allFiles(const QString &folder)
{
    return QDir(folder).entryList(
        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

/// Names that a direct comparison could take apart wrongly: case variants, the
/// same name in Windows-1252 and flagged UTF-8, a folder, longer and shorter names.
QByteArray lookalikeArchive()
{
    ZipMember flagged = member("K\xC3\xA4lte.txt", "utf");
    flagged.utf8 = true;
    ZipBuilder zip;
    zip.add(member("Tipp.rtf", "1"))
        .add(member("TIPP.RTF", "2"))
        .add(member("sub/tipp.rtf", "3"))
        .add(member("tipp.rtf.bak", "4"))
        .add(member("ipp.rtf", "5"))
        .add(member("K\xE4lte.txt", "1252"))
        .add(flagged)
        .add(member("K\xC3\xA4LTE.TXT", "unflagged"));
    return zip.bytes();
}

/// 1,200 members "m0000.txt" ... holding `text` and their number: enough for
/// the engine to keep the archive open.
QByteArray largeArchive(const QByteArray &text)
{
    ZipBuilder zip;
    for (int i = 0; i < 1200; ++i) {
        const QByteArray number = QByteArray::number(i).rightJustified(4, '0');
        zip.add(member("m" + number + ".txt", text + number));
    }
    return zip.bytes();
}

/// True when this process holds `file` open, also after it was deleted.
bool isHeldOpen(const QString &file)
{
    const QString target = QFileInfo(file).absoluteFilePath();
    for (const QFileInfo &fd :
        QDir(QStringLiteral("/proc/self/fd"))
            .entryInfoList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)) {
        char link[4096];
        const ssize_t n = ::readlink(QFile::encodeName(fd.filePath()).constData(), link, sizeof link);
        const QString opened = n > 0 ? QFile::decodeName(QByteArray(link, n)) : QString();
        if (opened == target || opened == target + QStringLiteral(" (deleted)"))
            return true;
    }
    return false;
}

QString fatal(const char *engine)
{
    return QStringLiteral("Fatal %1 Error: abort exception").arg(QLatin1String(engine));
}

} // namespace

class ZipEnginesTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeSeam> m_seam;
    std::unique_ptr<TZipAccess> m_zip;
    Messages m_messages;
    QList<std::tuple<ProgressType, QString, qint64>> m_progress;
    int m_dirUpdates = 0;
    QString m_oldCurrent;
    int m_folders = 0;

    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString out() const { return path(QStringLiteral("out")); }
    QString archive() const { return path(QStringLiteral("modul.tvm")); }

    /// A folder holding `library` under both engines' names.
    QString engineFolder(const QString &library)
    {
        const QString folder = path(QStringLiteral("engines%1").arg(++m_folders));
        QDir().mkpath(folder);
        for (const char *name : { "libzipengine.so", "libunzipengine.so" })
            QFile::copy(library, folder + u'/' + QLatin1String(name));
        return folder;
    }

    void useArchive(const QByteArray &content)
    {
        writeBytes(archive(), content);
        m_zip->setZipFilename(archive());
    }

    void extract(const QList<QByteArray> &specs)
    {
        m_zip->setFSpecArgs(specs);
        m_zip->setExtrBaseDir(out() + u'/');
        m_zip->Extract();
    }

    static mode_t modeOf(const QString &file)
    {
        struct stat st;
        return ::stat(QFile::encodeName(file).constData(), &st) == 0 ? st.st_mode & 07777 : 0;
    }

    static mode_t newFileMode()
    {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        return 0666 & ~mask;
    }

    QStringList outFiles() const
    {
        return QDir(out()).entryList(QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    }

    Messages messagesWithCode(int code) const
    {
        Messages found;
        for (const auto &m : m_messages) {
            if (m.first == code)
                found.append(m);
        }
        return found;
    }

private slots:
    void initTestCase()
    {
        QCoreApplication::setApplicationName(QStringLiteral("Tipvault"));
        QVERIFY(!qEnvironmentVariableIsEmpty("TIPVAULT_TEST_BIN"));
    }

    void init()
    {
        m_oldCurrent = QDir::currentPath();
        m_dir = std::make_unique<QTemporaryDir>();
        QDir().mkpath(out());
        m_seam = std::make_unique<FakeSeam>();
        m_zip = std::make_unique<TZipAccess>(*m_seam, 77);
        m_zip->setExtrOptions(ExtrOverWrite);
        m_zip->setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN") + u'/');
        m_messages.clear();
        m_progress.clear();
        m_dirUpdates = 0;
        m_zip->setOnMessage([this](TZipAccess &, int code, const QString &text) {
            m_messages.append({ code, text });
        });
        m_zip->setOnDirUpdate([this](TZipAccess &) { ++m_dirUpdates; });
        m_zip->setOnProgress([this](TZipAccess &, ProgressType type, const QString &name, qint64 size) {
            m_progress.append({ type, name, size });
        });
    }

    void cleanup()
    {
        QDir::setCurrent(m_oldCurrent);
        m_zip.reset();
        m_seam.reset();
        m_dir.reset();
    }

    // ------------------------------------------------------------ extraction

    void extractOneMember()
    {
        useArchive(moduleArchive());
        extract({ "TIP0001.RTF" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QCOMPARE(outFiles(), QStringList { QStringLiteral("tip0001.rtf") });
        QCOMPARE(readBytes(out() + QStringLiteral("/tip0001.rtf")), QByteArray("{\\rtf1 Tipp}"));
        QCOMPARE(modeOf(out() + QStringLiteral("/tip0001.rtf")), newFileMode());
        QCOMPARE(QDir::currentPath(), QDir(out()).canonicalPath());
        QVERIFY(m_zip->FSpecArgs().isEmpty());
        QCOMPARE(m_zip->EntryCount(), 5);
        QVERIFY(m_seam->messages.isEmpty());
        QCOMPARE(std::get<0>(m_progress.first()), ProgressType::NewFile);
        QCOMPARE(std::get<1>(m_progress.first()), QStringLiteral("tip0001.rtf"));
        QCOMPARE(std::get<2>(m_progress.first()), qint64(12));
        QCOMPARE(std::get<0>(m_progress.last()), ProgressType::EndOfBatch);

        // The current directory stays there: a relative delete acts in it.
        QVERIFY(QFile::remove(QStringLiteral("tip0001.rtf")));
        QVERIFY(outFiles().isEmpty());
    }

    void extractBySpec_data()
    {
        QTest::addColumn<QList<QByteArray>>("specs");
        QTest::addColumn<QStringList>("files");
        const QStringList all { QStringLiteral("B.txt"), QStringLiteral("Kälte.txt"),
            QStringLiteral("README"), QStringLiteral("Sections.dat"), QStringLiteral("tip0001.rtf") };
        QTest::newRow("*") << QList<QByteArray> { "*" } << all;
        QTest::newRow("*.* takes names without a dot") << QList<QByteArray> { "*.*" } << all;
        QTest::newRow("*.txt") << QList<QByteArray> { "*.TXT" }
                               << QStringList { QStringLiteral("B.txt"), QStringLiteral("Kälte.txt") };
        QTest::newRow("1252 name") << QList<QByteArray> { "k\xE4lte.txt" }
                                   << QStringList { QStringLiteral("Kälte.txt") };
        QTest::newRow("readme.*") << QList<QByteArray> { "readme.*" }
                                  << QStringList { QStringLiteral("README") };
        QTest::newRow("?") << QList<QByteArray> { "?ections.da?" }
                           << QStringList { QStringLiteral("Sections.dat") };
        QTest::newRow("stored path") << QList<QByteArray> { "sub/b.txt" }
                                     << QStringList { QStringLiteral("B.txt") };
        QTest::newRow("bare name of a stored path") << QList<QByteArray> { "b.txt" } << QStringList {};
        QTest::newRow("no specs") << QList<QByteArray> {} << QStringList {};
        QTest::newRow("two specs") << QList<QByteArray> { "readme",
            "sections.dat" } << QStringList { QStringLiteral("README"), QStringLiteral("Sections.dat") };
    }
    void extractBySpec()
    {
        QFETCH(QList<QByteArray>, specs);
        QFETCH(QStringList, files);
        useArchive(moduleArchive());
        extract(specs);
        QCOMPARE(outFiles(), files);
        QCOMPARE(m_zip->ProcessedCount(), files.size());
        QVERIFY(m_zip->FSpecArgs().isEmpty());
        QVERIFY(m_messages.isEmpty());
    }

    void literalSpecsTakeWhatTheirWildcardTwinsTake_data()
    {
        QTest::addColumn<QByteArray>("spec");
        QTest::addColumn<QStringList>("names");
        QTest::newRow("case variants") << QByteArray(
            "tipp.rtf") << QStringList { QStringLiteral("Tipp.rtf"), QStringLiteral("TIPP.RTF") };
        QTest::newRow("with a folder")
            << QByteArray("SUB/TIPP.RTF") << QStringList { QStringLiteral("sub/tipp.rtf") };
        QTest::newRow("shorter name") << QByteArray("ipp.rtf") << QStringList { QStringLiteral("ipp.rtf") };
        QTest::newRow("longer spec") << QByteArray("tipp.rtf.bak.old") << QStringList {};
        QTest::newRow("1252 and UTF-8") << QByteArray(
            "k\xE4lte.txt") << QStringList { QStringLiteral("Kälte.txt"), QStringLiteral("Kälte.txt") };
        QTest::newRow("umlauts keep their case") << QByteArray("K\xC4LTE.TXT") << QStringList {};
        QTest::newRow("UTF-8 bytes read as 1252")
            << QByteArray("k\xC3\xA4lte.txt") << QStringList { QStringLiteral("KÃ¤LTE.TXT") };
    }
    void literalSpecsTakeWhatTheirWildcardTwinsTake()
    {
        QFETCH(QByteArray, spec);
        QFETCH(QStringList, names);
        useArchive(lookalikeArchive());
        QByteArray twin = spec;
        twin.back() = '?';
        for (const QByteArray &s : { spec, twin }) {
            m_progress.clear();
            extract({ s });
            QStringList taken;
            for (const auto &p : m_progress) {
                if (std::get<0>(p) == ProgressType::NewFile)
                    taken.append(std::get<1>(p));
            }
            QCOMPARE(taken, names);
            // Two members of one flat name make one file; the second is reported.
            const qsizetype files = QSet<QString>(names.begin(), names.end()).size();
            QCOMPARE(m_zip->ProcessedCount(), files);
            QCOMPARE(messagesWithCode(EngineNameTaken).size(), (names.size() - files) * (s == spec ? 1 : 2));
        }
        QCOMPARE(m_messages.size(), messagesWithCode(EngineNameTaken).size());
    }

    /// Names from MS-DOS or Windows' FAT read as CP850, and also answer to
    /// their Windows-1252 reading, which is the program's own.
    void dosNamesAnswerToBothReadings_data()
    {
        QTest::addColumn<QByteArray>("spec");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("*") << QByteArray("*") << QStringList { QStringLiteral("Größe.cpp"), QStringLiteral("Kõlte.txt") };
        QTest::newRow("the CP850 name") << QByteArray("gr\xF6\xDF" "e.cpp") << QStringList { QStringLiteral("Größe.cpp") };
        QTest::newRow("the Windows-1252 name") << QByteArray("k\xE4lte.txt") << QStringList { QStringLiteral("Kälte.txt") };
        QTest::newRow("its wildcard twin") << QByteArray("k\xE4lte.tx?") << QStringList { QStringLiteral("Kälte.txt") };
    }
    void dosNamesAnswerToBothReadings()
    {
        QFETCH(QByteArray, spec);
        QFETCH(QStringList, files);
        ZipMember cp850 = member("Gr\x94\xE1" "e.cpp", "oem");
        cp850.host = 0;
        ZipMember windows = member("K\xE4lte.txt", "ansi");
        windows.host = 0;
        ZipBuilder zip;
        zip.add(cp850).add(windows);
        useArchive(zip.bytes());
        QCOMPARE(m_zip->DirEntries().at(0).Name, QStringLiteral("Größe.cpp"));
        extract({ spec });
        QCOMPARE(outFiles(), files);
        QCOMPARE(m_zip->ProcessedCount(), files.size());
    }

    /// Without overwriting, a file kept is reported, not counted as written.
    void keptFilesAreReported()
    {
        useArchive(moduleArchive());
        writeBytes(out() + QStringLiteral("/README"), "alt");
        m_zip->setExtrOptions(ExtrOpts());
        extract({ "readme", "sections.dat" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QCOMPARE(readBytes(out() + QStringLiteral("/README")), QByteArray("alt"));
        QCOMPARE(messagesWithCode(EngineMemberKept),
            (Messages { { EngineMemberKept, QStringLiteral("Kept README: not replaced by README") } }));
    }

    void extractReplacesExistingFiles()
    {
        useArchive(moduleArchive());
        writeBytes(out() + QStringLiteral("/Sections.dat"), "alt und viel l\xE4nger als neu");
        extract({ "sections.dat" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QCOMPARE(readBytes(out() + QStringLiteral("/Sections.dat")), QByteArray("Grafik\r\n"));
        QCOMPARE(outFiles(), QStringList { QStringLiteral("Sections.dat") });
        QCOMPARE(
            QFileInfo(out() + QStringLiteral("/Sections.dat")).lastModified().date(), QDate(2025, 1, 15));

        // Without the overwrite option an existing file stays.
        writeBytes(out() + QStringLiteral("/Sections.dat"), "alt");
        m_zip->setExtrOptions(ExtrOpts());
        extract({ "*" });
        QCOMPARE(m_zip->ProcessedCount(), 4);
        QCOMPARE(readBytes(out() + QStringLiteral("/Sections.dat")), QByteArray("alt"));
    }

    void extractWithoutBaseDirUsesTheCurrentDirectory()
    {
        useArchive(moduleArchive());
        const QString here = path(QStringLiteral("here"));
        QDir().mkpath(here);
        QDir::setCurrent(here);
        m_zip->setFSpecArgs({ "README" });
        m_zip->setExtrBaseDir(QString());
        m_zip->Extract();
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QVERIFY(QFileInfo::exists(here + QStringLiteral("/README")));
        QCOMPARE(QDir::currentPath(), QDir(here).canonicalPath());
    }

    // A target that cannot be made current must not send the files elsewhere.
    void extractIntoMissingBaseDirWritesNothing()
    {
        useArchive(moduleArchive());
        const QString here = path(QStringLiteral("here"));
        QDir().mkpath(here);
        QDir::setCurrent(here);
        const QString missing = path(QStringLiteral("fehlt/"));
        m_zip->setFSpecArgs({ "README" });
        m_zip->setExtrBaseDir(missing);
        m_zip->Extract();
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QVERIFY(allFiles(here).isEmpty());
        QCOMPARE(m_messages,
            (Messages { { 104, QStringLiteral("Error - cannot enter extraction directory ") + missing } }));
    }

    void extractIntoUnenterableDirWritesNothing()
    {
        useArchive(moduleArchive());
        QVERIFY(QFile::setPermissions(m_dir->path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner | QFileDevice::ExeGroup
                | QFileDevice::ExeOther));
        const QString here = path(QStringLiteral("here"));
        const QString nox = path(QStringLiteral("nox/"));
        QVERIFY(QDir().mkpath(here) && QDir().mkpath(nox));
        QVERIFY(::chmod(QFile::encodeName(here).constData(), 0777) == 0);
        QVERIFY(::chmod(QFile::encodeName(nox).constData(), 0700) == 0);
        QVERIFY(::chmod(QFile::encodeName(archive()).constData(), 0644) == 0);
        QDir::setCurrent(here);
        m_zip->setFSpecArgs({ "*" });
        m_zip->setExtrBaseDir(nox);
        {
            AsNobody nobody;
            if (!nobody.active())
                QSKIP("cannot check files as another user here (needs root)");
            m_zip->Extract();
        }
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QVERIFY2(allFiles(here).isEmpty(), qPrintable(allFiles(here).join(u' ')));
        QVERIFY(allFiles(nox).isEmpty());
        QCOMPARE(m_messages,
            (Messages { { 104, QStringLiteral("Error - cannot enter extraction directory ") + nox } }));
    }

    // ------------------------------------------------------------ failed writes

    /// A member that cannot be written leaves the file of that name as it was,
    /// no temporary file, a message, and does not count.
    void extractOnFullDiskKeepsTheOldFile()
    {
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        ZipBuilder zip;
        zip.add(member("tip.rtf", QByteArray(100000, 'n')));
        useArchive(zip.bytes());
        writeBytes(fs.path() + QStringLiteral("tip.rtf"), "alter Inhalt");
        fs.fill();
        m_zip->setFSpecArgs({ "*" });
        m_zip->setExtrBaseDir(fs.path());
        m_zip->Extract();
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(readBytes(fs.path() + QStringLiteral("tip.rtf")), QByteArray("alter Inhalt"));
        QCOMPARE(allFiles(fs.path()), (QStringList { QStringLiteral("ballast"), QStringLiteral("tip.rtf") }));
        QCOMPARE(messagesWithCode(13),
            (Messages { { 13,
                QStringLiteral("Cannot write tip.rtf: ")
                    + QString::fromLocal8Bit(std::strerror(ENOSPC)) } }));
    }

    void extractPastFileSizeLimitKeepsTheOldFile()
    {
        ZipBuilder zip;
        zip.add(member("small.txt", "klein")).add(member("tip.rtf", QByteArray(100000, 'n')));
        useArchive(zip.bytes());
        writeBytes(out() + QStringLiteral("/tip.rtf"), "alter Inhalt");
        {
            FileSizeLimit limit(50000);
            extract({ "*" });
        }
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QCOMPARE(readBytes(out() + QStringLiteral("/tip.rtf")), QByteArray("alter Inhalt"));
        QCOMPARE(readBytes(out() + QStringLiteral("/small.txt")), QByteArray("klein"));
        QCOMPARE(allFiles(out()), (QStringList { QStringLiteral("small.txt"), QStringLiteral("tip.rtf") }));
        QCOMPARE(messagesWithCode(13),
            (Messages { { 13,
                QStringLiteral("Cannot write tip.rtf: ") + QString::fromLocal8Bit(std::strerror(EFBIG)) } }));
    }

    /// The archive is replaced only by a complete copy: a full disk leaves it
    /// byte for byte, with no working copy beside it.
    void deleteOnFullDiskKeepsTheArchive_data()
    {
        QTest::addColumn<QList<QByteArray>>("specs");
        QTest::newRow("some members") << QList<QByteArray> { "README" };
        QTest::newRow("every member") << QList<QByteArray> { "*" };
    }

    void deleteOnFullDiskKeepsTheArchive()
    {
        QFETCH(QList<QByteArray>, specs);
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        ZipBuilder zip;
        zip.add(member("Sections.dat", "Grafik\r\n")).add(member("README", QByteArray(60000, 'r')));
        const QByteArray bytes = zip.bytes();
        const QString inFs = fs.path() + QStringLiteral("modul.tvm");
        writeBytes(inFs, bytes);
        m_zip->setZipFilename(inFs);
        fs.fill();
        m_zip->setFSpecArgs(specs);
        m_zip->Delete();
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(readBytes(inFs), bytes);
        QCOMPARE(
            allFiles(fs.path()), (QStringList { QStringLiteral("ballast"), QStringLiteral("modul.tvm") }));
        QCOMPARE(messagesWithCode(15).size(), 1);
        QVERIFY2(messagesWithCode(15).first().second.startsWith(QStringLiteral("Cannot write zip file ")),
            qPrintable(messagesWithCode(15).first().second));
    }

    void deletePastFileSizeLimitKeepsTheArchive()
    {
        ZipBuilder zip;
        zip.add(member("Sections.dat", "Grafik\r\n")).add(member("README", QByteArray(60000, 'r')));
        const QByteArray bytes = zip.bytes();
        useArchive(bytes);
        {
            FileSizeLimit limit(30000);
            m_zip->setFSpecArgs({ "Sections.dat" });
            m_zip->Delete();
        }
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(readBytes(archive()), bytes);
        QCOMPARE(
            allFiles(m_dir->path()), (QStringList { QStringLiteral("modul.tvm"), QStringLiteral("out") }));
        QCOMPARE(messagesWithCode(15).size(), 1);
    }

    // ------------------------------------------------------------ texts

    /// The engines send UTF-8; names with umlauts arrive as written.
    void engineTextsArriveDecoded()
    {
        ZipBuilder zip;
        ZipMember pipe = member("Pf\xFCtze", "");
        pipe.unixMode = S_IFIFO | 0644;
        ZipMember flagged = member("\xE6\x97\xA5\xE6\x9C\xAC.txt", "utf");
        flagged.utf8 = true;
        zip.add(member("K\xE4lte.txt", "kalt")).add(flagged).add(pipe);
        useArchive(zip.bytes());
        extract({ "*" });
        QStringList names;
        for (const auto &p : m_progress) {
            if (std::get<0>(p) == ProgressType::NewFile)
                names.append(std::get<1>(p));
        }
        // Every member taken up is announced before what is said about it.
        QCOMPARE(names,
            (QStringList { QStringLiteral("Kälte.txt"), QStringLiteral("日本.txt"), QStringLiteral("Pfütze") }));
        QCOMPARE(
            messagesWithCode(14), (Messages { { 14, QStringLiteral("Skipped Pfütze: not a plain file") } }));
        QCOMPARE(outFiles(), (QStringList { QStringLiteral("Kälte.txt"), QStringLiteral("日本.txt") }));
    }

    void extractTestOptionWritesNothing()
    {
        ZipBuilder zip;
        ZipMember damaged = member("damaged.txt", "data");
        damaged.crc = 0x12345678;
        zip.add(member("good.txt", "fine")).add(damaged);
        useArchive(zip.bytes());
        m_zip->setExtrOptions(ExtrTest);
        extract({ "*" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QVERIFY(outFiles().isEmpty());
        QCOMPARE(messagesWithCode(12).size(), 1);
    }

    void missingArchiveLeavesTheSpecs()
    {
        useArchive(moduleArchive());
        extract({ "README" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        m_zip->setZipFilename(path(QStringLiteral("fehlt.tvm")));
        extract({ "README" });
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(m_messages, (Messages { { 102, QStringLiteral("Error - no zip file specified") } }));
        QCOMPARE(m_seam->messageTexts(), QStringList { QStringLiteral("Error - no zip file specified") });
        QCOMPARE(m_seam->messages.first().title, QStringLiteral("Tipvault"));
        QCOMPARE(m_zip->FSpecArgs(), QList<QByteArray> { "README" });

        // The next operation passes the left-over spec along with its own.
        m_zip->setZipFilename(archive());
        m_zip->FSpecArgs().append("Sections.dat");
        m_zip->Extract();
        QCOMPARE(m_zip->ProcessedCount(), 2);
    }

    void specsMustFitTheRecord()
    {
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(PROBE_LIBRARY)));
        const QList<QByteArray> full(4097, "x");
        extract(full);
        QCOMPARE(m_zip->ProcessedCount(), 4197);
        extract(full + QList<QByteArray> { "one too many" });
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(
            m_messages.last(), qMakePair(103, QStringLiteral("Error - too many file specs (at most 4097)")));
        QCOMPARE(m_zip->FSpecArgs().size(), 4098);
    }

    // ------------------------------------------------------------ deletion

    void deleteRemovesAndListsAgain()
    {
        useArchive(moduleArchive());
        m_zip->setFSpecArgs({ "TIP0001.rtf", "sub/*" });
        m_zip->Delete();
        QCOMPARE(m_zip->ProcessedCount(), 2);
        QVERIFY(m_zip->FSpecArgs().isEmpty());
        QCOMPARE(m_dirUpdates, 2);
        QList<QByteArray> names;
        for (const ZipDirEntry &e : m_zip->DirEntries())
            names.append(e.FileName);
        QCOMPARE(names, (QList<QByteArray> { "Sections.dat", "K\xE4lte.txt", "README" }));
        extract({ "*" });
        QCOMPARE(outFiles(),
            (QStringList {
                QStringLiteral("Kälte.txt"), QStringLiteral("README"), QStringLiteral("Sections.dat") }));
        QVERIFY(m_messages.isEmpty());
    }

    void deleteKeepsTheArchivesPermissions()
    {
        useArchive(moduleArchive());
        QVERIFY(::chmod(QFile::encodeName(archive()).constData(), 0640) == 0);
        m_zip->setFSpecArgs({ "README" });
        m_zip->Delete();
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QCOMPARE(modeOf(archive()), mode_t(0640));
        QCOMPARE(
            allFiles(m_dir->path()), (QStringList { QStringLiteral("modul.tvm"), QStringLiteral("out") }));
    }

    void deleteWithoutMatchChangesNothing()
    {
        const QByteArray bytes = moduleArchive();
        useArchive(bytes);
        m_zip->setFSpecArgs({ "gibt-es-nicht.txt" });
        m_zip->Delete();
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(readBytes(archive()), bytes);
        QCOMPARE(m_dirUpdates, 1);
        QVERIFY(m_zip->FSpecArgs().isEmpty());
    }

    void deleteEverythingLeavesAnEmptyArchive()
    {
        useArchive(moduleArchive());
        m_zip->setFSpecArgs({ "*.*" });
        m_zip->Delete();
        QCOMPARE(m_zip->ProcessedCount(), 5);
        QCOMPARE(readBytes(archive()), QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0'));
        QCOMPARE(m_zip->EntryCount(), 0);
        QCOMPARE(m_messages, (Messages { { 1036, QStringLiteral("No valid zip entries found 1") } }));
        m_messages.clear();
        extract({ "*" });
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QVERIFY(m_messages.isEmpty());
    }

    void deleteChecksSpecsFirst()
    {
        m_zip->setZipFilename(path(QStringLiteral("fehlt.tvm")));
        m_zip->Delete();
        QCOMPARE(
            m_messages, (Messages { { 401, QStringLiteral("Error - no files selected for deletion") } }));
        m_messages.clear();
        m_zip->setFSpecArgs({ "a" });
        m_zip->Delete();
        QCOMPARE(m_messages, (Messages { { 102, QStringLiteral("Error - no zip file specified") } }));
        QCOMPARE(m_zip->FSpecArgs(), QList<QByteArray> { "a" });
    }

    // ------------------------------------------------------------ engine loading

    void missingEngine()
    {
        useArchive(moduleArchive());
        extract({ "Sections.dat" });
        m_zip->setFSpecArgs({ "Sections.dat" });
        m_zip->Delete();
        QCOMPARE(m_zip->ProcessedCount(), 1);
        m_messages.clear();
        m_seam->messages.clear();
        QVERIFY(QFile::remove(out() + QStringLiteral("/Sections.dat")));

        // Both engines were freed after their calls, so the bare names find nothing.
        m_zip->setEngineDirectory(path(QStringLiteral("leer")));
        extract({ "README" });
        m_zip->setFSpecArgs({ "README" });
        m_zip->Delete();
        QCOMPARE(m_messages,
            (Messages { { 704, QStringLiteral("unzipengine not found") },
                { 604, QStringLiteral("zipengine not found") } }));
        QCOMPARE(m_seam->messages.size(), 2);
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(m_zip->FSpecArgs(), QList<QByteArray> { "README" });
        QVERIFY(outFiles().isEmpty());
    }

    void libraryWithoutEntryPoints()
    {
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(NOENTRY_LIBRARY)));
        m_zip->setTrace(true);
        extract({ "README" });
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QVERIFY(m_zip->FSpecArgs().isEmpty());
        m_zip->setFSpecArgs({ "README" });
        m_zip->Delete();
        QCOMPARE(m_zip->FSpecArgs(), QList<QByteArray>());
        const Messages expected {
            { 0, QStringLiteral("UNZIP engine loaded") },
            { 702, QStringLiteral("UnzipEngineExec function not found in unzipengine") },
            { 703, QStringLiteral("GetUnzipEngineVersion function not found in unzipengine") },
            { 101, fatal("unzipengine") },
            { 0, QStringLiteral("ZIP engine loaded") },
            { 602, QStringLiteral("ZipEngineExec function not found in zipengine") },
            { 603, QStringLiteral("GetZipEngineVersion function not found in zipengine") },
            { 101, fatal("zipengine") },
        };
        QCOMPARE(m_messages, expected);
        QCOMPARE(m_seam->messages.size(), expected.size());
    }

    void aReplacedEngineFileIsLoadedAfresh()
    {
        useArchive(moduleArchive());
        const QString folder
            = engineFolder(qEnvironmentVariable("TIPVAULT_TEST_BIN") + QStringLiteral("/libunzipengine.so"));
        m_zip->setEngineDirectory(folder);
        extract({ "README" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QVERIFY(m_messages.isEmpty());

        // Another library put in its place, as an update of the program does.
        const QString engine = folder + QStringLiteral("/libunzipengine.so");
        QVERIFY(QFile::copy(QStringLiteral(NOENTRY_LIBRARY), engine + QStringLiteral(".neu")));
        QCOMPARE(::rename(QFile::encodeName(engine + QStringLiteral(".neu")).constData(),
                     QFile::encodeName(engine).constData()),
            0);
        extract({ "README" });
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QCOMPARE(m_messages,
            (Messages { { 702, QStringLiteral("UnzipEngineExec function not found in unzipengine") },
                { 703, QStringLiteral("GetUnzipEngineVersion function not found in unzipengine") },
                { 101, fatal("unzipengine") } }));
    }

    void tracedOperationsLoadTheEngineEachTime()
    {
        useArchive(moduleArchive());
        extract({ "README" });
        m_zip->setTrace(true);
        extract({ "README" });
        extract({ "README" });
        QCOMPARE(messagesWithCode(0),
            (Messages { { 0, QStringLiteral("UNZIP engine loaded") },
                { 0, QStringLiteral("UNZIP engine loaded") } }));
        QCOMPARE(m_zip->ProcessedCount(), 1);
    }

    void aLargeArchiveChangedBehindTheBackIsReadAfresh()
    {
        const QByteArray older = largeArchive("alt-");
        const QByteArray newer = largeArchive("neu-");
        QCOMPARE(newer.size(), older.size());
        const QString extracted = out() + QStringLiteral("/m0600.txt");
        writeBytes(archive(), older);
        waitUntilChangeTimeIsPast(archive());
        for (int i = 0; i < 2; ++i) {
            m_zip->setZipFilename(archive());
            extract({ "m0600.txt" });
            QCOMPARE(readBytes(extracted), QByteArray("alt-0600"));
        }

        // Same size, same file, written in place: a new modification time.
        QFile inPlace(archive());
        QVERIFY(inPlace.open(QIODevice::ReadWrite));
        QCOMPARE(inPlace.write(newer), newer.size());
        inPlace.close();
        extract({ "m0600.txt" });
        QCOMPARE(readBytes(extracted), QByteArray("neu-0600"));

        // Same size and modification time, another file put in its place.
        waitUntilChangeTimeIsPast(archive());
        extract({ "m0600.txt" });
        struct stat used;
        QCOMPARE(::stat(QFile::encodeName(archive()).constData(), &used), 0);
        const QString other = path(QStringLiteral("anders.tvm"));
        writeBytes(other, older);
        const timespec times[2] = { used.st_atim, used.st_mtim };
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0), 0);
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(archive()).constData()), 0);
        extract({ "m0600.txt" });
        QCOMPARE(readBytes(extracted), QByteArray("alt-0600"));
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QVERIFY(m_messages.isEmpty());
    }

    void onlyUnchangedModulesAreHeldOpen()
    {
        // An update archive, perhaps on a stick the user wants to take out, is let go.
        const QString update = QDir(m_dir->path()).canonicalPath() + QStringLiteral("/upd.tvu");
        writeBytes(update, largeArchive("upd-"));
        waitUntilChangeTimeIsPast(update);
        m_zip->setZipFilename(update);
        extract({ "m0001.txt" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QVERIFY(!isHeldOpen(update));

        const QString modul = QDir(m_dir->path()).canonicalPath() + QStringLiteral("/modul.tvm");
        writeBytes(modul, largeArchive("alt-"));
        waitUntilChangeTimeIsPast(modul);
        m_zip->setZipFilename(modul);
        extract({ "m0001.txt" });
        QVERIFY(isHeldOpen(modul));

        // A module deleted, as an update replaces it, is let go at the next extraction.
        QVERIFY(QFile::remove(modul));
        m_zip->setZipFilename(update);
        extract({ "m0002.txt" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QVERIFY(!isHeldOpen(modul));
    }

    void libraryWithoutVersionStillRuns()
    {
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(PROBE_NOVERSION_LIBRARY)));
        extract({ "x", "y" });
        QCOMPARE(m_zip->ProcessedCount(), 102);
        QCOMPARE(m_messages.first(),
            qMakePair(703, QStringLiteral("GetUnzipEngineVersion function not found in unzipengine")));
        QCOMPARE(messagesWithCode(1).size(), 1);
    }

    // ------------------------------------------------------------ records and callback

    void unzipRecord_data()
    {
        QTest::addColumn<int>("options");
        QTest::addColumn<bool>("trace");
        QTest::addColumn<bool>("unattended");
        QTest::addColumn<QString>("fields");
        QTest::newRow("program's settings")
            << int(ExtrOverWrite) << false << false
            << QStringLiteral("window=1 trace=0 test=0 verbose=0 update=0 freshen=0 dirnames=0 overwrite=-1");
        QTest::newRow("unattended, traced")
            << 0 << true << true
            << QStringLiteral(
                   "window=0 trace=-1 test=0 verbose=-1 update=0 freshen=0 dirnames=0 overwrite=0");
        QTest::newRow("update wins over freshen")
            << int(ExtrDirNames | ExtrFreshen | ExtrUpdate | ExtrTest) << false << false
            << QStringLiteral(
                   "window=1 trace=0 test=-1 verbose=0 update=-1 freshen=0 dirnames=-1 overwrite=0");
        QTest::newRow("freshen")
            << int(ExtrFreshen) << false << false
            << QStringLiteral("window=1 trace=0 test=0 verbose=0 update=0 freshen=-1 dirnames=0 overwrite=0");
    }
    void unzipRecord()
    {
        QFETCH(int, options);
        QFETCH(bool, trace);
        QFETCH(bool, unattended);
        QFETCH(QString, fields);
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(PROBE_LIBRARY)));
        m_zip->setExtrOptions(ExtrOpts::fromInt(options));
        m_zip->setTrace(trace);
        m_zip->setUnattended(unattended);
        m_zip->setPassword("geheim");
        extract({ "a.rtf", "K\xE4lte.txt" });
        QCOMPARE(m_zip->ProcessedCount(), 102);
        const Messages records = messagesWithCode(1);
        QCOMPARE(records.size(), 1);
        QCOMPARE(records.first().second,
            fields + QStringLiteral(" fixed=0,0,-1 version=140 marker=7 password=geheim archive=") + archive()
                + QStringLiteral(" specs=a.rtf|Kälte.txt"));
    }

    void deleteRecord()
    {
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(PROBE_LIBRARY)));
        m_zip->setAddOptions(AddDirNames | AddRecurseDirs | AddMove | AddFreshen | AddUpdate | AddZipTime
            | AddForceDOS | AddHiddenFiles | AddEncrypt);
        m_zip->setAddCompLevel(5);
        m_zip->setVerbose(true);
        m_zip->setFSpecArgs({ "README" });
        m_zip->Delete();
        QCOMPARE(m_zip->ProcessedCount(), 101);
        QCOMPARE(messagesWithCode(1).first().second,
            QStringLiteral("window=1 trace=0 encrypt=0 hidden=-1 verbose=-1 level=5 nodirnames=0 recurse=0 "
                           "forcedos=-1 move=0 delete=-1 update=0 freshen=0 ziptime=-1 "
                           "fixed=0,0,-1,0,-1,0,0,0,0 version=140 marker=7 password= archive=")
                + archive() + QStringLiteral(" specs=README"));
        QCOMPARE(m_dirUpdates, 2); // listed again, since the engine reported removals
    }

    void callbackMessages()
    {
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(PROBE_LIBRARY)));
        extract({ "chatter" });
        using P = std::tuple<ProgressType, QString, qint64>;
        QCOMPARE(m_progress,
            (QList<P> { { ProgressType::NewFile, QStringLiteral("Dätei.txt"), 1234 },
                { ProgressType::ProgressUpdate, QStringLiteral(" "), 0 },
                { ProgressType::EndOfBatch, QStringLiteral(" "), 0 } }));
        QCOMPARE(m_messages.mid(1),
            (Messages { { 42, QStringLiteral("Disk full") }, { 43, QStringLiteral("\n") },
                { 44, QStringLiteral("a") } }));
        QVERIFY(m_seam->messages.isEmpty()); // engine messages never become boxes
    }

    void engineExceptionIsFatal()
    {
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(PROBE_LIBRARY)));
        extract({ "throw" });
        QCOMPARE(m_zip->ProcessedCount(), 0);
        QVERIFY(m_zip->FSpecArgs().isEmpty());
        QCOMPARE(m_messages.last(), qMakePair(101, fatal("unzipengine")));
        QCOMPARE(m_seam->messageTexts(), QStringList { fatal("unzipengine") });
    }

    void busyExtractReturnsAtOnce()
    {
        useArchive(moduleArchive());
        m_zip->setEngineDirectory(engineFolder(QStringLiteral(PROBE_LIBRARY)));
        int nested = 0;
        m_zip->setOnProgress([&nested](TZipAccess &sender, ProgressType type, const QString &, qint64) {
            if (type != ProgressType::NewFile)
                return;
            ++nested;
            sender.FSpecArgs().append("nested");
            sender.Extract();
        });
        extract({ "chatter" });
        QCOMPARE(nested, 1);
        QCOMPARE(messagesWithCode(1).size(), 1);
        QCOMPARE(m_zip->ProcessedCount(), 101);
        QVERIFY(m_zip->FSpecArgs().isEmpty());
    }

    // ------------------------------------------------------------ safety of extraction

    void hostileNamesStayInTheTarget()
    {
        ZipBuilder zip;
        ZipMember link = member("link", "../outside.txt");
        link.unixMode = S_IFLNK | 0777;
        ZipMember fifo = member("pipe", "");
        fifo.unixMode = S_IFIFO | 0644;
        zip.add(member("../evil.txt", "e"))
            .add(member("/tmp/tipvault-abs/abs.txt", "a"))
            .add(member("C:\\windows\\back.txt", "b"))
            .add(member("..", "x"))
            .add(member("sub/..", "x"))
            .add(member("dir/", ""))
            .add(link)
            .add(fifo)
            .add(member("dup.txt", "first"))
            .add(member("sub/dup.txt", "second"));
        useArchive(zip.bytes());
        extract({ "*" });
        QCOMPARE(outFiles(),
            (QStringList { QStringLiteral("abs.txt"), QStringLiteral("back.txt"), QStringLiteral("dup.txt"),
                QStringLiteral("evil.txt") }));
        // Flat, the second "dup.txt" would replace the first: it is not written, and that is said.
        QCOMPARE(m_zip->ProcessedCount(), 4);
        QCOMPARE(readBytes(out() + QStringLiteral("/dup.txt")), QByteArray("first"));
        QCOMPARE(messagesWithCode(EngineNameTaken),
            (Messages { { EngineNameTaken, QStringLiteral("Skipped sub/dup.txt: dup.txt was written already") } }));
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("evil.txt"))));
        QVERIFY(!QFileInfo::exists(QStringLiteral("/tmp/tipvault-abs")));
        QCOMPARE(messagesWithCode(14),
            (Messages { { 14, QStringLiteral("Skipped ..: no usable file name") },
                { 14, QStringLiteral("Skipped sub/..: no usable file name") },
                { 14, QStringLiteral("Skipped link: not a plain file") },
                { 14, QStringLiteral("Skipped pipe: not a plain file") } }));
    }

    void symlinkAtTargetIsReplaced()
    {
        useArchive(moduleArchive());
        const QString outside = path(QStringLiteral("outside.txt"));
        writeBytes(outside, "keep");
        QVERIFY(QFile::link(outside, out() + QStringLiteral("/README")));
        extract({ "README" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QCOMPARE(readBytes(outside), QByteArray("keep"));
        const QFileInfo written(out() + QStringLiteral("/README"));
        QVERIFY(!written.isSymLink());
        QCOMPARE(readBytes(written.filePath()), QByteArray("lies mich"));
    }

    void damagedMemberLeavesNoFile()
    {
        ZipBuilder zip;
        ZipMember damaged = member("tip.rtf", QByteArray(100000, 'd'));
        damaged.crc = 0x12345678;
        zip.add(damaged).add(member("ok.txt", "ok"));
        useArchive(zip.bytes());
        writeBytes(out() + QStringLiteral("/tip.rtf"), "old");
        extract({ "*" });
        QCOMPARE(m_zip->ProcessedCount(), 1);
        QCOMPARE(readBytes(out() + QStringLiteral("/tip.rtf")), QByteArray("old"));
        QCOMPARE(outFiles(), (QStringList { QStringLiteral("ok.txt"), QStringLiteral("tip.rtf") }));
        const Messages failures = messagesWithCode(12);
        QCOMPARE(failures.size(), 1);
        QVERIFY2(failures.first().second.startsWith(QStringLiteral("Cannot extract tip.rtf: ")),
            qPrintable(failures.first().second));
    }
};

QTEST_GUILESS_MAIN(ZipEnginesTest)
#include "zipengines_test.moc"

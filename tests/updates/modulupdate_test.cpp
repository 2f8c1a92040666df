// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/catalogue.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "diskfaults.h"
#include "testdirs.h"
#include "testfixture.h"
#include "updates/modulupdate.h"
#include "updates/stagedfile.h"
#include "updates/updatefiles.h"
#include "updates/updatefolder.h"
#include "zip/zipaccess.h"
#include "zipwriter.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QtEndian>
#include <QtTest>

#include <stdexcept>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace tv;

namespace {

const QByteArray kInstalledSections = "Grafik\r\n";
const QByteArray kInstalledGrafik = "[Bitmaps laden]\r\n1Modul=basis\r\n1File=bitmaps.rtf\r\n";
const QByteArray kInstalledVersion = "[ModulDate]\r\nModul=basis.tvm\r\nDate=10\r\n"
                                     "[CheckVersion]\r\nSection=1\r\nSection_Grafik.dat=1\r\n";

const QByteArray kUpdateSections = "Grafik\r\nWerkzeuge\r\n";
const QByteArray kUpdateGrafik = kInstalledGrafik + "[Farben]\r\n1Modul=neu\r\n1File=farben.rtf\r\n";
const QByteArray kUpdateWerkzeuge = "[Git]\r\n1Modul=neu\r\n1File=git.rtf\r\n";
/// Pages of 4 KiB a module with a part that does not compress takes.
constexpr int kBigPages = 12;

QByteArray versionFile(int date, int sections, int grafik, int werkzeuge)
{
    return "[ModulDate]\r\nModul=ignoriert.tvm\r\nDate=" + QByteArray::number(date)
        + "\r\n[CheckVersion]\r\nSection=" + QByteArray::number(sections) + "\r\nSection_Grafik.dat="
        + QByteArray::number(grafik) + "\r\nSection_Werkzeuge.dat=" + QByteArray::number(werkzeuge) + "\r\n";
}

/// An update adding the Section "Werkzeuge" and an entry to "Grafik", all versions raised.
QList<ZipMember> newerUpdate(const QByteArray &version = versionFile(20, 2, 2, 1))
{
    return { { "Sections.dat", kUpdateSections }, { "CheckVersion.dat", version },
        { "Section_Grafik.dat", kUpdateGrafik }, { "Section_Werkzeuge.dat", kUpdateWerkzeuge },
        { "farben.rtf", "{\\rtf1 Farben}" }, { "git.rtf", "{\\rtf1 Git}" } };
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

/// Every name in `dir`, hidden ones included, sorted.
QStringList entriesOf(const QString &dir)
{
    return QDir(dir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class ModulUpdateTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<TZipAccess> m_zip;
    std::unique_ptr<QTemporaryDir> m_updates;

    QString updatesDir() const { return m_updates->path() + u'/'; }
    QString program(const QString &name) const { return m_dirs->programDir() + name; }
    QByteArray installedKey(const QByteArray &section, const QByteArray &key) const
    {
        return ini::readString(program(QStringLiteral("CheckVersion.dat")), section, key, "<none>");
    }
    QString writeUpdate(const QString &name, const QList<ZipMember> &members) const
    {
        const QString path = updatesDir() + name;
        writeZip(path, members);
        return path;
    }
    QStringList memberNames(const QString &archive) const
    {
        TZipAccess zip(*m_seam);
        zip.setZipFilename(archive);
        QStringList names;
        for (const ZipDirEntry &e : zip.DirEntries())
            names.append(QString::fromLatin1(e.FileName));
        names.sort();
        return names;
    }
    /// The catalogue files an integration leaves in the Work directory (none, when all is well).
    QStringList workLeftovers() const
    {
        QStringList left;
        for (const QString &name : entriesOf(m_dirs->workDir())) {
            if (name.endsWith(QStringLiteral(".dat"), Qt::CaseInsensitive))
                left.append(name);
        }
        return left;
    }
    QStringList stagedLeftovers() const
    {
        return entriesOf(m_dirs->programDir()).filter(QStringLiteral(".tipvault-"));
    }
    void writeSettings(const QByteArray &content) const
    {
        m_dirs->writeProgramFile(QStringLiteral("TIPVAULT.ini"), content);
    }
    /// The box of an archive that failed half-way: what failed, and that nothing of it was installed.
    static QString notIntegrated(const QString &archive, const QString &failure)
    {
        return QStringLiteral("Das Modulupdate '%1' wurde nicht integriert:\r\n\r\n%2\r\n\r\n"
                              "Das Modul wurde nicht installiert und keine Version erhöht; das "
                              "Modulupdate wird beim nächsten Mal erneut integriert.")
            .arg(archive, failure);
    }
    /// The installed catalogue of init(), byte for byte, and nothing beside it.
    void assertNothingChanged(QString dir = QString()) const
    {
        if (dir.isEmpty())
            dir = m_dirs->programDir();
        QCOMPARE(entriesOf(dir).filter(QRegularExpression(QStringLiteral("^(?!ballast$)"))),
            (QStringList { QStringLiteral("CheckVersion.dat"), QStringLiteral("Section_Grafik.dat"),
                QStringLiteral("Sections.dat"), QStringLiteral("basis.tvm") }));
        QCOMPARE(readFile(dir + QStringLiteral("CheckVersion.dat")), kInstalledVersion);
        QCOMPARE(readFile(dir + QStringLiteral("Sections.dat")), kInstalledSections);
        QCOMPARE(readFile(dir + QStringLiteral("Section_Grafik.dat")), kInstalledGrafik);
        QCOMPARE(workLeftovers(), QStringList());
        QVERIFY(CheckFiles());
    }
    /// Lays the installed catalogue of init() out in `dir` and makes it the Program directory.
    void moveCatalogueTo(const QString &dir) const
    {
        setProgramDirOverride(dir);
        TestDirs::writeFile(dir + QStringLiteral("Sections.dat"), kInstalledSections);
        TestDirs::writeFile(dir + QStringLiteral("Section_Grafik.dat"), kInstalledGrafik);
        TestDirs::writeFile(dir + QStringLiteral("CheckVersion.dat"), kInstalledVersion);
        writeZip(dir + QStringLiteral("basis.tvm"), { { "bitmaps.rtf", "{\\rtf1 Bitmaps}" } });
    }

    void setUp() override
    {
        m_zip = std::make_unique<TZipAccess>(*m_seam);
        m_zip->setExtrOptions(ExtrOverWrite);
        m_zip->setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        m_updates = std::make_unique<QTemporaryDir>();
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), kInstalledSections);
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), kInstalledGrafik);
        m_dirs->writeProgramFile(QStringLiteral("CheckVersion.dat"), kInstalledVersion);
        writeZip(program(QStringLiteral("basis.tvm")), { { "bitmaps.rtf", "{\\rtf1 Bitmaps}" } });
    }
    void tearDown() override
    {
        m_zip.reset();
        m_updates.reset();
    }

private slots:
    // ------------------------------------------------------------ the folder

    void folderDialogOpensAtOnceWithoutAStoredFolder_data()
    {
        QTest::addColumn<QByteArray>("settings");
        QTest::newRow("no settings file") << QByteArray();
        QTest::newRow("no key") << QByteArray("[Settings]\r\nAnderes=1\r\n");
        QTest::newRow("0") << QByteArray("[Settings]\r\nModulPath=0\r\n");
        QTest::newRow("folder gone") << QByteArray("[Settings]\r\nModulPath=/gibt/es/nicht/\r\n");
        QTest::newRow("relative") << QByteArray("[Settings]\r\nModulPath=.\r\n");
    }
    void folderDialogOpensAtOnceWithoutAStoredFolder()
    {
        QFETCH(QByteArray, settings);
        if (!settings.isEmpty())
            writeSettings(settings);
        m_seam->folders = { m_updates->path() };
        QCOMPARE(chooseUpdateFolder(*m_seam), std::optional<QString>(updatesDir()));
        QVERIFY(m_seam->messages.isEmpty());
        QCOMPARE(m_seam->folderPrompts, QStringList { QStringLiteral("Zielverzeichnis wählen:") });
        QCOMPARE(ModulPath(), updatesDir());
    }

    void cancelledDialogWritesNothing()
    {
        m_seam->folders = { QString() };
        QVERIFY(!chooseUpdateFolder(*m_seam));
        QVERIFY(!QFileInfo::exists(program(QStringLiteral("TIPVAULT.ini"))));
        QCOMPARE(ModulPath(), QStringLiteral("0"));
    }

    void storedFolderIsOfferedAgain()
    {
        writeSettings("[Settings]\r\n  ModulPath =  " + QFile::encodeName(updatesDir()) + "\r\n");
        QCOMPARE(chooseUpdateFolder(*m_seam), std::optional<QString>(updatesDir()));
        QVERIFY(m_seam->folderPrompts.isEmpty());
        QCOMPARE(m_seam->messages.size(), 1);
        const MessageRequest &box = m_seam->messages[0];
        QCOMPARE(box.kind, MessageKind::Confirmation);
        QCOMPARE(box.title, QStringLiteral("Bestätigung"));
        QCOMPARE(box.buttons, int(Yes | No));
        QCOMPARE(box.text,
            QStringLiteral("Sie haben letztes Mal das Verzeichnis '") + updatesDir()
                + QStringLiteral("' ausgewählt. Soll diesmal wieder in diesem Verzeichnis nach "
                                 "Modulupdates gesucht werden?"));
        // Yes writes the same value back: the line is rewritten in the writer's form.
        QCOMPARE(readFile(program(QStringLiteral("TIPVAULT.ini"))),
            "[Settings]\r\nModulPath=" + QFile::encodeName(updatesDir()) + "\r\n");
    }

    void answeringNoOpensTheDialog()
    {
        QTemporaryDir other;
        writeSettings("[Settings]\r\nModulPath=" + QFile::encodeName(updatesDir()) + "\r\n");
        m_seam->answers = { No };
        m_seam->folders = { other.path() };
        QCOMPARE(chooseUpdateFolder(*m_seam), std::optional<QString>(other.path() + u'/'));
        QCOMPARE(m_seam->folderPrompts.size(), 1);
        QCOMPARE(ModulPath(), other.path() + u'/');

        // Cancelling after No keeps the stored folder.
        m_seam->answers = { No };
        m_seam->folders = { QString() };
        QVERIFY(!chooseUpdateFolder(*m_seam));
        QCOMPARE(ModulPath(), other.path() + u'/');
    }

    void scanTakesOnlyArchivesOfTheFolderItself()
    {
        const QString dir = updatesDir();
        for (const char *name : { "a.tvu", "B.TVU", ".versteckt.tvu", "x.tvu.bak", "liesmich.txt" })
            TestDirs::writeFile(dir + QLatin1String(name), "x");
        QVERIFY(QDir().mkpath(dir + QStringLiteral("sub")));
        TestDirs::writeFile(dir + QStringLiteral("sub/b.tvu"), "x");
        QVERIFY(QDir().mkpath(dir + QStringLiteral("c.tvu")));
        QCOMPARE(::mkfifo(QFile::encodeName(dir + QStringLiteral("fifo.tvu")).constData(), 0600), 0);

        QStringList found { QStringLiteral("vorher") };
        FindUpdateFiles(dir, found);
        found.sort();
        QCOMPARE(found,
            (QStringList { dir + QStringLiteral(".versteckt.tvu"), dir + QStringLiteral("B.TVU"),
                dir + QStringLiteral("a.tvu"), QStringLiteral("vorher") }));

        int calls = 0;
        forEachMatchingFile(dir, QStringLiteral("*.tvu"), [&](const QString &) { return ++calls < 2; });
        QCOMPARE(calls, 2);
    }

    // ------------------------------------------------------------ one archive

    void integratesANewSectionAndItsModule()
    {
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(update.IntegrateModul(writeUpdate(QStringLiteral("neu.tvu"), newerUpdate())));
        QCOMPARE(update.NewModulInfo().UpdateName, QStringLiteral("neu.tvu"));
        QCOMPARE(update.NewModulInfo().UpdatePath, updatesDir() + QStringLiteral("neu.tvu"));
        QVERIFY2(m_seam->messages.isEmpty(), qPrintable(m_seam->messageTexts().join(u'|')));

        QCOMPARE(readFile(program(QStringLiteral("Sections.dat"))), kUpdateSections);
        QCOMPARE(readFile(program(QStringLiteral("Section_Grafik.dat"))), kUpdateGrafik);
        QCOMPARE(readFile(program(QStringLiteral("Section_Werkzeuge.dat"))), kUpdateWerkzeuge);
        QCOMPARE(installedKey("CheckVersion", "Section"), QByteArray("2"));
        QCOMPARE(installedKey("CheckVersion", "Section_Grafik.dat"), QByteArray("2"));
        QCOMPARE(installedKey("CheckVersion", "Section_Werkzeuge.dat"), QByteArray("1"));
        QCOMPARE(installedKey("ModulDate", "Modul"), QByteArray("neu.tvm"));
        QCOMPARE(installedKey("ModulDate", "Date"), QByteArray("20"));
        QVERIFY(CheckFiles());
        QCOMPARE(GetNewestModul(), QByteArray("neu.tvm"));

        // The module keeps its part files only; nothing is left in the Work directory.
        QCOMPARE(memberNames(program(QStringLiteral("neu.tvm"))),
            (QStringList { QStringLiteral("farben.rtf"), QStringLiteral("git.rtf") }));
        QCOMPARE(workLeftovers(), QStringList());
        QCOMPARE(stagedLeftovers(), QStringList());
        QFileInfo module(program(QStringLiteral("neu.tvm")));
        QVERIFY(module.permissions() & QFile::ReadOther);
    }

    void installedModuleIsSkipped()
    {
        writeZip(program(QStringLiteral("NEU.TVM")), { { "alt.rtf", "alt" } });
        const QStringList before = entriesOf(m_dirs->programDir());
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(!update.IntegrateModul(writeUpdate(QStringLiteral("neu.tvu"), newerUpdate())));
        QCOMPARE(entriesOf(m_dirs->programDir()), before);
        QCOMPARE(readFile(program(QStringLiteral("CheckVersion.dat"))), kInstalledVersion);
        QCOMPARE(memberNames(program(QStringLiteral("NEU.TVM"))), QStringList { QStringLiteral("alt.rtf") });
        QVERIFY(!QFileInfo::exists(m_dirs->workDir() + QStringLiteral("Sections.dat")));
        QVERIFY(m_seam->messages.isEmpty());
    }

    void equalVersionsCopyNothingButInstallTheModule()
    {
        ModulUpdate update(*m_seam, *m_zip);
        const QList<ZipMember> members { { "Sections.dat", kUpdateSections },
            { "CheckVersion.dat", versionFile(10, 1, 1, 0) }, { "Section_Grafik.dat", kUpdateGrafik },
            { "Section_Werkzeuge.dat", kUpdateWerkzeuge }, { "git.rtf", "{\\rtf1 Git}" } };
        QVERIFY(update.IntegrateModul(writeUpdate(QStringLiteral("gleich.tvu"), members)));
        QVERIFY(m_seam->messages.isEmpty());
        QCOMPARE(readFile(program(QStringLiteral("Sections.dat"))), kInstalledSections);
        QCOMPARE(readFile(program(QStringLiteral("Section_Grafik.dat"))), kInstalledGrafik);
        QVERIFY(!QFileInfo::exists(program(QStringLiteral("Section_Werkzeuge.dat"))));
        QCOMPARE(readFile(program(QStringLiteral("CheckVersion.dat"))), kInstalledVersion);
        QCOMPARE(
            memberNames(program(QStringLiteral("gleich.tvm"))), QStringList { QStringLiteral("git.rtf") });
        QCOMPARE(workLeftovers(), QStringList());
    }

    void higherVersionWinsInEitherOrder_data()
    {
        QTest::addColumn<bool>("sevenFirst");
        QTest::newRow("5 then 7") << false;
        QTest::newRow("7 then 5") << true;
    }
    void higherVersionWinsInEitherOrder()
    {
        QFETCH(bool, sevenFirst);
        auto archive = [&](int version) {
            return writeUpdate(QStringLiteral("v%1.tvu").arg(version),
                { { "Sections.dat", kInstalledSections },
                    { "CheckVersion.dat", versionFile(10, 1, version, 0) },
                    { "Section_Grafik.dat", "[Fassung " + QByteArray::number(version) + "]\r\n" } });
        };
        const QString five = archive(5);
        const QString seven = archive(7);
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(update.IntegrateModul(sevenFirst ? seven : five));
        QVERIFY(update.IntegrateModul(sevenFirst ? five : seven));
        QCOMPARE(installedKey("CheckVersion", "Section_Grafik.dat"), QByteArray("7"));
        QCOMPARE(readFile(program(QStringLiteral("Section_Grafik.dat"))), QByteArray("[Fassung 7]\r\n"));
        QVERIFY(QFileInfo::exists(program(QStringLiteral("v5.tvm"))));
        QVERIFY(QFileInfo::exists(program(QStringLiteral("v7.tvm"))));
    }

    void moduleDateChangesOnlyWhenLater_data()
    {
        QTest::addColumn<QByteArray>("installedDate");
        QTest::addColumn<int>("updateDate");
        QTest::addColumn<QByteArray>("modul");
        QTest::addColumn<QByteArray>("date");
        QTest::newRow("earlier") << QByteArray("10") << 9 << QByteArray("basis.tvm") << QByteArray("10");
        QTest::newRow("equal") << QByteArray("10") << 10 << QByteArray("basis.tvm") << QByteArray("10");
        QTest::newRow("later") << QByteArray("10") << 11 << QByteArray("Neu.tvm") << QByteArray("11");
        QTest::newRow("installed not a number")
            << QByteArray("abc") << 1 << QByteArray("Neu.tvm") << QByteArray("1");
    }
    void moduleDateChangesOnlyWhenLater()
    {
        QFETCH(QByteArray, installedDate);
        QFETCH(int, updateDate);
        QFETCH(QByteArray, modul);
        QFETCH(QByteArray, date);
        ini::writeString(program(QStringLiteral("CheckVersion.dat")), "ModulDate", "Date", installedDate);
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(update.IntegrateModul(writeUpdate(QStringLiteral("Neu.TVU"),
            { { "CheckVersion.dat", versionFile(updateDate, 0, 0, 0) }, { "git.rtf", "x" } })));
        QCOMPARE(installedKey("ModulDate", "Modul"), modul);
        QCOMPARE(installedKey("ModulDate", "Date"), date);
        QVERIFY(QFileInfo::exists(program(QStringLiteral("Neu.tvm"))));
    }

    void archiveWithoutCatalogueIsStillInstalled()
    {
        // Copies an interrupted run left in the Work directory must not stand in for the missing files.
        QDir().mkpath(m_dirs->workDir());
        TestDirs::writeFile(m_dirs->workDir() + QStringLiteral("SECTIONS.DAT"), "Alt\r\n");
        TestDirs::writeFile(m_dirs->workDir() + QStringLiteral("CheckVersion.dat"),
            "[CheckVersion]\r\nSection=99\r\n[ModulDate]\r\nDate=99\r\n");
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(update.IntegrateModul(writeUpdate(QStringLiteral("nackt.tvu"), { { "git.rtf", "x" } })));
        QVERIFY(update.SectionFiles().isEmpty());
        QCOMPARE(readFile(program(QStringLiteral("Sections.dat"))), kInstalledSections);
        QCOMPARE(readFile(program(QStringLiteral("CheckVersion.dat"))), kInstalledVersion);
        QCOMPARE(
            memberNames(program(QStringLiteral("nackt.tvm"))), QStringList { QStringLiteral("git.rtf") });
        QCOMPARE(workLeftovers(), QStringList());
    }

    void damagedArchiveIsRefusedAndTheRestGoesOn()
    {
        // Two members, cut inside the second: the listing fails after its first entry.
        const QString path = writeUpdate(QStringLiteral("kaputt.tvu"), newerUpdate());
        QByteArray bytes = readFile(path);
        const qsizetype second = bytes.indexOf("PK\x03\x04", 4);
        QVERIFY(second > 0);
        TestDirs::writeFile(path, bytes.left(second + 40));
        writeUpdate(QStringLiteral("gut.tvu"), { { "git.rtf", "x" } });

        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 1);
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        QVERIFY2(m_seam->messages[0].text.startsWith(QStringLiteral(
                     "Das Modulupdate 'kaputt.tvu' wird nicht integriert: es kann nicht gelesen "
                     "werden (Error")),
            qPrintable(m_seam->messages[0].text));
        QVERIFY(!QFileInfo::exists(program(QStringLiteral("kaputt.tvm"))));
        QVERIFY(QFileInfo::exists(program(QStringLiteral("gut.tvm"))));
        QCOMPARE(readFile(program(QStringLiteral("CheckVersion.dat"))), kInstalledVersion);
    }

    // ------------------------------------------------------------ a whole folder

    void countAndMessage()
    {
        for (const char *name : { "a.tvu", "b.tvu", "c.tvu" })
            writeUpdate(QLatin1String(name), { { "git.rtf", "x" } });
        writeZip(program(QStringLiteral("b.tvm")), { { "alt.rtf", "x" } });
        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 2);
        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 0);
        QCOMPARE(integratedMessage(3),
            QStringLiteral("Es wurde(n) 3 Modul(e) integriert.\r\n\n"
                           "Die neuen Einträge sind ab sofort verfügbar."));
    }

    void countIsNotEightBitsWide()
    {
        const QByteArray archive = zipBytes({ { "git.rtf", "x" } });
        for (int i = 0; i < 256; ++i)
            TestDirs::writeFile(updatesDir() + QStringLiteral("m%1.tvu").arg(i), archive);
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 256);
        qInfo("256 archives integrated in %lld ms", qint64(timer.elapsed()));
        QVERIFY(m_seam->messages.isEmpty());
        QVERIFY(integratedMessage(256).startsWith(QStringLiteral("Es wurde(n) 256 Modul(e)")));
    }

    // ------------------------------------------------------------ nothing half-done

    void failedCopyInstallsNothingAndIsRetried()
    {
        // A folder where Section_Werkzeuge.dat would go: its copy must fail.
        QVERIFY(QDir().mkdir(program(QStringLiteral("Section_Werkzeuge.dat"))));
        const QString path = writeUpdate(QStringLiteral("neu.tvu"), newerUpdate());
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(!update.IntegrateModul(path));

        QCOMPARE(m_seam->messageTexts(),
            QStringList { notIntegrated(QStringLiteral("neu.tvu"),
                QStringLiteral("Section_Werkzeuge.dat: Dateizugriff verweigert")) });
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Error);
        QVERIFY(QDir().rmdir(program(QStringLiteral("Section_Werkzeuge.dat"))));
        assertNothingChanged();

        m_seam->messages.clear();
        QVERIFY(update.IntegrateModul(path));
        QVERIFY(m_seam->messages.isEmpty());
        QCOMPARE(readFile(program(QStringLiteral("Section_Werkzeuge.dat"))), kUpdateWerkzeuge);
    }

    void sectionListNeverPointsAtMissingFiles()
    {
        // Version 0 for a new Section file: it is not copied, so Sections.dat may not be either.
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(!update.IntegrateModul(
            writeUpdate(QStringLiteral("neu.tvu"), newerUpdate(versionFile(20, 2, 2, 0)))));
        QCOMPARE(m_seam->messageTexts(),
            QStringList { notIntegrated(
                QStringLiteral("neu.tvu"), QStringLiteral("Sections.dat: Section_Werkzeuge.dat fehlt")) });
        assertNothingChanged();
    }

    void failedModuleCopyLeavesNothingAndIsRetried()
    {
        QVERIFY(QDir().mkdir(program(QStringLiteral("neu.tvm"))));
        const QString path = writeUpdate(QStringLiteral("neu.tvu"), newerUpdate());
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(!update.IntegrateModul(path));
        QCOMPARE(m_seam->messageTexts(),
            QStringList { notIntegrated(
                QStringLiteral("neu.tvu"), QStringLiteral("neu.tvm: Dateizugriff verweigert")) });
        QVERIFY(QFileInfo(program(QStringLiteral("neu.tvm"))).isDir());
        QVERIFY(QDir().rmdir(program(QStringLiteral("neu.tvm"))));
        assertNothingChanged();

        m_seam->messages.clear();
        QVERIFY(update.IntegrateModul(path));
        QVERIFY(m_seam->messages.isEmpty());
        QCOMPARE(memberNames(program(QStringLiteral("neu.tvm"))),
            (QStringList { QStringLiteral("farben.rtf"), QStringLiteral("git.rtf") }));
        QCOMPARE(installedKey("ModulDate", "Modul"), QByteArray("neu.tvm"));
    }

    void hostileSectionNamesAreRefused_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::newRow("up and out") << QByteArray("../../../ausserhalb");
        QTest::newRow("absolute") << QByteArray("/tmp/x");
        QTest::newRow("backslash") << QByteArray("..\\x");
        QTest::newRow("tab") << QByteArray("a\tb");
        QTest::newRow("line feed") << QByteArray("a\nb");
        QTest::newRow("wildcard *") << QByteArray("*");
        QTest::newRow("wildcard ?") << QByteArray("Grafi?");
    }
    void hostileSectionNamesAreRefused()
    {
        QFETCH(QByteArray, line);
        const QStringList before = entriesOf(m_dirs->programDir());
        QList<ZipMember> members = newerUpdate();
        members[0].data = "Grafik\r\n" + line + "\r\n";
        members.append({ "Section_" + line + ".dat", "[Boese]\r\n" });
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(!update.IntegrateModul(writeUpdate(QStringLiteral("boese.tvu"), members)));
        QCOMPARE(m_seam->messageTexts(),
            QStringList {
                QStringLiteral("Das Modulupdate 'boese.tvu' wird nicht integriert: Zeile 2 seiner "
                               "Sections.dat ist kein gültiger Abschnittsname. Abschnittsnamen dürfen "
                               "weder \"/\", \"\\\", \"*\", \"?\" noch Steuerzeichen enthalten.") });
        QCOMPARE(entriesOf(m_dirs->programDir()), before);
        QCOMPARE(readFile(program(QStringLiteral("CheckVersion.dat"))), kInstalledVersion);
        QCOMPARE(readFile(program(QStringLiteral("Sections.dat"))), kInstalledSections);
        QCOMPARE(workLeftovers(), QStringList());
    }

    void interruptionLeavesAConsistentCatalogue_data()
    {
        QTest::addColumn<int>("listing");
        QTest::addColumn<QByteArray>("grafikVersion");
        // Listings: 1 the update, 2 the staged module; nothing is in place before the module is ready.
        QTest::newRow("at the update") << 1 << QByteArray("1");
        QTest::newRow("at the staged module") << 2 << QByteArray("1");
    }
    void interruptionLeavesAConsistentCatalogue()
    {
        QFETCH(int, listing);
        QFETCH(QByteArray, grafikVersion);
        int listings = 0;
        m_zip->setOnDirUpdate([&](TZipAccess &) {
            if (++listings == listing)
                throw std::runtime_error("unterbrochen");
        });
        const QString path = writeUpdate(QStringLiteral("neu.tvu"), newerUpdate());
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, update.IntegrateModul(path));

        // Every file matches its version, the catalogue starts, and no module is half there.
        QCOMPARE(installedKey("CheckVersion", "Section_Grafik.dat"), grafikVersion);
        QCOMPARE(readFile(program(QStringLiteral("Section_Grafik.dat"))),
            grafikVersion == "1" ? kInstalledGrafik : kUpdateGrafik);
        QCOMPARE(readFile(program(QStringLiteral("Sections.dat"))),
            grafikVersion == "1" ? kInstalledSections : kUpdateSections);
        QVERIFY(CheckFiles());
        QVERIFY(!QFileInfo::exists(program(QStringLiteral("neu.tvm"))));
        QCOMPARE(stagedLeftovers(), QStringList());

        // The next run completes the integration.
        m_zip->setOnDirUpdate(nullptr);
        QVERIFY(update.IntegrateModul(path));
        QCOMPARE(readFile(program(QStringLiteral("Sections.dat"))), kUpdateSections);
        QCOMPARE(installedKey("CheckVersion", "Section_Werkzeuge.dat"), QByteArray("1"));
        QCOMPARE(installedKey("ModulDate", "Modul"), QByteArray("neu.tvm"));
        QCOMPARE(memberNames(program(QStringLiteral("neu.tvm"))),
            (QStringList { QStringLiteral("farben.rtf"), QStringLiteral("git.rtf") }));
        QCOMPARE(workLeftovers(), QStringList());
        QVERIFY(m_seam->messages.isEmpty());
    }

    void versionFileWriteFailureStopsTheCommand()
    {
        // A folder in place of the installed Version file: raising a version throws the write error.
        QVERIFY(QFile::remove(program(QStringLiteral("CheckVersion.dat"))));
        QVERIFY(QDir().mkdir(program(QStringLiteral("CheckVersion.dat"))));
        ModulUpdate update(*m_seam, *m_zip);
        try {
            update.IntegrateModul(writeUpdate(QStringLiteral("neu.tvu"), newerUpdate()));
            QFAIL("no write error");
        } catch (const WriteError &e) {
            QCOMPARE(e.message(),
                QStringLiteral("nach %1 kann nicht geschrieben werden")
                    .arg(program(QStringLiteral("CheckVersion.dat"))));
        }
        QVERIFY(!QFileInfo::exists(program(QStringLiteral("neu.tvm"))));
        QCOMPARE(stagedLeftovers(), QStringList());
        QVERIFY(CheckFiles());
    }

    void stagedFileReplacesAtomically()
    {
        const QString dir = m_dirs->programDir();
        TestDirs::writeFile(dir + QStringLiteral("quelle"), "neu");
        TestDirs::writeFile(dir + QStringLiteral("ziel"), "alt");
        QString reason;
        QVERIFY(replaceFile(dir + QStringLiteral("quelle"), dir + QStringLiteral("ziel"), &reason));
        QCOMPARE(readFile(dir + QStringLiteral("ziel")), QByteArray("neu"));

        QVERIFY(!replaceFile(dir + QStringLiteral("fehlt"), dir + QStringLiteral("ziel"), &reason));
        QCOMPARE(reason, QStringLiteral("Datei nicht gefunden"));
        QVERIFY(!replaceFile(dir, dir + QStringLiteral("ziel"), &reason));
        QCOMPARE(reason, QStringLiteral("Dateizugriff verweigert"));
        QCOMPARE(readFile(dir + QStringLiteral("ziel")), QByteArray("neu"));
        {
            StagedFile staged(dir);
            QVERIFY(staged.copyFrom(dir + QStringLiteral("quelle"), &reason));
            QVERIFY(QFileInfo::exists(staged.path()));
            QCOMPARE(stagedLeftovers().size(), 1);
        }
        QCOMPARE(stagedLeftovers(), QStringList());
    }

    // ------------------------------------------------------------ whole or not at all

    void archiveWithoutEntriesIsRefused_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::newRow("text") << QByteArray("Das ist kein ZIP-Archiv.\r\n");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("archive without members") << QByteArray("PK\x05\x06", 4) + QByteArray(18, '\0');
    }
    void archiveWithoutEntriesIsRefused()
    {
        QFETCH(QByteArray, content);
        TestDirs::writeFile(updatesDir() + QStringLiteral("kein.tvu"), content);
        writeUpdate(QStringLiteral("gut.tvu"), { { "git.rtf", "x" } });
        QStringList reported;
        m_zip->setOnMessage([&reported](TZipAccess &, int, const QString &text) { reported << text; });
        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 1);
        QCOMPARE(m_seam->messageTexts(),
            QStringList { QStringLiteral("Das Modulupdate 'kein.tvu' wird nicht integriert: es enthält keine "
                                         "gültigen Einträge (No valid zip entries found 1).") });
        QVERIFY(!QFileInfo::exists(program(QStringLiteral("kein.tvm"))));
        QVERIFY(QFileInfo::exists(program(QStringLiteral("gut.tvm"))));
        QCOMPARE(readFile(program(QStringLiteral("CheckVersion.dat"))), kInstalledVersion);
        // The component is left as it was found: its messages go to its
        // handler and to boxes again.
        QCOMPARE(reported, QStringList());
        QVERIFY(!m_zip->Unattended());
        m_zip->setZipFilename(updatesDir() + QStringLiteral("kein.tvu"));
        QCOMPARE(reported, QStringList { QStringLiteral("No valid zip entries found 1") });
        QCOMPARE(m_seam->messages.size(), 2);
    }

    void damagedMemberFailsItsArchiveOnly()
    {
        // The data of Section_Werkzeuge.dat is garbled; its local header still lists it.
        const QString path = writeUpdate(QStringLiteral("neu.tvu"), newerUpdate());
        QByteArray bytes = readFile(path);
        const qsizetype name = bytes.indexOf("Section_Werkzeuge.dat");
        QVERIFY(name > 30);
        const qsizetype header = name - 30;
        QCOMPARE(bytes.mid(header, 4), QByteArray("PK\x03\x04"));
        const auto extra = qFromLittleEndian<quint16>(bytes.constData() + header + 28);
        const auto size = qFromLittleEndian<quint32>(bytes.constData() + header + 18);
        const qsizetype data = name + 21 + extra;
        for (qsizetype i = 0; i < qsizetype(size); ++i)
            bytes[data + i] = char(bytes[data + i] ^ 0x55);
        TestDirs::writeFile(path, bytes);
        writeUpdate(QStringLiteral("gut.tvu"), { { "git.rtf", "x" } });

        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 1);
        QCOMPARE(m_seam->messages.size(), 1);
        const QString text = m_seam->messages[0].text;
        QVERIFY2(text.startsWith(QStringLiteral("Das Modulupdate 'neu.tvu' wurde nicht integriert:\r\n\r\n"
                                                "Entpacken der Abschnittsdateien: ")),
            qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("Section_Werkzeuge.dat")));
        QVERIFY(!QFileInfo::exists(program(QStringLiteral("neu.tvm"))));
        QFile::remove(program(QStringLiteral("gut.tvm")));
        assertNothingChanged();
    }

    void fewerFilesThanListedFailTheArchive()
    {
        // The central directory, which the listing and the engine read, misses a
        // member that the local headers list: the archive lacks a section file.
        const QString path = writeUpdate(QStringLiteral("neu.tvu"), newerUpdate());
        QByteArray bytes = readFile(path);
        const qsizetype central = bytes.lastIndexOf("Section_Werkzeuge.dat");
        QVERIFY(central > bytes.indexOf("Section_Werkzeuge.dat"));
        bytes[central + 16] = 'x';
        TestDirs::writeFile(path, bytes);

        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(!update.IntegrateModul(path));
        QCOMPARE(m_seam->messageTexts(),
            QStringList { notIntegrated(
                QStringLiteral("neu.tvu"), QStringLiteral("Section_Werkzeuge.dat: Datei nicht gefunden")) });
        assertNothingChanged();
    }

    void fullWorkDirectoryInstallsNothing()
    {
        SmallTmpfs fs(64 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        qputenv("TMPDIR", QFile::encodeName(fs.path()));
        const QString work = GetWorkDir();
        fs.fill();
        const QString path = writeUpdate(QStringLiteral("neu.tvu"), newerUpdate());
        ModulUpdate update(*m_seam, *m_zip);
        const bool integrated = update.IntegrateModul(path);
        const QStringList texts = m_seam->messageTexts();
        const QStringList workFiles = entriesOf(work);
        qputenv("TMPDIR", QFile::encodeName(m_dirs->tempDir()));
        QVERIFY(!integrated);
        QCOMPARE(texts.size(), 1);
        QVERIFY2(
            texts[0].startsWith(QStringLiteral("Das Modulupdate 'neu.tvu' wurde nicht integriert:\r\n\r\n"
                                               "Entpacken von Sections.dat und CheckVersion.dat: ")),
            qPrintable(texts[0]));
        QCOMPARE(workFiles, QStringList());
        assertNothingChanged();

        // With room again, the next run integrates it.
        fs.freeBallast();
        qputenv("TMPDIR", QFile::encodeName(fs.path()));
        const bool again = update.IntegrateModul(path);
        qputenv("TMPDIR", QFile::encodeName(m_dirs->tempDir()));
        QVERIFY(again);
        QCOMPARE(readFile(program(QStringLiteral("Section_Werkzeuge.dat"))), kUpdateWerkzeuge);
    }

    void failedDeleteInstallsNothing()
    {
        // Room for the staged module, but not for the engine's copy without the catalogue files.
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        moveCatalogueTo(fs.path());
        QByteArray big(150 * 1024, Qt::Uninitialized);
        QRandomGenerator(7).fillRange(reinterpret_cast<quint32 *>(big.data()), big.size() / 4);
        QList<ZipMember> members = newerUpdate();
        members.append({ "gross.bin", big });
        ModulUpdate update(*m_seam, *m_zip);
        QVERIFY(!update.IntegrateModul(writeUpdate(QStringLiteral("neu.tvu"), members)));
        QCOMPARE(m_seam->messages.size(), 1);
        QVERIFY2(m_seam->messages[0].text.startsWith(
                     QStringLiteral("Das Modulupdate 'neu.tvu' wurde nicht integriert:\r\n\r\n"
                                    "Entfernen der Katalogdateien aus dem Modul: ")),
            qPrintable(m_seam->messages[0].text));
        assertNothingChanged(fs.path());
        QCOMPARE(entriesOf(fs.path()).filter(QStringLiteral(".tipvault-")), QStringList());
    }

    void fullProgramDirectoryChangesNothing_data()
    {
        QTest::addColumn<int>("freePages");
        QTest::addColumn<QString>("failure");
        QTest::newRow("no room at all") << 0 << QStringLiteral("Section_Grafik.dat: Zu wenig Speicherplatz");
        // Room for the two Section files, so that a version would be raised before the disk is full.
        QTest::newRow("room for two pages") << 2 << QStringLiteral("Sections.dat: Zu wenig Speicherplatz");
    }
    void fullProgramDirectoryChangesNothing()
    {
        QFETCH(int, freePages);
        QFETCH(QString, failure);
        SmallTmpfs fs(128 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        moveCatalogueTo(fs.path());
        const QString spacer = fs.path() + QStringLiteral("spacer");
        TestDirs::writeFile(spacer, QByteArray(freePages * 4096, 's'));
        writeUpdate(QStringLiteral("neu.tvu"), newerUpdate());
        fs.fill();
        QVERIFY(QFile::remove(spacer));
        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 0);
        QCOMPARE(m_seam->messageTexts(), QStringList { notIntegrated(QStringLiteral("neu.tvu"), failure) });
        assertNothingChanged(fs.path());
    }

    /// A disk that fills up at any step of the staging leaves the catalogue as
    /// it was, and once there is room again the next run integrates the archive whole.
    void fullProgramDirectoryIsIntegratedWholeNextTime_data()
    {
        QTest::addColumn<int>("freePages");
        QTest::addColumn<QString>("failure");
        QTest::newRow("a Section file") << 0 << QStringLiteral("Section_Grafik.dat: ");
        QTest::newRow("Sections.dat") << 2 << QStringLiteral("Sections.dat: ");
        QTest::newRow("the module copy") << 3 << QStringLiteral("neu.tvm: ");
        // Room for the module's copy, not for the engine's copy without the catalogue files.
        QTest::newRow("the module rewrite")
            << 3 + kBigPages << QStringLiteral("Entfernen der Katalogdateien aus dem Modul: ");
    }
    void fullProgramDirectoryIsIntegratedWholeNextTime()
    {
        QFETCH(int, freePages);
        QFETCH(QString, failure);
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        moveCatalogueTo(fs.path());
        QByteArray big((kBigPages - 1) * 4096, Qt::Uninitialized);
        QRandomGenerator(11).fillRange(reinterpret_cast<quint32 *>(big.data()), big.size() / 4);
        QList<ZipMember> members = newerUpdate();
        members.append({ "gross.bin", big });
        writeUpdate(QStringLiteral("neu.tvu"), members);
        const QString spacer = fs.path() + QStringLiteral("spacer");
        TestDirs::writeFile(spacer, QByteArray(freePages * 4096, 's'));
        fs.fill();
        QVERIFY(QFile::remove(spacer));

        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 0);
        const QStringList texts = m_seam->messageTexts();
        QCOMPARE(texts.size(), 1);
        QVERIFY2(texts[0].startsWith(
                     QStringLiteral("Das Modulupdate 'neu.tvu' wurde nicht integriert:\r\n\r\n") + failure),
            qPrintable(texts[0]));
        assertNothingChanged(fs.path());

        fs.freeBallast();
        m_seam->messages.clear();
        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 1);
        QVERIFY2(m_seam->messages.isEmpty(), qPrintable(m_seam->messageTexts().join(u'|')));
        QCOMPARE(entriesOf(fs.path()),
            (QStringList { QStringLiteral("CheckVersion.dat"), QStringLiteral("Section_Grafik.dat"),
                QStringLiteral("Section_Werkzeuge.dat"), QStringLiteral("Sections.dat"),
                QStringLiteral("basis.tvm"), QStringLiteral("neu.tvm") }));
        QCOMPARE(readFile(fs.path() + QStringLiteral("Sections.dat")), kUpdateSections);
        QCOMPARE(readFile(fs.path() + QStringLiteral("Section_Grafik.dat")), kUpdateGrafik);
        QCOMPARE(readFile(fs.path() + QStringLiteral("Section_Werkzeuge.dat")), kUpdateWerkzeuge);
        QCOMPARE(readFile(fs.path() + QStringLiteral("CheckVersion.dat")),
            QByteArray("[ModulDate]\r\nModul=neu.tvm\r\nDate=20\r\n[CheckVersion]\r\nSection=2\r\n"
                       "Section_Grafik.dat=2\r\nSection_Werkzeuge.dat=1\r\n"));
        QCOMPARE(memberNames(fs.path() + QStringLiteral("neu.tvm")),
            (QStringList {
                QStringLiteral("farben.rtf"), QStringLiteral("git.rtf"), QStringLiteral("gross.bin") }));
        QVERIFY(CheckFiles());
    }

    void writeLimitChangesNothing_data()
    {
        QTest::addColumn<qint64>("limit");
        QTest::addColumn<QString>("failed");
        // The catalogue files are smaller than 4 KB, the module is not.
        QTest::newRow("module copy") << qint64(4096) << QStringLiteral("neu.tvm: ");
        QTest::newRow("extraction") << qint64(60)
                                    << QStringLiteral("Entpacken von Sections.dat und CheckVersion.dat: ");
    }
    void writeLimitChangesNothing()
    {
        QFETCH(qint64, limit);
        QFETCH(QString, failed);
        QByteArray big(16 * 1024, Qt::Uninitialized);
        QRandomGenerator(3).fillRange(reinterpret_cast<quint32 *>(big.data()), big.size() / 4);
        QList<ZipMember> members = newerUpdate();
        members.append({ "gross.bin", big });
        const QString path = writeUpdate(QStringLiteral("neu.tvu"), members);
        ModulUpdate update(*m_seam, *m_zip);
        {
            const FileSizeLimit small(limit);
            QVERIFY(!update.IntegrateModul(path));
        }
        QCOMPARE(m_seam->messages.size(), 1);
        QVERIFY2(m_seam->messages[0].text.contains(QStringLiteral("integriert:\r\n\r\n") + failed),
            qPrintable(m_seam->messages[0].text));
        QCOMPARE(stagedLeftovers(), QStringList());
        assertNothingChanged();
    }

    void engineMessagesFitInOneBox()
    {
        QByteArray sections;
        QByteArray versions = "[CheckVersion]\r\nSection=2\r\n";
        QList<ZipMember> members;
        for (int i = 1; i <= 25; ++i) {
            const QByteArray name = "S" + QByteArray::number(i);
            sections += name + "\r\n";
            versions += "Section_" + name + ".dat=1\r\n";
            members.append({ "Section_" + name + ".dat", "[E]\r\n" + QByteArray(2000, 'x') });
        }
        members.append({ "Sections.dat", sections });
        members.append({ "CheckVersion.dat", versions });
        members.append(ZipMember { "teil.rtf", "x" });
        const QString path = writeUpdate(QStringLiteral("viele.tvu"), members);
        ModulUpdate update(*m_seam, *m_zip);
        {
            const FileSizeLimit small(1000);
            QVERIFY(!update.IntegrateModul(path));
        }
        QCOMPARE(m_seam->messages.size(), 1);
        const QStringList lines = m_seam->messages[0].text.split(QStringLiteral("\r\n"));
        QCOMPARE(lines.filter(QStringLiteral("Cannot write")).size(), 5);
        QVERIFY(lines.contains(QStringLiteral("... und 20 weitere")));
        assertNothingChanged();
    }

    void leftoversOfAnInterruptedRunAreRemoved()
    {
        const pid_t gone = ::fork();
        if (gone == 0)
            ::_exit(0);
        QVERIFY(gone > 0);
        QCOMPARE(::waitpid(gone, nullptr, 0), gone);

        const QString dir = m_dirs->programDir();
        const QString work = GetWorkDir();
        const QStringList leftovers { dir + QStringLiteral(".tipvault-Ab12Cd"),
            dir + QStringLiteral(".tipvault-Ab12Cd.x9Y8z7"), dir + QStringLiteral(".zipengine-Qw3Er4"),
            dir + QStringLiteral(".zipengine-Qw3Er4.Ty5Ui6"),
            work + QStringLiteral(".unzipengine-%1-3").arg(gone) };
        const QStringList kept { dir + QStringLiteral(".tipvault-notiz"),
            dir + QStringLiteral("tipvault-Ab12Cd"), dir + QStringLiteral(".tipvault-Ab12Cd.txt.bak"),
            dir + QStringLiteral("Section_.tipvault-Ab12Cd"), work + QStringLiteral(".unzipengine-1-3"),
            work + QStringLiteral(".unzipengine-%1-3").arg(::getpid()),
            work + QStringLiteral("unzipengine-%1-3").arg(gone) };
        for (const QString &path : leftovers + kept)
            TestDirs::writeFile(path, "x");
        QVERIFY(QDir().mkdir(dir + QStringLiteral(".tipvault-Ordner")));

        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 0);
        for (const QString &path : leftovers)
            QVERIFY2(!QFileInfo::exists(path), qPrintable(path));
        for (const QString &path : kept)
            QVERIFY2(QFileInfo::exists(path), qPrintable(path));
        QVERIFY(QFileInfo(dir + QStringLiteral(".tipvault-Ordner")).isDir());
    }

    // ------------------------------------------------------------ names

    void updateNamesTheCatalogueCannotSpellAreRefused()
    {
        const QList<ZipMember> members { { "git.rtf", "x" } };
        for (const QString &name : { QStringLiteral("日本.tvu"), QStringLiteral("中文.tvu"),
                 QStringLiteral("zeilen\numbruch.tvu"), QStringLiteral("Kälte.tvu") })
            writeUpdate(name, members);
        QCOMPARE(IntegrateUpdates(*m_seam, *m_zip, updatesDir()), 1);
        QStringList texts = m_seam->messageTexts();
        texts.sort();
        const QString cp1252
            = QStringLiteral(": sein Dateiname enthält Zeichen, die es im Zeichensatz "
                             "Windows-1252 nicht gibt; der Katalog kann das Modul so nicht benennen.");
        QCOMPARE(texts,
            (QStringList { QStringLiteral("Das Modulupdate 'zeilen?umbruch.tvu' wird nicht integriert: sein "
                                          "Dateiname enthält Steuerzeichen."),
                QStringLiteral("Das Modulupdate '中文.tvu' wird nicht integriert") + cp1252,
                QStringLiteral("Das Modulupdate '日本.tvu' wird nicht integriert") + cp1252 }));
        QCOMPARE(entriesOf(m_dirs->programDir()).filter(QStringLiteral(".tvm")),
            (QStringList { QStringLiteral("Kälte.tvm"), QStringLiteral("basis.tvm") }));
        QCOMPARE(updateNameProblem(QStringLiteral("Kältetechnik €.tvu")), QString());
        QVERIFY(!updateNameProblem(QStringLiteral("a\x01.tvu")).isEmpty());
        QVERIFY(!updateNameProblem(QString(QChar(0x81)) + QStringLiteral(".tvu")).isEmpty());
    }

    void namesFromUpdates()
    {
        QCOMPARE(moduleFileName(QStringLiteral("neu.tvu")), QStringLiteral("neu.tvm"));
        QCOMPARE(moduleFileName(QStringLiteral("a.b.TVU")), QStringLiteral("a.b.tvm"));
        QCOMPARE(moduleFileName(QStringLiteral("ohne")), QStringLiteral("ohne.tvm"));
        QVERIFY(isSafeSectionName("Qt-Oberfl\xE4"
                                  "chen & C++ (neu)"));
        QVERIFY(isSafeSectionName(""));
        QVERIFY(!isSafeSectionName("a\x7F"));
    }
};

QTEST_GUILESS_MAIN(ModulUpdateTest)
#include "modulupdate_test.moc"

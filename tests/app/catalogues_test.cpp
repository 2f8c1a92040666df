// SPDX-License-Identifier: GPL-3.0-or-later
// Catalogues wherever they live: opened by argument, menu and the recent list,
// remembered per installation, and the Work directory shared by processes.
#include "app/cataloguemenu.h"
#include "app/mainwindow.h"
#include "app/readercomforts.h"
#include "catalogue/paths.h"
#include "formdriver.h"
#include "navigation/sectionnavigator.h"
#include "testfixture.h"
#include "userstate/recentcatalogues.h"
#include "userstate/userstate.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QTabWidget>
#include <QtTest>

using namespace tv;

namespace {

/// A catalogue of one section with one entry in `dir` ("/" at its end).
void writeCatalogue(const QString &dir, const QByteArray &section, const QByteArray &entry)
{
    QVERIFY(QDir().mkpath(dir));
    TestDirs::writeFile(dir + QStringLiteral("Sections.dat"), section + "\r\n");
    TestDirs::writeFile(dir + QStringLiteral("Section_%1.dat").arg(QString::fromLatin1(section)),
        "[" + entry + "]\r\n1Modul=basis\r\n");
}

QStringList sectionCaptions(TForm1 &form)
{
    QStringList captions;
    for (int i = 0; i < form.PageControl1()->count(); ++i)
        captions << form.PageControl1()->tabText(i);
    return captions;
}

QAction *action(TForm1 &form, const QString &name)
{
    return form.menuBar()->findChild<QAction *>(name);
}

const QString kIncomplete
    = QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu.");

} // namespace

class CataloguesTest : public TestFixture
{
    Q_OBJECT

    std::unique_ptr<TForm1> m_form;
    QString m_elsewhere; // a second catalogue, outside the Program directory

    void setUp() override
    {
        writeSmallCatalogue(*m_dirs);
        m_elsewhere = m_dirs->tempDir() + QStringLiteral("Tipps/");
        writeCatalogue(m_elsewhere, "Datenbanken", "SQL lernen");
    }
    void tearDown() override { m_form.reset(); }

    void start(const QString &folder)
    {
        m_form = std::make_unique<TForm1>(*m_seam);
        const bool started = folder.isEmpty() ? m_form->FormCreate()
                                              : m_form->openCatalogue(folder, TForm1::Opening::AtStart);
        QVERIFY(started);
        m_form->show();
        m_form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    }

private slots:
    void aCatalogueOpensWhereverItLies_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("argument") << QStringLiteral("argument");
        QTest::newRow("menu") << QStringLiteral("menu");
        QTest::newRow("recent") << QStringLiteral("recent");
    }
    void aCatalogueOpensWhereverItLies()
    {
        QFETCH(QString, how);
        if (how == u"argument") {
            start(m_elsewhere);
        } else {
            start(QString());
            QCOMPARE(sectionCaptions(*m_form),
                (QStringList { QStringLiteral("Grafik"), QStringLiteral("Kältetechnik") }));
            if (how == u"recent") {
                // Opened once, then back: the recent list offers it again.
                m_seam->folders = { m_elsewhere, m_dirs->programDir() };
                action(*m_form, QStringLiteral("Katalogoeffnen1"))->trigger();
                action(*m_form, QStringLiteral("Katalogoeffnen1"))->trigger();
                QCOMPARE(sectionCaptions(*m_form).value(0), QStringLiteral("Grafik"));
                QAction *second = action(*m_form, QStringLiteral("Zuletztgeoeffnet1Ordner2"));
                QVERIFY(second);
                QCOMPARE(second->text(), QStringLiteral("&2 ") + QDir::cleanPath(m_elsewhere));
                second->trigger();
            } else {
                m_seam->folders = { m_elsewhere };
                QTest::keyClick(m_form.get(), Qt::Key_O, Qt::ControlModifier);
                QCOMPARE(m_seam->folderPrompts.value(0), QStringLiteral("Katalogordner wählen:"));
            }
        }
        QCOMPARE(m_seam->messages.size(), 0);
        QCOMPARE(sectionCaptions(*m_form), QStringList { QStringLiteral("Datenbanken") });
        QCOMPARE(GetProgramDir(), m_elsewhere);
        QCOMPARE(m_form->windowTitle(),
            QStringLiteral("Tipvault v1.1 -   [Datenbanken] - ") + QDir::cleanPath(m_elsewhere));
        // The next start without a folder opens it again, from this Program directory.
        QCOMPARE(rememberedCatalogue(), m_elsewhere);
        QCOMPARE(m_form->findChild<QMenu *>(QStringLiteral("Zuletztgeoeffnet1"))->actions().value(0)->text(),
            QStringLiteral("&1 ") + QDir::cleanPath(m_elsewhere));
    }

    void anIncompleteCatalogueFromTheMenuLeavesTheOneInUse_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("no Sections.dat") << QStringLiteral("leer/");
        QTest::newRow("Section file missing") << QStringLiteral("halb/");
        QTest::newRow("no folder") << QStringLiteral("fehlt/");
    }
    void anIncompleteCatalogueFromTheMenuLeavesTheOneInUse()
    {
        QFETCH(QString, folder);
        const QString dir = m_dirs->tempDir() + folder;
        if (folder != u"fehlt/")
            QVERIFY(QDir().mkpath(dir));
        if (folder == u"halb/")
            TestDirs::writeFile(dir + QStringLiteral("Sections.dat"), "Grafik\r\nNetz\r\n");
        start(QString());
        const QString caption = m_form->windowTitle();
        m_seam->folders = { dir };
        action(*m_form, QStringLiteral("Katalogoeffnen1"))->trigger();
        QCOMPARE(m_seam->messages.size(), 1);
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        QCOMPARE(m_seam->messages[0].text,
            folder == u"fehlt/"
                ? QStringLiteral("Der Katalogordner '%1' existiert nicht.").arg(QDir::cleanPath(dir))
                : kIncomplete);
        QCOMPARE(m_form->windowTitle(), caption);
        QCOMPARE(sectionCaptions(*m_form).size(), 2);
        QCOMPARE(GetProgramDir(), m_dirs->programDir());
        QVERIFY(rememberedCatalogue().isEmpty());

        // At start the same catalogue gets the box and the program ends.
        m_seam->clear();
        TForm1 other(*m_seam);
        QVERIFY(!other.openCatalogue(dir, TForm1::Opening::AtStart));
        QCOMPARE(m_seam->messages.size(), 1);
    }

    void aRememberedCatalogueThatIsGoneOpensTheProgramDirectory()
    {
        start(m_elsewhere);
        m_form.reset();
        QCOMPARE(rememberedCatalogue(), m_elsewhere);
        QVERIFY(QFile::remove(m_elsewhere + QStringLiteral("Section_Datenbanken.dat")));
        QVERIFY(rememberedCatalogue().isEmpty());
        // Another installation keeps a list of its own.
        RecentCatalogues elsewhere(m_dirs->tempDir(), RecentCatalogues::fileFor(m_dirs->tempDir()));
        QVERIFY(elsewhere.load());
        QVERIFY(elsewhere.folders().isEmpty());
    }

    void theRecentListKeepsFiveFolders()
    {
        RecentCatalogues recent(GetExecutableDir(), RecentCatalogues::fileFor(GetExecutableDir()));
        for (int i = 1; i <= 7; ++i)
            recent.opened(m_dirs->tempDir() + QStringLiteral("k%1").arg(i));
        recent.opened(m_dirs->tempDir() + QStringLiteral("k5/"));
        QVERIFY(recent.save());
        RecentCatalogues read(GetExecutableDir(), RecentCatalogues::fileFor(GetExecutableDir()));
        QVERIFY(read.load());
        QStringList expected;
        for (int i : { 5, 7, 6, 4, 3 })
            expected << m_dirs->tempDir() + QStringLiteral("k%1/").arg(i);
        QCOMPARE(read.folders(), expected);
        // A damaged file is no list: it starts empty.
        TestDirs::writeFile(RecentCatalogues::fileFor(GetExecutableDir()), "{ kaputt");
        QVERIFY(!read.load());
        QVERIFY(read.folders().isEmpty());
    }

    void eachCatalogueKeepsItsOwnState()
    {
        start(QString());
        action(*m_form, QStringLiteral("Vergroessern1"))->trigger();
        const int zoom = m_form->comforts()->state().zoom();
        QVERIFY(zoom > UserState::kDefaultZoom);
        m_seam->folders = { m_elsewhere, m_dirs->programDir() };
        action(*m_form, QStringLiteral("Katalogoeffnen1"))->trigger();
        QCOMPARE(m_form->comforts()->state().zoom(), UserState::kDefaultZoom);
        QCOMPARE(m_form->comforts()->state().path(), UserState::fileFor(m_elsewhere));
        action(*m_form, QStringLiteral("Katalogoeffnen1"))->trigger();
        QCOMPARE(m_form->comforts()->state().zoom(), zoom);
    }

    void eachProcessWorksInAFolderOfItsOwn()
    {
        // Another process's folder, one of a process that is gone, and a loose file.
        QProcess sleeper;
        sleeper.start(QStringLiteral("sleep"), { QStringLiteral("30") });
        QVERIFY(sleeper.waitForStarted());
        const QString shared = m_dirs->sharedWorkDir();
        const QString theirs = shared + QString::number(sleeper.processId()) + u'/';
        QVERIFY(QDir().mkpath(theirs));
        TestDirs::writeFile(theirs + QStringLiteral("seite.htm"), "<html>");
        QProcess gone;
        gone.start(QStringLiteral("true"), QStringList());
        QVERIFY(gone.waitForStarted());
        const QString dead = shared + QString::number(gone.processId()) + QStringLiteral("/");
        QVERIFY(gone.waitForFinished());
        QVERIFY(QDir().mkpath(dead + QStringLiteral("sub")));

        start(QString());
        QCOMPARE(GetWorkDir(), m_dirs->workDir());
        sweepWorkDirectory();
        QVERIFY(!QFileInfo::exists(dead));
        TestDirs::writeFile(GetWorkDir() + QStringLiteral("mein.rtf"), "x");
        QVERIFY(m_form->close());
        // Ours went; theirs stays with the Work directory around it.
        QVERIFY(!QFileInfo::exists(m_dirs->workDir()));
        QVERIFY(QFileInfo::exists(theirs + QStringLiteral("seite.htm")));

        // Once they are gone too, the last one to close removes it all.
        sleeper.kill();
        QVERIFY(sleeper.waitForFinished());
        releaseWorkDirectory();
        QVERIFY(!QFileInfo::exists(shared));
    }

    void theCommandLineToolLeavesTheWindowsFiles()
    {
        start(QString());
        const QString mine = GetWorkDir() + QStringLiteral("seite.htm");
        TestDirs::writeFile(mine, "<html>");
        QProcess cli;
        cli.start(qEnvironmentVariable("TIPVAULT_TEST_BIN") + QStringLiteral("/tipvault-cli"),
            { QStringLiteral("--dir"), m_dirs->programDir(), QStringLiteral("sections") });
        QVERIFY(cli.waitForFinished());
        QCOMPARE(cli.exitCode(), 0);
        QVERIFY(QFileInfo::exists(mine));
        QCOMPARE(QDir(m_dirs->sharedWorkDir()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
            QStringList { QString::number(QCoreApplication::applicationPid()) });
    }
};

QTEST_MAIN(CataloguesTest)
#include "catalogues_test.moc"

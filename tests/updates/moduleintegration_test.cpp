// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/application.h"
#include "app/mainwindow.h"
#include "catalogue/ini.h"
#include "navigation/entrylistbox.h"
#include "navigation/sectionnavigator.h"
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/indexgrid.h"
#include "viewer/textpart.h"
#include "widgets/findcontrol.h"
#include "zip/zipaccess.h"
#include "zipwriter.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QTabWidget>
#include <QTimer>
#include <QtTest>

using namespace tv;

namespace {

QString integrated(int count)
{
    return QStringLiteral(
        "Es wurde(n) %1 Modul(e) integriert.\r\n\nDie neuen Einträge sind ab sofort verfügbar.")
        .arg(count);
}

/// An update adding the Section "Werkzeuge" with the entry "Git", whose text part lives in the new module.
QList<ZipMember> werkzeugeUpdate()
{
    return { { "Sections.dat", "Grafik\r\nWerkzeuge\r\n" },
        { "CheckVersion.dat",
            "[ModulDate]\r\nDate=20\r\n[CheckVersion]\r\nSection=2\r\nSection_Werkzeuge.dat=1\r\n" },
        { "Section_Werkzeuge.dat", "[Git]\r\n1=Hinweise\r\n1Modul=neu\r\n1File=git.txt\r\n" },
        { "git.txt", "Git merkt sich alles.\r\n" } };
}

} // namespace

class ModuleIntegrationTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<QTemporaryDir> m_updates;
    std::unique_ptr<TForm1> m_form;

    QAction *menuItem() const { return m_form->findChild<QAction *>(QStringLiteral("Moduleintegrieren1")); }
    void startForm()
    {
        m_form = std::make_unique<TForm1>(*m_seam);
        m_form->ZipAccess1().setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        QVERIFY(m_form->FormCreate());
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }
    void pickEntry(int section, int row)
    {
        m_form->PageControl1()->setCurrentIndex(section - 1);
        EntryListBox *list = m_form->sections()->activeList();
        list->selectRow(row);
        m_form->SectionListBoxClick(list);
    }

    void setUp() override
    {
        m_updates = std::make_unique<QTemporaryDir>();
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[Bitmaps laden]\r\n1=Hinweise\r\n1Modul=basis\r\n1File=bitmaps.txt\r\n");
        m_dirs->writeProgramFile(QStringLiteral("CheckVersion.dat"),
            "[ModulDate]\r\nModul=basis.tvm\r\nDate=10\r\n[CheckVersion]\r\nSection=1\r\n");
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"), { { "bitmaps.txt", "Bitmaps\r\n" } });
    }
    void tearDown() override
    {
        m_form.reset();
        m_updates.reset();
    }

private slots:
    void menuIntegratesAndTheNewEntriesCanBeBrowsed()
    {
        startForm();
        pickEntry(1, 0);
        QCOMPARE(m_form->PageControl2()->count(), 2);
        writeZip(m_updates->filePath(QStringLiteral("neu.tvu")), werkzeugeUpdate());
        m_seam->folders = { m_updates->path() };

        menuItem()->trigger();

        QCOMPARE(m_seam->messageTexts(), QStringList { integrated(1) });
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Information"));
        QCOMPARE(m_seam->busyDepth, 0);
        QVERIFY(m_seam->busyCalls > 0);
        // The old part tabs and grid rows are gone; the navigation comes from the new catalogue.
        QCOMPARE(m_form->PageControl2()->count(), 1);
        QCOMPARE(m_form->StringGrid1()->cellText(1, 1), QString());
        QCOMPARE(m_form->StringGrid1()->cellText(1, 0), QStringLiteral("Beschreibung"));
        QCOMPARE(m_form->PageControl1()->count(), 2);
        QCOMPARE(m_form->PageControl1()->tabText(1), QStringLiteral("Werkzeuge"));
        QCOMPARE(m_form->GetListboxEntry(2, 0), QByteArray("Git"));
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tipvault v1.1 - NEU.TVM  [Grafik]"));
        QCOMPARE(m_form->CurrentEntryIndex(), -1);

        pickEntry(2, 0);
        auto *text = qobject_cast<RichEdit *>(findControl(m_form.get(), QStringLiteral("EntryRichEdit1")));
        QVERIFY(text);
        QCOMPARE(text->toPlainText().trimmed(), QStringLiteral("Git merkt sich alles."));
        QCOMPARE(m_seam->messages.size(), 1);
    }

    void nothingNewOnlyTellsTheStatusBar()
    {
        startForm();
        writeZip(m_dirs->programDir() + QStringLiteral("neu.tvm"), { { "git.txt", "x" } });
        writeZip(m_updates->filePath(QStringLiteral("neu.tvu")), werkzeugeUpdate());
        ini::writeString(m_dirs->programDir() + QStringLiteral("TIPVAULT.ini"), "Settings", "ModulPath",
            QFile::encodeName(m_updates->path() + u'/'));
        const QString caption = m_form->windowTitle();

        menuItem()->trigger();

        QCOMPARE(m_seam->messages.size(), 1); // the question whether to search the same folder again
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Confirmation);
        QVERIFY(m_seam->folderPrompts.isEmpty());
        QCOMPARE(m_form->statusText(), QStringLiteral("Es wurde kein Modul integriert..."));
        QCOMPARE(m_form->windowTitle(), caption);
        QCOMPARE(m_form->PageControl1()->count(), 1);
        QCOMPARE(m_seam->busyDepth, 0);
    }

    void archiveThatFailsIsNotCounted()
    {
        startForm();
        TestDirs::writeFile(m_updates->filePath(QStringLiteral("kein.tvu")), "Das ist kein ZIP-Archiv.");
        m_seam->folders = { m_updates->path() };
        const QString caption = m_form->windowTitle();
        QStringList reported;
        m_form->ZipAccess1().setOnMessage(
            [&reported](TZipAccess &, int, const QString &text) { reported << text; });

        menuItem()->trigger();

        QCOMPARE(m_seam->messageTexts(),
            QStringList { QStringLiteral("Das Modulupdate 'kein.tvu' wird nicht integriert: es enthält keine "
                                         "gültigen Einträge (No valid zip entries found 1).") });
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Fehler"));
        QCOMPARE(m_form->statusText(), QStringLiteral("Es wurde kein Modul integriert..."));
        QVERIFY(!QFileInfo::exists(m_dirs->programDir() + QStringLiteral("kein.tvm")));
        QCOMPARE(m_form->windowTitle(), caption);
        QCOMPARE(m_seam->busyDepth, 0);
        // The window's component never took the integration's messages and still reports.
        QCOMPARE(reported, QStringList());
        m_form->ZipAccess1().setZipFilename(m_updates->filePath(QStringLiteral("kein.tvu")));
        QCOMPARE(reported, QStringList { QStringLiteral("No valid zip entries found 1") });
    }

    void aStoppedIntegrationStillShowsWhatWentIn()
    {
        startForm();
        writeZip(m_updates->filePath(QStringLiteral("neu.tvu")), werkzeugeUpdate());
        QList<ZipMember> second = werkzeugeUpdate();
        second[1].data.replace("Date=20", "Date=30");
        writeZip(m_updates->filePath(QStringLiteral("zwei.tvu")), second);
        m_seam->folders = { m_updates->path() };
        // When the second archive is listed, a folder takes the Version file's place: writing
        // it stops the command there. The user mends it while the error is shown.
        const QString version = m_dirs->programDir() + QStringLiteral("CheckVersion.dat");
        QByteArray kept;
        QStringList listed;
        m_form->updateZip().setOnDirUpdate([&](TZipAccess &zip) {
            if (!zip.ZipFilename().endsWith(QLatin1String(".tvu")) || listed.contains(zip.ZipFilename()))
                return;
            listed << zip.ZipFilename();
            if (listed.size() != 2)
                return;
            QFile file(version);
            QVERIFY(file.open(QIODevice::ReadOnly));
            kept = file.readAll();
            file.close();
            QVERIFY(file.remove() && QDir().mkdir(version));
        });
        m_seam->onMessage = [&](const MessageRequest &) {
            if (QFileInfo(version).isDir() && QDir().rmdir(version))
                TestDirs::writeFile(version, kept);
        };

        menuItem()->trigger();

        QCOMPARE(m_seam->messageTexts(),
            (QStringList {
                QStringLiteral("nach %1 kann nicht geschrieben werden.").arg(version), integrated(1) }));
        QCOMPARE(m_seam->messages[0].kind, MessageKind::Error);
        QCOMPARE(QFileInfo::exists(m_dirs->programDir() + QStringLiteral("neu.tvm"))
                + QFileInfo::exists(m_dirs->programDir() + QStringLiteral("zwei.tvm")),
            1);
        QCOMPARE(m_form->PageControl1()->count(), 2);
        QCOMPARE(m_form->PageControl1()->tabText(1), QStringLiteral("Werkzeuge"));
        QCOMPARE(m_seam->busyDepth, 0);
    }

    void cancelledDialogChangesNothing()
    {
        startForm();
        m_form->setStatusText(QStringLiteral("Eintrag: 1/1"));
        m_seam->folders = { QString() };
        menuItem()->trigger();
        QVERIFY(m_seam->messages.isEmpty());
        QCOMPARE(m_seam->folderPrompts.size(), 1);
        QCOMPARE(m_form->statusText(), QStringLiteral("Eintrag: 1/1"));
        QVERIFY(!QFileInfo::exists(m_dirs->programDir() + QStringLiteral("TIPVAULT.ini")));
        QCOMPARE(m_seam->busyDepth, 0);
    }

#ifdef TV_SAMPLE_UPDATES
    void sampleUpdatesIntegrate()
    {
        // The laid-out sample catalogue, copied so that the build's own stays as it is.
        const QDir bin(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
        QFile::remove(m_dirs->programDir() + QStringLiteral("basis.tvm"));
        const QStringList files
            = bin.entryList({ QStringLiteral("*.dat"), QStringLiteral("*.tvm") }, QDir::Files);
        QVERIFY(files.contains(QStringLiteral("Sections.dat")));
        for (const QString &name : files) {
            QFile::remove(m_dirs->programDir() + name);
            QVERIFY(QFile::copy(bin.filePath(name), m_dirs->programDir() + name));
        }
        startForm();
        const int sections = m_form->PageControl1()->count();
        m_seam->folders = { QStringLiteral(TV_SAMPLE_UPDATES) };

        QElapsedTimer timer;
        timer.start();
        menuItem()->trigger();
        qInfo("sample updates integrated and navigation rebuilt in %lld ms", qint64(timer.elapsed()));

        QCOMPARE(m_seam->messageTexts(), QStringList { integrated(2) });
        QCOMPARE(m_form->PageControl1()->count(), sections + 1);
        QCOMPARE(m_form->PageControl1()->tabText(sections), QStringLiteral("Werkzeuge"));
        QVERIFY(m_form->EntriesListboxenCount(sections + 1) > 0);
        QCOMPARE(m_form->windowTitle(), QStringLiteral("Tipvault v1.1 - UPDATE2025.TVM  [C++]"));
        QVERIFY(QFileInfo::exists(m_dirs->programDir() + QStringLiteral("archiv2023.tvm")));
        QVERIFY(QFileInfo::exists(m_dirs->programDir() + QStringLiteral("update2025.tvm")));
    }
#endif

    void rebuildReportsAnIncompleteCatalogue()
    {
        startForm();
        QVERIFY(QFile::remove(m_dirs->programDir() + QStringLiteral("Section_Grafik.dat")));
        QVERIFY(!m_form->RebuildNavigation());
        QCOMPARE(m_seam->messageTexts(),
            QStringList {
                QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu.") });
        QCOMPARE(m_form->PageControl1()->count(), 0);
    }

    // Last: ending the event loop leaves Qt's per-thread quit flag set, which
    // would end any event loop a later test starts.
    void incompleteCatalogueAfterIntegrationEndsTheProgram()
    {
        startForm();
        QVERIFY(QFile::remove(m_dirs->programDir() + QStringLiteral("Section_Grafik.dat")));
        writeZip(m_updates->filePath(QStringLiteral("alt.tvu")), { { "alt.txt", "x" } });
        m_seam->folders = { m_updates->path() };

        QEventLoop loop;
        QTimer::singleShot(0, m_form.get(), [this] { menuItem()->trigger(); });
        QTimer::singleShot(60000, &loop, [&loop] { loop.exit(1); });
        QCOMPARE(loop.exec(), 0);
        QCOMPARE(m_seam->messages.size(), 2);
        QCOMPARE(m_seam->messages[1].kind, MessageKind::Error);
        QCOMPARE(m_seam->messages[1].text,
            QStringLiteral("Einige Dateien sind fehlerhaft. Bitte installieren Sie den Tipvault neu."));
        QCOMPARE(m_seam->busyDepth, 0);
    }
};

int main(int argc, char *argv[])
{
    ModuleIntegrationTest test;
    // The error report of the event loop answers through the test's own seam.
    TipvaultApplication app(argc, argv, test.seam());
    return QTest::qExec(&test, argc, argv);
}
#include "moduleintegration_test.moc"

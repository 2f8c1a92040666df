// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "diskfaults.h"
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/indexgrid.h"
#include "viewer/textpart.h"
#include "viewerstand.h"
#include "zipwriter.h"

#include <QDir>
#include <QFile>
#include <QTabWidget>
#include <QtTest>

#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace tv;

namespace {

const QByteArray kNote = "Zeile eins\r\nZeile zwei \xE4\r\n";
const QByteArray kOld = "alter Inhalt, der bleiben muss\r\n";

// Longer than a page of memory, so that saving it needs new blocks.
const QByteArray kLong = QByteArray("Eine lange Zeile Text, die sich oft wiederholt.\r\n").repeated(200);

enum Row { Notiz, Ausweg, Lang };

/// A module of 1,000 members and more, as large ones are kept open between
/// clicks, with `note` as "notiz.txt".
QList<ZipMember> largeModule(const QByteArray &note)
{
    QList<ZipMember> members { { "notiz.txt", note }, { "lang.txt", kLong } };
    for (int i = 0; i < 1000; ++i)
        members.append({ "fueller" + QByteArray::number(i) + ".txt", "Fuellstoff" });
    return members;
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<fehlt>");
}

QStringList filesIn(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

/// A folder nobody may write, not even root: a read-only tmpfs. Its one file
/// "ziel.txt" may be written all the same: a file of a second, writable tmpfs is
/// bound over it. Needs root; available() says whether it could be arranged.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QByteArray &content)
    {
        if (!m_folder.available() || !m_source.available()) {
            m_reason = m_folder.skipReason();
            return;
        }
        TestDirs::writeFile(file(), "Platzhalter");
        TestDirs::writeFile(sourceFile(), content);
        if (::mount(QFile::encodeName(sourceFile()).constData(), QFile::encodeName(file()).constData(),
                nullptr, MS_BIND, nullptr)
            != 0) {
            m_reason = QStringLiteral("cannot bind a file");
            return;
        }
        m_bound = true;
        if (::mount("tmpfs", QFile::encodeName(m_folder.path()).constData(), "tmpfs", MS_REMOUNT | MS_RDONLY,
                nullptr)
            != 0) {
            m_reason = QStringLiteral("cannot make a tmpfs read-only");
            return;
        }
        m_ready = true;
    }
    ~ReadOnlyFolder()
    {
        if (m_bound)
            ::umount2(QFile::encodeName(file()).constData(), MNT_DETACH);
    }
    bool available() const { return m_ready; }
    QString skipReason() const { return m_reason; }
    QString folder() const { return m_folder.path(); }
    QString file() const { return m_folder.path() + QStringLiteral("ziel.txt"); }
    /// Fills the file system that holds the file's data.
    void fill() { m_source.fill(); }

private:
    QString sourceFile() const { return m_source.path() + QStringLiteral("ziel.txt"); }

    SmallTmpfs m_folder { 64 * 1024 };
    SmallTmpfs m_source { 64 * 1024 };
    QString m_reason;
    bool m_bound = false;
    bool m_ready = false;
};

} // namespace

class TextPartTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<ViewerStand> m_stand;

    void click(Row row) { m_stand->click("Grafik", row); }
    RichEdit *richEdit(int n = 1) const
    {
        return m_stand->control<RichEdit>(QStringLiteral("EntryRichEdit%1").arg(n));
    }
    TextPartMenu *menu() const { return m_stand->findChild<TextPartMenu *>(QStringLiteral("PopupMenu1")); }

    /// Shows entry `row` and saves its text as `path` through the menu; the error shown, if any.
    QString saveNoteAs(const QString &path, Row row = Notiz)
    {
        click(row);
        if (!richEdit())
            return QStringLiteral("<kein Text>");
        m_seam->saveFiles = { { path, 1 } };
        m_seam->messages.clear();
        menu()->popupFor(richEdit(), QPoint());
        guarded(*m_seam, [&] { menu()->Speichernunter1Click(); });
        return m_seam->messageTexts().join(u'|');
    }
    static QString cannotCreate(const QString &path)
    {
        return QStringLiteral("Datei %1 kann nicht erstellt werden.").arg(path);
    }

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[Notiz]\r\nCount=1\r\n1=Hinweise\r\n1Modul=basis\r\n1File=notiz.txt\r\n"
            "1Describe=Ein/Aus: \"C:\\Pfad\" <neu>|*?\tEnde\r\n"
            "[Ausweg]\r\nCount=3\r\n1=Hinweise\r\n1Modul=sub/basis\r\n1File=notiz.txt\r\n"
            "2=Hinweise\r\n2Modul=sub\\basis\r\n2File=notiz.txt\r\n"
            "3=Hinweise\r\n3Modul=../"
                + QDir(m_dirs->programDir()).dirName().toUtf8()
                + "/basis\r\n3File=notiz.txt\r\n"
                  "[Lang]\r\n1=Hinweise\r\n1Modul=basis\r\n1File=lang.txt\r\n");
        m_dirs->writeProgramFile(QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=basis.tvm\r\n");
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "notiz.txt", kNote }, { "lang.txt", kLong } });
        m_stand = ViewerStand::start(*m_seam);
        QVERIFY(m_stand);
    }
    void tearDown() override { m_stand.reset(); }

private slots:
    void theProposedNameIsAFileName()
    {
        click(Notiz);
        m_seam->saveFiles = { {} };
        menu()->popupFor(richEdit(), QPoint());
        menu()->Speichernunter1Click();
        QCOMPARE(m_seam->saveRequests.value(0).fileName, QStringLiteral("Ein_Aus_ _C__Pfad_ _neu_____Ende"));
        QCOMPARE(proposedFileName(QStringLiteral("..")), QStringLiteral("_"));
        QCOMPARE(proposedFileName(QStringLiteral("Bitmaps laden")), QStringLiteral("Bitmaps laden"));
    }

    void aFullDiskLeavesTheOldFile()
    {
        SmallTmpfs fs(256 * 1024);
        if (!fs.available())
            QSKIP(qPrintable(fs.skipReason()));
        const QString path = fs.path() + QStringLiteral("alt.txt");
        TestDirs::writeFile(path, kOld);
        fs.fill();
        QCOMPARE(saveNoteAs(path), cannotCreate(path));
        QCOMPARE(contentOf(path), kOld);
        QCOMPARE(filesIn(fs.path()), (QStringList { QStringLiteral("alt.txt"), QStringLiteral("ballast") }));
    }

    void aFailedWriteLeavesTheOldFile()
    {
        const QString path = m_dirs->tempDir() + QStringLiteral("alt.txt");
        TestDirs::writeFile(path, kOld.left(5));
        click(Notiz);
        QString shown;
        {
            const FileSizeLimit limit(8);
            shown = saveNoteAs(path);
        }
        QCOMPARE(shown, cannotCreate(path));
        QCOMPARE(contentOf(path), kOld.left(5));
        QVERIFY(!filesIn(m_dirs->tempDir()).join(u'|').contains(QStringLiteral(".tipvault")));
    }

    void aWritableFileInAFolderThatIsNotIsReplaced()
    {
        ReadOnlyFolder ro(kOld);
        if (!ro.available())
            QSKIP(qPrintable(ro.skipReason()));
        QCOMPARE(saveNoteAs(ro.file()), QString());
        QCOMPARE(contentOf(ro.file()), kNote);
        QCOMPARE(filesIn(ro.folder()), QStringList { QStringLiteral("ziel.txt") });
        // A longer text and then a shorter one: nothing of the longer stays behind.
        TestDirs::writeFile(ro.file(), kOld + kOld);
        QCOMPARE(saveNoteAs(ro.file()), QString());
        QCOMPARE(contentOf(ro.file()), kNote);
        // A new file in that folder cannot be made.
        const QString other = ro.folder() + QStringLiteral("neu.txt");
        QCOMPARE(saveNoteAs(other), cannotCreate(other));
        QVERIFY(!QFile::exists(other));
    }

    void replacingInPlaceOnAFullDiskLeavesTheOldFile()
    {
        ReadOnlyFolder ro(kOld.left(4));
        if (!ro.available())
            QSKIP(qPrintable(ro.skipReason()));
        ro.fill();
        QCOMPARE(saveNoteAs(ro.file(), Lang), cannotCreate(ro.file()));
        QCOMPARE(contentOf(ro.file()), kOld.left(4));
    }

    void aWorkDirectoryOfAnotherUserDoesNotStopTheText()
    {
        QDir().mkpath(m_dirs->sharedWorkDir());
        if (::chown(QFile::encodeName(m_dirs->sharedWorkDir()).constData(), 65534, 65534) != 0)
            QSKIP("cannot give a folder to another user here (needs root)");
        click(Notiz);
        QCOMPARE(m_seam->messageTexts(), QStringList());
        QVERIFY(richEdit());
        QCOMPARE(richEdit()->toPlainText(), QStringLiteral("Zeile eins\nZeile zwei ä\n"));
    }

    void aModuleChangedBehindTheProgramsBackShowsTheNewText()
    {
        const QString modul = m_dirs->programDir() + QStringLiteral("basis.tvm");
        const QByteArray older = zipBytes(largeModule("Alter Text\r\n"));
        const QByteArray newer = zipBytes(largeModule("Neuer Text\r\n"));
        QCOMPARE(newer.size(), older.size());
        TestDirs::writeFile(modul, older);
        waitUntilChangeTimeIsPast(modul);
        const auto shownNote = [this] {
            click(Lang);
            click(Notiz);
            return richEdit() ? richEdit()->toPlainText() : QStringLiteral("<kein Text>");
        };
        QCOMPARE(shownNote(), QStringLiteral("Alter Text\n"));
        QCOMPARE(shownNote(), QStringLiteral("Alter Text\n"));

        // Same size, same file, written in place: a new modification time.
        QFile inPlace(modul);
        QVERIFY(inPlace.open(QIODevice::ReadWrite));
        QCOMPARE(inPlace.write(newer), newer.size());
        inPlace.close();
        QCOMPARE(shownNote(), QStringLiteral("Neuer Text\n"));

        // Same size and modification time, another file put in its place.
        waitUntilChangeTimeIsPast(modul);
        QCOMPARE(shownNote(), QStringLiteral("Neuer Text\n"));
        struct stat shown;
        QCOMPARE(::stat(QFile::encodeName(modul).constData(), &shown), 0);
        const QString other = m_dirs->programDir() + QStringLiteral("anders.tvm");
        TestDirs::writeFile(other, older);
        const timespec times[2] = { shown.st_atim, shown.st_mtim };
        QCOMPARE(::utimensat(AT_FDCWD, QFile::encodeName(other).constData(), times, 0), 0);
        QCOMPARE(::rename(QFile::encodeName(other).constData(), QFile::encodeName(modul).constData()), 0);
        QCOMPARE(shownNote(), QStringLiteral("Alter Text\n"));
        QCOMPARE(m_seam->messageTexts(), QStringList());
        QCOMPARE(filesIn(m_dirs->workDir()), QStringList());
    }

    void aModuleNameWithAPathOpensNothing()
    {
        QVERIFY(QDir(m_dirs->programDir()).mkdir(QStringLiteral("sub")));
        writeZip(m_dirs->programDir() + QStringLiteral("sub/basis.tvm"), { { "notiz.txt", kNote } });
        writeZip(m_dirs->programDir() + QStringLiteral("sub\\basis.tvm"), { { "notiz.txt", kNote } });
        click(Ausweg);
        const QString missing
            = QStringLiteral("Das Modul '%1.tvm' ist nicht installiert oder es ist beschädigt.");
        QCOMPARE(m_seam->messageTexts(),
            (QStringList { missing.arg(QStringLiteral("sub/basis")),
                missing.arg(QStringLiteral("sub\\basis")),
                missing.arg(QStringLiteral("../%1/basis").arg(QDir(m_dirs->programDir()).dirName())) }));
        for (int n = 1; n <= 3; ++n) {
            QVERIFY(!richEdit(n));
            QCOMPARE(m_stand->grid()->model()->index(n - 1, 0).data(Qt::AccessibleDescriptionRole).toString(),
                QStringLiteral("Modul fehlt"));
        }
    }
};

QTEST_MAIN(TextPartTest)
#include "textpart_test.moc"

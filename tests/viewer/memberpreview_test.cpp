// SPDX-License-Identifier: GPL-3.0-or-later
#include "diskfaults.h"
#include "testfixture.h"
#include "viewer/archivepart.h"
#include "viewer/codeview.h"
#include "viewer/entryviewer.h"
#include "viewer/findbar.h"
#include "viewer/memberpreview.h"
#include "viewerstand.h"
#include "widgets/sortgrid.h"
#include "zipwriter.h"

#include <QBuffer>
#include <QDir>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QtTest>

using namespace tv;

namespace {

constexpr quint32 kMay2024 = (quint32((44 << 9) | (5 << 5) | 4) << 16) | (12 << 11); // 04.05.2024 12:00

QByteArray picture(const char *format)
{
    QImage image(40, 30, QImage::Format_RGB32);
    image.fill(Qt::darkCyan);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

// The smallest GIF: one pixel (Qt reads GIF but cannot write it).
const QByteArray kGif(
    "GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00!\xF9\x04\x01\x00\x00\x00\x00"
    ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02"
    "D\x01\x00;",
    43);

// Text longer than a preview reads, with a three-byte character cut in two
// right at the end of what is read.
QByteArray largeText()
{
    QByteArray text = QByteArray("Zeile mit Inhalt\n").repeated(int(kPreviewLimit / 17));
    text.resize(kPreviewLimit - 1, 'x');
    return text + "\xE2\x82\xAC und weiter\n" + QByteArray(1024 * 1024, 'y');
}

const QList<ZipMember> kMembers {
    { "utf8.txt",
        "Gr\xC3\xB6\xC3\x9F"
        "e\tund \xE2\x82\xAC\r\nzweite Zeile\n",
        kMay2024 },
    { "win.c",
        "Gr\xF6\xDF"
        "e\tund \x80\r\nzweite Zeile\n",
        kMay2024 },
    { "Makefile", "alle:\n\tgcc a.c\n", kMay2024 },
    { "daten.bin",
        QByteArray("\x7F"
                   "ELF\x02\x01\x01\x00\x00\x00",
            10)
            .repeated(20),
        kMay2024 },
    { "bilder/bild.png", picture("PNG"), kMay2024 },
    { "bild.jpg", picture("JPEG"), kMay2024 },
    { "bild.bmp", picture("BMP"), kMay2024 },
    { "bild.ico", picture("ICO"), kMay2024 },
    { "bild.gif", kGif, kMay2024 },
    { "eigentlich-bild.txt", picture("PNG"), kMay2024 },
    { "gross.log", largeText(), kMay2024 },
    { "ordner/", "", kMay2024 },
};

int rowOf(const QByteArray &name)
{
    for (int i = 0; i < kMembers.size(); ++i)
        if (kMembers[i].name == name)
            return i + 1;
    return -1;
}

} // namespace

class MemberPreviewTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<ViewerStand> m_stand;

    ArchivePage *page() const { return qobject_cast<ArchivePage *>(m_stand->viewer()->currentPage()); }
    MemberPreview *preview() const { return page()->preview(); }
    TSortGrid *grid() const { return page()->listing(); }
    void choose(const QByteArray &name) { grid()->GoToCell(0, rowOf(name)); }
    /// The Work directory's files and folders, a folder ending in "/".
    QStringList workEntries() const
    {
        QStringList names;
        const QDir work(m_dirs->workDir());
        for (const QFileInfo &info :
            work.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
            names.append(info.fileName() + (info.isDir() ? QStringLiteral("/") : QString()));
        return names;
    }

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[Archiv]\r\n1=Beispiel\r\n1Modul=basis\r\n1File=beispiel.zip\r\n"
            "[Text]\r\n1=Artikel\r\n1Modul=basis\r\n1File=text.txt\r\n");
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "beispiel.zip", zipBytes(kMembers) }, { "text.txt", "Text" } });
        m_stand = ViewerStand::start(seam());
        QVERIFY(m_stand);
        m_stand->resize(1200, 600);
        m_stand->click("Grafik", 0);
        QVERIFY(page());
    }
    void tearDown() override { m_stand.reset(); }

private slots:
    void showsTextByContent_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QString>("text");
        QTest::newRow("UTF-8") << QByteArray("utf8.txt") << QStringLiteral("Größe\tund €\nzweite Zeile\n");
        QTest::newRow("Windows-1252")
            << QByteArray("win.c") << QStringLiteral("Größe\tund €\nzweite Zeile\n");
        QTest::newRow("no extension") << QByteArray("Makefile") << QStringLiteral("alle:\n\tgcc a.c\n");
    }
    void showsTextByContent()
    {
        QFETCH(QByteArray, member);
        QFETCH(QString, text);
        choose(member);
        QCOMPARE(preview()->shown(), MemberPreview::Shown::Text);
        CodeView *view = preview()->textView();
        QCOMPARE(view->toPlainText(), text);
        QVERIFY(view->isReadOnly());
        QVERIFY(view->font().fixedPitch() || QFontInfo(view->font()).fixedPitch());
        QCOMPARE(view->tabStopDistance(), 4 * QFontMetricsF(view->font()).horizontalAdvance(u' '));
        QVERIFY(view->viewport()->x() >= view->numberWidth()); // room for the line numbers
        QCOMPARE(preview()->heading()->text(), QString::fromUtf8(member));
        // Selected and copied through the seam.
        view->selectAll();
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(seam().clipboardText, text);
    }

    void showsPicturesScaledToFit_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QSize>("size");
        for (const char *name :
            { "bilder/bild.png", "bild.jpg", "bild.bmp", "bild.ico", "eigentlich-bild.txt" })
            QTest::newRow(name) << QByteArray(name) << QSize(40, 30);
        QTest::newRow("bild.gif") << QByteArray("bild.gif") << QSize(1, 1);
    }
    void showsPicturesScaledToFit()
    {
        QFETCH(QByteArray, member);
        QFETCH(QSize, size);
        choose(member);
        QCOMPARE(preview()->shown(), MemberPreview::Shown::Image);
        FittedImage *image = preview()->imageView();
        QCOMPARE(image->image().size(), size);
        QCOMPARE(image->imageRect().size(), size); // small pictures keep their size
        image->resize(20, 60);
        QCOMPARE(image->imageRect().size(), size.scaled(20, 60, Qt::KeepAspectRatio).boundedTo(size));
    }

    void tellsWhatOtherFilesAre()
    {
        choose("daten.bin");
        QCOMPARE(preview()->shown(), MemberPreview::Shown::Facts);
        const QString facts = preview()->facts()->text();
        QVERIFY2(facts.contains(QStringLiteral("Größe: 200 Bytes")), qPrintable(facts));
        QVERIFY2(
            facts.contains(QLocale().toString(QDate(2024, 5, 4), QLocale::ShortFormat)), qPrintable(facts));
        QVERIFY2(facts.startsWith(QStringLiteral("Art: ")), qPrintable(facts));
        choose("ordner/");
        QCOMPARE(preview()->facts()->text(), QStringLiteral("'ordner/' ist ein Ordner."));
    }

    void showsTheBeginningOfALargeMember()
    {
        choose("gross.log");
        QCOMPARE(preview()->shown(), MemberPreview::Shown::Text);
        const QString text = preview()->textView()->toPlainText();
        QVERIFY(text.size() < kPreviewLimit);
        QVERIFY(text.endsWith(u'x')); // the character cut in two is dropped, not read as Windows-1252
        QVERIFY(!text.contains(u'y'));
        // Found in all of it; what is in sight is marked, wherever the search goes.
        FindBar *bar = m_stand->findBar();
        bar->open();
        bar->field()->setText(QStringLiteral("inhalt"));
        QCOMPARE(bar->countLabel()->text(), QStringLiteral("1 von %1").arg(kPreviewLimit / 17));
        const QList<QTextEdit::ExtraSelection> top = preview()->textView()->extraSelections();
        QVERIFY(!top.isEmpty() && top.size() < 1000);
        QCOMPARE(top.first().cursor.position(), 16);
        bar->findPrevious(); // around to the last
        const QList<QTextEdit::ExtraSelection> end = preview()->textView()->extraSelections();
        QVERIFY(!end.isEmpty() && end.size() < 1000);
        QCOMPARE(end.last().cursor.selectionEnd(), preview()->textView()->textCursor().selectionEnd());
        bar->close();
        QVERIFY2(preview()->heading()->text().contains(QStringLiteral("nur der Anfang")),
            qPrintable(preview()->heading()->text()));
        // Enter hands the whole file to the desktop.
        grid()->setFocus();
        QTest::keyClick(grid(), Qt::Key_Return);
        QCOMPARE(seam().opened.size(), 1);
        QCOMPARE(QFileInfo(seam().opened[0].toLocalFile()).size(), largeText().size());
    }

    void tellsWhyAMemberCannotBeShown()
    {
        {
            // The archive copy fits, the member does not.
            const FileSizeLimit limit(1024 * 1024);
            choose("gross.log");
        }
        QCOMPARE(preview()->shown(), MemberPreview::Shown::Facts);
        const QStringList lines = preview()->facts()->text().split(u'\n');
        QCOMPARE(lines.value(0), QStringLiteral("'gross.log' kann nicht angezeigt werden."));
        QVERIFY2(lines.size() > 1, qPrintable(lines.join(u'|'))); // and why
        QVERIFY(seam().messages.isEmpty());
        QCOMPARE(workEntries(), QStringList()); // no copy begun, no folder left
        choose("utf8.txt"); // the next one shows again
        QCOMPARE(preview()->shown(), MemberPreview::Shown::Text);
    }

    void keepsNoCopyOnceThePreviewChanges()
    {
        QCOMPARE(workEntries(), QStringList());
        choose("utf8.txt");
        QCOMPARE(workEntries(), QStringList { QStringLiteral("Vorschau1-utf8.txt") });
        choose("bilder/bild.png");
        QCOMPARE(workEntries(), QStringList { QStringLiteral("Vorschau1-bild.png") });
        choose("ordner/");
        QCOMPARE(workEntries(), QStringList());
        choose("daten.bin");
        QCOMPARE(workEntries(), QStringList { QStringLiteral("Vorschau1-daten.bin") });
        m_stand->click("Grafik", 1); // another entry: the page and its preview go
        QCOMPARE(workEntries(), QStringList());
    }

    void worksFromTheKeyboardAlone()
    {
        // The controls keep their places; the preview stands beside them.
        QSplitter *splitter = page()->splitter();
        QCOMPARE(splitter->orientation(), Qt::Horizontal);
        QCOMPARE(splitter->widget(1), preview());
        QVERIFY(
            grid()->mapTo(page(), QPoint()).x() + grid()->width() <= preview()->mapTo(page(), QPoint()).x());
        // From the folder field on, Tab reaches the listing; the first member shows.
        m_stand->control<QLineEdit>(QStringLiteral("ArchivEdit1"))->setFocus();
        for (int i = 0; i < 10 && !grid()->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QVERIFY(grid()->hasFocus());
        QCOMPARE(preview()->heading()->text(), QStringLiteral("utf8.txt"));
        QTest::keyClick(grid(), Qt::Key_Down);
        QCOMPARE(preview()->heading()->text(), QStringLiteral("win.c"));
        QTest::keyClick(grid(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(seam().opened, (QList<QUrl> { QUrl::fromLocalFile(m_dirs->workDir() + "Vorschau1-win.c") }));
        // On into the text: select a line with the keyboard and copy it.
        for (int i = 0; i < 10 && !preview()->textView()->hasFocus(); ++i)
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        CodeView *view = preview()->textView();
        QVERIFY(view->hasFocus());
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_End, Qt::ShiftModifier);
        QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(seam().clipboardText, QStringLiteral("zweite Zeile"));
    }
};

QTEST_MAIN(MemberPreviewTest)
#include "memberpreview_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/fold.h"
#include "testfixture.h"
#include "viewer/archivefind.h"
#include "viewer/archivepart.h"
#include "viewer/codeview.h"
#include "viewer/entryviewer.h"
#include "viewer/findbar.h"
#include "viewer/memberpreview.h"
#include "viewer/textpart.h"
#include "viewerstand.h"
#include "widgets/sortgrid.h"
#include "zipwriter.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace tv;

namespace {

// Windows-1252, as the catalogue's texts are: "Größe" and "Maße".
const QByteArray kText = "Gr\xF6\xDF"
                         "e eins\r\nGROESSE zwei\r\ngroesse drei\r\nMa\xDF"
                         "e und Masse\r\n";
const QByteArray kOther = "Nur eine Gr\xF6\xDF"
                          "e hier.\r\n";

const QByteArray kSection = "[Text]\r\n1=Artikel\r\n1Modul=basis\r\n1File=text.txt\r\n"
                            "[Anderer]\r\n1=Artikel\r\n1Modul=basis\r\n1File=anderer.txt\r\n"
                            "[Archiv]\r\n1=Beispiel\r\n1Modul=basis\r\n1File=beispiel.zip\r\n";

enum Row { Text, Anderer, Archiv };

} // namespace

class FindBarTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<ViewerStand> m_stand;

    FindBar *bar() const { return m_stand->findBar(); }
    RichEdit *edit() const { return m_stand->control<RichEdit>(QStringLiteral("EntryRichEdit1")); }
    QString count() const { return bar()->countLabel()->text(); }
    void open(Row row)
    {
        m_stand->click("Grafik", row);
        bar()->open();
    }
    /// Types `term` letter by letter (QTest types ASCII only).
    void type(const QString &term)
    {
        bar()->field()->clear();
        for (const QChar c : term)
            bar()->field()->insert(QString(c));
    }

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), kSection);
        const QByteArray inner = zipBytes({ { "groesse.txt",
                                                "Die Gr\xC3\xB6\xC3\x9F"
                                                "e z\xC3\xA4hlt, die Gr\xC3\xB6\xC3\x9F"
                                                "e!\n" },
            { "liesmich.txt", "Nichts" }, { "src/Groesse.cpp", "int groesse;\n" } });
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "text.txt", kText }, { "anderer.txt", kOther }, { "beispiel.zip", inner } });
        m_stand = ViewerStand::start(seam());
        QVERIFY(m_stand);
    }
    void tearDown() override { m_stand.reset(); }

private slots:
    void countsMatchesFolded_data()
    {
        QTest::addColumn<QString>("term");
        QTest::addColumn<bool>("matchCase");
        QTest::addColumn<QString>("count");
        QTest::newRow("umlaut finds its spelling") << QStringLiteral("Größe") << false << "1 von 3";
        QTest::newRow("spelling finds the umlaut") << QStringLiteral("groesse") << false << "1 von 3";
        QTest::newRow("ß is ss") << QStringLiteral("masse") << false << "1 von 2";
        QTest::newRow("case kept: capitals") << QStringLiteral("GROESSE") << true << "1 von 1";
        QTest::newRow("case kept: umlaut spelled") << QStringLiteral("Groesse") << true << "1 von 1";
        QTest::newRow("case kept: small") << QStringLiteral("groesse") << true << "1 von 1";
        QTest::newRow("absent") << QStringLiteral("Farbe") << false << "nicht gefunden";
        QTest::newRow("case kept: absent") << QStringLiteral("MASSE") << true << "nicht gefunden";
    }
    void countsMatchesFolded()
    {
        QFETCH(QString, term);
        QFETCH(bool, matchCase);
        QFETCH(QString, count);
        open(Text);
        bar()->caseBox()->setChecked(matchCase);
        type(term);
        QCOMPARE(this->count(), count);
        const int found = count.startsWith(u'1') ? count.section(u' ', 2).toInt() : 0;
        // Every match is marked, and only the matches.
        QCOMPARE(edit()->extraSelections().size(), found);
        for (const QTextEdit::ExtraSelection &mark : edit()->extraSelections())
            QCOMPARE(search::fold(mark.cursor.selectedText(), search::LetterCase::Lower),
                search::fold(term, search::LetterCase::Lower));
        // Not found: the field turns red, the count says so, and no box opens.
        const bool red = bar()->field()->palette().color(QPalette::Base) != QPalette().color(QPalette::Base);
        QCOMPARE(red, found == 0);
        QVERIFY(seam().messages.isEmpty());
    }

    void stepsWrapAround_data()
    {
        QTest::addColumn<bool>("keys");
        QTest::newRow("buttons") << false;
        QTest::newRow("Enter and F3") << true;
    }
    void stepsWrapAround()
    {
        QFETCH(bool, keys);
        open(Text);
        type(QStringLiteral("groesse"));
        const auto next = [&](bool back, bool f3) {
            if (!keys)
                (back ? bar()->previousButton() : bar()->nextButton())->click();
            else
                QTest::keyClick(bar()->field(), f3 ? Qt::Key_F3 : Qt::Key_Return,
                    back ? Qt::ShiftModifier : Qt::NoModifier);
        };
        const auto selected = [&] { return edit()->textCursor().selectedText(); };
        QCOMPARE(count(), QStringLiteral("1 von 3"));
        QCOMPARE(selected(), QStringLiteral("Größe"));
        next(false, false);
        QCOMPARE(count(), QStringLiteral("2 von 3"));
        QCOMPARE(selected(), QStringLiteral("GROESSE"));
        next(false, true);
        next(false, false);
        QCOMPARE(count(), QStringLiteral("1 von 3")); // past the last: the first
        next(true, false);
        QCOMPARE(count(), QStringLiteral("3 von 3")); // before the first: the last
        QCOMPARE(selected(), QStringLiteral("groesse"));
        next(true, true);
        QCOMPARE(count(), QStringLiteral("2 von 3"));
    }

    void escapeClosesIntoTheText()
    {
        open(Text);
        type(QStringLiteral("masse"));
        QVERIFY(bar()->field()->hasFocus());
        QTest::keyClick(bar()->field(), Qt::Key_Escape);
        QVERIFY(!bar()->isVisible());
        QVERIFY(edit()->hasFocus());
        QVERIFY(edit()->extraSelections().isEmpty());
        QCOMPARE(
            edit()->textCursor().selectedText(), QStringLiteral("Maße")); // the match found stays selected
    }

    void anotherEntryIsSearchedAtOnce()
    {
        open(Text);
        type(QStringLiteral("Größe"));
        QCOMPARE(count(), QStringLiteral("1 von 3"));
        m_stand->click("Grafik", Anderer);
        QVERIFY(bar()->isVisible());
        QCOMPARE(count(), QStringLiteral("1 von 1"));
        QCOMPARE(edit()->extraSelections().size(), 1);
        QCOMPARE(edit()->textCursor().selectedText(), QStringLiteral("Größe"));
        // The Index tab has no text to search.
        m_stand->pages()->setCurrentIndex(0);
        QCOMPARE(count(), QStringLiteral("nichts zu durchsuchen"));
        QVERIFY(!bar()->nextButton()->isEnabled());
    }

    void findsInTheListingAndThePreview()
    {
        open(Archiv);
        auto *page = qobject_cast<ArchivePage *>(m_stand->viewer()->currentPage());
        QVERIFY(page);
        type(QStringLiteral("Größe"));
        // Two names match; the first was previewed while typing, and the
        // search went on in its text, which holds two more.
        auto *find = qobject_cast<ArchiveFindTarget *>(page->findTarget());
        QCOMPARE(find->rows(), (QList<int> { 1, 3 }));
        QCOMPARE(page->currentMember()->Name, QStringLiteral("groesse.txt"));
        QCOMPARE(count(), QStringLiteral("3 von 4"));
        CodeView *text = page->preview()->textView();
        QCOMPARE(text->extraSelections().size(), 2);
        QCOMPARE(text->textCursor().selectedText(), QStringLiteral("Größe"));
        bar()->findNext();
        QCOMPARE(count(), QStringLiteral("4 von 4"));
        bar()->findNext();
        QCOMPARE(count(), QStringLiteral("1 von 4")); // around to the first name
        bar()->findNext();
        QCOMPARE(page->currentMember()->Name, QStringLiteral("src/Groesse.cpp"));
        QCOMPARE(count(), QStringLiteral("2 von 3")); // its text holds one
        bar()->findNext();
        QCOMPARE(count(), QStringLiteral("3 von 3"));
        QCOMPARE(text->textCursor().selectedText(), QStringLiteral("groesse"));
        bar()->findNext();
        QCOMPARE(count(), QStringLiteral("1 von 4"));
        QCOMPARE(page->currentMember()->Name, QStringLiteral("groesse.txt"));
        // Typing on starts in the text read, where it has a match.
        type(QStringLiteral("zählt"));
        QCOMPARE(count(), QStringLiteral("1 von 1"));
        QCOMPARE(text->textCursor().selectedText(), QStringLiteral("zählt"));
        QTest::keyClick(bar()->field(), Qt::Key_Escape);
        QVERIFY(text->hasFocus());
    }
};

QTEST_MAIN(FindBarTest)
#include "findbar_test.moc"

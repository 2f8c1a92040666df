// SPDX-License-Identifier: GPL-3.0-or-later
#include "search/fold.h"
#include "search/htmltext.h"
#include "search/rtftext.h"
#include "search/query.h"

#include <QtTest>

using namespace tv::search;

class SearchTextTest : public QObject
{
    Q_OBJECT
private slots:
    void foldsUmlautsAndCase()
    {
        QCOMPARE(fold(u"Größe"), QStringLiteral("groesse"));
        QCOMPARE(fold(u"GRÖSSE"), QStringLiteral("groesse"));
        QCOMPARE(fold(u"Übel ÄRGER Straße"), QStringLiteral("uebel aerger strasse"));
        QCOMPARE(fold(u"a\r\n\t  b"), QStringLiteral("a b"));
        QCOMPARE(fold(u"std::unique_ptr<T>"), QStringLiteral("std::unique_ptr<t>"));
        // Keeping the case, the umlauts are spelled out in theirs.
        QCOMPARE(fold(u"Größe ÄRGER Öl ẞ", LetterCase::Keep), QStringLiteral("Groesse AeRGER Oel SS"));
        QCOMPARE(fold(u"a\r\n\t  B", LetterCase::Keep), QStringLiteral("a B"));
    }

    void originPointsBackIntoTheText()
    {
        const FoldedText f = foldWithOrigin(u"Maß  x");
        QCOMPARE(f.text, QStringLiteral("mass x"));
        QCOMPARE(f.origin, (QList<int> { 0, 1, 2, 2, 3, 5 }));
    }

    void queryKeepsPhrasesAndSplitsShortWords()
    {
        const ParsedQuery q = parseQuery(QStringLiteral("Größe \"std::move it\" ab  c"));
        QCOMPARE(q.longTerms, (QStringList { QStringLiteral("groesse"), QStringLiteral("std::move it") }));
        QCOMPARE(q.shortTerms, (QStringList { QStringLiteral("ab"), QStringLiteral("c") }));
        // "ä" is two letters once folded.
        QCOMPARE(parseQuery(QStringLiteral("ä")).shortTerms, QStringList { QStringLiteral("ae") });
        QVERIFY(parseQuery(QStringLiteral("  \"\" ")).isEmpty());
    }

    void rtfTextKeepsWordsWholeAndDropsTables()
    {
        const QByteArray rtf = "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fcharset204 "
                               "Cyr;}}{\\colortbl;\\red255\\green0\\blue0;}{\\*\\generator Writer;}"
                               "{\\info{\\title Geheim}}\\f0 Spei{\\b cher}\\par Gr\\'f6\\'dfe "
                               "\\u8364?{\\f1 \\'c4}{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt Link}}}";
        const QString text = rtfText(rtf);
        QCOMPARE(text, QStringLiteral("Speicher\nGröße €ДLink"));
    }

    void rtfUnicodeSkipsItsFallback()
    {
        QCOMPARE(rtfText("{\\rtf1\\uc2\\u228\\'61\\'65 x}"), QStringLiteral("ä x"));
        QCOMPARE(rtfText("{\\rtf1 a\\~b\\_c\\tab d}"), QStringLiteral("a b-c\td"));
    }

    void htmlShowsTitleAndVisibleTextOnly()
    {
        const QByteArray page = "<html><head><title>Der Titel</title><style>.x{color:red}</style>"
                                "<script>var geheim = 1;</script></head><body><!-- nicht -->"
                                "<p>Sicht&auml;r &amp; <b>fe</b>tt&#33;&#x21;</p><p>Neu</p></body></html>";
        QCOMPARE(htmlText(page).simplified(), QStringLiteral("Der Titel Sichtär & fett!! Neu"));
    }

    void htmlDecodesByItsCharset()
    {
        QCOMPARE(htmlText("<p>Gr\xf6\xdf"
                          "e</p>")
                     .trimmed(),
            QStringLiteral("Größe"));
        QCOMPARE(htmlText("<meta charset=\"utf-8\"><p>Gr\xc3\xb6\xc3\x9f"
                          "e</p>")
                     .trimmed(),
            QStringLiteral("Größe"));
    }

    void contextMarksEveryMatchInTheOriginal()
    {
        const QString text = QStringLiteral("Die Größe des Puffers; die GROESSE zählt.");
        const auto [line, marks] = contextLine(text, { QStringLiteral("groesse") });
        QCOMPARE(line, text);
        QCOMPARE(marks.size(), 2);
        QCOMPARE(line.mid(marks[0].first, marks[0].second), QStringLiteral("Größe"));
        QCOMPARE(line.mid(marks[1].first, marks[1].second), QStringLiteral("GROESSE"));
    }

    void contextOfALongTextIsOneLineAroundTheMatch()
    {
        const QString text
            = QString(300, u'x') + QStringLiteral(" vorher\nTreffer danach ") + QString(300, u'y');
        const auto [line, marks] = contextLine(text, { QStringLiteral("treffer") });
        QVERIFY(line.startsWith(u'…'));
        QVERIFY(line.endsWith(u'…'));
        QVERIFY(!line.contains(u'\n'));
        QCOMPARE(marks.size(), 1);
        QCOMPARE(line.mid(marks[0].first, marks[0].second), QStringLiteral("Treffer"));
        QVERIFY(contextLine(text, { QStringLiteral("fehlt") }).first.isEmpty());
    }
};

QTEST_GUILESS_MAIN(SearchTextTest)
#include "searchtext_test.moc"

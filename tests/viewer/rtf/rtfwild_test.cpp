// SPDX-License-Identifier: GPL-3.0-or-later
// RTF as real word processors write it: LibreOffice and pandoc make their
// documents at test time; Word's and WordPad's habits are typed in their style.
#include "search/plaintext.h"
#include "viewer/rtf/plaintext.h"
#include "viewer/rtf/rtfreader.h"
#include "viewer/rtf/rtfwriter.h"

#include <QAbstractTextDocumentLayout>
#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QtTest>

#include <memory>

using namespace tv;

namespace {

QString textOf(const QByteArray &rtf)
{
    QTextDocument doc;
    if (!readRtf(rtf, &doc))
        return QStringLiteral("<not RTF>");
    return plainText(doc);
}

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString collapsed(QString line)
{
    return line.replace(QRegularExpression(QStringLiteral("[\\s\\x{00A0}]+")), QStringLiteral(" ")).trimmed();
}

// Words of three letters or more, as the index's users search for them.
QSet<QString> wordsOf(const QString &text)
{
    QSet<QString> words;
    static const QRegularExpression word(QStringLiteral("\\p{L}{3,}"));
    for (auto it = word.globalMatch(text); it.hasNext();)
        words.insert(it.next().captured());
    return words;
}

QByteArray hexOf(const QImage &image, const char *format)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data.toHex();
}

const QByteArray kFontTable = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\nouicompat\\deflang1031{\\fonttbl"
                              "{\\f0\\fnil\\fcharset0 Calibri;}{\\f1\\fnil\\fcharset2 Symbol;}}\r\n"
                              "{\\*\\generator Riched20 10.0.19041}\\viewkind4\\uc1 \r\n";

// A text box as Word writes it: the shape's properties, its text, and the same
// text once more in the stored look for older readers.
const QByteArray kWordShape = kFontTable
    + "\\pard\\sa200\\sl276\\slmult1\\f0\\fs22 Vor dem Kasten\\par\r\n"
      "{\\shp{\\*\\shpinst\\shpleft0\\shptop0\\shpright2000\\shpbottom800\\shpfhdr0\\shpbxcolumn\\shpwr3"
      "{\\sp{\\sn shapeType}{\\sv 202}}{\\sp{\\sn fFilled}{\\sv 0}}{\\sp{\\sn fLine}{\\sv 0}}"
      "{\\shptxt \\pard\\plain\\f0\\fs22 Kastenwort steht drin\\par}}"
      "{\\shprslt{\\*\\do\\dobxcolumn\\dobypara\\dodhgt8192\\dptxbx\\dptxlrtb{\\dptxbxtext\\pard\\plain "
      "Kastenwort steht drin\\par}\\dpx0\\dpy0\\dpxsize2000\\dpysize800}}}\r\n"
      "Nach dem Kasten\\par\r\n}";

const QByteArray kWord95Drawing = kFontTable
    + "Oben\\par{\\*\\do\\dobxcolumn\\dobypara\\dodhgt8192\\dptxbx\\dptxlrtb{\\dptxbxtext\\pard\\plain "
      "Zeichnungstext\\par}\\dpx0\\dpy0\\dpxsize2000\\dpysize800\\dpfillfgcr0}Unten\\par}";

const QByteArray kWordFootnotes = kFontTable
    + "\\pard Satz mit Fu\\'dfnote{\\cs15\\super\\chftn}{\\footnote \\pard\\plain \\s16\\fs20 "
      "{\\cs15\\super\\chftn} Notenwort erkl\\'e4rt.}, dann Endnote{\\cs15\\super\\chftn}"
      "{\\footnote\\ftnalt \\pard\\plain {\\cs15\\super\\chftn} Endnotenwort.} und weiter.\\par\r\n"
      "Zweiter Absatz\\par\r\n}";

// Lists with "\ls" and "\ilvl" only, numbered from the list table.
const QByteArray kWordLists = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil Calibri;}"
                              "{\\f1\\fnil\\fcharset2 Symbol;}}"
                              "{\\*\\listtable{\\list\\listtemplateid1"
                              "{\\listlevel\\levelnfc0\\levelstartat1\\levelfollow0{\\leveltext\\'02\\'00.;}"
                              "{\\levelnumbers\\'01;}\\fi-360\\li720}"
                              "{\\listlevel\\levelnfc4\\levelstartat1{\\leveltext\\'03\\'00.\\'01;}"
                              "{\\levelnumbers\\'01\\'03;}\\fi-360\\li1440}\\listid10}"
                              "{\\list\\listtemplateid2{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 ?;}"
                              "\\f1\\fi-360\\li720}\\listid20}"
                              "{\\list{\\listlevel\\levelnfc2\\levelstartat3\\levelfollow1{\\leveltext\\'02\\'00);}}"
                              "\\listid30}}"
                              "{\\*\\listoverridetable{\\listoverride\\listid10\\listoverridecount0\\ls1}"
                              "{\\listoverride\\listid20\\listoverridecount0\\ls2}"
                              "{\\listoverride\\listid30\\listoverridecount0\\ls3}}\\viewkind4\\uc1 "
                              "\\pard\\ls1\\ilvl0 Eins\\par\\ls1\\ilvl1 Unter\\par\\ls1\\ilvl1 Zwei unter\\par"
                              "\\ls1\\ilvl0 Zwei\\par\\pard\\ls2 Punkt\\par\\pard\\ls3 R\\'f6misch\\par"
                              "\\pard Ohne\\par}";

} // namespace

class RtfWildTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    bool m_office = false;
    bool m_pandoc = false;

    QString path(const QString &name) const { return m_dir.filePath(name); }

    static bool run(const QString &program, const QStringList &args, const QString &home)
    {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home); // LibreOffice's profile stays in the test's folder
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(home);
        process.start(program, args);
        return process.waitForFinished(180000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString pandoc = QStandardPaths::findExecutable(QStringLiteral("pandoc"));
        const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
        if (!pandoc.isEmpty()) {
            QVERIFY(writeFile(path(QStringLiteral("notes.md")),
                "Text mit Fußnote[^1] und mehr Wörtern.\n\n1. Eins\n2. Zwei\n    - Darunter\n\n"
                "Letzter Absatz.\n\n[^1]: Die Fußnotenwörter stehen hier.\n"));
            QVERIFY(run(pandoc, { QStringLiteral("-s"), QStringLiteral("notes.md"), QStringLiteral("-o"),
                                    QStringLiteral("pandoc.rtf") }, m_dir.path()));
            QVERIFY(run(pandoc, { QStringLiteral("notes.md"), QStringLiteral("-o"), QStringLiteral("lists.odt") },
                m_dir.path()));
            m_pandoc = true;
        }
        if (office.isEmpty() || !m_pandoc)
            return;
        QVERIFY(writeFile(path(QStringLiteral("box.fodt")),
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<office:document "
            "xmlns:office=\"urn:oasis:names:tc:opendocument:xmlns:office:1.0\" "
            "xmlns:text=\"urn:oasis:names:tc:opendocument:xmlns:text:1.0\" "
            "xmlns:draw=\"urn:oasis:names:tc:opendocument:xmlns:drawing:1.0\" "
            "xmlns:svg=\"urn:oasis:names:tc:opendocument:xmlns:svg-compatible:1.0\" office:version=\"1.3\" "
            "office:mimetype=\"application/vnd.oasis.opendocument.text\"><office:body><office:text>"
            "<text:p>Vor dem Kasten.</text:p><text:p><draw:frame draw:name=\"Kasten\" "
            "text:anchor-type=\"paragraph\" svg:width=\"6cm\" svg:height=\"2cm\"><draw:text-box>"
            "<text:p>Kastenwort im Rahmen</text:p></draw:text-box></draw:frame>Absatz mit dem Anker.</text:p>"
            "<text:p>Text mit Notiz<text:note text:note-class=\"footnote\"><text:note-citation>1"
            "</text:note-citation><text:note-body><text:p>Fussnotenwort erklaert.</text:p></text:note-body>"
            "</text:note> und mehr.</text:p><text:p>Schluss.</text:p>"
            "</office:text></office:body></office:document>\n"));
        QVERIFY(run(office, { QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("rtf"),
                                QStringLiteral("box.fodt"), QStringLiteral("lists.odt") }, m_dir.path()));
        // LibreOffice's own reading of what it wrote, as the text to compare with.
        QVERIFY(run(office, { QStringLiteral("--headless"), QStringLiteral("--convert-to"),
                                QStringLiteral("txt:Text (encoded):UTF8"), QStringLiteral("box.rtf"),
                                QStringLiteral("lists.rtf") }, m_dir.path()));
        // The same lists without "\listtext", as writers that rely on the list table leave them.
        static const QRegularExpression listText(QStringLiteral("\\{\\\\listtext[^{}]*\\}"));
        QString bare = QString::fromLatin1(fileBytes(path(QStringLiteral("lists.rtf"))));
        QVERIFY(bare.contains(listText));
        QVERIFY(writeFile(path(QStringLiteral("bare.rtf")), bare.remove(listText).toLatin1()));
        m_office = true;
    }

    // Each line LibreOffice reads is ours too, in order; ours adds the notes and
    // text boxes LibreOffice leaves out of a text file; shape properties never show.
    void toolDocuments_data()
    {
        QTest::addColumn<QString>("rtf");
        QTest::addColumn<QString>("reference"); // LibreOffice's text of the same document
        QTest::addColumn<QStringList>("shown");
        QTest::addColumn<QStringList>("hidden");
        QTest::newRow("LibreOffice text box and notes")
            << QStringLiteral("box.rtf") << QStringLiteral("box.txt")
            << QStringList { QStringLiteral("Kastenwort im Rahmen"), QStringLiteral("1 Fussnotenwort erklaert.") }
            << QStringList { QStringLiteral("shapeType"), QStringLiteral("dxWrapDistLeft"), QStringLiteral("72390") };
        QTest::newRow("LibreOffice lists") << QStringLiteral("lists.rtf") << QStringLiteral("lists.txt")
                                           << QStringList { QStringLiteral("1. Eins") } << QStringList();
        QTest::newRow("LibreOffice lists without listtext")
            << QStringLiteral("bare.rtf") << QStringLiteral("lists.txt")
            << QStringList { QStringLiteral("2. Zwei"), QStringLiteral("1 Die Fußnotenwörter stehen hier.") }
            << QStringList();
        QTest::newRow("pandoc") << QStringLiteral("pandoc.rtf") << QString()
                                << QStringList { QStringLiteral("Text mit Fußnote1 und mehr Wörtern."),
                                       QStringLiteral("1 Die Fußnotenwörter stehen hier."), QStringLiteral("1. Eins") }
                                << QStringList();
    }
    void toolDocuments()
    {
        QFETCH(QString, rtf);
        QFETCH(QString, reference);
        QFETCH(QStringList, shown);
        QFETCH(QStringList, hidden);
        if (!m_pandoc || (!reference.isEmpty() && !m_office))
            QSKIP("pandoc or LibreOffice (soffice) is not installed; scripts/setup installs them");
        const QByteArray bytes = fileBytes(path(rtf));
        const QString text = textOf(bytes);
        QStringList lines;
        for (const QString &line : text.split(u'\n'))
            lines.append(collapsed(line));
        qsizetype at = 0;
        for (const QString &line : QString::fromUtf8(fileBytes(path(reference))).remove(QChar(0xFEFF)).split(u'\n')) {
            if (collapsed(line).isEmpty())
                continue;
            const qsizetype found = lines.indexOf(collapsed(line), at);
            QVERIFY2(found >= 0, qPrintable(line + QStringLiteral(" missing in:\n") + text));
            at = found + 1;
        }
        for (const QString &line : shown)
            QVERIFY2(lines.contains(collapsed(line)), qPrintable(line + QStringLiteral(" missing in:\n") + text));
        for (const QString &word : hidden) {
            QVERIFY2(!text.contains(word), qPrintable(word));
            QVERIFY2(!search::rtfText(bytes).contains(word), qPrintable(word));
        }
    }

    void wordAndWordPadHabits_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("text box") << kWordShape
                                  << QStringLiteral("Vor dem Kasten\nKastenwort steht drin\nNach dem Kasten\n");
        QTest::newRow("Word 95 drawing object") << kWord95Drawing << QStringLiteral("Oben\nZeichnungstext\nUnten\n");
        QTest::newRow("footnote and endnote")
            << kWordFootnotes
            << QString::fromUtf8("Satz mit Fußnote1, dann Endnote2 und weiter.\nZweiter Absatz\n\n\n"
                                 "1 Notenwort erklärt.\n2 Endnotenwort.");
        QTest::newRow("lists from the list table")
            << kWordLists
            << QString::fromUtf8("1.\tEins\n1.a\tUnter\n1.b\tZwei unter\n2.\tZwei\n•\tPunkt\niii) Römisch\nOhne\n");
        QTest::newRow("listtext is not numbered twice")
            << QByteArray(kWordLists).replace("Eins", "{\\listtext 9.\\tab}Eins")
            << QString::fromUtf8("9.\tEins\n1.a\tUnter\n1.b\tZwei unter\n2.\tZwei\n•\tPunkt\niii) Römisch\nOhne\n");
        QTest::newRow("mac") << QByteArray("{\\rtf1\\mac\\deff0{\\fonttbl{\\f0\\fnil Helvetica;}}\\f0 M\\'9fnchen \\'a5}")
                             << QString::fromUtf8("München •");
        QTest::newRow("ansicpg10000") << QByteArray("{\\rtf1\\ansi\\ansicpg10000 \\'8a\\'d2\\'d3}")
                                      << QString::fromUtf8("ä“”");
        QTest::newRow("Mac Japanese") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg10001{\\fonttbl{\\f0\\fnil\\fcharset128 Osaka;}}\\f0 \\'82\\'a0\\'93\\'fa}")
                                      << QString::fromUtf8("あ日");
        QTest::newRow("Mac charset 78") << QByteArray(
            "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\fcharset78 Osaka;}}\\f0 \\'82\\'a0}")
                                        << QString::fromUtf8("あ");
        QTest::newRow("font in UTF-8") << QByteArray(
            "{\\rtf1\\ansi{\\fonttbl{\\f0\\fnil\\cpg65001 Arial;}}\\f0 Gr\\'c3\\'bc\\'c3\\'9fe \\'e2\\'82\\'ac}")
                                       << QString::fromUtf8("Grüße €");
        QTest::newRow("SYMBOL in Symbol") << QByteArray(
            "{\\rtf1{\\fonttbl{\\f0\\fnil Calibri;}}\\f0 a{\\field{\\*\\fldinst SYMBOL 183 \\\\f \"Symbol\" \\\\s 10}"
            "{\\fldrslt }}b{\\field{\\*\\fldinst {SYMBOL 97 \\\\f Symbol}}{\\fldrslt\\f0 x}}c}")
                                          << QString::fromUtf8("a•bαc");
        QTest::newRow("SYMBOL in the text's font") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg1252 {\\field{\\*\\fldinst SYMBOL 128 \\\\f \"Arial\"}{\\fldrslt }}"
            "{\\field{\\*\\fldinst SYMBOL 8364 \\\\u}{\\fldrslt }}{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}}")
                                                  << QString::fromUtf8("€€7");
    }
    void wordAndWordPadHabits()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(textOf(rtf), expected);
    }

    // The index finds the words the reader shows, and only those.
    void indexFindsWhatTheReaderShows_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::newRow("text box") << kWordShape;
        QTest::newRow("Word 95 drawing object") << kWord95Drawing;
        QTest::newRow("footnote and endnote") << kWordFootnotes;
        QTest::newRow("lists with listtext") << QByteArray(
            "{\\rtf1{\\pntext\\f0 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}Listenwort"
            "{\\*\\bkmkstart Marke}\\par{\\nonesttables Doppelt}}");
        QTest::newRow("Mac and UTF-8") << QByteArray(
            "{\\rtf1\\mac{\\fonttbl{\\f0\\fnil Helvetica;}{\\f1\\fnil\\cpg65001 Arial;}}\\f0 M\\'9fnchen "
            "{\\f1 Gr\\'c3\\'bc\\'c3\\'9fe}}");
    }
    void indexFindsWhatTheReaderShows()
    {
        QFETCH(QByteArray, rtf);
        QCOMPARE(wordsOf(search::rtfText(rtf)), wordsOf(textOf(rtf)));
    }

    // Notes, text boxes and numbers from the list table are text once read, so
    // writing and reading again keeps them.
    void roundTripKeepsNotesBoxesAndNumbers_data()
    {
        wordAndWordPadHabits_data();
    }
    void roundTripKeepsNotesBoxesAndNumbers()
    {
        QFETCH(QByteArray, rtf);
        QTextDocument original;
        QVERIFY(readRtf(rtf, &original));
        QTextDocument again;
        QVERIFY(readRtf(writeRtf(original), &again));
        QCOMPARE(plainText(again), plainText(original));
    }

    // WordPad names most fonts without their kind; one not installed here must
    // still be drawn in a proportional face unless it is a typewriter face.
    void unknownFontKindsStayProportional_data()
    {
        QTest::addColumn<QByteArray>("font");
        QTest::addColumn<bool>("fixed");
        QTest::newRow("Helvetica") << QByteArray("\\fnil Helvetica") << false;
        QTest::newRow("Calibri") << QByteArray("\\fnil\\fcharset0 Calibri") << false;
        QTest::newRow("Times") << QByteArray("\\fnil Times") << false;
        QTest::newRow("unknown") << QByteArray("\\fnil Gibtsnicht Sans") << false;
        QTest::newRow("Courier New") << QByteArray("\\fnil Courier New") << true;
        QTest::newRow("Consolas") << QByteArray("\\fnil Consolas") << true;
    }
    void unknownFontKindsStayProportional()
    {
        QFETCH(QByteArray, font);
        QFETCH(bool, fixed);
        QTextDocument doc;
        QVERIFY(readRtf("{\\rtf1\\ansi{\\fonttbl{\\f0" + font + ";}}\\f0\\fs24 iiiiiiiiii\\par MMMMMMMMMM}", &doc));
        doc.setTextWidth(4000);
        doc.documentLayout()->documentSize(); // lays out every block
        const qreal narrow = doc.firstBlock().layout()->lineAt(0).naturalTextWidth();
        const qreal wide = doc.lastBlock().layout()->lineAt(0).naturalTextWidth();
        QVERIFY(narrow > 0 && wide > 0);
        if (fixed)
            QVERIFY2(qAbs(narrow - wide) < 2, qPrintable(QStringLiteral("%1 vs %2").arg(narrow).arg(wide)));
        else
            QVERIFY2(narrow < wide * 0.5, qPrintable(QStringLiteral("%1 vs %2").arg(narrow).arg(wide)));
    }

    // The bytes of a picture say what it is, whatever its keyword claims.
    void picturesAreKnownByTheirBytes_data()
    {
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<QString>("toolTip");
        QImage image(6, 3, QImage::Format_RGB32);
        image.fill(Qt::red);
        const QByteArray png = hexOf(image, "PNG");
        // GIF89a, 1 x 1, two colours: Qt reads GIF but writes none.
        const QByteArray gif = "47494638396101000100800000000000ffffff21f90401000000002c000000000100010000"
                               "02024401003b";
        QTest::newRow("PNG under jpegblip") << "\\jpegblip " + png << QSize(6, 3) << QString();
        QTest::newRow("GIF under pngblip") << "\\pngblip " + gif << QSize(1, 1) << QString();
        QTest::newRow("PNG under wmetafile") << "\\wmetafile8 " + png << QSize(6, 3) << QString();
        QTest::newRow("JPEG under pngblip") << "\\pngblip " + hexOf(image, "JPEG") << QSize(6, 3) << QString();
        QTest::newRow("undecodable") << QByteArray("\\pngblip\\picwgoal1500\\pichgoal600 0102030405")
                                     << QSize(100, 40) << QStringLiteral("Grafik kann nicht angezeigt werden");
    }
    void picturesAreKnownByTheirBytes()
    {
        QFETCH(QByteArray, picture);
        QFETCH(QSize, size);
        QFETCH(QString, toolTip);
        QTextDocument doc;
        QVERIFY(readRtf("{\\rtf1 a{\\pict" + picture + "}b}", &doc));
        QCOMPARE(doc.toRawText(), QStringLiteral("a\uFFFCb"));
        QTextCursor cursor(&doc);
        cursor.setPosition(2);
        const QTextImageFormat format = cursor.charFormat().toImageFormat();
        QVERIFY(format.isValid());
        QCOMPARE(QSizeF(format.width(), format.height()).toSize(), size);
        QCOMPARE(format.toolTip(), toolTip);
    }
};

QTEST_MAIN(RtfWildTest)
#include "rtfwild_test.moc"

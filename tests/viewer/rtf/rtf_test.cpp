// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewer/rtf/plaintext.h"
#include "viewer/rtf/rtfreader.h"
#include "viewer/rtf/rtfwriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QtTest>

#include <QRegularExpression>
#include <memory>

using namespace tv;

namespace {

using Doc = std::unique_ptr<QTextDocument>;

Doc read(const QByteArray &rtf)
{
    auto doc = std::make_unique<QTextDocument>();
    if (!readRtf(rtf, doc.get()))
        qWarning("not RTF");
    return doc;
}

QString text(const QTextDocument &doc)
{
    return doc.toRawText().replace(QChar::ParagraphSeparator, u'\n');
}

// The formatting of the first character of the first occurrence of word.
QTextCharFormat formatOf(const QTextDocument &doc, const QString &word)
{
    const QTextCursor found = doc.find(word);
    if (found.isNull())
        return {};
    QTextCursor c(found.document());
    c.setPosition(found.selectionStart() + 1);
    return c.charFormat();
}

QTextBlockFormat blockOf(const QTextDocument &doc, const QString &word)
{
    return doc.find(word).blockFormat();
}

QString family(const QTextCharFormat &f)
{
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? QString() : families.first();
}

QString borders(const QTextTableCellFormat &f)
{
    QString out;
    const std::pair<char, qreal> sides[] = { { 't', f.topBorder() }, { 'b', f.bottomBorder() },
        { 'l', f.leftBorder() }, { 'r', f.rightBorder() } };
    for (const auto &[side, width] : sides) {
        if (width > 0)
            out += side + QString::number(width);
    }
    return out;
}

// The frames and tables of the document: "<table 2x3 w=64,32>" with each cell as
// "|text|", spans and borders, nested tables inside their cells.
QString layout(QTextFrame::iterator it)
{
    QString out;
    for (; !it.atEnd(); ++it) {
        QTextFrame *frame = it.currentFrame();
        if (const auto *table = qobject_cast<QTextTable *>(frame)) {
            QStringList widths;
            for (const QTextLength &w : table->format().columnWidthConstraints())
                widths << QString::number(w.rawValue());
            out += QStringLiteral("<table %1x%2 w=%3>")
                       .arg(table->rows())
                       .arg(table->columns())
                       .arg(widths.join(u','));
            for (int r = 0; r < table->rows(); ++r) {
                out += QStringLiteral("<tr>");
                for (int c = 0; c < table->columns(); ++c) {
                    const QTextTableCell cell = table->cellAt(r, c);
                    if (cell.row() != r || cell.column() != c)
                        continue;
                    QString text;
                    for (auto inner = cell.begin(); !inner.atEnd(); ++inner) {
                        if (!inner.currentFrame())
                            text += inner.currentBlock().text() + u'/';
                    }
                    out += QStringLiteral("|%1").arg(text);
                    if (cell.rowSpan() > 1 || cell.columnSpan() > 1)
                        out += QStringLiteral(" span%1x%2").arg(cell.rowSpan()).arg(cell.columnSpan());
                    if (const QString b = borders(cell.format().toTableCellFormat()); !b.isEmpty())
                        out += u' ' + b;
                    out += layout(cell.begin());
                }
                out += QStringLiteral("|</tr>");
            }
            out += QStringLiteral("</table>");
        } else if (frame) {
            const QTextFrameFormat f = frame->frameFormat();
            out += QStringLiteral("<frame %1 %2 %3>")
                       .arg(f.border())
                       .arg(f.borderBrush().color().name())
                       .arg(f.padding())
                + layout(frame->begin()) + QStringLiteral("</frame>");
        }
    }
    return out;
}

// Everything a reader sees of the document, one line per paragraph, to compare at once.
QString describe(const QTextDocument &doc)
{
    QString out;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        const QTextBlockFormat bf = b.blockFormat();
        QStringList tabs;
        for (const QTextOption::Tab &t : bf.tabPositions())
            tabs << QString::number(t.position);
        QStringList tabTypes;
        for (const QTextOption::Tab &t : bf.tabPositions())
            tabTypes << QString::number(int(t.type));
        out += QStringLiteral("[lh=%1/%2 bg=%3 tt=%4]")
                   .arg(bf.lineHeight())
                   .arg(bf.lineHeightType())
                   .arg(bf.background().style() == Qt::NoBrush ? QStringLiteral("-")
                                                               : bf.background().color().name())
                   .arg(tabTypes.join(u','));
        out += QStringLiteral("[al=%1 li=%2 ri=%3 fi=%4 sb=%5 sa=%6 tabs=%7]")
                   .arg(int(bf.alignment()))
                   .arg(bf.leftMargin())
                   .arg(bf.rightMargin())
                   .arg(bf.textIndent())
                   .arg(bf.topMargin())
                   .arg(bf.bottomMargin())
                   .arg(tabs.join(u','));
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextCharFormat f = it.fragment().charFormat();
            if (f.isImageFormat()) {
                const QTextImageFormat img = f.toImageFormat();
                const QImage image
                    = doc.resource(QTextDocument::ImageResource, QUrl(img.name())).value<QImage>();
                out += QStringLiteral("{image %1x%2 of %3x%4}")
                           .arg(img.width())
                           .arg(img.height())
                           .arg(image.width())
                           .arg(image.height());
                continue;
            }
            out += QStringLiteral("{%1 %2pt w%3 i%4 u%5 s%6 v%7 fg%8 bg%9}")
                       .arg(family(f))
                       .arg(f.fontPointSize())
                       .arg(f.fontWeight())
                       .arg(f.fontItalic())
                       .arg(int(f.underlineStyle()))
                       .arg(f.fontStrikeOut())
                       .arg(int(f.verticalAlignment()))
                       .arg(f.foreground().style() == Qt::NoBrush ? QStringLiteral("-")
                                                                  : f.foreground().color().name())
                       .arg(f.background().style() == Qt::NoBrush ? QStringLiteral("-")
                                                                  : f.background().color().name());
            if (f.baselineOffset() != 0 || f.fontCapitalization() != QFont::MixedCase)
                out += QStringLiteral("{raise%1 caps%2}")
                           .arg(f.baselineOffset())
                           .arg(int(f.fontCapitalization()));
            out += it.fragment().text();
        }
        out += u'\n';
    }
    return out + layout(doc.rootFrame()->begin());
}

QByteArray imageHex(const QImage &image, const char *format = "PNG")
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return data.toHex();
}

// As WordPad writes it: German umlauts as \'hh, a Symbol-font bullet list, colours.
const QByteArray kWordPad
    = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1031{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}"
      "{\\f1\\fmodern\\fprq1\\fcharset0 Courier New;}{\\f2\\fnil\\fcharset2 Symbol;}}\r\n"
      "{\\colortbl ;\\red255\\green0\\blue0;\\red0\\green0\\blue128;}\r\n"
      "{\\*\\generator Msftedit 5.41.21.2510;}\\viewkind4\\uc1\\pard\\qc\\b\\f0\\fs32 "
      "\\'dcberschrift\\par\r\n"
      "\\pard\\b0\\fs20 Gr\\'fc\\'dfe aus M\\'fcnchen, \\cf1 rot\\cf0  und \\i kursiv\\i0 , "
      "\\ul unterstrichen\\ulnone , \\strike durch\\strike0 , \\cf2\\b blau\\cf0\\b0 .\\par\r\n"
      "{\\pntext\\f2\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf2\\pnindent0{\\pntxtb\\'b7}}"
      "\\fi-720\\li720 Erster Punkt\\par\r\n"
      "{\\pntext\\f2\\'b7\\tab}Zweiter Punkt\\par\r\n"
      "\\pard\\f1 int x = 0;\\tab // Z\\'e4hler\\par\r\n"
      "}\r\n\0";

// As Word writes it: a style sheet, document info, \listtext lists, fields, shapes.
const QByteArray kWord
    = "{\\rtf1\\adeflang1025\\ansi\\ansicpg1252\\uc1\\adeff0\\deff0\\stshfdbch0\\deflang1031\\deflangfe1031"
      "{\\fonttbl{\\f0\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Times New Roman;}"
      "{\\f3\\fbidi \\froman\\fcharset2\\fprq2{\\*\\panose 05050102010706020507}Symbol;}"
      "{\\f39\\fswiss\\fcharset0\\fprq2 Calibri{\\*\\falt Arial};}}"
      "{\\colortbl;\\red0\\green0\\blue0;\\red31\\green73\\blue125;}"
      "{\\stylesheet{\\ql \\li0\\ri0\\widctlpar\\f39\\fs22 \\snext0 Normal;}{\\*\\cs10 \\additive Default;}}"
      "{\\*\\listtable{\\list\\listtemplateid1{\\listlevel\\levelnfc23{\\leveltext\\'01\\u-3913 "
      "?;}{\\levelnumbers;}"
      "\\f3\\fi-360\\li720}{\\listname ;}\\listid7}}"
      "{\\*\\listoverridetable{\\listoverride\\listid7\\ls1}}"
      "{\\info{\\title Artikel}{\\author Autor}{\\creatim\\yr2004\\mo5\\dy1}}"
      "{\\*\\rsidtbl \\rsid123}{\\*\\xmlnstbl {\\xmlns1 http://schemas.microsoft.com}}"
      "\\paperw11906\\paperh16838\\margl1417\\margr1417 \\sectd "
      "{\\header \\pard\\plain Kopfzeile\\par}{\\footer \\pard\\plain Fu\\'dfzeile\\par}"
      "\\pard\\plain \\s1\\ql \\li0\\ri0\\sb240\\sa60\\keepn\\outlinelevel0 \\b\\f39\\fs28\\cf2 "
      "Einleitung\\par "
      "\\pard\\plain \\qj \\li0\\ri0\\sa200\\sl276\\slmult1 \\f39\\fs22 Der Text \\emdash  mit "
      "\\ldblquote Zitat\\rdblquote , {\\field{\\*\\fldinst {HYPERLINK \"http://example.org/\"}}"
      "{\\fldrslt {\\ul\\cf2 Verweis}}} und {\\*\\bkmkstart m1}Marke{\\*\\bkmkend m1}.\\par "
      "{\\listtext\\pard\\plain \\f3\\fs22 \\loch\\af3\\hich\\af3\\dbch\\af0\\insrsid1 \\loch\\f3 \\'b7\\tab}"
      "\\pard \\ql \\fi-360\\li720\\ri0\\ls1\\ilvl0 \\f39\\fs22 Punkt eins\\par "
      "{\\*\\shppict{\\pict{\\*\\picprop\\shplid1025}\\picscalex100\\picscaley100\\wmetafile8 0100}}"
      "{\\nonshppict{\\pict\\wmetafile8 0100}}"
      "\\pard Preis: \\u8364\\'80, Gr\\u246\\'f6\\u223\\'dfe\\par "
      "{\\*\\themedata 504b0304}{\\*\\datastore 0105}}";

// As Word writes a table: borders, a shaded cell, a cell that spans two rows,
// two cells merged into one, a cell with a line break and one ending in \par.
const QByteArray kTable
    = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue0;"
      "\\red217\\green217\\blue217;}\r\n\\pard Vorher\\par\r\n"
      "\\trowd\\trgaph108\\trleft0\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10"
      "\\clbrdrr\\brdrs\\brdrw10\\cellx1500\\clbrdrt\\brdrs\\brdrw30\\brdrcf1\\cellx4500\r\n"
      "\\pard\\intbl Name\\cell Wert\\line zweite Zeile\\cell\\row\r\n"
      "\\trowd\\trgaph108\\clvmgf\\cellx1500\\clcbpat2\\cellx3000\\cellx4500\r\n"
      "\\pard\\intbl A\\par\\cell B\\cell C\\cell\\row\r\n"
      "\\trowd\\trgaph108\\clvmrg\\cellx1500\\clmgf\\cellx3000\\clmrg\\cellx4500\r\n"
      "\\pard\\intbl\\cell D und E\\cell\\cell\\row\r\n"
      "\\pard Nachher\\par}";

// A table in a table cell, as Word 2000 and later write it.
const QByteArray kNested = "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\r\n"
                           "\\trowd\\cellx3000\\cellx6000\r\n"
                           "\\pard\\intbl\\itap1 Au\\'dfen\\cell\r\n"
                           "\\pard\\intbl\\itap2 i1\\nestcell "
                           "i2\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2500\\nestrow}"
                           "{\\nonesttables\\par}\r\n"
                           "\\pard\\intbl\\itap2 i3\\nestcell "
                           "i4\\nestcell{\\*\\nesttableprops\\trowd\\cellx1000\\cellx2500\\nestrow}"
                           "{\\nonesttables\\par}\r\n"
                           "\\pard\\intbl\\itap1\\cell\\row\\pard Ende}";

// Raised and lowered text, shading, capitals, line spacing, tab kinds and a box.
const QByteArray kFormats
    = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red255\\green255\\blue0;"
      "\\red0\\green0\\blue255;\\red230\\green230\\blue230;}\r\n"
      "\\pard x{\\up6\\fs16 2} H{\\dn4\\fs16 2}O {\\super a}{\\sub b} {\\chcbpat1 gelb} {\\highlight1 "
      "markiert} "
      "{\\caps gross} {\\scaps klein}\\par\r\n"
      "\\pard\\cbpat3 grau\\par\r\n"
      "\\pard\\cbpat2\\shading5000 halb\\par\r\n"
      "\\pard\\shading2000 zwanzig\\par\r\n"
      "\\pard\\sl360\\slmult1 anderthalb\\par\\pard\\sl-300\\slmult0 genau\\par\\pard\\sl400 "
      "mindestens\\par\r\n"
      "\\pard\\tqr\\tx4320\\tqc\\tx2880\\tx1440 a\\tab b\\tab c\\tab d\\par\r\n"
      "\\pard\\box\\brdrs\\brdrw30\\brdrcf2\\brsp75 Hinweis eins\\par Hinweis zwei\\par\r\n"
      "\\pard normal}";

// Every font and colour the RTF names is in its tables.
void checkReferences(const QByteArray &rtf)
{
    const qsizetype fontTable = rtf.indexOf("{\\fonttbl");
    const qsizetype colorTable = rtf.indexOf("{\\colortbl");
    QVERIFY(fontTable >= 0 && colorTable > fontTable);
    const QByteArray fonts = rtf.mid(fontTable, colorTable - fontTable);
    const int fontCount = int(fonts.count("{\\f"));
    const int colorCount = int(rtf.mid(colorTable, rtf.indexOf('}', colorTable) - colorTable).count(';')) - 1;
    const QString body = QString::fromLatin1(rtf.mid(rtf.indexOf('}', colorTable)));
    static const QRegularExpression font(QStringLiteral("(?<!\\\\)\\\\f(\\d+)"));
    for (const QRegularExpressionMatch &m : font.globalMatch(body))
        QVERIFY2(m.captured(1).toInt() < fontCount, qPrintable(m.captured(0)));
    static const QRegularExpression color(
        QStringLiteral("(?<!\\\\)\\\\(cf|highlight|cbpat|brdrcf|clcbpat)(\\d+)"));
    for (const QRegularExpressionMatch &m : color.globalMatch(body))
        QVERIFY2(m.captured(2).toInt() <= colorCount, qPrintable(m.captured(0)));
}

} // namespace

class RtfTest : public QObject
{
    Q_OBJECT

private slots:
    void wordPadTextAndFormatting()
    {
        const Doc doc = read(kWordPad.chopped(1));
        QCOMPARE(text(*doc),
            QString::fromUtf8("Überschrift\n"
                              "Grüße aus München, rot und kursiv, unterstrichen, durch, blau.\n"
                              "•\tErster Punkt\n"
                              "•\tZweiter Punkt\n"
                              "int x = 0;\t// Zähler\n"));

        const QTextCharFormat title = formatOf(*doc, QString::fromUtf8("Überschrift"));
        QCOMPARE(family(title), QStringLiteral("Arial"));
        QCOMPARE(title.fontPointSize(), 16.0);
        QCOMPARE(title.fontWeight(), int(QFont::Bold));
        QCOMPARE(blockOf(*doc, QStringLiteral("Überschrift")).alignment(), Qt::AlignHCenter);

        const QTextCharFormat body = formatOf(*doc, QStringLiteral("aus"));
        QCOMPARE(body.fontPointSize(), 10.0);
        QCOMPARE(body.fontWeight(), int(QFont::Normal));
        QCOMPARE(body.foreground().style(), Qt::NoBrush);
        QCOMPARE(blockOf(*doc, QStringLiteral("aus")).alignment(), Qt::AlignLeft);

        QCOMPARE(formatOf(*doc, QStringLiteral("rot")).foreground().color(), QColor(255, 0, 0));
        QCOMPARE(formatOf(*doc, QStringLiteral("und")).foreground().style(), Qt::NoBrush);
        QVERIFY(formatOf(*doc, QStringLiteral("kursiv")).fontItalic());
        QVERIFY(!formatOf(*doc, QStringLiteral(", unter")).fontItalic());
        QCOMPARE(formatOf(*doc, QStringLiteral("unterstrichen")).underlineStyle(),
            QTextCharFormat::SingleUnderline);
        QCOMPARE(formatOf(*doc, QStringLiteral(", durch")).underlineStyle(), QTextCharFormat::NoUnderline);
        QVERIFY(formatOf(*doc, QStringLiteral("durch")).fontStrikeOut());
        const QTextCharFormat blue = formatOf(*doc, QStringLiteral("blau"));
        QCOMPARE(blue.foreground().color(), QColor(0, 0, 128));
        QCOMPARE(blue.fontWeight(), int(QFont::Bold));

        // The hanging indent stops the tab after the bullet at the text's margin.
        const QTextBlockFormat item = blockOf(*doc, QStringLiteral("Erster"));
        QCOMPARE(item.leftMargin(), 48.0);
        QCOMPARE(item.textIndent(), -48.0);
        QCOMPARE(item.tabPositions().size(), 1);
        QCOMPARE(item.tabPositions().first().position, 48.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("Zweiter")).leftMargin(), 48.0);
        // The Symbol bullet is Unicode now and shows in the document's default font.
        QCOMPARE(family(formatOf(*doc, QString::fromUtf8("•"))), QStringLiteral("Arial"));
        QCOMPARE(formatOf(*doc, QString::fromUtf8("•")).fontPointSize(), 10.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("int x")).leftMargin(), 0.0);
        QCOMPARE(family(formatOf(*doc, QStringLiteral("int x"))), QStringLiteral("Courier New"));
    }

    void wordDocumentShowsOnlyItsBody()
    {
        const Doc doc = read(kWord);
        QCOMPARE(text(*doc),
            QString::fromUtf8("Einleitung\n"
                              "Der Text — mit “Zitat”, Verweis und Marke.\n"
                              "•\tPunkt eins\n"
                              "\uFFFCPreis: €, Größe\n")); // the metafile's placeholder
        const QTextCharFormat heading = formatOf(*doc, QStringLiteral("Einleitung"));
        QCOMPARE(family(heading), QStringLiteral("Calibri"));
        QCOMPARE(heading.fontPointSize(), 14.0);
        QCOMPARE(heading.foreground().color(), QColor(31, 73, 125));
        QCOMPARE(blockOf(*doc, QStringLiteral("Einleitung")).topMargin(), 16.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("Einleitung")).bottomMargin(), 4.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("Zitat")).alignment(), Qt::AlignJustify);
        QCOMPARE(
            formatOf(*doc, QStringLiteral("Verweis")).underlineStyle(), QTextCharFormat::SingleUnderline);
        QCOMPARE(formatOf(*doc, QStringLiteral("Marke")).underlineStyle(), QTextCharFormat::NoUnderline);
        QCOMPARE(blockOf(*doc, QStringLiteral("Punkt eins")).leftMargin(), 48.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("Punkt eins")).textIndent(), -24.0);
    }

    void codePagesAndCharsets_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("default 1252")
            << QByteArray("{\\rtf1 \\'80 \\'e4\\'f6\\'fc\\'df \\'9c}") << QString::fromUtf8("€ äöüß œ");
        QTest::newRow("ansicpg1250") << QByteArray("{\\rtf1\\ansi\\ansicpg1250 \\'9a\\'e8\\'f8}")
                                     << QString::fromUtf8("ščř");
        QTest::newRow("ansicpg1251") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8\\'e2\\'e5\\'f2}")
                                     << QString::fromUtf8("Привет");
        QTest::newRow("font charset 204 in a 1252 document") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset204 Arial CYR;}}"
            "\\f0 \\'e4 {\\f1 \\'e4}}") << QString::fromUtf8("ä д");
        QTest::newRow("charset 238, 161, 162, 186") << QByteArray(
            "{\\rtf1{\\fonttbl{\\f1\\fcharset238 A;}{\\f2\\fcharset161 B;}{\\f3\\fcharset162 C;}"
            "{\\f4\\fcharset186 D;}}{\\f1\\'b9}{\\f2\\'e1}{\\f3\\'f0}{\\f4\\'e8}}")
                                                    << QString::fromUtf8("ąαğč");
        QTest::newRow("default charset uses the document's code page")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251\\deff0{\\fonttbl{\\f0\\fcharset1 X;}}\\'e4}")
            << QString::fromUtf8("д");
        QTest::newRow("symbol font") << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset2 Symbol;}}"
                                                   "{\\f1 a\\'62 p\\'b7\\'ae}}")
                                     << QString::fromUtf8("αβ π•→");
        QTest::newRow("symbol by name without charset")
            << QByteArray("{\\rtf1{\\fonttbl{\\f1 Symbol;}}{\\f1 W}}") << QString::fromUtf8("Ω");
        QTest::newRow("wingdings bullets") << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Wingdings;}}"
                                                         "{\\f1\\'a7\\'d8\\'fc}}")
                                           << QString::fromUtf8("▪➢✓");
        QTest::newRow("symbol private-use unicode")
            << QByteArray("{\\rtf1{\\fonttbl{\\f1\\fcharset2 Symbol;}}{\\f1\\u-3913?} \\u-3913?}")
            << QString::fromUtf8("• \uF0B7");
        QTest::newRow("ansicpg932") << QByteArray("{\\rtf1\\ansi\\ansicpg932 \\'82\\'a0\\'93\\'fa\\'96\\{}")
                                    << QString::fromUtf8("あ日本");
        QTest::newRow("ansicpg936") << QByteArray("{\\rtf1\\ansi\\ansicpg936 \\'c4\\'e3\\'ba\\'c3")
                                    << QString::fromUtf8("你好");
        QTest::newRow("ansicpg949") << QByteArray("{\\rtf1\\ansi\\ansicpg949 \\'c7\\'d1}")
                                    << QString::fromUtf8("한");
        QTest::newRow("ansicpg950") << QByteArray("{\\rtf1\\ansi\\ansicpg950 \\'a4\\'a4}")
                                    << QString::fromUtf8("中");
        QTest::newRow("font charset 128 in a 1252 document") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 MS Mincho;}}\\f0 \\'e4 "
            "{\\f1 \\'82\\'a0}}") << QString::fromUtf8("ä あ");
        QTest::newRow("uc2 fallback in 932")
            << QByteArray("{\\rtf1\\ansi\\ansicpg932\\uc2\\u26085\\'93\\'fa\\'82\\'a0}")
            << QString::fromUtf8("日あ");
        QTest::newRow("pc") << QByteArray("{\\rtf1\\pc \\'81\\'84\\'9b}") << QString::fromUtf8("üä¢");
        QTest::newRow("pca") << QByteArray("{\\rtf1\\pca \\'81\\'84\\'9b}") << QString::fromUtf8("üäø");
        QTest::newRow("unknown code page reads as 1252")
            << QByteArray("{\\rtf1\\ansi\\ansicpg4711 \\'e4}") << QString::fromUtf8("ä");
        QTest::newRow("bytes that are no UTF-8 read as 1252")
            << QByteArray("{\\rtf1\\ansi\\ansicpg65001 \\'e4}") << QString::fromUtf8("ä");
        QTest::newRow("raw 8-bit text")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \xcf\xf0\xe8}") << QString::fromUtf8("При");
    }
    void codePagesAndCharsets()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(text(*read(rtf)), expected);
    }

    void unicodeAndEscapes_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("uc1 fallback skipped")
            << QByteArray("{\\rtf1\\uc1 \\u8364?x}") << QString::fromUtf8("€x");
        QTest::newRow("uc1 hex fallback skipped")
            << QByteArray("{\\rtf1\\uc1\\u8364\\'80x}") << QString::fromUtf8("€x");
        QTest::newRow("uc2") << QByteArray("{\\rtf1\\uc2\\u26085\\'93\\'fa!}") << QString::fromUtf8("日!");
        QTest::newRow("uc0") << QByteArray("{\\rtf1\\uc0\\u8364 x}") << QString::fromUtf8("€x");
        QTest::newRow("uc is per group")
            << QByteArray("{\\rtf1\\uc1{\\uc0\\u228}\\u246?}") << QString::fromUtf8("äö");
        QTest::newRow("negative") << QByteArray("{\\rtf1\\u-4064?}") << QString(QChar(0xF020));
        QTest::newRow("surrogate pair")
            << QByteArray("{\\rtf1\\u-10179?\\u-8704?}") << QString::fromUtf8("😀");
        QTest::newRow("lone surrogate")
            << QByteArray("{\\rtf1 a\\u-10179?b}") << QString::fromUtf8("a\uFFFDb");
        QTest::newRow("brace ends the fallback")
            << QByteArray("{\\rtf1\\uc3\\u8364{}abc}") << QString::fromUtf8("€abc");
        QTest::newRow("escaped") << QByteArray("{\\rtf1 \\{a\\}\\\\b}") << QStringLiteral("{a}\\b");
        QTest::newRow("named symbols")
            << QByteArray("{\\rtf1 \\bullet\\emdash\\endash\\lquote\\rquote\\ldblquote\\rdblquote"
                          "\\emspace\\enspace\\~\\-\\_}")
            << QString::fromUtf8("•—–‘’“”\u2003\u2002\u00A0\u00AD\u2011");
        QTest::newRow("line and tab")
            << QByteArray("{\\rtf1 a\\line b\\tab c}") << QString::fromUtf8("a\u2028b\tc");
        QTest::newRow("raw CR LF ignored")
            << QByteArray("{\\rtf1 Hal\r\nlo\rWelt\n}") << QStringLiteral("HalloWelt");
        QTest::newRow("backslash newline is a paragraph")
            << QByteArray("{\\rtf1 a\\\r\nb}") << QStringLiteral("a\nb");
        QTest::newRow("control word delimiter")
            << QByteArray("{\\rtf1\\b  two\\b0\\par\\pard x}") << QStringLiteral(" two\nx");
        QTest::newRow("hidden text") << QByteArray("{\\rtf1 a{\\v versteckt}b\\v c\\v0 d}")
                                     << QStringLiteral("abd");
    }
    void unicodeAndEscapes()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(text(*read(rtf)), expected);
    }

    void destinationsSkipped_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("starred unknown") << QByteArray("{\\rtf1 a{\\*\\neu {b}c}d}") << QStringLiteral("ad");
        QTest::newRow("unknown unstarred shows")
            << QByteArray("{\\rtf1 a{\\neu b}c}") << QStringLiteral("abc");
        QTest::newRow("tables") << QByteArray(
            "{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1\\green2\\blue3;}"
            "{\\stylesheet{\\s1 Heading;}}{\\info{\\title T}}x}")
                                << QStringLiteral("x");
        QTest::newRow("header footer")
            << QByteArray("{\\rtf1{\\header h}{\\footer f}{\\headerl h}{\\footerr f}a{\\*\\bkmkstart m}b}")
            << QStringLiteral("ab");
        QTest::newRow("object") << QByteArray(
            "{\\rtf1 a{\\object\\objemb{\\*\\objclass Paint}{\\*\\objdata 0105}}b}")
                                << QStringLiteral("ab");
        QTest::newRow("bin with braces")
            << QByteArray("{\\rtf1 a{\\*\\blob\\bin4 }}{{b}c}") << QStringLiteral("ac");
        QTest::newRow("bin in text") << QByteArray("{\\rtf1 a\\bin2 }{b}") << QStringLiteral("ab");
        QTest::newRow("unknown picture kind has a placeholder")
            << QByteArray("{\\rtf1 a{\\pict\\pixie\\picw10 0100ff}b}") << QStringLiteral("a\uFFFCb");
        QTest::newRow("old list definition")
            << QByteArray("{\\rtf1{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta .}}x}")
            << QStringLiteral("1.\tx");
        QTest::newRow("field result")
            << QByteArray("{\\rtf1{\\field{\\*\\fldinst PAGE}{\\fldrslt 7}}}") << QStringLiteral("7");
    }
    void destinationsSkipped()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(text(*read(rtf)), expected);
    }

    void characterFormatting()
    {
        const Doc doc
            = read("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Verdana;}}{\\colortbl;\\red0\\green128\\blue0;"
                   "\\red255\\green255\\blue0;}\\f1\\fs28\\b\\i\\ul A{\\b0 B}C\\plain D\\i\\i0 E"
                   "{\\uld F}{\\ulwave G}{\\ul\\ulnone H}{\\super I}{\\sub J}{\\cf1\\highlight2 K}\\fs L}");
        const QTextCharFormat a = formatOf(*doc, QStringLiteral("A"));
        QCOMPARE(family(a), QStringLiteral("Verdana"));
        QCOMPARE(a.fontPointSize(), 14.0);
        QCOMPARE(a.fontWeight(), int(QFont::Bold));
        QVERIFY(a.fontItalic());
        QCOMPARE(formatOf(*doc, QStringLiteral("B")).fontWeight(), int(QFont::Normal));
        QCOMPARE(formatOf(*doc, QStringLiteral("C")).fontWeight(), int(QFont::Bold));
        const QTextCharFormat d = formatOf(*doc, QStringLiteral("D"));
        QCOMPARE(family(d), QStringLiteral("Arial")); // \plain falls back to \deff
        QCOMPARE(d.fontPointSize(), 12.0);
        QVERIFY(!d.fontItalic());
        QCOMPARE(d.underlineStyle(), QTextCharFormat::NoUnderline);
        QVERIFY(!formatOf(*doc, QStringLiteral("E")).fontItalic());
        QCOMPARE(formatOf(*doc, QStringLiteral("F")).underlineStyle(), QTextCharFormat::DotLine);
        QCOMPARE(formatOf(*doc, QStringLiteral("G")).underlineStyle(), QTextCharFormat::WaveUnderline);
        QCOMPARE(formatOf(*doc, QStringLiteral("H")).underlineStyle(), QTextCharFormat::NoUnderline);
        QCOMPARE(formatOf(*doc, QStringLiteral("I")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(formatOf(*doc, QStringLiteral("J")).verticalAlignment(), QTextCharFormat::AlignSubScript);
        const QTextCharFormat k = formatOf(*doc, QStringLiteral("K"));
        QCOMPARE(k.foreground().color(), QColor(0, 128, 0));
        QCOMPARE(k.background().color(), QColor(255, 255, 0));
        QCOMPARE(formatOf(*doc, QStringLiteral("L")).fontPointSize(), 12.0);
    }

    void fontNamesUseTheFontsCharset()
    {
        const Doc doc
            = read("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fcharset128 \\'82\\'6c\\'82\\'72 "
                   "\\'96\\'be\\'92\\'a9;}{\\f1\\fcharset204 \\'c0\\'f0\\'e8\\'e0\\'eb;}{\\f2 Caf\\'e9;}}"
                   "\\f0 A{\\f1 B}{\\f2 C}}");
        QCOMPARE(family(formatOf(*doc, QStringLiteral("A"))), QString::fromUtf8("ＭＳ 明朝"));
        QCOMPARE(family(formatOf(*doc, QStringLiteral("B"))), QString::fromUtf8("Ариал"));
        QCOMPARE(family(formatOf(*doc, QStringLiteral("C"))), QString::fromUtf8("Café"));
    }

    void bitmapsAndMetafiles()
    {
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(QColor(200, 10, 20));
        image.setPixelColor(2, 1, QColor(0, 0, 255));
        const QByteArray dib = QByteArray::fromHex(imageHex(image, "BMP")).mid(14).toHex();
        const Doc doc = read("{\\rtf1 a{\\pict\\dibitmap0\\picw3\\pich2 " + dib
            + "}b{\\pict\\wbitmap0\\picw8\\pich2\\picbpp1\\picwbpl2 f000 0f00}"
              "c{\\pict\\wmetafile8\\picw5080\\pich2540 0100090000}"
              "d{\\pict\\emfblip\\picwgoal1500\\pichgoal600 01000000}}");
        QCOMPARE(text(*doc), QStringLiteral("a\uFFFCb\uFFFCc\uFFFCd\uFFFC"));
        const auto imageAt = [&doc](int position) {
            QTextCursor c(doc.get());
            c.setPosition(position + 1);
            const QTextImageFormat f = c.charFormat().toImageFormat();
            return std::make_pair(
                f, doc->resource(QTextDocument::ImageResource, QUrl(f.name())).value<QImage>());
        };
        const auto [dibFormat, dibImage] = imageAt(1);
        QCOMPARE(dibImage.size(), QSize(3, 2));
        QCOMPARE(dibImage.pixelColor(0, 0), QColor(200, 10, 20));
        QCOMPARE(dibImage.pixelColor(2, 1), QColor(0, 0, 255));
        const auto [bitmapFormat, bitmap] = imageAt(3);
        QCOMPARE(bitmap.size(), QSize(8, 2));
        QCOMPARE(bitmap.pixelColor(0, 0), QColor(255, 255, 255));
        QCOMPARE(bitmap.pixelColor(4, 0), QColor(0, 0, 0));
        QCOMPARE(bitmap.pixelColor(4, 1), QColor(255, 255, 255));
        // Metafiles: a framed placeholder of the picture's size that says why.
        const auto [wmfFormat, wmf] = imageAt(5);
        QCOMPARE(wmf.size(), QSize(192, 96)); // 5 x 2.5 cm
        QCOMPARE(wmfFormat.toolTip(), QStringLiteral("Grafik (Metafile) kann nicht angezeigt werden"));
        QCOMPARE(wmf.pixelColor(0, 50), QColor(128, 128, 128));
        QCOMPARE(wmf.pixelColor(5, 5), QColor(255, 255, 255));
        const auto [emfFormat, emf] = imageAt(7);
        QCOMPARE(QSizeF(emfFormat.width(), emfFormat.height()), QSizeF(100, 40));
        QCOMPARE(emfFormat.toolTip(), QStringLiteral("Grafik (Metafile) kann nicht angezeigt werden"));
        // Damaged bitmaps get a placeholder that says so.
        const Doc damaged
            = read("{\\rtf1 a{\\pict\\dibitmap0 28000000ffff}{\\pict\\wbitmap0\\picw9999\\pich9999 00}b}");
        QCOMPARE(text(*damaged), QStringLiteral("a\uFFFC\uFFFCb"));
        QTextCursor placeholder(damaged.get());
        placeholder.setPosition(2); // after the first picture
        QCOMPARE(placeholder.charFormat().toolTip(), QStringLiteral("Grafik kann nicht angezeigt werden"));
    }

    void fontKindsFallBackWhenTheFamilyIsMissing()
    {
        // Arial and Courier New are rarely installed here: the kind keeps
        // proportional text proportional and code fixed.
        const Doc doc = read("{\\rtf1{\\fonttbl{\\f0\\fswiss\\fcharset0 Arial;}{\\f1\\fmodern Courier New;}"
                             "{\\f2\\froman Times;}{\\f3 Egal;}}\\f0 A {\\f1 B} {\\f2 C} {\\f3 D}}");
        QVERIFY(formatOf(*doc, QStringLiteral("A")).hasProperty(QTextFormat::FontStyleHint));
        QCOMPARE(formatOf(*doc, QStringLiteral("A")).fontStyleHint(), QFont::SansSerif);
        QCOMPARE(formatOf(*doc, QStringLiteral("B")).fontStyleHint(), QFont::Monospace);
        QCOMPARE(formatOf(*doc, QStringLiteral("C")).fontStyleHint(), QFont::Serif);
        QCOMPARE(formatOf(*doc, QStringLiteral("D")).fontStyleHint(), QFont::SansSerif); // unknown: proportional
    }

    void paragraphFormatting()
    {
        const Doc doc
            = read("{\\rtf1\\pard\\qr\\li1440\\ri720\\fi360\\sb120\\sa240\\tx2880\\tx4320 rechts\\par"
                   "{\\qc mitte\\par}links\\par\\pard\\qj\\li-99999999\\sb-5 block}");
        const QTextBlockFormat right = blockOf(*doc, QStringLiteral("rechts"));
        QCOMPARE(right.alignment(), Qt::AlignRight);
        QCOMPARE(right.leftMargin(), 96.0);
        QCOMPARE(right.rightMargin(), 48.0);
        QCOMPARE(right.textIndent(), 24.0);
        QCOMPARE(right.topMargin(), 8.0);
        QCOMPARE(right.bottomMargin(), 16.0);
        // Stops at 2 and 3 inches from the margin, measured from the first line's start.
        QCOMPARE(right.tabPositions().size(), 2);
        QCOMPARE(right.tabPositions().at(0).position, 72.0);
        QCOMPARE(right.tabPositions().at(1).position, 168.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("mitte")).alignment(), Qt::AlignHCenter);
        // The group ended: its alignment is gone, the \pard state before it stays.
        QCOMPARE(blockOf(*doc, QStringLiteral("links")).alignment(), Qt::AlignRight);
        const QTextBlockFormat block = blockOf(*doc, QStringLiteral("block"));
        QCOMPARE(block.alignment(), Qt::AlignJustify);
        QCOMPARE(block.leftMargin(), -2112.0); // clamped to 22 inches
        QCOMPARE(block.topMargin(), 0.0);
    }

    void pictures()
    {
        QImage image(4, 3, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        const Doc doc
            = read("{\\rtf1 vor{\\*\\shppict{\\pict\\pngblip\\picw4\\pich3\\picwgoal600\\pichgoal450 "
                + imageHex(image)
                + "}}{\\nonshppict{\\pict\\wmetafile8 00}}nach"
                  "{\\pict\\pngblip\\picscalex200\\picscaley50\\bin"
                + QByteArray::number(imageHex(image).size() / 2) + ' ' + QByteArray::fromHex(imageHex(image))
                + "}}");
        QCOMPARE(text(*doc), QStringLiteral("vor\uFFFCnach\uFFFC"));
        const QString shown = describe(*doc);
        QVERIFY2(shown.contains(QStringLiteral("vor{image 40x30 of 4x3}")), qPrintable(shown));
        QVERIFY2(shown.contains(QStringLiteral("nach{image 8x1.5 of 4x3}")), qPrintable(shown));
        const QTextImageFormat first = formatOf(*doc, QStringLiteral("\uFFFC")).toImageFormat();
        const QImage loaded = doc->resource(QTextDocument::ImageResource, QUrl(first.name())).value<QImage>();
        QCOMPARE(loaded.pixelColor(2, 1), QColor(10, 200, 30));

        QImage photo(16, 8, QImage::Format_RGB32);
        photo.fill(QColor(0, 0, 255));
        const Doc jpeg = read("{\\rtf1{\\pict\\jpegblip\\picw16\\pich8 " + imageHex(photo, "JPEG") + "}}");
        QCOMPARE(describe(*jpeg),
            QStringLiteral("[lh=0/0 bg=- tt=][al=1 li=0 ri=0 fi=0 sb=0 sa=0 tabs=]{image 16x8 of 16x8}\n"));

        // A damaged picture gets a placeholder, the text around it stays.
        QCOMPARE(text(*read("{\\rtf1 a{\\pict\\pngblip 89504e47zz0d0a1}b}")), QStringLiteral("a\uFFFCb"));
    }

    void missingFinalBraceAndTrailingText()
    {
        QCOMPARE(text(*read("{\\rtf1 Hallo\\par Welt")), QStringLiteral("Hallo\nWelt"));
        QCOMPARE(text(*read("{\\rtf1{\\b fett")), QStringLiteral("fett"));
        QCOMPARE(text(*read("{\\rtf1 Ende} danach {nichts}")), QStringLiteral("Ende"));
    }

    void notRtf()
    {
        QTextDocument doc;
        doc.setPlainText(QStringLiteral("bisher"));
        for (const QByteArray &data : { QByteArray("Hallo"), QByteArray(), QByteArray(" {\\rtf1 x}"),
                 QByteArray("{\\RTF1 x}"), QByteArray("{rtf1}") }) {
            QVERIFY(!readRtf(data, &doc));
            QCOMPARE(doc.toPlainText(), QStringLiteral("bisher"));
        }
        QVERIFY(readRtf("{\\rtf", &doc));
        QCOMPARE(doc.toPlainText(), QString());
    }

    void deepNestingIsBounded()
    {
        // A million groups would overflow any recursive reader's stack.
        const QByteArray open(1000000, '{');
        const QByteArray close(1000000, '}');
        QCOMPARE(text(*read("{\\rtf1 a" + open + "\\b b" + close + "c}")), QStringLiteral("abc"));
        QCOMPARE(text(*read("{\\rtf1 a" + open + "b")), QStringLiteral("ab"));
        const Doc doc = read("{\\rtf1 a" + QByteArray(600, '{') + "\\b b" + QByteArray(600, '}') + " c}");
        QCOMPARE(formatOf(*doc, QStringLiteral("b")).fontWeight(), int(QFont::Bold));
        QCOMPARE(formatOf(*doc, QStringLiteral("c")).fontWeight(), int(QFont::Normal));
    }

    void hostileNumbersAndTruncations_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("expected");
        QTest::newRow("huge size") << QByteArray("{\\rtf1\\fs99999999999999999999 a}") << QStringLiteral("a");
        QTest::newRow("negative size") << QByteArray("{\\rtf1\\fs-20 a}") << QStringLiteral("a");
        QTest::newRow("huge uc") << QByteArray("{\\rtf1\\uc2147483647\\u65 bcd}x}") << QStringLiteral("A");
        QTest::newRow("huge negative u") << QByteArray("{\\rtf1\\u-2147483647 a}") << QString();
        QTest::newRow("bin beyond end") << QByteArray("{\\rtf1 a\\bin2147483647 }}}") << QStringLiteral("a");
        QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
        QTest::newRow("bad hex") << QByteArray("{\\rtf1 a\\'zzb\\'4}") << QStringLiteral("azzb4");
        QTest::newRow("trailing backslash") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
        QTest::newRow("trailing hex") << QByteArray("{\\rtf1 a\\'") << QStringLiteral("a");
        QTest::newRow("undefined font and colour")
            << QByteArray("{\\rtf1\\f-7\\cf99999\\cb-3 a}") << QStringLiteral("a");
        QTest::newRow("font table without semicolons")
            << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial}{\\f1\\fcharset2 Symbol}}\\f1 a}")
            << QString::fromUtf8("α");
        QTest::newRow("colour table garbage")
            << QByteArray("{\\rtf1{\\colortbl\\red999\\green-5 x;;;\\blue}\\cf1 a}") << QStringLiteral("a");
        QTest::newRow("nul bytes") << QByteArray("{\\rtf1 a\0b\\u0?c}", 17) << QStringLiteral("abc");
        QTest::newRow("unicode paragraph separator")
            << QByteArray("{\\rtf1 a\\u8233?b\\u65532?}") << QString::fromUtf8("a\u2028b");
        QTest::newRow("very long word")
            << QByteArray("{\\rtf1\\") + QByteArray(100000, 'x') + "1 a}" << QStringLiteral("a");
        QTest::newRow("star at end") << QByteArray("{\\rtf1 a{\\*") << QStringLiteral("a");
        QTest::newRow("pict at end") << QByteArray("{\\rtf1 a{\\pict\\pngblip 8950") << QStringLiteral("a");
        QTest::newRow("too many tabs")
            << QByteArray("{\\rtf1") + QByteArray("\\tx100").repeated(10000) + " a}" << QStringLiteral("a");
    }
    void hostileNumbersAndTruncations()
    {
        QFETCH(QByteArray, rtf);
        QFETCH(QString, expected);
        QCOMPARE(text(*read(rtf)), expected);
    }

    void garbageNeverCrashesOrHangs()
    {
        // Random bytes and random damage to real documents never yield more text
        // than they had bytes, and what was read can be written and read again.
        QRandomGenerator random(4711);
        const QByteArray alphabet("{}\\'*abuvfsclinpt0123456789- ;\r\n\x80\xff");
        for (int round = 0; round < 300; ++round) {
            QByteArray data = "{\\rtf1";
            if (round % 2 == 0) {
                for (int i = 0; i < 3000; ++i)
                    data.append(alphabet.at(random.bounded(int(alphabet.size()))));
            } else {
                data = round % 4 == 1 ? kWord : round % 8 == 3 ? kTable : kNested;
                for (int i = 0; i < 40; ++i) // the "{\\rtf" mark stays intact
                    data[6 + random.bounded(int(data.size()) - 6)] = char(random.bounded(256));
            }
            const Doc doc = read(data);
            QVERIFY(doc->characterCount() <= data.size() + 1);
            const QByteArray written = writeRtf(*doc);
            checkReferences(written);
            QVERIFY(readRtf(written, doc.get()));
        }
    }

    void tablesShowAsTables()
    {
        const Doc doc = read(kTable);
        QCOMPARE(layout(doc->rootFrame()->begin()),
            QString::fromUtf8("<table 3x3 w=100,100,100>"
                              "<tr>|Name/ t1b1l1r1|Wert\u2028zweite Zeile/ span1x2 t2|</tr>"
                              "<tr>|A/ span2x1|B/|C/|</tr>"
                              "<tr>|D und E/ span1x2|</tr></table>"));
        const QTextTable *table = doc->rootFrame()->childFrames().isEmpty()
            ? nullptr
            : qobject_cast<QTextTable *>(doc->rootFrame()->childFrames().first());
        QVERIFY(table);
        QCOMPARE(table->cellAt(1, 1).format().background().color(), QColor(217, 217, 217));
        QCOMPARE(table->cellAt(0, 1).format().toTableCellFormat().topBorderBrush().color(), QColor(0, 0, 0));
        // Copy and "save as text": one line per row, tabs between the cells.
        QCOMPARE(tv::plainText(*doc),
            QStringLiteral("Vorher\nName\tWert zweite Zeile\nA\tB\tC\n\tD und E\nNachher\n"));
        QCOMPARE(plainTextCrLf(*doc),
            QByteArray("Vorher\r\nName\tWert zweite Zeile\r\nA\tB\tC\r\n\tD und E\r\nNachher\r\n"));
    }

    void nestedTablesKeepTheirCells()
    {
        const Doc doc = read(kNested);
        QCOMPARE(layout(doc->rootFrame()->begin()),
            QString::fromUtf8(
                "<table 1x2 w=200,200><tr>|Außen/|//"
                "<table 2x2 w=66.6667,100><tr>|i1/|i2/|</tr><tr>|i3/|i4/|</tr></table>|</tr></table>"));
        QCOMPARE(tv::plainText(*doc), QString::fromUtf8("\nAußen\ti1\ti2 i3\ti4\nEnde"));
    }

    void rowsWithoutCommonEdgesStayLines()
    {
        // Each row's own cell edges would make a grid of rows x all edges.
        QByteArray rtf = "{\\rtf1";
        for (int r = 0; r < 200; ++r)
            rtf += "\\trowd\\cellx" + QByteArray::number(r + 1) + "\\cellx" + QByteArray::number(r + 1000)
                + "\\intbl a\\cell b\\cell\\row";
        const Doc doc = read(rtf + "}");
        QVERIFY(doc->rootFrame()->childFrames().isEmpty());
        QCOMPARE(tv::plainText(*doc).count(QStringLiteral("a\tb")), 200);
    }

    void raisedShadedAndSpacedText()
    {
        const Doc doc = read(kFormats);
        QCOMPARE(formatOf(*doc, QStringLiteral("2")).baselineOffset(), 37.5); // 3 pt of 8 pt
        QCOMPARE(formatOf(*doc, QStringLiteral("2O")).baselineOffset(), -25.0);
        QCOMPARE(formatOf(*doc, QStringLiteral("a")).verticalAlignment(), QTextCharFormat::AlignSuperScript);
        QCOMPARE(formatOf(*doc, QStringLiteral("gelb")).background().color(), QColor(255, 255, 0));
        QCOMPARE(formatOf(*doc, QStringLiteral("markiert")).background().color(), QColor(255, 255, 0));
        QCOMPARE(formatOf(*doc, QStringLiteral("gross")).fontCapitalization(), QFont::AllUppercase);
        QCOMPARE(formatOf(*doc, QStringLiteral("klein")).fontCapitalization(), QFont::SmallCaps);
        QCOMPARE(blockOf(*doc, QStringLiteral("grau")).background().color(), QColor(230, 230, 230));
        QCOMPARE(blockOf(*doc, QStringLiteral("halb")).background().color(), QColor(0, 0, 128));
        QCOMPARE(blockOf(*doc, QStringLiteral("zwanzig")).background().color(), QColor(204, 204, 204));
        QVERIFY(!blockOf(*doc, QStringLiteral("normal")).hasProperty(QTextFormat::BackgroundBrush));
        const QTextBlockFormat oneAndHalf = blockOf(*doc, QStringLiteral("anderthalb"));
        QCOMPARE(oneAndHalf.lineHeightType(), int(QTextBlockFormat::ProportionalHeight));
        QCOMPARE(oneAndHalf.lineHeight(), 150.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("genau")).lineHeightType(), int(QTextBlockFormat::FixedHeight));
        QCOMPARE(blockOf(*doc, QStringLiteral("genau")).lineHeight(), 20.0);
        QCOMPARE(blockOf(*doc, QStringLiteral("mindestens")).lineHeightType(),
            int(QTextBlockFormat::MinimumHeight));
        const QList<QTextOption::Tab> tabs = blockOf(*doc, QStringLiteral("a\tb")).tabPositions();
        QCOMPARE(tabs.size(), 3);
        QCOMPARE(tabs.at(0).type, QTextOption::LeftTab);
        QCOMPARE(tabs.at(1).type, QTextOption::CenterTab);
        QCOMPARE(tabs.at(1).position, 192.0);
        QCOMPARE(tabs.at(2).type, QTextOption::RightTab);
        // Both boxed paragraphs share one frame; the paragraph after it is outside.
        const QString shown = layout(doc->rootFrame()->begin());
        QCOMPARE(shown, QStringLiteral("<frame 2 #0000ff 5></frame>"));
        QVERIFY(QTextCursor(doc->find(QStringLiteral("Hinweis zwei"))).currentFrame() != doc->rootFrame());
        QCOMPARE(QTextCursor(doc->find(QStringLiteral("normal"))).currentFrame(), doc->rootFrame());

        const QByteArray written = writeRtf(*doc);
        for (const char *word : { "\\up6", "\\dn4", "\\caps", "\\scaps", "\\cbpat", "\\sl360\\slmult1",
                 "\\sl-300\\slmult0", "\\tqr\\tx4320", "\\tqc\\tx2880", "\\box\\brdrs\\brdrw30\\brdrcf" })
            QVERIFY2(written.contains(word), word);
    }

    void writerNamesOnlyWhatItsTablesHold()
    {
        // An empty paragraph whose mark has a colour, and nothing else.
        const Doc doc = read("{\\rtf{\\colortbl;\\red;}\\cf1\\par}");
        QCOMPARE(doc->firstBlock().charFormat().foreground().color(), QColor(0, 0, 0));
        const QByteArray written = writeRtf(*doc);
        checkReferences(written);
        const Doc again = read(written);
        QCOMPARE(again->firstBlock().charFormat().foreground().color(), QColor(0, 0, 0));
        QCOMPARE(again->blockCount(), 2);
    }

    void manyFontsAllKeepTheirNames()
    {
        QByteArray rtf = "{\\rtf1\\ansi\\deff0{\\fonttbl";
        for (int i = 0; i < 10000; ++i)
            rtf += "{\\f" + QByteArray::number(i) + "\\fswiss Schrift " + QByteArray::number(i) + ";}";
        rtf += "}";
        for (int i = 0; i < 10000; ++i)
            rtf += "\\pard\\f" + QByteArray::number(i) + " Absatz" + QByteArray::number(i) + "\\par";
        const Doc doc = read(rtf + "}");
        QCOMPARE(family(formatOf(*doc, QStringLiteral("Absatz9999"))), QStringLiteral("Schrift 9999"));
        QCOMPARE(family(formatOf(*doc, QStringLiteral("Absatz5000"))), QStringLiteral("Schrift 5000"));
        const QByteArray written = writeRtf(*doc);
        checkReferences(written);
        const Doc again = read(written);
        QCOMPARE(family(formatOf(*again, QStringLiteral("Absatz9999"))), QStringLiteral("Schrift 9999"));
        QCOMPARE(family(formatOf(*again, QStringLiteral("Absatz1"))), QStringLiteral("Schrift 1"));
    }

    void roundTripKeepsTextAndFormatting_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::newRow("WordPad") << kWordPad.chopped(1);
        QTest::newRow("Word") << kWord;
        QTest::newRow("table") << kTable;
        QTest::newRow("nested table") << kNested;
        QTest::newRow("formats") << kFormats;
        QTest::newRow("932 and pictures")
            << QByteArray("{\\rtf1\\ansi\\ansicpg932{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\f0 \\'82\\'a0 "
                          "{\\pict\\wmetafile8\\picwgoal1200\\pichgoal600 "
                          "0100}{\\pict\\wbitmap0\\picw8\\pich1\\picbpp1 f000}}");
        QTest::newRow("empty marked paragraph") << QByteArray("{\\rtf{\\colortbl;\\red;}\\cf1\\par}");
        QTest::newRow("paragraphs") << QByteArray(
            "{\\rtf1{\\fonttbl{\\f0 Arial;}}\\pard\\qr\\li1440\\ri720\\fi360\\sb120\\sa240\\tx2880 r\\par"
            "\\pard\\qc\\fi-360\\li720 c\\tab x\\line y\\par\\pard\\qj j\\par\\par}");
        QTest::newRow("characters") << QByteArray(
            "{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1 Times New Roman;}}{\\colortbl;"
            "\\red0\\green128\\blue0;\\red255\\green255\\blue0;}\\f1\\fs28\\b\\i\\ul A"
            "{\\b0 B}\\plain{\\uld F}{\\ulwave G}{\\uldash H}{\\super I}{\\sub J}"
            "{\\strike\\cf1\\highlight2 K}\\fs15 L}");
        QTest::newRow("beyond 1252") << QByteArray(
            "{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0 Arial;}} \\'cf\\'f0\\'e8 \\u8364? \\u-10179?\\u-8704? "
            "\\{\\}\\\\ \\~\\-\\_\\bullet\\emdash}");
        QImage image(5, 2, QImage::Format_ARGB32);
        image.fill(QColor(1, 2, 3));
        QTest::newRow("picture")
            << "{\\rtf1{\\fonttbl{\\f0 Arial;}} x{\\pict\\pngblip\\picwgoal150\\pichgoal60 " + imageHex(image)
                + "}y}";
    }
    void roundTripKeepsTextAndFormatting()
    {
        QFETCH(QByteArray, rtf);
        const Doc original = read(rtf);
        const QByteArray written = writeRtf(*original);
        QVERIFY(written.startsWith("{\\rtf1\\ansi\\ansicpg1252\\deff0"));
        checkReferences(written);
        for (const char c : written)
            QVERIFY2(uchar(c) < 0x80, "RTF output must be 7-bit");

        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("Artikel.rtf")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(written);
        file.close();
        QVERIFY(file.open(QIODevice::ReadOnly));
        const Doc again = read(file.readAll());
        QCOMPARE(describe(*again), describe(*original));
        QCOMPARE(writeRtf(*again), written);
    }

    void writerEncodesAsWordPadDoes()
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        bold.setFontFamilies({ QStringLiteral("Arial") });
        bold.setFontPointSize(11);
        bold.setForeground(QColor(255, 0, 0));
        c.insertText(QString::fromUtf8("Grüße {x} € д\\"), bold);
        const QByteArray rtf = writeRtf(doc);
        QVERIFY2(rtf.contains("Gr\\'fc\\'dfe \\{x\\} \\'80 \\u1076?\\\\"), rtf.constData());
        QVERIFY2(rtf.contains("{\\colortbl ;\\red255\\green0\\blue0;}"), rtf.constData());
        QVERIFY2(rtf.contains("\\f1\\fs22\\b\\cf1 "), rtf.constData());
        QVERIFY2(rtf.contains("{\\f1\\fnil\\fcharset0 Arial;}"), rtf.constData());

        // Text without a font of its own gets the document's font.
        QTextDocument plain;
        plain.setDefaultFont(QFont(QStringLiteral("Courier New"), 9));
        plain.setPlainText(QStringLiteral("x"));
        const Doc back = read(writeRtf(plain));
        QCOMPARE(family(formatOf(*back, QStringLiteral("x"))), QStringLiteral("Courier New"));
        QCOMPARE(formatOf(*back, QStringLiteral("x")).fontPointSize(), 9.0);
    }

    void writerTurnsListsIntoMarkers()
    {
        QTextDocument doc;
        QTextCursor c(&doc);
        c.insertText(QStringLiteral("Liste:"));
        c.insertBlock();
        c.createList(QTextListFormat::ListDisc);
        c.insertText(QStringLiteral("Eins"));
        c.insertBlock();
        c.insertText(QStringLiteral("Zwei"));
        c.insertBlock();
        QTextListFormat numbered;
        numbered.setStyle(QTextListFormat::ListDecimal);
        c.createList(numbered);
        c.insertText(QStringLiteral("Erstens"));
        c.insertBlock();
        c.insertText(QStringLiteral("Zweitens"));

        const QByteArray rtf = writeRtf(doc);
        QVERIFY2(rtf.contains("{\\pntext"), rtf.constData());
        QVERIFY2(rtf.contains("\\pnlvlblt"), rtf.constData());
        QVERIFY2(rtf.contains("\\pnlvlbody\\pndec"), rtf.constData());
        const Doc back = read(rtf);
        QCOMPARE(text(*back), QString::fromUtf8("Liste:\n•\tEins\n•\tZwei\n1.\tErstens\n2.\tZweitens"));
        const QTextBlockFormat item = blockOf(*back, QStringLiteral("Eins"));
        QCOMPARE(item.leftMargin(), qreal(doc.indentWidth()));
        QCOMPARE(item.textIndent(), -24.0);
        QCOMPARE(item.tabPositions().first().position, 24.0);
    }

    void plainTextFiles()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Hinweise.txt"));
        QFile in(path);
        QVERIFY(in.open(QIODevice::WriteOnly));
        in.write("Zeile \xe4\xf6\xfc \x80\r\nzwei\rdrei\nvier\r\n");
        in.close();
        QVERIFY(in.open(QIODevice::ReadOnly));
        QTextDocument doc;
        readPlainText(in.readAll(), &doc);
        QCOMPARE(doc.blockCount(), 5);
        QCOMPARE(doc.firstBlock().text(), QString::fromUtf8("Zeile äöü €"));
        QCOMPARE(doc.findBlockByNumber(3).text(), QStringLiteral("vier"));
        QCOMPARE(plainTextCrLf(doc), QByteArray("Zeile \xe4\xf6\xfc \x80\r\nzwei\r\ndrei\r\nvier\r\n"));

        // Saving an RTF text as plain text: manual breaks end lines, 1252 where possible.
        const Doc rtf = read("{\\rtf1 a\\line b\\par \\u1076?\\'e4\\tab x{\\pict\\pngblip 00}\\par}");
        QCOMPARE(plainTextCrLf(*rtf), QByteArray("a\r\nb\r\n?\xe4\tx\r\n"));
        QCOMPARE(plainTextCrLf(*read(kWordPad.chopped(1))),
            QByteArray("\xdc"
                       "berschrift\r\nGr\xfc\xdf"
                       "e aus M\xfcnchen, rot und kursiv, unterstrichen, durch, "
                       "blau.\r\n\x95\tErster Punkt\r\n\x95\tZweiter Punkt\r\nint x = 0;\t// Z\xe4hler\r\n"));
    }
};

QTEST_MAIN(RtfTest)
#include "rtf_test.moc"

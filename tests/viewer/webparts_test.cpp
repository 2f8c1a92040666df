// SPDX-License-Identifier: GPL-3.0-or-later
#include "testdirs.h"
#include "testfixture.h"
#include "viewer/wwwpart.h"
#include "viewerstand.h"
#include "zipwriter.h"

#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QtTest>

using namespace tv;

namespace {

const QByteArray kSection = "[Seite]\r\nCount=2\r\n1=HTML-Seite\r\n1Modul=basis\r\n1File=seite.zip\r\n"
                            "2=HTML-Seite\r\n2Modul=andere\r\n2File=Zweite.zip\r\n"
                            "[Ohne Index]\r\n1=HTML-Seite\r\n1Modul=basis\r\n1File=ohneindex.zip\r\n"
                            "[Seite fehlt]\r\n1=HTML-Seite\r\n1Modul=basis\r\n1File=nichtda.zip\r\n"
                            "[Link]\r\n1=WWW-Link\r\n1Modul=basis\r\n1File=link.txt\r\n"
                            "[Leerer Link]\r\n1=WWW-Link\r\n1Modul=basis\r\n1File=leer.txt\r\n"
                            "[Adressen]\r\nCount=5\r\n1=WWW-Link\r\n1Modul=basis\r\n1File=datei.txt\r\n"
                            "2=WWW-Link\r\n2Modul=basis\r\n2File=pfad.txt\r\n"
                            "3=WWW-Link\r\n3Modul=basis\r\n3File=skript.txt\r\n"
                            "4=WWW-Link\r\n4Modul=basis\r\n4File=mail.txt\r\n"
                            "5=WWW-Link\r\n5Modul=basis\r\n5File=ftp.txt\r\n"
                            "[Link fehlt]\r\nCount=2\r\n1=WWW-Link\r\n1Modul=basis\r\n1File=weg.txt\r\n"
                            "2=WWW-Link\r\n2Modul=basis\r\n2File=link.txt\r\n"
                            "[Freie Adressen]\r\nCount=3\r\n1=WWW-Link\r\n1Modul=basis\r\n1File=www.txt\r\n"
                            "2=WWW-Link\r\n2Modul=basis\r\n2File=anhang.txt\r\n"
                            "3=WWW-Link\r\n3Modul=basis\r\n3File=nuranhang.txt\r\n";

enum Row { Seite, OhneIndex, SeiteFehlt, Link, LeererLink, Adressen, LinkFehlt, FreieAdressen };

const QString kHtmlText
    = QStringLiteral("Dieser Teil ist nur als HMTL-Seite enthalten. Zum Anzeigen\n"
                     "dieser HTML-Seite wird automatisch Ihr Standardbrowser aufgerufen.\n"
                     "(Empfohlen Internet Explorer 5.01).");
const QString kWwwText
    = QStringLiteral("Dieser Teil ist leider aus lizenztechnischen Gründen nicht in der Tipvault \n"
                     "Datenbank enthalten.\nZum Anzeigen wird automatisch Ihr Standardbrowser "
                     "aufgerufen.");
const QString kNotUnpacked
    = QStringLiteral("Die HTML-Seite kann nicht angezeigt werden: index.htm wurde nicht entpackt.");

QByteArray zipBytes(const QString &dir, const QList<ZipMember> &members)
{
    const QString path = dir + QStringLiteral("part.zip");
    writeZip(path, members);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.readAll();
    file.remove();
    return bytes;
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class WebPartsTest : public TestFixture
{
    Q_OBJECT
    std::unique_ptr<ViewerStand> m_stand;

    void click(Row row) { m_stand->click("Web", row); }
    QTabWidget *pages() const { return m_stand->pages(); }
    QWidget *sheet(int n) const { return pages()->widget(n); }
    template <typename T> T *control(const QString &name) const { return m_stand->control<T>(name); }
    QStringList workFiles() const { return QDir(m_dirs->workDir()).entryList(QDir::Files, QDir::Name); }
    QUrl indexUrl() const { return QUrl::fromLocalFile(m_dirs->workDir() + QStringLiteral("index.htm")); }
    /// The texts of the sheet's labels that show text, and the sizes of those that show a picture.
    static QStringList labelTexts(QWidget *page)
    {
        QStringList texts;
        for (const QLabel *label : page->findChildren<QLabel *>()) {
            if (!label->pixmap().isNull())
                texts.append(QStringLiteral("picture %1,%2 %3x%4")
                                 .arg(label->x())
                                 .arg(label->y())
                                 .arg(label->width())
                                 .arg(label->height()));
            else
                texts.append(QStringLiteral("text %1,%2 ").arg(label->x()).arg(label->y()) + label->text());
        }
        return texts;
    }

    void setUp() override
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Web\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Web.dat"), kSection);
        m_dirs->writeProgramFile(QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=basis.tvm\r\n");
        const QString tmp = m_dirs->tempDir();
        const QByteArray page = zipBytes(tmp,
            { { "index.htm", "<html>erste</html>" }, { "bild.png", "erstes Bild" },
                { "stil/seite.css", "body {}" } });
        const QByteArray withoutIndex = zipBytes(tmp, { { "a.htm", "<html>a</html>" } });
        const QByteArray second
            = zipBytes(tmp, { { "index.htm", "<html>zweite</html>" }, { "bild.png", "zweites Bild" } });
        writeZip(m_dirs->programDir() + QStringLiteral("basis.tvm"),
            { { "seite.zip", page }, { "ohneindex.zip", withoutIndex },
                { "link.txt", "https://doc.qt.io/qt-6/\r\nzweite Zeile\r\n" }, { "leer.txt", "" },
                { "datei.txt", "file:///usr/bin/xterm" }, { "pfad.txt", "/usr/bin/xterm\r\n" },
                { "skript.txt", "javascript:alert(1)" },
                { "mail.txt",
                    "mailto:leser@tipvault.example.org\x1A"
                    "danach" },
                { "ftp.txt", "ftp://ftp.example.org/pub/\nnoch in der Zeile" },
                { "www.txt", " www.example.org/Seite mit Blank|\"x\"\r\n" },
                { "anhang.txt",
                    "mailto:leser@tipvault.example.org?Subject=Frage&attach=/etc/passwd&body=Text%20hier"
                    "&ATTACHMENT=~/.ssh/id_rsa&cc=a@example.org&BCC=b@example.org&to=c@example.org"
                    "&%61ttach=/etc/shadow#x" },
                { "nuranhang.txt", "mailto:leser@tipvault.example.org?attach=/etc/passwd" } });
        writeZip(m_dirs->programDir() + QStringLiteral("ANDERE.TVM"), { { "Zweite.zip", second } });
        m_stand = ViewerStand::start(*m_seam);
        QVERIFY(m_stand);
    }
    void tearDown() override { m_stand.reset(); }

private slots:
    void htmlPageIsUnpackedAndOpened()
    {
        click(Seite);
        QCOMPARE(m_seam->messageTexts(), QStringList());
        QCOMPARE(pages()->count(), 3);
        QCOMPARE(labelTexts(sheet(1)),
            (QStringList {
                QStringLiteral("text 64,16 ") + kHtmlText, QStringLiteral("picture 16,16 28x34") }));
        auto *button = control<QPushButton>(QStringLiteral("HtmlButton1"));
        QVERIFY(button);
        QCOMPARE(button->text(), QStringLiteral("Anzeigen"));
        QCOMPARE(button->pos(), QPoint(64, 160));
        QCOMPARE(button->width(), 90);
        QVERIFY(button->toolTip().isEmpty()); // the Part file it keeps is not shown
        QVERIFY(!button->icon().isNull());
        QCOMPARE(workFiles(), QStringList()); // nothing is unpacked before the click

        // The second part lies in another module: the first button still unpacks from its own.
        pages()->setCurrentIndex(1);
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_seam->messageTexts(), QStringList());
        QCOMPARE(workFiles(),
            (QStringList {
                QStringLiteral("bild.png"), QStringLiteral("index.htm"), QStringLiteral("seite.css") }));
        QCOMPARE(readAll(m_dirs->workDir() + QStringLiteral("index.htm")), QByteArray("<html>erste</html>"));
        QCOMPARE(m_seam->opened, QList<QUrl> { indexUrl() });

        // The second page replaces files of the same name.
        pages()->setCurrentIndex(2);
        control<QPushButton>(QStringLiteral("HtmlButton2"))->click();
        QCOMPARE(readAll(m_dirs->workDir() + QStringLiteral("index.htm")), QByteArray("<html>zweite</html>"));
        QCOMPARE(readAll(m_dirs->workDir() + QStringLiteral("bild.png")), QByteArray("zweites Bild"));
        QCOMPARE(workFiles().size(), 3); // its archive "Zweite.zip" is gone again
        QCOMPARE(m_seam->opened, (QList<QUrl> { indexUrl(), indexUrl() }));
    }

    void anEarlierPageIsNeverShownForThisOne()
    {
        click(Seite);
        control<QPushButton>(QStringLiteral("HtmlButton1"))->click();
        QCOMPARE(m_seam->opened.size(), 1);

        // An archive without index.htm: its files come, the old index.htm does not show.
        click(OhneIndex);
        control<QPushButton>(QStringLiteral("HtmlButton1"))->click();
        QCOMPARE(m_seam->opened.size(), 1);
        QCOMPARE(m_stand->statusText(), kNotUnpacked);
        QVERIFY(workFiles().contains(QStringLiteral("a.htm")));
        QVERIFY(!workFiles().contains(QStringLiteral("index.htm")));
        QVERIFY(!workFiles().contains(QStringLiteral("ohneindex.zip")));

        // An archive the module does not hold: the component says so, nothing opens.
        click(Seite);
        control<QPushButton>(QStringLiteral("HtmlButton1"))->click();
        QCOMPARE(m_seam->opened.size(), 2);
        click(SeiteFehlt);
        m_seam->messages.clear();
        control<QPushButton>(QStringLiteral("HtmlButton1"))->click();
        QCOMPARE(m_seam->messageTexts(), QStringList { QStringLiteral("Error - no zip file specified") });
        QCOMPARE(m_seam->opened.size(), 2);
        QCOMPARE(m_stand->statusText(), kNotUnpacked);
    }

    void linkShowsItsFirstLine()
    {
        click(Link);
        QCOMPARE(m_seam->messageTexts(), QStringList());
        QCOMPARE(labelTexts(sheet(1)),
            (QStringList {
                QStringLiteral("text 64,16 ") + kWwwText, QStringLiteral("picture 16,16 35x34") }));
        auto *edit = control<QLineEdit>(QStringLiteral("WwwEdit1"));
        QVERIFY(edit);
        QCOMPARE(edit->text(), QStringLiteral("https://doc.qt.io/qt-6/"));
        QCOMPARE(edit->geometry().topLeft(), QPoint(64, 78));
        QCOMPARE(edit->width(), 216);
        // Read-only, but the address can be selected for copying.
        QVERIFY(edit->isReadOnly());
        edit->setFocus();
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(edit, QStringLiteral("x"));
        QCOMPARE(edit->text(), QStringLiteral("https://doc.qt.io/qt-6/"));
        QCOMPARE(edit->selectedText(), QStringLiteral("https://doc.qt.io/qt-6/"));
        QCOMPARE(workFiles(), QStringList()); // the link file went after reading

        auto *button = control<QPushButton>(QStringLiteral("WwwButton1"));
        QCOMPARE(button->text(), QStringLiteral("Anzeigen"));
        QCOMPARE(button->geometry().topLeft(), QPoint(64, 160));
        QVERIFY(button->toolTip().isEmpty());
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(m_seam->opened, QList<QUrl> { QUrl(QStringLiteral("https://doc.qt.io/qt-6/")) });
    }

    void onlyWebAndMailAddressesAreOpened()
    {
        click(Adressen);
        QStringList shown;
        for (int n = 1; n <= 5; ++n)
            shown.append(control<QLineEdit>(QStringLiteral("WwwEdit%1").arg(n))->text());
        QCOMPARE(shown,
            (QStringList { QStringLiteral("file:///usr/bin/xterm"), QStringLiteral("/usr/bin/xterm"),
                QStringLiteral("javascript:alert(1)"), QStringLiteral("mailto:leser@tipvault.example.org"),
                QStringLiteral("ftp://ftp.example.org/pub/\nnoch in der Zeile") }));
        for (int n = 1; n <= 3; ++n) {
            m_stand->setStatusText(QString());
            control<QPushButton>(QStringLiteral("WwwButton%1").arg(n))->click();
            QCOMPARE(m_stand->statusText(),
                QStringLiteral("Die Adresse \"%1\" wird nicht geöffnet: nur http-, https-, "
                               "ftp- und mailto-Adressen sind erlaubt.")
                    .arg(shown[n - 1]));
        }
        QCOMPARE(m_seam->opened, QList<QUrl>());
        control<QPushButton>(QStringLiteral("WwwButton4"))->click();
        QCOMPARE(m_seam->opened, QList<QUrl> { QUrl(QStringLiteral("mailto:leser@tipvault.example.org")) });
        // A line feed alone belongs to the line, and no web address holds one.
        control<QPushButton>(QStringLiteral("WwwButton5"))->click();
        QCOMPARE(m_seam->opened.size(), 1);
    }

    void writtenAddressesOpenSafely()
    {
        click(FreieAdressen);
        QCOMPARE(m_seam->messageTexts(), QStringList());
        for (int n = 1; n <= 3; ++n)
            control<QPushButton>(QStringLiteral("WwwButton%1").arg(n))->click();
        QStringList opened;
        for (const QUrl &url : std::as_const(m_seam->opened))
            opened.append(url.toString(QUrl::FullyEncoded));
        QCOMPARE(opened,
            (QStringList { QStringLiteral("http://www.example.org/Seite%20mit%20Blank%7C%22x%22"),
                QStringLiteral("mailto:leser@tipvault.example.org?Subject=Frage&body=Text%20hier"
                               "&cc=a@example.org&BCC=b@example.org"),
                QStringLiteral("mailto:leser@tipvault.example.org") }));
        // The edit box shows the address as written.
        QCOMPARE(control<QLineEdit>(QStringLiteral("WwwEdit1"))->text(),
            QStringLiteral(" www.example.org/Seite mit Blank|\"x\""));
    }

    void emptyLinkOpensNothing()
    {
        click(LeererLink);
        QCOMPARE(control<QLineEdit>(QStringLiteral("WwwEdit1"))->text(), QString());
        control<QPushButton>(QStringLiteral("WwwButton1"))->click();
        QCOMPARE(m_seam->opened, QList<QUrl>());
        QCOMPARE(m_stand->statusText(), QStringLiteral("Dieser Link enthält keine Adresse."));
    }

    void missingLinkFileEndsTheBuild()
    {
        click(LinkFehlt);
        QCOMPARE(m_seam->messageTexts(), QStringList { QStringLiteral("Datei nicht gefunden.") });
        QCOMPARE(m_seam->messages[0].title, QStringLiteral("Tipvault"));
        QCOMPARE(pages()->count(), 2); // the second part got no tab
        QCOMPARE(labelTexts(sheet(1)).size(), 2);
        QCOMPARE(control<QLineEdit>(QStringLiteral("WwwEdit1"))->text(), QString());
        QVERIFY(!control<QPushButton>(QStringLiteral("WwwButton1")));
    }

    void addressRules()
    {
        const auto passes = [](const char *address) {
            return webAddressUrl(QString::fromUtf8(address)).toString(QUrl::FullyEncoded);
        };
        QCOMPARE(passes(" https://doc.qt.io/ "), QStringLiteral("https://doc.qt.io/"));
        QCOMPARE(passes("HTTP://EXAMPLE.ORG/A"), QStringLiteral("http://example.org/A"));
        QCOMPARE(passes("ftp://ftp.example.org"), QStringLiteral("ftp://ftp.example.org"));
        QCOMPARE(passes("www.example.org"), QStringLiteral("http://www.example.org"));
        QCOMPARE(passes("WWW.Example.org/a b?q=x y"), QStringLiteral("http://www.example.org/a%20b?q=x%20y"));
        QCOMPARE(passes("https://example.org/K\xC3\xA4lte {1} ^ `2` <3> \\"),
            QStringLiteral("https://example.org/K%C3%A4lte%20%7B1%7D%20%5E%20%602%60%20%3C3%3E%20%5C"));
        QCOMPARE(passes("mailto:a@example.org?cc=b@example.org&Attach=%2Fetc%2Fpasswd"),
            QStringLiteral("mailto:a@example.org?cc=b@example.org"));
        QCOMPARE(passes("mailto:a@example.org?attach=x&&subject=s&attach"),
            QStringLiteral("mailto:a@example.org?subject=s"));
        QCOMPARE(passes("mailto:a@example.org?subject=a%26attach%3Dx"),
            QStringLiteral("mailto:a@example.org?subject=a%26attach%3Dx"));

        for (const char *refused : { "http:ohne-host", "mailto:", "smb://server/freigabe",
                 "https://exa mple.org/", "wwwexample.org", "example.org", "www",
                 "mailto:a%3Fattach=x@example.org", "https://example.org/\tTab", "mailto:?subject=x" })
            QVERIFY2(!webAddressUrl(QString::fromUtf8(refused)).isValid(), refused);
    }
};

QTEST_MAIN(WebPartsTest)
#include "webparts_test.moc"

// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/entry.h"
#include "stats/modulstatistik.h"
#include "testdirs.h"

#include <QDir>
#include <QElapsedTimer>
#include <QtTest>

using namespace tv;

namespace {

/// One row as the window shows it: name cell, total, then the four counters.
QStringList rowOf(const ModulStatistik &s, int row)
{
    QStringList cells { QString::fromLatin1(s.moduleText(row)), QString::number(s.total(row)) };
    for (CountColumn c : { CountColumn::Text, CountColumn::Archive, CountColumn::Html, CountColumn::Www })
        cells.append(QString::number(s.count(row, c)));
    return cells;
}

QStringList row(const char *name, int total, int text, int archive, int html, int www)
{
    return { QString::fromLatin1(name), QString::number(total), QString::number(text),
        QString::number(archive), QString::number(html), QString::number(www) };
}

} // namespace

class ModulStatistikTest : public QObject
{
    Q_OBJECT
    std::unique_ptr<TestDirs> m_dirs;

    ModulStatistik computed()
    {
        ModulStatistik s;
        s.GetModulStatistik();
        return s;
    }

private slots:
    void init() { m_dirs = std::make_unique<TestDirs>(); }
    void cleanup() { m_dirs.reset(); }

    void captionsDecideTheColumn()
    {
        QVERIFY(countColumnOf("Artikel") == CountColumn::Text);
        QVERIFY(countColumnOf("Editorial") == CountColumn::Text);
        QVERIFY(countColumnOf("Komponente") == CountColumn::Archive);
        QVERIFY(countColumnOf("Beispiel") == CountColumn::Archive);
        QVERIFY(countColumnOf("HTML-Seite") == CountColumn::Html);
        QVERIFY(countColumnOf("WWW-Link") == CountColumn::Www);
        QVERIFY(!countColumnOf("artikel"));
        QVERIFY(!countColumnOf(""));
    }

    void modulesInOrderOfAppearance()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nNetz\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[Bitmaps]\r\nCount=3\r\n1=Artikel\r\n1Modul=basis\r\n2=Hinweise\r\n2Modul=basis\r\n"
            "3=Archiv\r\n3Modul=basis\r\n"
            "[Seiten]\r\nCount=1\r\n1=WWW-Link\r\n1Modul=links\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Netz.dat"),
            "[Protokolle]\r\nCount=2\r\n1=HTML-Seite\r\n1Modul=netz\r\n2=FAQ\r\n2Modul=basis\r\n");
        const ModulStatistik s = computed();
        QCOMPARE(s.rowCount(), 3);
        QCOMPARE(rowOf(s, 0), row("      BASIS.TVM", 4, 3, 1, 0, 0));
        QCOMPARE(rowOf(s, 1), row("      LINKS.TVM", 1, 0, 0, 0, 1));
        QCOMPARE(rowOf(s, 2), row("      NETZ.TVM", 1, 0, 0, 1, 0));
    }

    void missingModulesAreMarked()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[A]\r\n1Modul=basis\r\n[B]\r\n1Modul=fehlt\r\n[C]\r\n1Modul=Gross\r\n"
            "[D]\r\n1=Artikel\r\n");
        m_dirs->writeProgramFile(QStringLiteral("basis.tvm"), "PK");
        m_dirs->writeProgramFile(QStringLiteral("GROSS.TVM"), "PK");
        m_dirs->writeProgramFile(QStringLiteral(".tvm"), "PK"); // never taken for a part without a module
        const ModulStatistik s = computed();
        QCOMPARE(s.modules(), (QList<QByteArray> { "basis", "fehlt", "Gross", "" }));
        QVERIFY(s.isInstalled(0));
        QVERIFY(!s.isInstalled(1));
        QVERIFY(s.isInstalled(2));
        QVERIFY(!s.isInstalled(3));
        QCOMPARE(rowOf(s, 3), row("      .TVM", 1, 1, 0, 0, 0));
    }

    void aModuleNameWithAPathIsNotInstalled()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik");
        m_dirs->writeProgramFile(
            QStringLiteral("Section_Grafik.dat"), "[A]\r\n1Modul=sub/basis\r\n[B]\r\n1Modul=sub\\basis\r\n");
        QVERIFY(QDir(m_dirs->programDir()).mkdir(QStringLiteral("sub")));
        m_dirs->writeProgramFile(QStringLiteral("sub/basis.tvm"), "PK");
        m_dirs->writeProgramFile(QStringLiteral("sub\\basis.tvm"), "PK");
        const ModulStatistik s = computed();
        QCOMPARE(s.rowCount(), 2);
        QVERIFY(!s.isInstalled(0));
        QVERIFY(!s.isInstalled(1));
    }

    void entryWithoutCountHasOnePart()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[Ohne Count]\r\n1Modul=basis\r\n2=Archiv\r\n2Modul=zwei\r\n"
            "[Kaputt]\r\nCount=abc\r\n1=Beispiel\r\n1Modul=basis\r\n"
            "[Leer]\r\nCount=0\r\n1Modul=nie\r\n");
        const ModulStatistik s = computed();
        QCOMPARE(s.modules(), QList<QByteArray> { "basis" });
        QCOMPARE(rowOf(s, 0), row("      BASIS.TVM", 2, 1, 1, 0, 0));
    }

    void unknownCaptionsCountNowhere()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[Teile]\r\nCount=4\r\n1=Komponente\r\n1Modul=basis\r\n2=Sonstiges\r\n2Modul=basis\r\n"
            "3=artikel\r\n3Modul=extra\r\n4=Beispiel\r\n4Modul=basis\r\n");
        const ModulStatistik s = computed();
        QCOMPARE(rowOf(s, 0), row("      BASIS.TVM", 2, 0, 2, 0, 0));
        QCOMPARE(rowOf(s, 1), row("      EXTRA.TVM", 0, 0, 0, 0, 0)); // named, so it has a row
    }

    void namesDifferingInCaseShareTheFirstRow()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[A]\r\nCount=2\r\n1Modul=basis\r\n2Modul=BASIS\r\n2=WWW-Link\r\n"
            "[B]\r\n1Modul=Basis\r\n");
        const ModulStatistik s = computed();
        QCOMPARE(s.modules(), (QList<QByteArray> { "basis", "BASIS", "Basis" }));
        QCOMPARE(rowOf(s, 0), row("      BASIS.TVM", 3, 2, 0, 0, 1));
        QCOMPARE(rowOf(s, 1), row("      BASIS.TVM", 0, 0, 0, 0, 0));
        QCOMPARE(rowOf(s, 2), row("      BASIS.TVM", 0, 0, 0, 0, 0));
    }

    void runningTwiceGivesTheSameNumbers()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"),
            "[A]\r\nCount=2\r\n1Modul=basis\r\n2Modul=neu\r\n2=HTML-Seite\r\n");
        ModulStatistik s;
        s.GetModulStatistik();
        const QStringList first = rowOf(s, 0) + rowOf(s, 1);
        s.GetModulStatistik();
        QCOMPARE(s.rowCount(), 2);
        QCOMPARE(rowOf(s, 0) + rowOf(s, 1), first);
        QCOMPARE(rowOf(s, 1), row("      NEU.TVM", 1, 0, 0, 1, 0));

        // A changed catalogue is read afresh.
        m_dirs->writeProgramFile(QStringLiteral("Section_Grafik.dat"), "[A]\r\n1Modul=neu\r\n");
        s.GetModulStatistik();
        QCOMPARE(s.rowCount(), 1);
        QCOMPARE(rowOf(s, 0), row("      NEU.TVM", 1, 1, 0, 0, 0));
    }

    void missingFilesGiveNoRows()
    {
        QCOMPARE(computed().rowCount(), 0); // no Sections.dat at all
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Fehlt\r\nDa\r\n");
        m_dirs->writeProgramFile(QStringLiteral("Section_Da.dat"), "[A]\r\n1Modul=da\r\n");
        const ModulStatistik s = computed();
        QCOMPARE(s.modules(), QList<QByteArray> { "da" });
    }

    void aHugeCountIsCutAndStaysQuick()
    {
        m_dirs->writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\n");
        m_dirs->writeProgramFile(
            QStringLiteral("Section_Grafik.dat"), "[Riesig]\r\nCount=2147483647\r\n1Modul=a\r\n");
        QElapsedTimer timer;
        timer.start();
        const ModulStatistik s = computed();
        QVERIFY2(timer.elapsed() < 20000, qPrintable(QString::number(timer.elapsed())));
        QCOMPARE(s.modules(), (QList<QByteArray> { "a", "" }));
        QCOMPARE(s.total(0), 1);
        QCOMPARE(s.total(1), kMaxParts - 1);
    }
};

QTEST_GUILESS_MAIN(ModulStatistikTest)
#include "modulstatistik_test.moc"

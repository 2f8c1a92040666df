// SPDX-License-Identifier: GPL-3.0-or-later
#include "formdriver.h"

#include "app/mainwindow.h"
#include "navigation/entrylistbox.h"
#include "testdirs.h"
#include "widgets/findcontrol.h"
#include "zip/zipaccess.h"
#include "zipwriter.h"

#include <QtTest>

std::unique_ptr<tv::TForm1> startMainWindow(tv::Seam &seam)
{
    auto form = std::make_unique<tv::TForm1>(seam);
    form->ZipAccess1().setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN"));
    if (!form->FormCreate())
        return nullptr;
    form->show();
    if (!QTest::qWaitForWindowExposed(form.get()))
        return nullptr;
    return form;
}

void clickEntry(tv::TForm1 &form, int row, int section)
{
    auto *list = qobject_cast<tv::EntryListBox *>(
        tv::findControl(&form, QStringLiteral("SectionListBox%1").arg(section)));
    QVERIFY(list && list->item(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
}

void writeSmallCatalogue(const TestDirs &dirs, bool withNewest)
{
    dirs.writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\n");
    dirs.writeProgramFile(QStringLiteral("Section_Grafik.dat"),
        "[!Neuheiten]\r\n1Modul=alt\r\n"
        "[Bitmaps laden]\r\n1Modul=neu\r\n"
        "[Farben & Stifte]\r\n1Modul=alt\r\n"
        "[Dateien kopieren]\r\nCModul=alt\r\n1Modul=neu\r\n");
    dirs.writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"), "[K\xFChlschrank]\r\nCModul=Neu\r\n");
    if (withNewest)
        dirs.writeProgramFile(
            QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=neu.tvm\r\nDate=3\r\n");
}

void writeEveryPartKindCatalogue(const TestDirs &dirs)
{
    dirs.writeProgramFile(QStringLiteral("Sections.dat"), "Grafik\r\nKaeltetechnik\r\nBilder & Farben\r\n");
    dirs.writeProgramFile(QStringLiteral("Section_Grafik.dat"),
        "[Alle Teile]\r\nCount=6\r\n"
        "1=Artikel\r\n1Modul=basis\r\n1File=artikel.rtf\r\n1Describe=Ein Artikel\r\n"
        "2=Hinweise\r\n2Modul=basis\r\n2File=hinweise.txt\r\n"
        "3=Beispiel\r\n3Modul=basis\r\n3File=beispiel.zip\r\n3Archiv=Ein kleines Beispiel\r\n"
        "4=HTML-Seite\r\n4Modul=basis\r\n4File=seite.zip\r\n"
        "5=WWW-Link\r\n5Modul=basis\r\n5File=link.txt\r\n"
        "6=Komponente\r\n6Modul=fehlt\r\n6File=komponente.zip\r\n"
        "[Zweiter]\r\n1Modul=basis\r\n1File=hinweise.txt\r\n");
    dirs.writeProgramFile(QStringLiteral("Section_Kaeltetechnik.dat"),
        "[K\xFChlschrank]\r\n1Modul=basis\r\n1File=hinweise.txt\r\n");
    dirs.writeProgramFile(
        QStringLiteral("Section_Bilder & Farben.dat"), "[Pinsel]\r\n1Modul=basis\r\n1File=hinweise.txt\r\n");
    dirs.writeProgramFile(QStringLiteral("CheckVersion.dat"), "[ModulDate]\r\nModul=basis.tvm\r\n");
    writeZip(dirs.programDir() + QStringLiteral("basis.tvm"),
        { { "artikel.rtf", "{\\rtf1\\ansi Ein \\b Artikel\\b0\\par}" },
            { "hinweise.txt", "Hinweise im Klartext\r\n" },
            { "beispiel.zip", zipBytes({ { "main.cpp", "int main() { return 0; }\n" } }) },
            { "seite.zip", zipBytes({ { "index.htm", "<html><body>Seite</body></html>" } }) },
            { "link.txt", "https://example.org/tipp\r\n" } });
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "formdriver.h"

#include "app/mainwindow.h"
#include "navigation/entrylistbox.h"
#include "testdirs.h"
#include "widgets/findcontrol.h"
#include "zip/zipaccess.h"

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

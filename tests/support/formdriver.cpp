// SPDX-License-Identifier: GPL-3.0-or-later
#include "formdriver.h"

#include "app/mainwindow.h"
#include "navigation/entrylistbox.h"
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

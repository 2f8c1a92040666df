// SPDX-License-Identifier: GPL-3.0-or-later
// Pictures of the main window for docs/: at a device pixel ratio of 2
// (QT_SCALE_FACTOR=2) and with a dark palette. Run by scripts/screenshots
// on the offscreen platform over the sample catalogue.
//
//     tipvault_screenshots <program dir> <file prefix> [--dark]
//
// writes <prefix>-index.png (an entry's Index grid with its marks) and
// <prefix>-text.png (a text part).
#include "app/mainwindow.h"
#include "catalogue/paths.h"
#include "fakeseam.h"
#include "navigation/entrylistbox.h"
#include "widgets/findcontrol.h"
#include "zip/zipaccess.h"

#include <QApplication>
#include <QFileInfo>
#include <QPalette>
#include <QStyleFactory>
#include <QTabWidget>
#include <QTest>

#include <cstdio>

namespace {

QPalette darkPalette()
{
    QPalette p;
    const QColor window(45, 45, 48), base(30, 30, 32), text(230, 230, 230), highlight(42, 130, 218);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, window);
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, window);
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::ToolTipBase, base);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Disabled, QPalette::Text, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(120, 120, 120));
    p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(120, 120, 120));
    return p;
}

/// Clicks the entry named `name` in the list of the active section tab.
bool clickNamed(tv::TForm1 &form, const QByteArray &name)
{
    auto *list = qobject_cast<tv::EntryListBox *>(tv::findControl(&form, QStringLiteral("SectionListBox1")));
    for (int row = 0; list && row < list->count(); ++row) {
        if (list->entryName(row) == name) {
            QTest::mouseClick(
                list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(row)).center());
            return true;
        }
    }
    return false;
}

bool save(tv::TForm1 &form, const QString &path)
{
    QApplication::processEvents();
    if (form.grab().save(path))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = QApplication::arguments();
    if (args.size() < 3) {
        std::fprintf(stderr, "usage: tipvault_screenshots <program dir> <file prefix> [--dark]\n");
        return 2;
    }
    if (args.contains(QStringLiteral("--dark"))) {
        QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
        QApplication::setPalette(darkPalette());
    }
    // Extracting a part moves the current directory into the Work directory.
    const QString programDir = QFileInfo(args[1]).absoluteFilePath() + u'/';
    const QString prefix = QFileInfo(args[2]).absoluteFilePath();
    tv::setProgramDirOverride(programDir);
    FakeSeam seam;
    tv::TForm1 form(seam);
    form.ZipAccess1().setEngineDirectory(programDir);
    if (!form.FormCreate())
        return 1;
    form.resize(960, 600);
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return 1;
    if (!clickNamed(form, "std::optional statt Sentinel-Werten"))
        return 1;
    form.PageControl2()->setCurrentIndex(0);
    if (!save(form, prefix + QStringLiteral("-index.png")))
        return 1;
    if (!clickNamed(form, "Smart Pointer richtig w\xE4hlen"))
        return 1;
    return save(form, prefix + QStringLiteral("-text.png")) ? 0 : 1;
}

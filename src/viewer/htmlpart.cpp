// SPDX-License-Identifier: GPL-3.0-or-later
#include "htmlpart.h"

#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "viewer/entryviewer.h"
#include "widgets/imagelist.h"
#include "zip/zipaccess.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScopeGuard>
#include <QUrl>

namespace tv {
namespace {

constexpr char kIndexPage[] = "index.htm";

/// Unpacked pages of earlier parts may have left an "index.htm" (in any
/// letter case); it goes first, so that what is found afterwards is this page's.
void removeIndexPages(const QString &work)
{
    const QStringList names = QDir(work).entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        if (equalsIgnoringAsciiCase(QFile::encodeName(name), kIndexPage))
            QFile::remove(work + name);
    }
}

} // namespace

QLabel *createPageLabel(QWidget *sheet, const QString &text)
{
    auto *label = new QLabel(sheet);
    label->setTextFormat(Qt::PlainText);
    label->setText(QString(text).replace(QStringLiteral("\n\r"), QStringLiteral("\n")));
    label->move(64, 16);
    label->adjustSize();
    return label;
}

QLabel *createPagePicture(QWidget *sheet, const QString &name)
{
    auto *picture = new QLabel(sheet);
    const QPixmap pixmap = pagePicture(name);
    picture->setPixmap(pixmap);
    picture->setGeometry(QRect(QPoint(16, 16), pixmap.deviceIndependentSize().toSize()));
    return picture;
}

QPushButton *createShowButton(QWidget *sheet, int image, const QString &objectName)
{
    auto *button = new QPushButton(imageListIcon(image), QStringLiteral("Anzeigen"), sheet);
    button->setObjectName(objectName);
    button->setGeometry(64, 160, 90, std::max(25, button->sizeHint().height()));
    return button;
}

void HtmlPartBuilder::build(EntryViewer &viewer, QWidget *sheet)
{
    CreateHtmlPart(viewer, sheet);
}

void HtmlPartBuilder::CreateHtmlPart(EntryViewer &viewer, QWidget *sheet)
{
    createPageLabel(sheet,
        QStringLiteral("Dieser Teil ist nur als HMTL-Seite enthalten. Zum Anzeigen\n\r"
                       "dieser HTML-Seite wird automatisch Ihr Standardbrowser aufgerufen.\n\r"
                       "(Empfohlen Internet Explorer 5.01)."));
    createPagePicture(sheet, QStringLiteral("HTML"));
    QPushButton *button
        = createShowButton(sheet, ImgHtml, QStringLiteral("HtmlButton%1").arg(viewer.info.CurrentPart));
    button->setProperty(kPartFileProperty, viewer.info.CurrentFile);
    button->setProperty(kModulProperty, viewer.info.CurrentModul);
    QObject::connect(button, &QPushButton::clicked, button,
        [&viewer, button] { guarded(viewer.seam(), [&] { HtmlButtonClick(viewer, button); }); });
}

void HtmlPartBuilder::HtmlButtonClick(EntryViewer &viewer, QAbstractButton *sender)
{
    const QByteArray file = sender->property(kPartFileProperty).toByteArray();
    const QString work = GetWorkDir();
    removeIndexPages(work);
    viewer.ExtractModulFile(sender->property(kModulProperty).toByteArray(), file);
    unpackPage(viewer, workFile(file));
    if (!fileExistsIn(work, kIndexPage)) {
        viewer.host().setStatus(
            QStringLiteral("Die HTML-Seite kann nicht angezeigt werden: index.htm wurde nicht entpackt."));
        return;
    }
    viewer.seam().openExternal(QUrl::fromLocalFile(resolveName(work, kIndexPage)));
}

void HtmlPartBuilder::unpackPage(EntryViewer &viewer, const QString &archive)
{
    // The archive goes whether unpacking works or throws; the pages stay.
    const auto removeArchive = qScopeGuard([&] {
        if (!archive.isEmpty())
            QFile::remove(archive);
    });
    TZipAccess &zip = viewer.ZipAccess1();
    zip.setZipFilename(archive);
    zip.setExtrBaseDir(GetWorkDir());
    zip.setFSpecArgs({ "*.*" });
    zip.Extract();
}

} // namespace tv

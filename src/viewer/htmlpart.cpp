// SPDX-License-Identifier: GPL-3.0-or-later
#include "htmlpart.h"

#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "viewer/partcontext.h"
#include "widgets/imagelist.h"
#include "zip/zipaccess.h"

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

HtmlPage::HtmlPage(const Part &part)
    : PartPage(part)
{
    createPageLabel(this,
        QStringLiteral("Dieser Teil ist nur als HMTL-Seite enthalten. Zum Anzeigen\n\r"
                       "dieser HTML-Seite wird automatisch Ihr Standardbrowser aufgerufen.\n\r"
                       "(Empfohlen Internet Explorer 5.01)."));
    createPagePicture(this, QStringLiteral("HTML"));
    m_show = createShowButton(this, ImgHtml, QStringLiteral("HtmlButton%1").arg(part.number));
}

HtmlPartBuilder::HtmlPartBuilder(const PartContext &context)
    : m_context(context)
{
}

PartPage *HtmlPartBuilder::createPage(const Part &part)
{
    auto *page = new HtmlPage(part);
    QObject::connect(page->showButton(), &QPushButton::clicked, page,
        [this, page] { guarded(m_context.seam(), [&] { HtmlButtonClick(*page); }); });
    return page;
}

void HtmlPartBuilder::fill(PartPage &) { }

void HtmlPartBuilder::HtmlButtonClick(const HtmlPage &page)
{
    const QByteArray &file = page.part().file;
    const QString work = GetWorkDir();
    removeIndexPages(work);
    m_context.ExtractModulFile(page.part().modul, file);
    unpackPage(workFile(file));
    if (!fileExistsIn(work, kIndexPage)) {
        m_context.showStatus(
            QStringLiteral("Die HTML-Seite kann nicht angezeigt werden: index.htm wurde nicht entpackt."));
        return;
    }
    m_context.seam().openExternal(QUrl::fromLocalFile(resolveName(work, kIndexPage)));
}

void HtmlPartBuilder::unpackPage(const QString &archive)
{
    // The archive goes whether unpacking works or throws; the pages stay.
    const auto removeArchive = qScopeGuard([&] {
        if (!archive.isEmpty())
            QFile::remove(archive);
    });
    TZipAccess &zip = m_context.ZipAccess1();
    zip.setZipFilename(archive);
    zip.setExtrBaseDir(GetWorkDir());
    zip.setFSpecArgs({ "*.*" });
    zip.Extract();
}

} // namespace tv

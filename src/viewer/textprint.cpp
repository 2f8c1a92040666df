// SPDX-License-Identifier: GPL-3.0-or-later
#include "textprint.h"

#include "catalogue/atomicfile.h"
#include "catalogue/errors.h"
#include "catalogue/seam.h"
#include "viewer/textpart.h"
#include "viewer/textzoom.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QPrinter>
#include <QTextDocument>

namespace tv {

std::unique_ptr<QTextDocument> printableCopy(const QTextDocument &doc)
{
    std::unique_ptr<QTextDocument> copy(doc.clone());
    zoomTextDocument(copy.get(), 100);
    return copy;
}

QByteArray textPdf(const QTextDocument &doc, const QString &title)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&buffer);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("Tipvault"));
        writer.setPageSize(QPageSize(QPageSize::A4));
        printableCopy(doc)->print(&writer);
    }
    return buffer.data();
}

void printTextDocument(Seam &seam, const QTextDocument &doc, const QString &title)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(title);
    printer.setCreator(QStringLiteral("Tipvault"));
    if (!seam.choosePrinter(printer))
        return;
    const BusyCursor busy(seam);
    printableCopy(doc)->print(&printer);
    if (printer.printerState() == QPrinter::Error)
        throw Error(QStringLiteral("Der Text konnte nicht gedruckt werden"));
}

void exportTextPdf(Seam &seam, const QTextDocument &doc, const QString &title)
{
    SaveRequest request;
    request.title = QStringLiteral("Als PDF exportieren");
    request.filters = { QStringLiteral("PDF-Dateien (*.pdf)") };
    request.defaultSuffix = QStringLiteral("pdf");
    request.fileName = proposedFileName(title);
    const SaveAnswer answer = seam.chooseSaveFile(request);
    if (answer.path.isEmpty())
        return;
    const BusyCursor busy(seam);
    const QByteArray pdf = textPdf(doc, title);
    AtomicFile file(answer.path, AtomicFile::Fallback::InPlace);
    if (!file.open() || !file.write(pdf) || !file.commit())
        throw Error(QStringLiteral("Datei %1 kann nicht erstellt werden").arg(answer.path));
}

} // namespace tv

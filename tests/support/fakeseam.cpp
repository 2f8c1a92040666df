// SPDX-License-Identifier: GPL-3.0-or-later
#include "fakeseam.h"

#include <QMimeData>
#include <QPrinter>

#include <memory>

tv::MessageButton FakeSeam::message(const tv::MessageRequest &request)
{
    messages.append(request);
    if (onMessage)
        onMessage(request);
    if (!answers.isEmpty())
        return answers.takeFirst();
    if (request.buttons & tv::Yes)
        return tv::Yes;
    return tv::Ok;
}

QString FakeSeam::chooseFolder(const QString &prompt)
{
    folderPrompts.append(prompt);
    return folders.isEmpty() ? QString() : folders.takeFirst();
}

tv::SaveAnswer FakeSeam::chooseSaveFile(const tv::SaveRequest &request)
{
    saveRequests.append(request);
    return saveFiles.isEmpty() ? tv::SaveAnswer {} : saveFiles.takeFirst();
}

bool FakeSeam::choosePrinter(QPrinter &printer)
{
    printedDocNames.append(printer.docName());
    const QString file = printFiles.isEmpty() ? QString() : printFiles.takeFirst();
    if (file.isEmpty())
        return false;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(file);
    return true;
}

bool FakeSeam::openExternal(const QUrl &url)
{
    opened.append(url);
    return openResult;
}

void FakeSeam::setClipboard(QMimeData *data)
{
    std::unique_ptr<QMimeData> owned(data);
    clipboardText = data ? data->text() : QString();
    clipboardRtf = data ? data->data(QStringLiteral("text/rtf")) : QByteArray();
}

void FakeSeam::setBusy(bool busy)
{
    busyDepth += busy ? 1 : -1;
    ++busyCalls;
}

void FakeSeam::clear()
{
    answers.clear();
    folders.clear();
    saveFiles.clear();
    printFiles.clear();
    openResult = true;
    onMessage = nullptr;
    messages.clear();
    folderPrompts.clear();
    saveRequests.clear();
    printedDocNames.clear();
    opened.clear();
    clipboardText.clear();
    clipboardRtf.clear();
    busyDepth = 0;
    busyCalls = 0;
}

QStringList FakeSeam::messageTexts() const
{
    QStringList texts;
    for (const tv::MessageRequest &m : messages)
        texts.append(m.text);
    return texts;
}

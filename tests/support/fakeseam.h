// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/seam.h"

#include <QList>
#include <QString>
#include <QUrl>

#include <functional>

/// @short A scripted seam: answers from queues and records what was shown.
///
/// Tests hand it to the code under test as the program hands its desktop
/// seam. A box with no scripted answer gets its first button (Ok, or Yes in a
/// Yes/No box).
class FakeSeam : public tv::Seam
{
public:
    tv::MessageButton message(const tv::MessageRequest &request) override;
    QString chooseFolder(const QString &prompt) override;
    tv::SaveAnswer chooseSaveFile(const tv::SaveRequest &request) override;
    /// Answers the print dialog with the next of `printFiles`: a PDF file the
    /// printer writes to, or "" for cancelled (also when none is left).
    bool choosePrinter(QPrinter &printer) override;
    bool openExternal(const QUrl &url) override;
    void setClipboard(QMimeData *data) override;
    void setBusy(bool busy) override;

    // Scripted answers, taken front first.
    QList<tv::MessageButton> answers;
    QList<QString> folders; // "" = cancelled
    QList<tv::SaveAnswer> saveFiles; // empty path = cancelled
    QList<QString> printFiles; // "" = cancelled
    bool openResult = true;
    /// Runs as a box is shown, before it is answered: what the user might do meanwhile.
    std::function<void(const tv::MessageRequest &request)> onMessage;

    // What happened.
    QList<tv::MessageRequest> messages;
    QList<QString> folderPrompts;
    QList<tv::SaveRequest> saveRequests;
    QStringList printedDocNames; // the document name of every print dialog shown
    QList<QUrl> opened;
    QString clipboardText;
    QByteArray clipboardRtf;
    int busyDepth = 0;
    int busyCalls = 0;

    /// The texts of all boxes shown so far, in order.
    QStringList messageTexts() const;
    /// Drops every scripted answer and everything recorded, as if new.
    void clear();
};

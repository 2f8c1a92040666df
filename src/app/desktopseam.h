// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/seam.h"

class QWidget;

/// @short The seam over Qt's dialogs and the desktop: message boxes with German
/// buttons, the folder, save and print dialogs, QDesktopServices, the clipboard and
/// the override cursor.
namespace tv {

class DesktopSeam : public Seam
{
public:
    MessageButton message(const MessageRequest &request) override;
    QString chooseFolder(const QString &prompt) override;
    SaveAnswer chooseSaveFile(const SaveRequest &request) override;
    bool choosePrinter(QPrinter &printer) override;
    bool openExternal(const QUrl &url) override;
    void setClipboard(QMimeData *data) override;
    void setBusy(bool busy) override;
};

} // namespace tv

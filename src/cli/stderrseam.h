// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/seam.h"

#include <QString>

#include <cstdio>

/// @short The seam of the command-line tool: every box becomes one line on
/// standard error, and nothing ever waits for an answer.
///
/// A box's text goes out as "<Titel>: <Text>" with its line breaks joined into
/// one line. Questions take the answer an unattended run needs, which is the
/// box's default: "Ja" to a Yes/No question (on the integration path the only
/// one asks whether to search the last folder again, and Ja keeps the folder
/// dialog from opening), "OK" otherwise. Dialogs count as cancelled, nothing is
/// handed to the desktop and the clipboard is left alone.
namespace tv::cli {

class Progress;

class StderrSeam : public Seam
{
public:
    explicit StderrSeam(std::FILE *out = stderr);

    MessageButton message(const MessageRequest &request) override;
    QString chooseFolder(const QString &prompt) override;
    SaveAnswer chooseSaveFile(const SaveRequest &request) override;
    bool choosePrinter(QPrinter &printer) override;
    bool openExternal(const QUrl &url) override;
    void setClipboard(QMimeData *data) override;
    void setBusy(bool busy) override;

    /// How many boxes of the kind "Fehler" were shown; a command that reports
    /// through the core fails when there was one.
    int errorCount() const { return m_errors; }
    /// A progress line to take away before a message is written.
    void setProgress(Progress *progress) { m_progress = progress; }

    /// "Fehler: Zeile 1 Zeile 2" for a box titled "Fehler" with two lines.
    static QString lineFor(const MessageRequest &request);

private:
    std::FILE *m_out;
    int m_errors = 0;
    Progress *m_progress = nullptr;
};

} // namespace tv::cli

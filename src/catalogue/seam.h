// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

class QMimeData;
class QPrinter;

/// @short The one door to the user and the desktop.
///
/// Everything that waits on the user or hands something to the desktop goes
/// through a Seam: message boxes, the folder and save dialogs, opening a file
/// or address, the clipboard and the busy cursor. There is no global one: the
/// application creates its Seam and hands it to whatever needs it, and the
/// core takes it as a parameter, so that a tool without windows can answer
/// with a Seam of its own. Tests hand in a scripted one that answers and records.
namespace tv {

enum class MessageKind { None, Error, Information, Confirmation, Warning };

enum MessageButton : int { NoButton = 0, Ok = 1, Yes = 2, No = 4, Cancel = 8 };

struct MessageRequest
{
    MessageKind kind = MessageKind::None;
    QString title;
    QString text;
    int buttons = Ok;
};

struct SaveRequest
{
    QString title;
    QStringList filters; // "RichEdit-Dateien (*.rtf)" ...
    QString defaultSuffix; // "txt"
    QString directory; // where the dialog starts
    QString fileName; // the name it proposes
};

struct SaveAnswer
{
    QString path; // empty when cancelled
    int filterIndex = 0;
};

class Seam
{
public:
    virtual ~Seam() = default;

    /// Shows a modal box; returns the button pressed. In a Yes/No box Yes is the
    /// default and Escape answers No.
    virtual MessageButton message(const MessageRequest &request) = 0;
    /// The folder dialog with the prompt; an empty string when cancelled.
    virtual QString chooseFolder(const QString &prompt) = 0;
    virtual SaveAnswer chooseSaveFile(const SaveRequest &request) = 0;
    /// The print dialog: sets up `printer` as the user chooses; false when cancelled.
    virtual bool choosePrinter(QPrinter &printer) = 0;
    /// Hands a file or address to the desktop's default handler.
    virtual bool openExternal(const QUrl &url) = 0;
    virtual void setClipboard(QMimeData *data) = 0;
    virtual void setBusy(bool busy) = 0;
};

/// A box titled by its kind: "Fehler", "Information", "Bestätigung", "Warnung".
MessageButton showMessage(Seam &seam, MessageKind kind, const QString &text, int buttons = Ok);
/// A Bestätigung box with "&Ja" and "&Nein"; true for Yes.
bool askYesNo(Seam &seam, const QString &text);
QString titleFor(MessageKind kind);

/// Holds the busy cursor while it lives, however the command ends.
class BusyCursor
{
public:
    explicit BusyCursor(Seam &seam);
    ~BusyCursor();
    BusyCursor(const BusyCursor &) = delete;
    BusyCursor &operator=(const BusyCursor &) = delete;

private:
    Seam &m_seam;
};

} // namespace tv

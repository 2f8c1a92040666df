// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/findtarget.h"
#include "viewer/partbuilder.h"
#include "viewer/partpage.h"

#include <QMenu>
#include <QPointer>
#include <QTextEdit>

class QMimeData;

/// @short Text parts: an RTF or plain text Part file shown read-only on light
/// yellow, with a popup menu to select all, copy, save, print and export as PDF.
namespace tv {

/// The read-only text control of a text part ("EntryRichEdit<n>").
class RichEdit : public QTextEdit
{
    Q_OBJECT
public:
    explicit RichEdit(QWidget *parent);
    /// The selection in the formats a copy offers (text, HTML, RTF).
    QMimeData *selectionMimeData() const;
    /// Saving as RTF switches this on, saving as plain text off.
    bool richTextMode = true;
    /// What the text is called on paper and in a PDF: its part's description.
    QString title() const;

signals:
    void copyRequested(tv::RichEdit *edit);

protected:
    void keyPressEvent(QKeyEvent *event) override;
};

/// Loads `path` into `edit`: as RTF, else as Windows-1252 plain text. Throws
/// Error("Datei <path> kann nicht geöffnet werden") when it cannot be opened and
/// Error("Das Laden des Streams ist mißlungen") when it cannot be read.
void loadRichEdit(RichEdit *edit, const QString &path);

/// The extension of a chosen file name: from the last "." when it comes after
/// the last "/" and "\" and ":"; "" otherwise ("a.b/c" -> "", "x.RTF" -> ".RTF").
QString fileExtension(const QString &fileName);

/// The save dialog's proposal for a part's description: "/" and every other
/// character that cannot stand in a file name on this or another system
/// (backslash : * ? " < > | and control characters) becomes "_", and so does
/// "." or ".." alone: "Ein/Aus: C:\x" -> "Ein_Aus_ C__x".
QString proposedFileName(const QString &description);

class PartContext;

/// The popup menu of the text controls ("PopupMenu1"); its handlers act on the
/// control it was opened on.
class TextPartMenu : public QMenu
{
    Q_OBJECT
public:
    TextPartMenu(const PartContext &context, QWidget *parent);
    void popupFor(RichEdit *edit, const QPoint &globalPos);

    void PopupMenu1Popup();
    void Allesmarkieren1Click();
    void Kopieren1Click();
    void Speichernunter1Click();
    void Drucken2Click();
    void PdfExport2Click();
    /// Copies the selection of `edit` to the clipboard.
    void copySelection(RichEdit *edit);

    QAction *Kopieren1() const { return m_kopieren; }

private:
    const PartContext &m_context;
    QPointer<RichEdit> m_target;
    QAction *m_kopieren;
};

/// The page of a text part: the part's text in its read-only control.
class TextPage : public PartPage
{
    Q_OBJECT
public:
    explicit TextPage(const Part &part);
    RichEdit *edit() const { return m_edit; }
    FindTarget *findTarget() const override;

private:
    RichEdit *m_edit;
    TextFindTarget *m_find;
};

/// Makes text pages and loads their Part file from the module; every text
/// control opens the one popup menu.
class TextPartBuilder : public PartBuilder
{
public:
    TextPartBuilder(const PartContext &context, QWidget *menuParent);
    PartPage *createPage(const Part &part) override;
    /// Throws Error("Datei <path> kann nicht geöffnet werden") when the Part
    /// file cannot be brought into the Work directory or read.
    void fill(PartPage &page) override;

private:
    const PartContext &m_context;
    TextPartMenu *m_menu;
};

} // namespace tv

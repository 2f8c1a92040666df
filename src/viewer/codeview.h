// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QPlainTextEdit>

namespace tv {

/// @short A read-only plain text with its line numbers in a margin on the
/// left: fixed-pitch, tabs four blanks wide, no wrapping, as code is read.
///
/// Text is selected with mouse and keyboard; a copy (Ctrl+C or the popup
/// menu's "Kopieren") is asked of the owner by copyRequested, so that it goes
/// through the seam.
class CodeView : public QPlainTextEdit
{
    Q_OBJECT
public:
    explicit CodeView(QWidget *parent);
    /// The selection as a copy puts it on the clipboard; the caller owns it.
    QMimeData *selectionMimeData() const { return createMimeDataFromSelection(); }

    /// The width of the number margin for the lines the text has now.
    int numberWidth() const;
    void paintNumbers(QPaintEvent *event);

signals:
    void copyRequested(tv::CodeView *view);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;

private:
    void fitMargin();
    void scrollMargin(const QRect &rect, int dy);

    QWidget *m_numbers;
};

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/partbuilder.h"

#include <QString>

class QAbstractButton;
class QLabel;
class QPushButton;

namespace tv {

/// The explaining text of a page that hands its part to the browser, at
/// (64, 16) and sized to the text. The text's line breaks are written LF CR;
/// each pair shows as one break.
QLabel *createPageLabel(QWidget *sheet, const QString &text);
/// The page's picture ("HTML" or "WWW") at (16, 16).
QLabel *createPagePicture(QWidget *sheet, const QString &name);
/// The "Anzeigen" button at (64, 160), 90 wide, with the kind's image.
QPushButton *createShowButton(QWidget *sheet, int image, const QString &objectName);

/// @short HTML page parts: the page explains that the part is a web page, and
/// its "Anzeigen" button unpacks the page into the Work directory and opens
/// "index.htm" in the default browser.
///
/// The button ("HtmlButton<n>") keeps the part's Part file and Module, because
/// the entry-build context has moved on by the time it is clicked.
class HtmlPartBuilder : public PartBuilder
{
public:
    void build(EntryViewer &viewer, QWidget *sheet) override;

    /// Extracts the part's archive from its Module, unpacks every member flat
    /// into the Work directory, deletes the archive and opens "index.htm" -
    /// but only an "index.htm" this click unpacked: one left by an earlier
    /// page is never shown for this one, the status bar says so instead.
    static void HtmlButtonClick(EntryViewer &viewer, QAbstractButton *sender);

    static constexpr char kPartFileProperty[] = "partFile";
    static constexpr char kModulProperty[] = "partModul";

private:
    static void CreateHtmlPart(EntryViewer &viewer, QWidget *sheet);
    /// Unpacks every member of `archive` flat into the Work directory with
    /// the window's ZIP component, then deletes the archive.
    static void unpackPage(EntryViewer &viewer, const QString &archive);
};

} // namespace tv

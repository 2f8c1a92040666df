// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/partbuilder.h"
#include "viewer/partpage.h"

#include <QString>

class QLabel;
class QPushButton;

namespace tv {

class PartContext;

/// The explaining text of a page that hands its part to the browser, at
/// (64, 16) and sized to the text. The text's line breaks are written LF CR;
/// each pair shows as one break.
QLabel *createPageLabel(QWidget *sheet, const QString &text);
/// The page's picture ("HTML" or "WWW") at (16, 16).
QLabel *createPagePicture(QWidget *sheet, const QString &name);
/// The "Anzeigen" button at (64, 160), 90 wide, with the kind's image.
QPushButton *createShowButton(QWidget *sheet, int image, const QString &objectName);

/// @short HTML page parts: the page explains that the part is a web page, and
/// its "Anzeigen" button ("HtmlButton<n>") unpacks the page into the Work
/// directory and opens "index.htm" in the default browser.
class HtmlPage : public PartPage
{
    Q_OBJECT
public:
    explicit HtmlPage(const Part &part);
    QPushButton *showButton() const { return m_show; }

private:
    QPushButton *m_show;
};

class HtmlPartBuilder : public PartBuilder
{
public:
    explicit HtmlPartBuilder(const PartContext &context);
    PartPage *createPage(const Part &part) override;
    /// Nothing to read: the module is opened when the button is clicked.
    void fill(PartPage &page) override;

    /// Extracts the part's archive from its Module, unpacks every member flat
    /// into the Work directory, deletes the archive and opens "index.htm" -
    /// but only an "index.htm" this click unpacked: one left by an earlier
    /// page is never shown for this one, the status bar says so instead.
    void HtmlButtonClick(const HtmlPage &page);

private:
    /// Unpacks every member of `archive` flat into the Work directory with
    /// the window's ZIP component, then deletes the archive.
    void unpackPage(const QString &archive);

    const PartContext &m_context;
};

} // namespace tv

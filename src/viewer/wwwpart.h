// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/partbuilder.h"

#include <QString>
#include <QUrl>

#include <functional>

class QAbstractButton;

namespace tv {

class Seam;

/// The address as a URL when it may go to the desktop, else an invalid QUrl.
///
/// Web links come from catalogue files that updates replace, and the desktop
/// runs whatever its handler for a scheme does, so only http, https and ftp
/// addresses with a host and mailto addresses pass, after the surrounding
/// blanks are dropped. An address starting with "www." is an http address;
/// blanks and other characters an address may not hold are percent-encoded;
/// control characters refuse it. A mailto address keeps only its subject,
/// body, cc and bcc fields:
///
///     " https://doc.qt.io/ "                 https://doc.qt.io/
///     "www.example.org/a b"                  http://www.example.org/a%20b
///     "mailto:a@b.org?subject=Hi&attach=x"   mailto:a@b.org?subject=Hi
///     "file:///usr/bin/xterm"  "/usr/bin/xterm"  "javascript:x"  ""   do not pass
QUrl webAddressUrl(const QString &address);

/// Hands `address` to the desktop through `seam` when webAddressUrl lets it
/// pass; otherwise tells in the status bar (through `setStatus`) that it is not opened.
void openWebAddress(
    Seam &seam, const QString &address, const std::function<void(const QString &)> &setStatus);

/// @short Web link parts: the address (first line of the Part file) in a
/// read-only edit box and an "Anzeigen" button that opens it in the browser.
///
/// The edit box is "WwwEdit<n>", the button "WwwButton<n>"; the button keeps
/// the address read at build time.
class WwwPartBuilder : public PartBuilder
{
public:
    void build(EntryViewer &viewer, QWidget *sheet) override;

    static void WwwButtonClick(EntryViewer &viewer, QAbstractButton *sender);

    static constexpr char kAddressProperty[] = "address";

private:
    static void CreateWwwPart(EntryViewer &viewer, QWidget *sheet);
    /// The first line of the part's file, extracted into the Work directory
    /// and deleted again. Throws IoError(2) "Datei nicht gefunden" when the
    /// Module does not hold it.
    static QByteArray readAddress(EntryViewer &viewer);
};

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/partbuilder.h"
#include "viewer/partpage.h"

#include <QString>
#include <QUrl>

#include <functional>

class QLineEdit;
class QPushButton;

namespace tv {

class PartContext;

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
/// read-only edit box ("WwwEdit<n>") and an "Anzeigen" button ("WwwButton<n>")
/// that opens it in the browser.
///
/// The page keeps the address read at build time; the button comes with it.
class WwwPage : public PartPage
{
    Q_OBJECT
public:
    explicit WwwPage(const Part &part);
    const QString &address() const { return m_address; }
    /// Shows `address` and adds the button that opens it.
    void setAddress(const QString &address);
    QLineEdit *addressEdit() const { return m_edit; }
    /// nullptr until setAddress().
    QPushButton *showButton() const { return m_show; }

signals:
    void showClicked();

private:
    QLineEdit *m_edit;
    QPushButton *m_show = nullptr;
    QString m_address;
};

class WwwPartBuilder : public PartBuilder
{
public:
    explicit WwwPartBuilder(const PartContext &context);
    PartPage *createPage(const Part &part) override;
    /// Reads the address; throws IoError(2) "Datei nicht gefunden" when the
    /// Module does not hold the Part file, and the page stays without a button.
    void fill(PartPage &page) override;

    void WwwButtonClick(const WwwPage &page);

private:
    /// The first line of the part's file, extracted into the Work directory
    /// and deleted again.
    QByteArray readAddress(const Part &part);

    const PartContext &m_context;
};

} // namespace tv

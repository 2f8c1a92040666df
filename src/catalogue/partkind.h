// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// @short The kinds of parts and everything that makes one, in one table.
///
/// A part's caption decides its kind; the viewer, the command line, the
/// statistics and the full-text index each read what they need of a kind
/// from its row in partKinds(). A new kind is a row here, a page and a
/// builder in src/viewer.
namespace tv {

/// The kind of a part, decided by its caption.
enum class PartKind : int { None = 0, Text = 1, Archive = 2, Html = 3, Www = 4 };

/// One kind's facts.
struct PartKindInfo
{
    PartKind kind = PartKind::None;
    /// The part captions of the kind, compared exactly ("Artikel", not "artikel").
    QList<QByteArray> captions;
    /// Its name in the command line's listings and messages ("Archiv").
    QString caption;
    /// Its stable token in --json ("archive").
    QString token;
    /// Further names --kind takes besides caption and token ("link").
    QList<QString> aliases;
    /// Its column in the module statistics, from 0.
    int statsColumn = 0;
    /// The image (an index of the image list) on its tabs and Index rows.
    int image = 0;
    /// Its flag among the full-text search's kinds (search::Kind).
    int searchKind = 0;
};

/// The kinds with a row, in the order Text, Archive, Html, Www.
const QList<PartKindInfo> &partKinds();
/// The row of `kind`; nullptr for PartKind::None.
const PartKindInfo *partKindInfo(PartKind kind);

/// "Artikel" ... "Editorial" are texts, "Archiv", "Beispiel", "Komponente"
/// archives, "HTML-Seite" and "WWW-Link"; anything else (also "artikel") none.
PartKind partKindOf(const QByteArray &caption);

/// The captions of `kind` ("Archiv", "Beispiel", "Komponente"); none for PartKind::None.
const QList<QByteArray> &partCaptions(PartKind kind);

} // namespace tv

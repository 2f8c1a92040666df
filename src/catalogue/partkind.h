// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

namespace tv {

/// The kind of a part, decided by its caption; the viewer keeps it as the
/// tab's image index, the statistics count by it.
enum class PartKind : int { None = 0, Text = 1, Archive = 2, Html = 3, Www = 4 };

/// "Artikel" ... "Editorial" are texts, "Archiv", "Beispiel", "Komponente"
/// archives, "HTML-Seite" and "WWW-Link"; anything else (also "artikel") none.
PartKind partKindOf(const QByteArray &caption);

/// The captions of `kind` ("Archiv", "Beispiel", "Komponente"); none for PartKind::None.
const QList<QByteArray> &partCaptions(PartKind kind);

} // namespace tv

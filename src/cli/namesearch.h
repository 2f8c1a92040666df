// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"

#include <QList>
#include <QString>

#include <optional>

/// @short The search command's results, best first.
///
/// Until the full-text index is there, entries are found by a piece of their
/// name, compared as the program's search box compares: both upper-cased by
/// the Windows-1252 letter rules ("ÄNDERN" finds "Farben ändern"), nothing
/// else normalised ("aendern" does not). A hit names its section and entry and
/// the part it was found in, 0 for the entry's name, so that hits in part
/// texts fit the same list.
namespace tv::cli {

struct SearchQuery
{
    QString text;
    /// Only this section's entries.
    std::optional<Section> section;
    /// Only entries with a part of this kind.
    std::optional<PartKind> kind;
};

struct SearchHit
{
    Section section;
    QByteArray entry;
    int part = 0;
    /// Higher is better: 3 the whole name, 2 its beginning, 1 anywhere in it.
    int score = 0;
};

/// Every matching entry, by score, then in catalogue order.
QList<SearchHit> searchNames(const SearchQuery &query);

/// "text", "archiv", "html", "link" and the captions' kind names ("Text",
/// "Archiv", "HTML-Seite", "WWW-Link"), case ignored; nothing for anything else.
std::optional<PartKind> kindFromName(const QString &name);
/// "Text", "Archiv", "HTML-Seite", "WWW-Link", "keine".
QString kindCaption(PartKind kind);
/// The stable token of --json: "text", "archive", "html", "www", "none".
QString kindToken(PartKind kind);

} // namespace tv::cli

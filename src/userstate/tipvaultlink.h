// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

/// @short "tipvault:" addresses: a place in a catalogue, or a full-text query.
///
/// A place is named by names, never by positions, so that a link survives an
/// update that adds sections, entries or parts:
///
///     tipvault:?rubrik=Grafik&eintrag=Bitmaps%20laden&teil=Hinweise
///     tipvault:?rubrik=C%2B%2B&eintrag=RAII&teil=Beispiel&nr=2&ordner=%2Fhome%2Fanna%2FTipps%2F
///     tipvault:?suche=std%3A%3Amove
///
/// `rubrik` is the section's line in Sections.dat, `teil` a part's caption
/// and `nr` which of the parts with that caption (from 1, written from 2 on);
/// `ordner` is the catalogue folder, written when it is not the one in use.
/// Values are UTF-8, percent-encoded except for A-Z a-z 0-9 "-._~"; names
/// are Windows-1252 bytes in memory.
namespace tv {

struct TipvaultLink
{
    QString folder; ///< "" = the catalogue in use
    QByteArray section;
    QByteArray entry;
    QByteArray part; ///< "" = the entry as a click shows it
    int partOccurrence = 1;
    QString query; ///< a full-text query instead of a place

    bool isSearch() const { return !query.isEmpty(); }
};

inline constexpr char16_t kLinkScheme[] = u"tipvault:";

/// The address of `link`.
QString formatLink(const TipvaultLink &link);
/// The link in `text`; nothing when it is no "tipvault:" address, names
/// neither a place (section and entry) nor a query, or holds a name that
/// Windows-1252 cannot spell, an unknown key or a bad `nr`.
std::optional<TipvaultLink> parseLink(const QString &text);

} // namespace tv

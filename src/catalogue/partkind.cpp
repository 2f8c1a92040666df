// SPDX-License-Identifier: GPL-3.0-or-later
#include "partkind.h"

namespace tv {

PartKind partKindOf(const QByteArray &caption)
{
    static const QByteArray texts[]
        = { "Artikel", "Beschreibung", "Hinweise", "FAQ", "Disclaimer", "Magazin", "Editorial" };
    for (const QByteArray &t : texts) {
        if (caption == t)
            return PartKind::Text;
    }
    if (caption == "Archiv" || caption == "Beispiel" || caption == "Komponente")
        return PartKind::Archive;
    if (caption == "HTML-Seite")
        return PartKind::Html;
    if (caption == "WWW-Link")
        return PartKind::Www;
    return PartKind::None;
}

} // namespace tv

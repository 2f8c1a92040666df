// SPDX-License-Identifier: GPL-3.0-or-later
#include "partkind.h"

namespace tv {

const QList<QByteArray> &partCaptions(PartKind kind)
{
    static const QList<QByteArray> texts
        = { "Artikel", "Beschreibung", "Hinweise", "FAQ", "Disclaimer", "Magazin", "Editorial" };
    static const QList<QByteArray> archives = { "Archiv", "Beispiel", "Komponente" };
    static const QList<QByteArray> pages = { "HTML-Seite" };
    static const QList<QByteArray> links = { "WWW-Link" };
    static const QList<QByteArray> none;
    switch (kind) {
    case PartKind::Text:
        return texts;
    case PartKind::Archive:
        return archives;
    case PartKind::Html:
        return pages;
    case PartKind::Www:
        return links;
    case PartKind::None:
        break;
    }
    return none;
}

PartKind partKindOf(const QByteArray &caption)
{
    for (const PartKind kind : { PartKind::Text, PartKind::Archive, PartKind::Html, PartKind::Www }) {
        if (partCaptions(kind).contains(caption))
            return kind;
    }
    return PartKind::None;
}

} // namespace tv

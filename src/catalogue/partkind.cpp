// SPDX-License-Identifier: GPL-3.0-or-later
#include "partkind.h"

namespace tv {

const QList<PartKindInfo> &partKinds()
{
    // Images: 1 note pad, 2 stack of books, 3 web page, 4 globe (widgets/imagelist).
    // Search kinds: the bits of search::Kind (1 is the entries' names).
    static const QList<PartKindInfo> kinds = {
        { PartKind::Text,
            { "Artikel", "Beschreibung", "Hinweise", "FAQ", "Disclaimer", "Magazin", "Editorial" },
            QStringLiteral("Text"), QStringLiteral("text"), {}, 0, 1, 1 << 1 },
        { PartKind::Archive, { "Archiv", "Beispiel", "Komponente" }, QStringLiteral("Archiv"),
            QStringLiteral("archive"), {}, 1, 2, 1 << 2 },
        { PartKind::Html, { "HTML-Seite" }, QStringLiteral("HTML-Seite"), QStringLiteral("html"), {}, 2, 3,
            1 << 3 },
        { PartKind::Www, { "WWW-Link" }, QStringLiteral("WWW-Link"), QStringLiteral("www"),
            { QStringLiteral("link") }, 3, 4, 1 << 4 },
    };
    return kinds;
}

const PartKindInfo *partKindInfo(PartKind kind)
{
    for (const PartKindInfo &info : partKinds()) {
        if (info.kind == kind)
            return &info;
    }
    return nullptr;
}

const QList<QByteArray> &partCaptions(PartKind kind)
{
    static const QList<QByteArray> none;
    const PartKindInfo *info = partKindInfo(kind);
    return info ? info->captions : none;
}

PartKind partKindOf(const QByteArray &caption)
{
    for (const PartKindInfo &info : partKinds()) {
        if (info.captions.contains(caption))
            return info.kind;
    }
    return PartKind::None;
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#include "partkinds.h"

namespace tv::cli {

std::optional<PartKind> kindFromName(const QString &name)
{
    const QString n = name.toCaseFolded();
    for (PartKind kind : { PartKind::Text, PartKind::Archive, PartKind::Html, PartKind::Www }) {
        if (n == kindToken(kind) || n == kindCaption(kind).toCaseFolded())
            return kind;
    }
    if (n == u"link")
        return PartKind::Www;
    return std::nullopt;
}

QString kindCaption(PartKind kind)
{
    switch (kind) {
    case PartKind::Text:
        return QStringLiteral("Text");
    case PartKind::Archive:
        return QStringLiteral("Archiv");
    case PartKind::Html:
        return QStringLiteral("HTML-Seite");
    case PartKind::Www:
        return QStringLiteral("WWW-Link");
    case PartKind::None:
        break;
    }
    return QStringLiteral("keine");
}

QString kindToken(PartKind kind)
{
    switch (kind) {
    case PartKind::Text:
        return QStringLiteral("text");
    case PartKind::Archive:
        return QStringLiteral("archive");
    case PartKind::Html:
        return QStringLiteral("html");
    case PartKind::Www:
        return QStringLiteral("www");
    case PartKind::None:
        break;
    }
    return QStringLiteral("none");
}

} // namespace tv::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "partkinds.h"

namespace tv::cli {

std::optional<PartKind> kindFromName(const QString &name)
{
    const QString n = name.toCaseFolded();
    for (const PartKindInfo &info : partKinds()) {
        if (n == info.token || n == info.caption.toCaseFolded() || info.aliases.contains(n))
            return info.kind;
    }
    return std::nullopt;
}

QString kindCaption(PartKind kind)
{
    const PartKindInfo *info = partKindInfo(kind);
    return info ? info->caption : QStringLiteral("keine");
}

QString kindToken(PartKind kind)
{
    const PartKindInfo *info = partKindInfo(kind);
    return info ? info->token : QStringLiteral("none");
}

} // namespace tv::cli

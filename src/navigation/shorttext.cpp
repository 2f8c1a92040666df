// SPDX-License-Identifier: GPL-3.0-or-later
#include "shorttext.h"

namespace tv {

QString shortText(const QString &text, qsizetype maxCharacters)
{
    if (text.size() <= maxCharacters)
        return text;
    qsizetype keep = std::max<qsizetype>(0, maxCharacters - 1);
    if (keep > 0 && text.at(keep - 1).isHighSurrogate())
        --keep;
    return text.left(keep) + u'…';
}

} // namespace tv

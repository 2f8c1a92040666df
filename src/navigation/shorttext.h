// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

namespace tv {

/// `text` when it has at most `maxCharacters` characters, else its first
/// characters and "…", `maxCharacters` in all.
///
/// Names come from catalogue files and may be megabytes long; laying out such
/// a text for the screen costs time and memory far beyond what can be shown.
/// Cuts never split a surrogate pair.
QString shortText(const QString &text, qsizetype maxCharacters = 200);

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

/// @short The words a reader sees in an RTF part, for the full-text index.
namespace tv::search {

/// True when the bytes start as an RTF document ("{\rtf").
bool looksLikeRtf(QByteArrayView bytes);

/// The text of an RTF document without control words, font, colour and style
/// tables, pictures or field instructions; "\u", "\'xx" and the document's and
/// fonts' code pages decoded. Formatting never splits a word:
///
///     {\rtf1 Spei{\b cher}\par Gr\'f6\'dfe}  ->  "Speicher\nGröße"
QString rtfText(QByteArrayView rtf);

} // namespace tv::search

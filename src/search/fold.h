// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

/// @short The one folding that index and queries share.
///
/// Lower case, "ä" "ö" "ü" "ß" spelled "ae" "oe" "ue" "ss", and every run of
/// white space or control characters one blank:
///
///     "Größe\r\n  der  DATEI"  ->  "groesse der datei"
///
/// So "Groesse" finds "Größe" and the other way round, and a phrase matches
/// whatever line breaks the text had.
namespace tv::search {

/// Whether folding lowers the letters too. Keep spells the umlauts out in
/// their own case, for a search that minds case: "Ärger" -> "Aerger",
/// "GROẞ" -> "GROSS".
enum class LetterCase { Lower, Keep };

QString fold(QStringView text, LetterCase letters = LetterCase::Lower);

/// A folded text and, for each of its characters, the index of the character
/// of the original it came from, so that a match can be marked in the original.
struct FoldedText
{
    QString text;
    QList<int> origin;
};

FoldedText foldWithOrigin(QStringView text, LetterCase letters = LetterCase::Lower);

} // namespace tv::search

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QList>

namespace tv {

/// What a group of an RTF document shows of its text. The viewer's reader and the
/// full-text index both follow this one rule, so the index finds what the reader
/// shows and nothing else.
enum class RtfGroupText : unsigned char {
    Shown, ///< part of the document: body text, footnotes, a text box's text, a field's result
    Hidden, ///< nothing inside is shown: header tables, instructions, shape properties
    Inner, ///< a shape or drawing object: its own text is not shown, groups inside decide
    Result, ///< a shape's stored look: shown, but the drawing objects in it repeat a text box's text
};

/// What a group shows once the control word @p word has been read in it, given
/// that it showed @p current so far (at first what the enclosing group shows).
/// @p starred: the word followed "\*", so a word this rule does not know hides the
/// group. Example: in a shown group, "shpinst" gives Inner, then "sp" inside it
/// Hidden and "shptxt" Shown; "fldinst" gives Hidden, "fldrslt" Shown.
RtfGroupText rtfGroupTextAfter(RtfGroupText current, QByteArrayView word, bool starred);

/// The words that decide what a group shows: destinations and a shape's parts.
/// Any other word keeps a group as it is, unless it follows "\*".
QList<QByteArrayView> rtfGroupWords();

} // namespace tv

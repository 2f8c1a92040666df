// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace tv {

/// Which table turns a byte of RTF text into a character.
enum class ByteEncoding {
    Windows, ///< a Windows ANSI or DOS code page (437, 850, 874, 1250-1258); anything else reads as 1252
    Symbol, ///< the "Symbol" font's own layout (Greek letters, arrows, the list bullet)
    Wingdings ///< the "Wingdings" font: only its list bullets and check marks
};

/// The code page a Windows font character set stands for, or 0 when the set names
/// none of its own (0 ANSI -> 1252, 238 -> 1250, 204 -> 1251, 128 SHIFTJIS -> 932;
/// 1 DEFAULT -> 0, so the document's code page applies).
int codePageForCharset(int charset);

/// Japanese 932, Simplified Chinese 936, Korean 949 and Traditional Chinese 950
/// write a character as a lead byte and a trail byte.
bool isDoubleByte(int codePage);

/// Whether @p byte starts a two-byte character in the double-byte @p codePage.
bool isLeadByte(int codePage, uchar byte);

/// Bytes of a double-byte code page as text: "\x82\xa0" in 932 is "あ".
QString decodeDoubleByte(int codePage, const QByteArray &bytes);

/// One byte of text in the given code page (also DOS 437 and 850). Bytes below
/// 0x80 are ASCII everywhere; bytes a code page leaves unassigned stay the C1
/// control of the same value, as the catalogue's own 1252 conversion does.
char16_t decodeWindowsByte(int codePage, uchar byte);

/// One byte of text in a symbol font, as the character it shows: in "Symbol" 0x61
/// is "α" and 0xB7 the bullet "•"; in "Wingdings" 0xA7 is the square bullet "▪".
/// Bytes without a sensible Unicode match keep their Latin-1 value.
char16_t decodeSymbolByte(ByteEncoding font, uchar byte);

} // namespace tv

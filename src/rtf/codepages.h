// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

namespace tv {

/// Which table turns a byte of RTF text into a character.
enum class ByteEncoding {
    Windows, ///< a Windows ANSI or DOS code page (437, 850, 874, 1250-1258)
              ///< or the Mac's Roman 10000; anything else reads as 1252
    Symbol, ///< the "Symbol" font's own layout (Greek letters, arrows, the list bullet)
    Wingdings ///< the "Wingdings" font: only its list bullets and check marks
};

/// The code page a Windows font character set stands for, or 0 when the set names
/// none of its own (0 ANSI -> 1252, 238 -> 1250, 204 -> 1251, 128 SHIFTJIS -> 932,
/// 77 MAC -> 10000, 78 Mac Japanese -> 932;
/// 1 DEFAULT -> 0, so the document's code page applies).
int codePageForCharset(int charset);

constexpr int kUtf8 = 65001; ///< "\\cpg65001": a font whose bytes are UTF-8

/// The code page whose converter reads @p codePage: the Mac's Japanese 10001 is
/// 932, its Chinese and Korean pages the Windows ones; others stay as they are.
int codePageFor(int codePage);

/// Japanese 932, Simplified Chinese 936, Korean 949, Traditional Chinese 950 and
/// UTF-8 write a character as more than one byte.
bool isMultiByte(int codePage);

/// How many bytes the character that starts with @p first takes in @p codePage:
/// 2 for a lead byte of a double-byte page, 1 to 4 in UTF-8, else 1.
int sequenceLength(int codePage, uchar first);

/// Bytes of a multi-byte code page as text: "\x82\xa0" in 932 is "あ". Bytes
/// that are no UTF-8 although the page says so read as Windows-1252.
QString decodeMultiByte(int codePage, const QByteArray &bytes);

/// One byte of text in the given code page (also DOS 437 and 850, Mac 10000). Bytes below
/// 0x80 are ASCII everywhere; bytes a code page leaves unassigned stay the C1
/// control of the same value, as the catalogue's own 1252 conversion does.
char16_t decodeWindowsByte(int codePage, uchar byte);

/// One byte of text in a symbol font, as the character it shows: in "Symbol" 0x61
/// is "α" and 0xB7 the bullet "•"; in "Wingdings" 0xA7 is the square bullet "▪".
/// Bytes without a sensible Unicode match keep their Latin-1 value.
char16_t decodeSymbolByte(ByteEncoding font, uchar byte);

} // namespace tv

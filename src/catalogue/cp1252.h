// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/// @short Windows-1252 texts: the catalogue's bytes and their display form.
///
/// Catalogue names and values stay QByteArray from disk until they are shown;
/// these are the only conversions between the two worlds.
namespace tv {

/// Every byte 0x00-0xFF to its character; the five bytes 1252 leaves unassigned
/// (0x81 0x8D 0x8F 0x90 0x9D) map to the C1 control of the same value.
QString fromCp1252(const QByteArray &bytes);

/// The reverse; a character outside 1252 becomes "?".
QByteArray toCp1252(const QString &text);

/// Module names: only a-z change ("neu.tvm" -> "NEU.TVM", "ä" stays).
QByteArray upperAscii(QByteArray text);

/// The search's upper-casing by the 1252 letter rules:
/// a-z, š->Š, œ->Œ, ž->Ž, ÿ->Ÿ and à..þ except ÷ (so ä->Ä, ö->Ö, ü->Ü).
QByteArray upperCp1252(QByteArray text);

/// ASCII-only case-insensitive equality, as file names are matched.
bool equalsIgnoringAsciiCase(const QByteArray &a, const QByteArray &b);

} // namespace tv

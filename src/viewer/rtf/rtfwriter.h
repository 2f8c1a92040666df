// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QTextDocument;

namespace tv {

/// The whole of @p doc as RTF that WordPad and our own reader understand.
///
/// The output is 7-bit: characters of Windows-1252 beyond ASCII as "\'hh", all
/// others as "\uN?". It carries a font and a colour table, bold, italic,
/// underline, strike-out, sizes, colours, alignment, indents, spacing, tab stops,
/// list markers ("\pntext") and PNG pictures. Paragraphs are separated, not
/// ended, by "\par", so reading the result gives back the same paragraphs.
QByteArray writeRtf(const QTextDocument &doc);

} // namespace tv

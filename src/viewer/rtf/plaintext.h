// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

namespace tv {

/// Replaces the content of @p doc with Windows-1252 text. CR LF, a lone CR and a
/// lone LF each end a line: "Zeile 1\r\nZeile 2" gives two paragraphs.
void readPlainText(const QByteArray &cp1252, QTextDocument *doc);

/// The text of @p doc as lines joined by "\n": every paragraph and manual line
/// break ends a line, a table row is one line with its cells separated by tabs.
QString plainText(const QTextDocument &doc);

/// The text of @p doc as a plain text file: Windows-1252 bytes, every line ended
/// by CR LF except the last, so "A", "B" give "A\r\nB" and "A", "" give "A\r\n".
/// Manual line breaks end a line too; characters outside 1252 become "?".
QByteArray plainTextCrLf(const QTextDocument &doc);

} // namespace tv

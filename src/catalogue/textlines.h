// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

namespace tv {

/// Splits catalogue text into lines, as the Section list file is read.
///
/// A line ends at CR; an LF right after that CR belongs to the line end, a lone
/// LF is text. Ctrl-Z (0x1A) ends the content. A line end at the very end starts
/// no further line. Example: "A\r\nB\nC\r\r\n\x1A X" gives "A", "B\nC", "".
QList<QByteArray> splitLines(const QByteArray &content);

/// Reads a whole text file and splits it; throws IoError when it cannot be read.
QList<QByteArray> readLines(const QString &path);

/// Reads a whole file; throws IoError (2 when missing, 5 when refused ...).
QByteArray readFileBytes(const QString &path);

} // namespace tv

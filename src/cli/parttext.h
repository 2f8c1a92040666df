// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

/// @short A text part's file as plain text, the way the text page reads it.
namespace tv::cli {

/// RTF when the bytes start as RTF, plain Windows-1252 text otherwise; lines
/// joined by "\n", table cells by tabs. Needs no display: only QTextDocument
/// is used, never laid out.
QString partText(const QByteArray &bytes);

/// The first line of a web link's part file: its address, without blanks around it.
QString linkAddress(const QByteArray &bytes);

} // namespace tv::cli

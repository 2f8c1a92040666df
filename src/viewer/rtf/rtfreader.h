// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

class QTextDocument;

namespace tv {

/// Replaces the content of @p doc with the rich text in @p rtf.
///
/// Returns false, leaving @p doc untouched, when the bytes are not RTF (they do
/// not start with "{\rtf"). Any input that starts so is shown as far as it makes
/// sense: unknown words and destinations are skipped, a missing final brace is
/// tolerated, and damaged input never crashes, hangs or recurses without bound.
///
/// Bullets and numbers of lists ("\pntext", "\listtext") are kept as the literal
/// text the writer of the file put there, followed by a tab to the hanging indent.
bool readRtf(const QByteArray &rtf, QTextDocument *doc);

} // namespace tv

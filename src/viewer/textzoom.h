// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QTextDocument;

/// @short Zoom for text parts that also scales RTF text with sizes of its own.
///
/// A text edit's own zoom only changes its default font, which an RTF file
/// overrides with a size for every run (\fs24). So the document's sizes are
/// scaled themselves, each from the size it had when first scaled, which the
/// format keeps: zooming to 150 and back to 100 gives the loaded sizes
/// exactly, and a copy of the document carries its loaded sizes along.
namespace tv {

/// The zoom a document is shown at, in percent; 100 until zoomTextDocument().
int textZoom(const QTextDocument &doc);

/// Shows every font size of `doc`, the default font's included, at `percent`
/// of its loaded size. Example: a run of 12 pt at 150 shows at 18 pt.
void zoomTextDocument(QTextDocument *doc, int percent);

} // namespace tv

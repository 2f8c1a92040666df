// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <memory>

class QTextDocument;

/// @short Paper and PDF for text parts, with the text's own formatting at its
/// loaded size (the zoom is for the screen).
namespace tv {

class Seam;

/// A copy of `doc` at the sizes it was loaded with.
std::unique_ptr<QTextDocument> printableCopy(const QTextDocument &doc);

/// `doc` as a PDF document titled `title`.
QByteArray textPdf(const QTextDocument &doc, const QString &title);

/// "Drucken...": prints `doc` on the printer chosen in the seam's print
/// dialog; nothing when it is cancelled. Throws Error when printing fails.
void printTextDocument(Seam &seam, const QTextDocument &doc, const QString &title);

/// "Als PDF exportieren...": asks for a file name (proposing `title`) and
/// replaces that file atomically with the PDF. Throws
/// Error("Datei <path> kann nicht erstellt werden") when it cannot be written.
void exportTextPdf(Seam &seam, const QTextDocument &doc, const QString &title);

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <memory>

class TestDirs;

namespace tv {
class Seam;
class TForm1;
} // namespace tv

/// @short Drives the real main window in GUI tests.

/// The main window over the catalogue in the Program directory, with the
/// engines of this build, shown and exposed; nullptr when it did not start.
std::unique_ptr<tv::TForm1> startMainWindow(tv::Seam &seam);

/// Clicks entry `row` in the list of section tab `section` (from 1).
void clickEntry(tv::TForm1 &form, int row, int section = 1);

/// A small catalogue: sections "Grafik" (entries "!Neuheiten", "Bitmaps laden",
/// "Farben & Stifte", "Dateien kopieren") and "Kaeltetechnik", shown with "ä"
/// ("Kühlschrank"); the newest module "neu.tvm" unless `withNewest` is false.
void writeSmallCatalogue(const TestDirs &dirs, bool withNewest = true);

/// A catalogue with a page of every kind: sections "Grafik" (entry "Alle Teile":
/// "Artikel" in RTF, "Hinweise" in plain text, "Beispiel" an archive, an
/// "HTML-Seite", a "WWW-Link" and a "Komponente" whose module "fehlt" is not
/// installed; entry "Zweiter"), "Kaeltetechnik" ("Kühlschrank") and
/// "Bilder & Farben" ("Pinsel"), all parts in the newest module "basis.tvm".
void writeEveryPartKindCatalogue(const TestDirs &dirs);

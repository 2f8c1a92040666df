// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

/// @short Builds a catalogue and Update archives from an author's source tree.
///
/// Sources are UTF-8 text with LF line ends; the catalogue's files and ".txt"
/// parts become Windows-1252 with CR LF, and a character 1252 cannot hold stops
/// the packing with the file and line. Layout of a source tree:
///
///     catalogue/Sections.dat, Section_<line>.dat, CheckVersion.dat
///     modules/<modul>/        the Part files of <modul>.tvm:
///         *.txt               converted like the catalogue
///         <name>.zip.d/       becomes the archive <name>.zip (subfolders kept)
///         anything else       packed byte for byte (RTF is written 7-bit)
///
/// and of an Update source: parts/ (as a module folder) and catalogue/ with its
/// Sections.dat, CheckVersion.dat and the Section files it changes; every other
/// Section file its Sections.dat lists comes from a base catalogue folder.
/// Every output replaces its file whole or not at all.
namespace tv::cli {

/// Told each file as it is packed, for a progress line.
using PackProgress = std::function<void(const QString &file)>;

/// "Grüße\n" -> "Gr\xFC\xDF" "e\r\n"; throws CliError naming `path` and the
/// line when the text is no UTF-8 or holds a character outside 1252. A
/// leading byte order mark is dropped.
QByteArray catalogueText(const QString &path, const QByteArray &utf8);

/// Packs `source` (catalogue/ and modules/) into the folder `out`, made when
/// missing; returns the files written. Other files in `out` stay.
QStringList packCatalogue(const QString &source, const QString &out, const PackProgress &progress = {});

/// Packs the Update source `source` into the archive `out`; Section files not
/// in source/catalogue/ are taken from `base` (a catalogue/ source folder).
void packUpdate(
    const QString &source, const QString &out, const QString &base, const PackProgress &progress = {});

} // namespace tv::cli

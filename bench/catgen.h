// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

/// @short Realistic catalogues of any size, for the benchmarks.
///
/// Everything is derived from a seed, so the same call writes the same bytes.
/// A catalogue of 3 sections with 100 entries each, in a folder that then
/// serves as the Program directory:
///
///     tv::bench::CatalogueOptions options;
///     const tv::bench::GeneratedCatalogue cat
///         = tv::bench::generateCatalogue("/tmp/cat/", 3, 100, options);
///     // cat.sections: {"Grafik", "Datenbanken", "Kaeltetechnik"}
///     // files: Sections.dat, Section_Grafik.dat ..., CheckVersion.dat, TIPVAULT.ini,
///     //        mod001.tvm ... (parts as RTF, plain text, example archives,
///     //        HTML pages and web links)
///
/// Entries have one to four parts: first a text part ("Artikel", "FAQ" ...; RTF
/// or plain text), then possibly an example archive, an HTML page or a web
/// link. About one entry in 40 is Marked ("!" first), the entries of the
/// newest module count as new, some entries have no Count (one "Artikel") and
/// some a CModul. Section files are CR LF, Windows-1252, with umlauts.
namespace tv::bench {

/// What goes into the modules.
enum class ModuleContent {
    Full, ///< every part file the catalogue names, with realistic content
    Empty, ///< the module files exist (so parts count as installed) but hold one small member
};

struct CatalogueOptions
{
    unsigned seed = 1;
    /// Entries whose parts one module holds; the last module is the newest.
    int entriesPerModule = 2000;
    ModuleContent content = ModuleContent::Full;
    /// Paragraphs of a text part: from 1 to this many (about 300 bytes each).
    int maxParagraphs = 8;
};

struct GeneratedCatalogue
{
    QString dir; ///< ends with "/"
    QList<QByteArray> sections; ///< the lines of Sections.dat (Windows-1252)
    QStringList modules; ///< module file names, "mod001.tvm" ...; the last is the newest
    qint64 entries = 0;
    qint64 parts = 0;
    qint64 textParts = 0;
};

/// Writes a catalogue of `sections` sections × `entriesPerSection` entries into
/// `dir` (created when missing; files of the same names are overwritten).
/// Throws std::runtime_error when a file cannot be written.
GeneratedCatalogue generateCatalogue(
    const QString &dir, int sections, int entriesPerSection, const CatalogueOptions &options = {});

/// Writes the Update archive `folder` + `name` + ".tvu" for the catalogue in
/// `catalogue`: `members` new part files (RTF and plain text), a copy of the
/// catalogue's Sections.dat, CheckVersion.dat with [ModulDate] Date raised by
/// `serial` and Section_<line>.dat for every section, the first of them with
/// one new entry per 10 members and its version raised to `serial`. Returns
/// the archive's path; throws std::runtime_error on failure.
QString generateUpdate(const QString &catalogue, const QString &folder, const QString &name, int members,
    int serial, unsigned seed = 1);

/// Writes a module `path` of `members` text parts "tip00000.rtf" ... (RTF or
/// plain text); throws std::runtime_error on failure.
void generateModule(const QString &path, int members, unsigned seed = 1);

/// A realistic RTF document: font and colour tables, bold headings, German
/// text with umlauts written as \'xx, a code sample, 1 to `paragraphs` paragraphs.
QByteArray rtfDocument(unsigned seed, int paragraphs);
/// The same kind of text as Windows-1252 plain text with CR LF line ends.
QByteArray plainDocument(unsigned seed, int paragraphs);

} // namespace tv::bench

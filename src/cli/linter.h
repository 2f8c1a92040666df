// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

#include <functional>

/// @short Lints the catalogue in the Program directory like a compiler.
///
/// One finding per fault, pointing at the file and line to change:
///
///     Sections.dat:5: Fehler: leere Zeile: eine Rubrik ohne Namen (ein Zeilenende zu viel?)
///     Section_C++.dat:12: Fehler: Eintrag 'RAII', Teil 2: Modul 'extras.tvm' fehlt
///     extras.tvm: Warnung: Modul wird von keinem Eintrag benutzt
///
/// Errors are what keeps the program from starting or from showing a part;
/// warnings are what it shows other than the author may think (a caption it
/// does not know, a value it cuts, a file nobody uses).
namespace tv::cli {

class StderrSeam;

enum class Severity { Error, Warning };

struct Finding
{
    QString file; // as named in the Program directory: "Section_C++.dat"
    int line = 0; // from 1; 0 for the file as a whole
    Severity severity = Severity::Error;
    QString text;

    /// "FILE:LINE: Fehler: text", or "FILE: Warnung: text" without a line.
    QString toString() const;
};

/// Told the section being checked, for a progress line.
using CheckProgress = std::function<void(const QString &section, int number, int count)>;

/// Every finding, in the order of the files: Sections.dat, CheckVersion.dat,
/// the Section files in Sections.dat order, then the Modules. Module listings
/// go through the ZIP component with the given seam and engine folder.
QList<Finding> checkCatalogue(StderrSeam &seam, const QString &engineDir, const CheckProgress &progress = {});

} // namespace tv::cli

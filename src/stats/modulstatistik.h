// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <optional>

namespace tv {

/// The counter a part adds to, by its caption, in the window's column order.
enum class CountColumn : int { Text = 0, Archive = 1, Html = 2, Www = 3 };
inline constexpr int kCountColumns = 4;

/// "Artikel" ... "Editorial" count as texts, "Archiv", "Beispiel",
/// "Komponente" as archives, then "HTML-Seite" and "WWW-Link"; any other
/// caption (also "artikel") counts nowhere.
std::optional<CountColumn> countColumnOf(const QByteArray &caption);

/// @short The module statistics: every module the catalogue names, with the
/// number of parts of each kind that it holds.
///
/// Computed from the catalogue in the Program directory alone; the modules
/// themselves are never opened. Rows follow the first appearance of a name
/// (sections in Sections.dat order, entries in file order, parts by number);
/// names are told apart with letter case, but a part counts in the first row
/// whose name equals its module ignoring ASCII case:
///
///     1Modul=basis, 2Modul=BASIS, 3Modul=neu  ->  rows "basis", "BASIS", "neu";
///     parts 1 and 2 count in "basis", "BASIS" shows zeros.
class ModulStatistik
{
public:
    /// ReadModulList, ClearModulCounts, CountModulParts. Every run starts
    /// afresh, so running it twice gives the same numbers.
    void GetModulStatistik();
    /// Reads the module name and caption of every part of every entry and
    /// lists the module names. A missing Sections.dat or Section file adds nothing.
    void ReadModulList();
    /// One row of counters per module name, all zero.
    void ClearModulCounts();
    /// Adds every part read by ReadModulList to its row, in the column of its
    /// caption (a part without one counts as a text). Entries are cut at
    /// kMaxParts parts, as the entry viewer cuts them.
    /// Runs after ReadModulList and ClearModulCounts.
    void CountModulParts();

    int rowCount() const { return int(m_modules.size()); }
    const QList<QByteArray> &modules() const { return m_modules; }
    /// Column 0: six spaces, the name with a-z in capitals, ".TVM".
    QByteArray moduleText(int row) const;
    int count(int row, CountColumn column) const;
    /// The sum of the row's four counters.
    int total(int row) const;
    /// True when the Program directory holds the row's module file (letter
    /// case ignored); never for the row of parts that name no module.
    bool isInstalled(int row) const;

private:
    /// What counting needs of one part; the catalogue is read once, so the
    /// counts always match the list even when a file changes meanwhile.
    struct Part
    {
        int row; // of the module's exact name in m_modules
        int column; // CountColumn, or -1 for a caption that counts nowhere
    };

    QList<Part> m_parts; // only while computing
    QList<QByteArray> m_modules;
    QList<std::array<int, kCountColumns>> m_counts;
};

} // namespace tv

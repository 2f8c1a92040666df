// SPDX-License-Identifier: GPL-3.0-or-later
#include "modulstatistik.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/entry.h"
#include "catalogue/errors.h"
#include "catalogue/partkind.h"

#include <QHash>

#include <algorithm>
#include <numeric>
#include <utility>

namespace tv {

std::optional<CountColumn> countColumnOf(const QByteArray &caption)
{
    const PartKindInfo *info = partKindInfo(partKindOf(caption));
    if (!info)
        return std::nullopt;
    return CountColumn(info->statsColumn);
}

void ModulStatistik::GetModulStatistik()
{
    ReadModulList();
    ClearModulCounts();
    CountModulParts();
    m_parts.clear();
}

void ModulStatistik::ReadModulList()
{
    m_parts.clear();
    m_modules.clear();
    QList<Section> sections;
    try {
        sections = readSections();
    } catch (const IoError &) {
        // A Sections.dat that cannot be read lists no modules.
    }
    // A catalogue of 600,000 parts names a few hundred modules: each part keeps
    // the row of its module's exact name and its column, not the texts.
    QHash<QByteArray, int> rows;
    for (const Section &section : std::as_const(sections)) {
        // One read of each Section file: the counts match the file as it was at that moment.
        for (const EntryParts &entry : section.file().entriesWithParts(PartFields::KindAndModule)) {
            for (const tv::Part &part : entry.parts) {
                auto row = rows.constFind(part.modul);
                if (row == rows.constEnd()) {
                    row = rows.insert(part.modul, int(m_modules.size()));
                    m_modules.append(part.modul);
                }
                const std::optional<CountColumn> column = countColumnOf(part.caption);
                m_parts.append({ *row, column ? int(*column) : -1 });
            }
        }
    }
}

void ModulStatistik::ClearModulCounts()
{
    m_counts.fill({}, m_modules.size());
}

void ModulStatistik::CountModulParts()
{
    // A part counts in the first row whose name equals its module's ignoring ASCII case.
    QHash<QByteArray, int> firstRow;
    for (int row = int(m_modules.size()) - 1; row >= 0; --row)
        firstRow[upperAscii(m_modules[row])] = row; // from the last row on: the first one wins
    QList<int> countsIn(m_modules.size());
    for (qsizetype row = 0; row < m_modules.size(); ++row)
        countsIn[row] = firstRow.value(upperAscii(m_modules[row]));
    for (const Part &part : std::as_const(m_parts)) {
        if (part.column >= 0)
            ++m_counts[countsIn[part.row]][part.column];
    }
}

QByteArray ModulStatistik::moduleText(int row) const
{
    return QByteArray(6, ' ') + upperAscii(m_modules.at(row)) + ".TVM";
}

int ModulStatistik::count(int row, CountColumn column) const
{
    return m_counts.at(row)[int(column)];
}

int ModulStatistik::total(int row) const
{
    const std::array<int, kCountColumns> &counts = m_counts.at(row);
    return std::accumulate(counts.begin(), counts.end(), 0);
}

bool ModulStatistik::isInstalled(int row) const
{
    return moduleInstalled(m_modules.at(row));
}

} // namespace tv

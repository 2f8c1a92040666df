#include "modulstatistik.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/errors.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"

#include <algorithm>
#include <numeric>

namespace tv {

std::optional<CountColumn> countColumnOf(const QByteArray &caption)
{
    static const QByteArray texts[] = {"Artikel", "Beschreibung", "Hinweise", "FAQ", "Disclaimer", "Magazin",
                                       "Editorial"};
    for (const QByteArray &t : texts) {
        if (caption == t)
            return CountColumn::Text;
    }
    if (caption == "Archiv" || caption == "Beispiel" || caption == "Komponente")
        return CountColumn::Archive;
    if (caption == "HTML-Seite")
        return CountColumn::Html;
    if (caption == "WWW-Link")
        return CountColumn::Www;
    return std::nullopt;
}

void ModulStatistik::GetModulStatistik()
{
    ReadModulList();
    ClearModulCounts();
    CountModulParts();
    m_sectionNames.clear();
}

void ModulStatistik::forEachPart(const PartVisitor &visit) const
{
    for (const QByteArray &section : m_sectionNames) {
        const QString path = programFile(sectionFileName(section));
        for (const QByteArray &entry : ini::sectionNames(path)) {
            const int parts = std::min(ini::readInteger(path, entry, "Count", 1), kMaxParts);
            for (int n = 1; n <= parts; ++n)
                visit(path, entry, n);
        }
    }
}

void ModulStatistik::ReadModulList()
{
    m_modules.clear();
    try {
        m_sectionNames = readSectionLines();
    } catch (const IoError &) {
        m_sectionNames.clear();
    }
    forEachPart([this](const QString &path, const QByteArray &entry, int n) {
        const QByteArray modul = ini::readString(path, entry, QByteArray::number(n) + "Modul", QByteArray());
        if (!m_modules.contains(modul))
            m_modules.append(modul);
    });
}

void ModulStatistik::ClearModulCounts()
{
    m_counts.fill({}, m_modules.size());
}

void ModulStatistik::CountModulParts()
{
    forEachPart([this](const QString &path, const QByteArray &entry, int n) {
        const QByteArray key = QByteArray::number(n);
        const QByteArray modul = ini::readString(path, entry, key + "Modul", QByteArray());
        const auto row = std::find_if(m_modules.cbegin(), m_modules.cend(),
                                      [&](const QByteArray &m) { return equalsIgnoringAsciiCase(m, modul); });
        const std::optional<CountColumn> column = countColumnOf(ini::readString(path, entry, key, "Artikel"));
        // The list was read from the same files; a row is missing only when
        // one changed in between, and then the part is simply not counted.
        if (column && row != m_modules.cend() && m_counts.size() == m_modules.size())
            ++m_counts[row - m_modules.cbegin()][int(*column)];
    });
}

QByteArray ModulStatistik::modulText(int row) const
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
    const QByteArray &modul = m_modules.at(row);
    return !modul.isEmpty() && fileExistsIn(GetProgramDir(), upperAscii(modul) + ".TVM");
}

} // namespace tv

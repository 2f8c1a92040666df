// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogfixture.h"

#include "testdirs.h"

CatalogWriter::CatalogWriter(QString programDir)
    : m_dir(std::move(programDir))
{
}

void CatalogWriter::endEntry()
{
    if (m_count > 0)
        m_ini += "Count=" + QByteArray::number(m_count) + "\r\n" + m_parts;
    m_parts.clear();
    m_count = 0;
}

CatalogWriter &CatalogWriter::entry(const QByteArray &name)
{
    endEntry();
    m_ini += "[" + name + "]\r\n";
    return *this;
}

CatalogWriter &CatalogWriter::part(const QByteArray &caption, const QByteArray &modul, const QByteArray &file,
    const QByteArray &describe, const QByteArray &archiv)
{
    const QByteArray n = QByteArray::number(++m_count);
    m_parts += n + "=" + caption + "\r\n" + n + "Modul=" + modul + "\r\n" + n + "File=" + file + "\r\n";
    if (!describe.isEmpty())
        m_parts += n + "Describe=" + describe + "\r\n";
    if (!archiv.isEmpty())
        m_parts += n + "Archiv=" + archiv + "\r\n";
    return *this;
}

void CatalogWriter::writeSection(const QByteArray &line)
{
    endEntry();
    TestDirs::writeFile(m_dir + QString::fromLatin1("Section_" + line + ".dat"), m_ini);
    m_ini.clear();
}

void CatalogWriter::writeSections(const QList<QByteArray> &lines) const
{
    TestDirs::writeFile(m_dir + QStringLiteral("Sections.dat"), lines.join("\r\n") + "\r\n");
}

void CatalogWriter::writeModule(const QByteArray &modul, const QList<ZipMember> &members) const
{
    writeZip(m_dir + QString::fromLatin1(modul + ".tvm"), members);
}

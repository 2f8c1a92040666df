// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "zipwriter.h"

#include <QByteArray>
#include <QList>
#include <QString>

/// @short Small catalogues for the full-text tests, written as real files.
///
///     CatalogWriter cat(dir);
///     cat.entry("Bitmaps laden").part("Artikel", "basis", "bitmaps.rtf");
///     cat.writeSection("Grafik");               // Section_Grafik.dat
///     writeZip(dir + "basis.tvm", {{"bitmaps.rtf", "{\\rtf1 ...}"}});
class CatalogWriter
{
public:
    explicit CatalogWriter(QString programDir);

    CatalogWriter &entry(const QByteArray &name);
    /// Adds a part to the entry begun last; an empty describe writes no key.
    CatalogWriter &part(const QByteArray &caption, const QByteArray &modul, const QByteArray &file,
        const QByteArray &describe = QByteArray(), const QByteArray &archiv = QByteArray());
    /// Writes "Section_<line>.dat" with the entries added since the last call.
    void writeSection(const QByteArray &line);
    /// Writes Sections.dat with these lines.
    void writeSections(const QList<QByteArray> &lines) const;
    void writeModule(const QByteArray &modul, const QList<ZipMember> &members) const;

private:
    QString m_dir;
    QByteArray m_ini;
    QByteArray m_parts;
    int m_count = 0;
    void endEntry();
};

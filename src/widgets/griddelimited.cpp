// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortgrid.h"

namespace tv {
namespace {

/// Lines as a text file is read into a list: CR LF, CR or LF end a line, and
/// an end at the very end starts no further line. "a\r\nb\nc\r" gives a, b, c.
QStringList splitTextLines(const QString &text)
{
    QStringList lines;
    QString line;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c != u'\r' && c != u'\n') {
            line.append(c);
            continue;
        }
        if (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            ++i;
        lines.append(line);
        line.clear();
    }
    if (!line.isEmpty())
        lines.append(line);
    return lines;
}

} // namespace

void TSortGrid::ImportDelimited(const QString &FileName, QChar Separator)
{
    const QStringList lines = splitTextLines(m_texts.decode(m_texts.readFile(FileName)));
    ClearCells();
    setRowCount(int(lines.size()));
    setColCount(FixedCols() + 1);
    for (int row = 0; row < int(lines.size()); ++row) {
        const QStringList fields = lines[row].split(Separator);
        if (fields.size() > ColCount())
            setColCount(int(fields.size()));
        for (int col = 0; col < int(fields.size()); ++col)
            setCells(col, row, fields[col]);
    }
}

void TSortGrid::ExportDelimited(const QString &FileName, QChar Separator) const
{
    QByteArray content;
    for (int row = 0; row < RowCount(); ++row) {
        QStringList texts;
        for (int col = 0; col < ColCount(); ++col)
            texts.append(Cells(col, row));
        content += m_texts.encode(texts.join(Separator) + QStringLiteral("\r\n"));
    }
    m_texts.writeFile(FileName, content);
}

} // namespace tv

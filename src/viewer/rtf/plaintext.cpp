// SPDX-License-Identifier: GPL-3.0-or-later
#include "plaintext.h"

#include "catalogue/cp1252.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace tv {
namespace {

QString blockText(const QTextBlock &block)
{
    QString line = block.text();
    line.remove(QChar::ObjectReplacementCharacter); // images have no text
    return line;
}

QString cellText(const QTextTableCell &cell);

// A table inside a cell: its rows follow each other on the cell's one line.
QString tableInline(const QTextTable &table)
{
    QStringList rows;
    for (int r = 0; r < table.rows(); ++r) {
        QStringList cells;
        for (int c = 0; c < table.columns(); ++c) {
            const QTextTableCell cell = table.cellAt(r, c);
            if (cell.row() == r && cell.column() == c)
                cells << cellText(cell);
        }
        rows << cells.join(u'\t');
    }
    return rows.join(u' ');
}

/// A cell's paragraphs and line breaks become spaces: a row stays one line.
QString cellText(const QTextTableCell &cell)
{
    QStringList parts;
    for (auto it = cell.begin(); !it.atEnd(); ++it) {
        if (const auto *table = qobject_cast<const QTextTable *>(it.currentFrame()))
            parts << tableInline(*table);
        else if (!it.currentFrame())
            parts << blockText(it.currentBlock()).replace(QChar::LineSeparator, u' ');
    }
    parts.removeAll(QString());
    return parts.join(u' ');
}

void appendLines(QTextFrame::iterator it, QStringList &lines)
{
    for (; !it.atEnd(); ++it) {
        const QTextFrame *frame = it.currentFrame();
        if (const auto *table = qobject_cast<const QTextTable *>(frame)) {
            for (int r = 0; r < table->rows(); ++r) {
                QStringList cells;
                for (int c = 0; c < table->columns(); ++c) {
                    const QTextTableCell cell = table->cellAt(r, c);
                    if (cell.column() == c) // a merged cell's text counts once, in its first row
                        cells << (cell.row() == r ? cellText(cell) : QString());
                }
                lines << cells.join(u'\t');
            }
        } else if (frame) {
            appendLines(frame->begin(), lines);
        } else {
            lines << blockText(it.currentBlock()).split(QChar::LineSeparator);
        }
    }
}

} // namespace

void readPlainText(const QByteArray &cp1252, QTextDocument *doc)
{
    QByteArray lines = cp1252;
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    doc->setPlainText(fromCp1252(lines));
}

QString plainText(const QTextDocument &doc)
{
    QStringList lines;
    appendLines(doc.rootFrame()->begin(), lines);
    return lines.join(u'\n');
}

QByteArray plainTextCrLf(const QTextDocument &doc)
{
    return toCp1252(plainText(doc).replace(u'\n', QLatin1String("\r\n")));
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#include "output.h"

#include "catalogue/catalogue.h"
#include "cli/names.h"

#include <QRegularExpression>

namespace tv::cli {

void write(std::FILE *to, const QByteArray &bytes)
{
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), to);
}

QString table(const QStringList &header, const QList<QStringList> &rows, const QList<int> &right)
{
    QList<qsizetype> widths(header.size(), 0);
    for (const QStringList &row : QList<QStringList> { header } + rows) {
        for (int c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    QString text;
    for (const QStringList &row : QList<QStringList> { header } + rows) {
        QString line;
        for (int c = 0; c < row.size(); ++c) {
            const bool last = c + 1 == row.size();
            const QString cell = right.contains(c) ? row[c].rightJustified(widths[c])
                : last                             ? row[c]
                                                   : row[c].leftJustified(widths[c]);
            line += (c ? QStringLiteral("  ") : QString()) + cell;
        }
        text += line.trimmed().isEmpty() ? QStringLiteral("\n")
                                         : line.remove(QRegularExpression(QStringLiteral("\\s+$"))) + u'\n';
    }
    return text;
}

QJsonObject sectionJson(const QByteArray &caption, const QByteArray &line)
{
    return { { QStringLiteral("name"), shownName(caption) }, { QStringLiteral("stored"), shownName(line) } };
}

QJsonObject sectionJson(const Section &s)
{
    return sectionJson(s.caption, s.line);
}

} // namespace tv::cli

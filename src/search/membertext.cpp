// SPDX-License-Identifier: GPL-3.0-or-later
#include "membertext.h"

#include "archives.h"
#include "catalogue/textcontent.h"
#include "search/query.h"

namespace tv::search {
namespace {

// Starts the mark line before each member's text; no text member keeps one.
constexpr char16_t kMark = u'\x1E';

} // namespace

QString archiveText(ZipArchive &archive)
{
    const QStringList names = archive.memberNames();
    QString text = names.join(u'\n');
    for (qsizetype i = 0; i < names.size(); ++i) {
        if (names[i].endsWith(u'/'))
            continue; // a folder
        const std::optional<QByteArray> bytes = archive.memberAt(quint64(i), kMaxTextMember);
        if (!bytes || bytes->isEmpty()
            || !looksLikeText(QByteArrayView(*bytes).first(std::min(bytes->size(), kTextProbe))))
            continue;
        QString body = decodeText(*bytes, false);
        body.replace(kMark, u' ');
        text += u'\n' + QChar(kMark) + QString(names[i]).replace(u'\n', u' ') + u'\n' + body;
    }
    return text;
}

ArchiveContext archiveContext(const QString &text, const QStringList &terms)
{
    // The piece with the most matches wins, the names on a tie: "int main"
    // shows main.cpp's line, not the name "main.cpp".
    const QStringList pieces = text.split(u'\n' + QChar(kMark));
    const auto names = contextLine(pieces.first(), terms);
    ArchiveContext best { {}, names.first, names.second };
    for (qsizetype i = 1; i < pieces.size(); ++i) {
        const qsizetype lineEnd = pieces[i].indexOf(u'\n');
        if (lineEnd < 0)
            continue;
        auto [line, marks] = contextLine(pieces[i].mid(lineEnd + 1), terms);
        if (line.isEmpty() || marks.size() <= best.marks.size())
            continue;
        const QString member = pieces[i].left(lineEnd);
        const QString lead = member + QStringLiteral(": ");
        for (auto &mark : marks)
            mark.first += int(lead.size());
        best = { member, lead + line, marks };
    }
    return best;
}

} // namespace tv::search

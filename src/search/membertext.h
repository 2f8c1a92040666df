// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

/// @short What the index holds of an archive part: its member names, then
/// the text of every text member after a mark line naming the member.
///
///     "src/main.cpp\nREADME\n\x1Esrc/main.cpp\nint main() ...\n\x1EREADME\n..."
namespace tv::search {

class ZipArchive;

/// Members larger than this are found by their names only.
inline constexpr qint64 kMaxTextMember = 1024 * 1024;

/// The member names, and the text members' texts each after its mark line.
QString archiveText(ZipArchive &archive);

/// Where a query matches best in archiveText(): in a member's text (`member`
/// its path, the context line led by it), or in the names (`member` empty).
struct ArchiveContext
{
    QString member;
    QString line;
    QList<QPair<int, int>> marks;
};
ArchiveContext archiveContext(const QString &text, const QStringList &terms);

} // namespace tv::search

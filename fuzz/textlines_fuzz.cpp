// SPDX-License-Identifier: GPL-3.0-or-later
// The line reader of Sections.dat against a plain byte-by-byte reading of its
// rules, and the file reader against the bytes it was given.

#include "catalogue/textlines.h"
#include "fuzzsupport.h"

#include <QFile>

using namespace tv;

namespace {

/// One byte at a time: CR ends a line and takes an LF right after it along,
/// a lone LF is text, Ctrl-Z ends everything, and a line end at the very end
/// opens no further line.
QList<QByteArray> referenceLines(const QByteArray &content)
{
    QList<QByteArray> lines;
    QByteArray line;
    bool open = false; // a line has begun that no CR has ended yet
    for (qsizetype i = 0; i < content.size() && content[i] != '\x1A'; ++i) {
        if (content[i] == '\r') {
            lines.append(line);
            line.clear();
            open = false;
            if (i + 1 < content.size() && content[i + 1] == '\n')
                ++i;
        } else {
            line += content[i];
            open = true;
        }
    }
    if (open)
        lines.append(line);
    return lines;
}

QByteArray joined(const QList<QByteArray> &lines)
{
    QByteArray out;
    for (const QByteArray &line : lines)
        out += line + "\r\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray content = fuzz::bytes(data, size);
    const QList<QByteArray> lines = splitLines(content);
    const QList<QByteArray> expected = referenceLines(content);
    if (lines != expected)
        fuzz::fail("splitLines reads lines as CR, CR LF and Ctrl-Z say", joined(expected), joined(lines));

    const QString path = fuzz::freshPath("lines");
    fuzz::writeFile(path, content);
    if (readFileBytes(path) != content)
        fuzz::fail("readFileBytes gives the file's bytes");
    if (readLines(path) != lines)
        fuzz::fail("readLines splits the file as splitLines splits its bytes");
    QFile::remove(path);
    return 0;
}

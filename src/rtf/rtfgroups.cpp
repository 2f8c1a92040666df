// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfgroups.h"

#include <string_view>
#include <unordered_map>

namespace tv {
namespace {

const std::unordered_map<std::string_view, RtfGroupText> &groupWords()
{
    using enum RtfGroupText;
    static const std::unordered_map<std::string_view, RtfGroupText> words = {
        // The header's tables and the document's properties.
        { "fonttbl", Hidden }, { "colortbl", Hidden }, { "stylesheet", Hidden }, { "info", Hidden },
        { "listtable", Hidden }, { "listoverridetable", Hidden }, { "revtbl", Hidden }, { "rsidtbl", Hidden },
        { "filetbl", Hidden }, { "template", Hidden }, { "userprops", Hidden }, { "docvar", Hidden },
        { "themedata", Hidden }, { "colorschememapping", Hidden }, { "latentstyles", Hidden },
        { "datastore", Hidden }, { "generator", Hidden }, { "xmlnstbl", Hidden }, { "mmathPr", Hidden },
        // What is printed on every page rather than read once.
        { "header", Hidden }, { "headerl", Hidden }, { "headerr", Hidden }, { "headerf", Hidden },
        { "footer", Hidden }, { "footerl", Hidden }, { "footerr", Hidden }, { "footerf", Hidden },
        // Notes to the text: comments, index and contents entries, bookmarks.
        { "annotation", Hidden }, { "atnid", Hidden }, { "atnauthor", Hidden }, { "xe", Hidden }, { "tc", Hidden },
        { "txe", Hidden }, { "rxe", Hidden }, { "bkmkstart", Hidden }, { "bkmkend", Hidden },
        // Embedded objects and the plain forms of pictures and lists that repeat them.
        { "object", Hidden }, { "objdata", Hidden }, { "pict", Hidden }, { "nonshppict", Hidden },
        { "pn", Hidden }, { "pntxta", Hidden }, { "pntxtb", Hidden }, { "nonesttables", Hidden },
        // A field shows its result, not its instruction.
        { "fldinst", Hidden }, { "fldrslt", Shown },
        // Footnotes and endnotes are read like the body.
        { "footnote", Shown }, { "shppict", Shown }, { "nesttableprops", Shown }, { "listtext", Shown },
        { "pntext", Shown },
        // Shapes: only a text box's text is shown, never a property.
        { "shp", Inner }, { "shpgrp", Inner }, { "shpinst", Inner }, { "sp", Hidden }, { "shptxt", Shown },
        { "shprslt", Result },
        // Drawing objects of Word 95 and a shape's stored look.
        { "do", Inner }, { "dptxbxtext", Shown },
    };
    return words;
}

} // namespace

QList<QByteArrayView> rtfGroupWords()
{
    QList<QByteArrayView> out;
    for (const auto &[word, shows] : groupWords())
        out.append(QByteArrayView(word.data(), qsizetype(word.size())));
    return out;
}

RtfGroupText rtfGroupTextAfter(RtfGroupText current, QByteArrayView word, bool starred)
{
    using enum RtfGroupText;
    if (current == Hidden)
        return Hidden;
    const auto &words = groupWords();
    const auto found = words.find(std::string_view(word.data(), std::size_t(word.size())));
    if (found == words.end())
        return starred ? Hidden : current;
    if (found->second == Inner && word == "do" && current == Result)
        return Hidden; // the shape already showed its text box
    return found->second;
}

} // namespace tv

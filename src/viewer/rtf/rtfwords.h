// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "rtf/rtflexer.h"
#include "rtfmodel.h"

#include <QByteArrayView>
#include <QFont>
#include <QTextFrameFormat>

#include <algorithm>
#include <string_view>
#include <unordered_map>

namespace tv::rtfread {

// clang-format off
enum class Word {
    Ansi, Pc, Pca, AnsiCpg, Deff, Uc, U, FontTable, ColorTable, Pict, NestTableProps, FontCharset,
    FontFamily, Red, Green, Blue, Plain, F, Fs, B, I, Ul, UlNone, UlDotted, UlDash, UlWave, Strike, Hidden, Cf,
    Cb, Super, Sub, NoSuperSub, Up, Dn, Caps, Scaps, Pard, Par, Line, Tab, Ql, Qc, Qr, Qj, Li, Ri, Fi, Sb, Sa,
    Sl, SlMult, Tx, Tqr, Tqc, CbPat, CfPat, Shading, BrdrT, BrdrB, BrdrL, BrdrR, Box, BrdrStyle, BrdrNone,
    BrdrW, BrdrCf, BrSp, Intbl, Itap, Trowd, TrLeft, TrBrdr, ClBrdr, ClMgf, ClMrg, ClVmgf, ClVmrg, ClCbPat,
    Cellx, Cell, Row, NestCell, NestRow, PngBlip, JpegBlip, DibBitmap, WBitmap, Metafile, PicW, PicH, PicBpp,
    PicWbpl, PicWGoal, PicHGoal, PicScaleX, PicScaleY, Bullet,
    EmDash, EnDash, LQuote, RQuote, LDblQuote, RDblQuote, EmSpace, EnSpace, QmSpace, Zwj, Zwnj,
    Mac, Cpg, Group, Footnote, TextBox, FldInst, FldRslt, Chftn, ListText, Ls, Ilvl, ListTable, ListOverrideTable,
    List, ListId, ListLevel, LevelNfc, LevelStartAt, LevelFollow, LevelText, ListOverride,
};
// clang-format on


// "\fswiss" and its kin name the kind of a font-table entry.
QFont::StyleHint styleHintFor(QByteArrayView word);
// The kind of a font whose table entry names none ("\\fnil", as WordPad writes
// every font): fixed for the typewriter and terminal faces, else proportional.
QFont::StyleHint styleHintForName(const QString &family);
QTextFrameFormat::BorderStyle borderStyleFor(QByteArrayView word);
// The side a "\clbrdrt" or "\trbrdrh" word names by its last letter.
int sideFor(QByteArrayView word);
const std::unordered_map<std::string_view, Word> &wordTable();
// Words that open a group of their own kind: a table, a picture, a note.
bool isDestination(Word w);
// Characters that a control word stands for; 0 for other words.
char16_t symbolFor(Word w);

inline bool isOn(const RtfToken &t)
{
    return !t.hasParam || t.param != 0;
}

inline int clampTwips(int v)
{
    return std::clamp(v, -kMaxTwips, kMaxTwips);
}

} // namespace tv::rtfread

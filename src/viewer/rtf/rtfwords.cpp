// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfwords.h"

namespace tv::rtfread {

QFont::StyleHint styleHintFor(QByteArrayView word)
{
    if (word == "froman")
        return QFont::Serif;
    if (word == "fswiss")
        return QFont::SansSerif;
    if (word == "fmodern")
        return QFont::Monospace;
    if (word == "fscript")
        return QFont::Cursive;
    if (word == "fdecor")
        return QFont::Decorative;
    return QFont::AnyStyle;
}

QTextFrameFormat::BorderStyle borderStyleFor(QByteArrayView word)
{
    if (word == "brdrdb" || word == "brdrtriple")
        return QTextFrameFormat::BorderStyle_Double;
    if (word == "brdrdot" || word == "brdrhair")
        return QTextFrameFormat::BorderStyle_Dotted;
    if (word.startsWith("brdrdash"))
        return QTextFrameFormat::BorderStyle_Dashed;
    if (word == "brdrinset")
        return QTextFrameFormat::BorderStyle_Inset;
    if (word == "brdroutset")
        return QTextFrameFormat::BorderStyle_Outset;
    return QTextFrameFormat::BorderStyle_Solid;
}

// The side a "\clbrdrt" or "\trbrdrh" word names by its last letter.
int sideFor(QByteArrayView word)
{
    switch (word.back()) {
    case 't':
        return Top;
    case 'b':
        return Bottom;
    case 'l':
        return Left;
    case 'r':
        return Right;
    case 'h':
        return InnerH;
    default:
        return InnerV;
    }
}

const std::unordered_map<std::string_view, Word> &wordTable()
{
    static const std::unordered_map<std::string_view, Word> table = {
        { "ansi", Word::Ansi },
        { "pc", Word::Pc },
        { "pca", Word::Pca },
        { "ansicpg", Word::AnsiCpg },
        { "deff", Word::Deff },
        { "uc", Word::Uc },
        { "u", Word::U },
        { "fonttbl", Word::FontTable },
        { "colortbl", Word::ColorTable },
        { "pict", Word::Pict },
        { "shppict", Word::ShpPict },
        { "nesttableprops", Word::NestTableProps },
        // Destinations whose text is not part of what the reader sees.
        { "stylesheet", Word::SkipDest },
        { "info", Word::SkipDest },
        { "header", Word::SkipDest },
        { "headerl", Word::SkipDest },
        { "headerr", Word::SkipDest },
        { "headerf", Word::SkipDest },
        { "footer", Word::SkipDest },
        { "footerl", Word::SkipDest },
        { "footerr", Word::SkipDest },
        { "footerf", Word::SkipDest },
        { "footnote", Word::SkipDest },
        { "annotation", Word::SkipDest },
        { "object", Word::SkipDest },
        { "nonshppict", Word::SkipDest },
        { "pn", Word::SkipDest },
        { "pntxta", Word::SkipDest },
        { "pntxtb", Word::SkipDest },
        { "listtable", Word::SkipDest },
        { "listoverridetable", Word::SkipDest },
        { "revtbl", Word::SkipDest },
        { "rsidtbl", Word::SkipDest },
        { "filetbl", Word::SkipDest },
        { "fldinst", Word::SkipDest },
        { "xe", Word::SkipDest },
        { "tc", Word::SkipDest },
        { "txe", Word::SkipDest },
        { "rxe", Word::SkipDest },
        { "template", Word::SkipDest },
        { "userprops", Word::SkipDest },
        { "docvar", Word::SkipDest },
        { "do", Word::SkipDest },
        { "shpinst", Word::SkipDest },
        { "themedata", Word::SkipDest },
        { "colorschememapping", Word::SkipDest },
        { "latentstyles", Word::SkipDest },
        { "datastore", Word::SkipDest },
        { "generator", Word::SkipDest },
        { "nonesttables", Word::SkipDest },
        { "fcharset", Word::FontCharset },
        { "froman", Word::FontFamily },
        { "fswiss", Word::FontFamily },
        { "fmodern", Word::FontFamily },
        { "fscript", Word::FontFamily },
        { "fdecor", Word::FontFamily },
        { "ftech", Word::FontFamily },
        { "red", Word::Red },
        { "green", Word::Green },
        { "blue", Word::Blue },
        { "plain", Word::Plain },
        { "f", Word::F },
        { "fs", Word::Fs },
        { "b", Word::B },
        { "i", Word::I },
        { "ul", Word::Ul },
        { "ulnone", Word::UlNone },
        { "uld", Word::UlDotted },
        { "uldash", Word::UlDash },
        { "uldashd", Word::UlDash },
        { "uldashdd", Word::UlDash },
        { "uldb", Word::Ul },
        { "ulth", Word::Ul },
        { "ulw", Word::Ul },
        { "ulwave", Word::UlWave },
        { "strike", Word::Strike },
        { "striked", Word::Strike },
        { "v", Word::Hidden },
        { "cf", Word::Cf },
        { "cb", Word::Cb },
        { "highlight", Word::Cb },
        { "chcbpat", Word::Cb },
        { "super", Word::Super },
        { "sub", Word::Sub },
        { "nosupersub", Word::NoSuperSub },
        { "up", Word::Up },
        { "dn", Word::Dn },
        { "caps", Word::Caps },
        { "scaps", Word::Scaps },
        { "pard", Word::Pard },
        { "par", Word::Par },
        { "sect", Word::Par },
        { "page", Word::Par },
        { "line", Word::Line },
        { "tab", Word::Tab },
        { "ql", Word::Ql },
        { "qc", Word::Qc },
        { "qr", Word::Qr },
        { "qj", Word::Qj },
        { "li", Word::Li },
        { "lin", Word::Li },
        { "ri", Word::Ri },
        { "rin", Word::Ri },
        { "fi", Word::Fi },
        { "sb", Word::Sb },
        { "sa", Word::Sa },
        { "sl", Word::Sl },
        { "slmult", Word::SlMult },
        { "tx", Word::Tx },
        { "tb", Word::Tx },
        { "tqr", Word::Tqr },
        { "tqc", Word::Tqc },
        { "cbpat", Word::CbPat },
        { "cfpat", Word::CfPat },
        { "shading", Word::Shading },
        { "brdrt", Word::BrdrT },
        { "brdrb", Word::BrdrB },
        { "brdrl", Word::BrdrL },
        { "brdrr", Word::BrdrR },
        { "box", Word::Box },
        { "brdrs", Word::BrdrStyle },
        { "brdrth", Word::BrdrStyle },
        { "brdrsh", Word::BrdrStyle },
        { "brdrdb", Word::BrdrStyle },
        { "brdrdot", Word::BrdrStyle },
        { "brdrdash", Word::BrdrStyle },
        { "brdrdashsm", Word::BrdrStyle },
        { "brdrhair", Word::BrdrStyle },
        { "brdrtriple", Word::BrdrStyle },
        { "brdrinset", Word::BrdrStyle },
        { "brdroutset", Word::BrdrStyle },
        { "brdrsingle", Word::BrdrStyle },
        { "brdrnone", Word::BrdrNone },
        { "brdrw", Word::BrdrW },
        { "brdrcf", Word::BrdrCf },
        { "brsp", Word::BrSp },
        { "intbl", Word::Intbl },
        { "itap", Word::Itap },
        { "trowd", Word::Trowd },
        { "trleft", Word::TrLeft },
        { "trbrdrt", Word::TrBrdr },
        { "trbrdrb", Word::TrBrdr },
        { "trbrdrl", Word::TrBrdr },
        { "trbrdrr", Word::TrBrdr },
        { "trbrdrh", Word::TrBrdr },
        { "trbrdrv", Word::TrBrdr },
        { "clbrdrt", Word::ClBrdr },
        { "clbrdrb", Word::ClBrdr },
        { "clbrdrl", Word::ClBrdr },
        { "clbrdrr", Word::ClBrdr },
        { "clmgf", Word::ClMgf },
        { "clmrg", Word::ClMrg },
        { "clvmgf", Word::ClVmgf },
        { "clvmrg", Word::ClVmrg },
        { "clcbpat", Word::ClCbPat },
        { "cellx", Word::Cellx },
        { "cell", Word::Cell },
        { "row", Word::Row },
        { "nestcell", Word::NestCell },
        { "nestrow", Word::NestRow },
        { "pngblip", Word::PngBlip },
        { "dibitmap", Word::DibBitmap },
        { "wbitmap", Word::WBitmap },
        { "wmetafile", Word::Metafile },
        { "emfblip", Word::Metafile },
        { "pmmetafile", Word::Metafile },
        { "macpict", Word::Metafile },
        { "picw", Word::PicW },
        { "pich", Word::PicH },
        { "picbpp", Word::PicBpp },
        { "picwbpl", Word::PicWbpl },
        { "jpegblip", Word::JpegBlip },
        { "picwgoal", Word::PicWGoal },
        { "pichgoal", Word::PicHGoal },
        { "picscalex", Word::PicScaleX },
        { "picscaley", Word::PicScaleY },
        { "bullet", Word::Bullet },
        { "emdash", Word::EmDash },
        { "endash", Word::EnDash },
        { "lquote", Word::LQuote },
        { "rquote", Word::RQuote },
        { "ldblquote", Word::LDblQuote },
        { "rdblquote", Word::RDblQuote },
        { "emspace", Word::EmSpace },
        { "enspace", Word::EnSpace },
        { "qmspace", Word::QmSpace },
        { "zwj", Word::Zwj },
        { "zwnj", Word::Zwnj },
    };
    return table;
}

char16_t symbolFor(Word w)
{
    switch (w) {
    case Word::Bullet:
        return 0x2022;
    case Word::EmDash:
        return 0x2014;
    case Word::EnDash:
        return 0x2013;
    case Word::LQuote:
        return 0x2018;
    case Word::RQuote:
        return 0x2019;
    case Word::LDblQuote:
        return 0x201C;
    case Word::RDblQuote:
        return 0x201D;
    case Word::EmSpace:
        return 0x2003;
    case Word::EnSpace:
        return 0x2002;
    case Word::QmSpace:
        return 0x2005;
    case Word::Zwj:
        return 0x200D;
    case Word::Zwnj:
        return 0x200C;
    default:
        return 0;
    }
}

} // namespace tv::rtfread

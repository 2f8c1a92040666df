// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtfwords.h"

#include <QStringList>

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

QFont::StyleHint styleHintForName(const QString &family)
{
    static const QStringList fixed = { QStringLiteral("Courier"), QStringLiteral("Courier New"),
        QStringLiteral("Consolas"), QStringLiteral("Lucida Console"), QStringLiteral("Lucida Sans Typewriter"),
        QStringLiteral("Fixedsys"), QStringLiteral("Terminal"), QStringLiteral("Monaco"), QStringLiteral("Menlo"),
        QStringLiteral("Andale Mono"), QStringLiteral("Cascadia Code"), QStringLiteral("Cascadia Mono"),
        QStringLiteral("MS Gothic"), QStringLiteral("MS Mincho"), QStringLiteral("SimSun"),
        QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Liberation Mono"), QStringLiteral("Monospace") };
    static const QStringList serif = { QStringLiteral("Times"), QStringLiteral("Times New Roman"),
        QStringLiteral("Cambria"), QStringLiteral("Georgia"), QStringLiteral("Garamond"),
        QStringLiteral("Book Antiqua"), QStringLiteral("Palatino"), QStringLiteral("Palatino Linotype"),
        QStringLiteral("Century Schoolbook"), QStringLiteral("Bookman Old Style"), QStringLiteral("Constantia") };
    if (fixed.contains(family, Qt::CaseInsensitive) || family.endsWith(QLatin1String(" Mono"), Qt::CaseInsensitive))
        return QFont::Monospace;
    if (serif.contains(family, Qt::CaseInsensitive))
        return QFont::Serif;
    return QFont::SansSerif;
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
    static const std::unordered_map<std::string_view, Word> table = [] {
        std::unordered_map<std::string_view, Word> words = {
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
        { "nesttableprops", Word::NestTableProps },
        { "listtable", Word::ListTable },
        { "listoverridetable", Word::ListOverrideTable },
        { "footnote", Word::Footnote },
        { "shptxt", Word::TextBox },
        { "dptxbxtext", Word::TextBox },
        { "fldinst", Word::FldInst },
        { "fldrslt", Word::FldRslt },
        { "listtext", Word::ListText },
        { "pntext", Word::ListText },
        { "chftn", Word::Chftn },
        { "mac", Word::Mac },
        { "cpg", Word::Cpg },
        { "ls", Word::Ls },
        { "ilvl", Word::Ilvl },
        { "list", Word::List },
        { "listid", Word::ListId },
        { "listlevel", Word::ListLevel },
        { "levelnfc", Word::LevelNfc },
        { "levelnfcn", Word::LevelNfc },
        { "levelstartat", Word::LevelStartAt },
        { "levelfollow", Word::LevelFollow },
        { "leveltext", Word::LevelText },
        { "listoverride", Word::ListOverride },
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
        // The other words that decide what a group shows come from the rule the
        // full-text index shares.
        for (const QByteArrayView word : rtfGroupWords())
            words.emplace(std::string_view(word.data(), std::size_t(word.size())), Word::Group);
        return words;
    }();
    return table;
}

bool isDestination(Word w)
{
    switch (w) {
    case Word::FontTable:
    case Word::ColorTable:
    case Word::Pict:
    case Word::NestTableProps:
    case Word::Group:
    case Word::Footnote:
    case Word::TextBox:
    case Word::FldInst:
    case Word::FldRslt:
    case Word::ListText:
    case Word::ListTable:
    case Word::ListOverrideTable:
    case Word::LevelText:
        return true;
    default:
        return false;
    }
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

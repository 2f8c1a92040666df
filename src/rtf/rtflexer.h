// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace tv {

/// One piece of RTF input as the reader sees it.
struct RtfToken
{
    enum Kind {
        GroupOpen, ///< "{"
        GroupClose, ///< "}"
        ControlWord, ///< "\b0", "\par", "\u-3913"
        ControlSymbol, ///< "\~", "\*", "\-"
        HexByte, ///< "\'e4": one byte of the current code page
        Text, ///< a run of literal bytes, escapes already resolved
        Binary, ///< the N raw bytes after "\binN"
        End
    };
    Kind kind = End;
    QByteArrayView word; ///< ControlWord: its letters
    bool hasParam = false; ///< ControlWord: a number followed the letters
    int param = 0; ///< ControlWord: that number, clamped to int
    char symbol = 0; ///< ControlSymbol
    uchar byte = 0; ///< HexByte
    QByteArrayView data; ///< Text and Binary
};

/// @short Splits RTF bytes into tokens; never reads past the end, always advances.
///
/// Raw CR and LF are dropped, as are other control bytes outside "\bin" data.
/// "\bin" swallows its N bytes at once so that braces inside binary data never
/// count. Example: `{\b Gr\'fc\'dfe}` gives GroupOpen, ControlWord "b", Text "Gr",
/// HexByte 0xFC, HexByte 0xDF, Text "e", GroupClose, End.
class RtfLexer
{
public:
    explicit RtfLexer(QByteArrayView input);

    RtfToken next();

private:
    RtfToken readEscape();
    RtfToken readControlWord();
    RtfToken readText();
    bool atEnd() const { return m_pos >= m_input.size(); }
    uchar peek() const { return uchar(m_input[m_pos]); }

    QByteArrayView m_input;
    qsizetype m_pos = 0;
};

} // namespace tv

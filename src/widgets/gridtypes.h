// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QString>

#include <functional>
#include <stdexcept>

/// @short The types a sortable grid is used with: cell formats, options, and
/// what its host hands in.
namespace tv {

enum TAlignment { taLeftJustify, taRightJustify, taCenter };
enum TVertAlignment { taTopJustify, taBottomJustify, taMiddle };
enum TCellBevelStyle { cbNone, cbRaised, cbLowered };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TGridDrawStateFlag { gdSelected = 0x1, gdFocused = 0x2, gdFixed = 0x4 };
Q_DECLARE_FLAGS(TGridDrawState, TGridDrawStateFlag)

enum TGridOption {
    goFixedVertLine = 0x1,
    goFixedHorzLine = 0x2,
    goVertLine = 0x4,
    goHorzLine = 0x8,
    goRangeSelect = 0x10,
    goRowSizing = 0x20,
    goColSizing = 0x40,
    goEditing = 0x80,
    goTabs = 0x100,
    goRowSelect = 0x200,
    goAlwaysShowEditor = 0x400,
};
Q_DECLARE_FLAGS(TGridOptions, TGridOption)

/// How one cell is drawn; OnGetCellFormat may change any field.
struct TFormatOptions
{
    QBrush CellBrush;
    QFont CellFont;
    QColor CellFontColor; // the text colour, which a Qt font does not carry
    TAlignment HorzAlign = taLeftJustify;
    TVertAlignment VertAlign = taTopJustify;
    TCellBevelStyle CellBevel = cbNone;
    QColor BevelLightColor;
    QColor BevelDarkColor;
    bool NoText = false;
};

/// A grid operation that cannot be done, such as an index out of range; what()
/// is the text the user is shown, in UTF-8.
class GridError : public std::runtime_error
{
public:
    explicit GridError(const QString &message);
};

/// @short What the host decides about the grid's texts and files.
///
/// Text sorting compares the bytes encode() gives, unsigned; delimited files
/// hold those bytes. readFile and writeFile report failures by throwing the
/// host's errors; writeFile replaces a file whole or leaves it as it was.
struct GridTexts
{
    std::function<QByteArray(const QString &)> encode;
    std::function<QString(const QByteArray &)> decode;
    std::function<QByteArray(const QString &path)> readFile;
    std::function<void(const QString &path, const QByteArray &bytes)> writeFile;
};

} // namespace tv

Q_DECLARE_OPERATORS_FOR_FLAGS(tv::TGridDrawState)
Q_DECLARE_OPERATORS_FOR_FLAGS(tv::TGridOptions)

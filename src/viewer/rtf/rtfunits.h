// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

namespace tv {

/// RTF measures in twips (1/1440 inch); QTextDocument lays out in pixels at
/// 96 dpi, so one pixel is 15 twips: "\li720" (half an inch) is 48 px.
constexpr qreal kTwipsPerPixel = 15.0;

inline qreal twipsToPixels(int twips)
{
    return twips / kTwipsPerPixel;
}

inline int pixelsToTwips(qreal pixels)
{
    return qRound(pixels * kTwipsPerPixel);
}

} // namespace tv

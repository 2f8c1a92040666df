// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QIcon>
#include <QPixmap>
#include <QString>

/// @short The program's small images, by the index under which it uses them.
///
/// 0 Index tab and unknown part kinds, 1 text, 2 archive, 3 HTML page, 4 web
/// link, 5 "Optionen", 6 "Beenden", 9 module missing, 10 newest module,
/// 11 folder button, 12 "Kopieren", 13 "Speichern unter...", 14 mail.
/// 7 and 8 are not used and give a null icon.
namespace tv {

enum ImageIndex : int {
    ImgIndex = 0,
    ImgText = 1,
    ImgArchive = 2,
    ImgHtml = 3,
    ImgWww = 4,
    ImgOptions = 5,
    ImgExit = 6,
    ImgMissing = 9,
    ImgNewest = 10,
    ImgFolder = 11,
    ImgCopy = 12,
    ImgSave = 13,
    ImgMail = 14,
    ImageCount = 15
};

QIcon imageListIcon(int index);

/// The tool bar pictures: "home", "news", "links", "quit".
QIcon toolbarPicture(const QString &name);

/// The pictures of the part pages at their own sizes:
/// "HTML" 28 x 34 (a web page document), "WWW" 35 x 34 (a globe with a page),
/// "Archiv" 34 x 33 (a strapped stack of books).
/// A null pixmap for any other name.
QPixmap pagePicture(const QString &name);

} // namespace tv

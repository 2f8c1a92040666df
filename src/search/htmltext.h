// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArrayView>
#include <QString>

/// @short The words a reader sees on an HTML page, for the full-text index.
namespace tv::search {

/// Title and visible text of an HTML page: tags, comments, scripts and styles
/// dropped, entities decoded. Windows-1252 unless the page declares UTF-8.
///
///     <title>T</title><p>a&amp;b<script>x()</script>  ->  "T a&b"
QString htmlText(QByteArrayView html);

} // namespace tv::search

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

/// @short Whether a file's bytes are text, judged by content, not by name;
/// shared by the archive preview and the full-text index.
namespace tv {

/// How much of a file looksLikeText() needs to judge it: 8 KB.
inline constexpr qsizetype kTextProbe = 8 * 1024;

/// True when `bytes` read as text, whatever the file's name: no NUL byte,
/// and hardly any control characters besides tab, line and page breaks
/// (at most one in a hundred bytes).
bool looksLikeText(QByteArrayView bytes);

/// `bytes` as UTF-8 when they are valid UTF-8 (a BOM is dropped), else as
/// Windows-1252; line breaks of every kind become "\n". `cut` says the bytes
/// stop inside the file, so a character cut in two at their end is dropped.
QString decodeText(QByteArray bytes, bool cut);

} // namespace tv

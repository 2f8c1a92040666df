// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>

/// @short How the engines read member names and match them against file specs.
///
/// Stored names are Windows-1252 unless the archive flags them as UTF-8; on
/// disk and in comparisons every name is UTF-8.
namespace tv::engines {

/// Windows-1252 bytes to UTF-8 ("\xE4" -> "ä"); the five unassigned bytes map
/// to the C1 control of the same value.
std::string utf8FromCp1252(const std::string &bytes);

/// True when `name` matches `spec`, ignoring the case of ASCII letters. "*" is
/// any run of characters (folder separators too), "?" one character; nothing
/// else is special. A spec ending in ".*" also matches without that ending, as
/// DOS had it, so "*.*" matches "README" and "readme.*" matches "README".
bool matchesSpec(const std::string &name, const std::string &spec);

/// True when `spec` holds neither "*" nor "?": it then matches exactly the
/// names that equal it ignoring the case of ASCII letters.
bool isLiteralSpec(const std::string &spec);

/// True when `name` is plain ASCII: it reads the same as Windows-1252 and as UTF-8.
bool isAscii(std::string_view name);

/// True when `a` and `b` are equal ignoring the case of ASCII letters.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

/// The last folder part of `name`, cut at "/" and at "\": "../x/a.txt" -> "a.txt",
/// "C:\\tmp\\b.txt" -> "b.txt", "dir/" -> "".
std::string flatName(const std::string &name);

/// False for names that must never become a file: "", "." and "..".
bool isWritableName(const std::string &flat);

} // namespace tv::engines

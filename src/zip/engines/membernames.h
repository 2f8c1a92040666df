// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

/// @short How the listing and the engines read member names and match them
/// against file specs.
///
/// A stored name is UTF-8 when the archive says so (flag bit 11, or an
/// Info-ZIP Unicode Path field whose CRC fits the name); else an archive made
/// on MS-DOS or Windows (host 0) holds the OEM code page, CP850 on a German
/// system, and any other holds Windows-1252. On disk and in comparisons every
/// name is UTF-8.
namespace tv::engines {

/// The host of "version made by" that MS-DOS, Windows' FAT and 7-Zip write.
inline constexpr unsigned kHostMsDos = 0;
/// General purpose flag bit 11: name and comment are UTF-8.
inline constexpr unsigned kUtf8Flag = 0x0800;

/// The name as UTF-8 by the rule above. `extra` is the member's extra field
/// block (central or local), searched for the Unicode Path field 0x7075.
std::string decodeMemberName(std::string_view raw, unsigned flags, unsigned host, std::string_view extra);

/// CP850 bytes to UTF-8 ("\x84" -> "ä").
std::string utf8FromCp850(std::string_view bytes);

bool isValidUtf8(std::string_view bytes);

/// The CRC-32 of ZIP (polynomial 0xEDB88320).
std::uint32_t zipCrc32(std::string_view bytes);

/// Windows-1252 bytes to UTF-8 ("\xE4" -> "ä"); the five unassigned bytes map
/// to the C1 control of the same value.
std::string utf8FromCp1252(std::string_view bytes);

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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "membernames.h"

#include <array>
#include <cstddef>

namespace tv::engines {
namespace {

// 0x80-0x9F of Windows-1252; 0 marks the unassigned bytes.
constexpr char16_t kHigh[32] = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
    0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

// 0x80-0xFF of CP850.
constexpr char16_t kCp850[128] = { 0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA,
    0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2,
    0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3,
    0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0, 0x00A9, 0x2563, 0x2551, 0x2557, 0x255D,
    0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3, 0x255A, 0x2554,
    0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD,
    0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF, 0x00D4, 0x00D2,
    0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4, 0x00AD,
    0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2,
    0x25A0, 0x00A0 };

constexpr std::uint16_t kUnicodePathField = 0x7075;

void appendUtf8(std::string &out, char16_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

// Length of the UTF-8 sequence that starts at name[i], so that "?" takes one
// character, not one byte.
std::size_t charLength(const std::string &name, std::size_t i)
{
    std::size_t n = 1;
    while (i + n < name.size() && (static_cast<unsigned char>(name[i + n]) & 0xC0) == 0x80)
        ++n;
    return n;
}

// Wildcard match with one backtrack point: the last "*" seen.
bool wildcardMatch(const std::string &name, const std::string &spec)
{
    std::size_t n = 0, s = 0;
    std::size_t starSpec = std::string::npos, starName = 0;
    while (n < name.size()) {
        if (s < spec.size() && spec[s] == '*') {
            starSpec = s++;
            starName = n;
        } else if (s < spec.size() && spec[s] == '?') {
            n += charLength(name, n);
            ++s;
        } else if (s < spec.size() && lowerAscii(spec[s]) == lowerAscii(name[n])) {
            ++n;
            ++s;
        } else if (starSpec != std::string::npos) {
            s = starSpec + 1;
            starName += charLength(name, starName);
            n = starName;
        } else {
            return false;
        }
    }
    while (s < spec.size() && spec[s] == '*')
        ++s;
    return s == spec.size();
}

unsigned le16(std::string_view bytes, std::size_t at)
{
    return static_cast<unsigned char>(bytes[at]) | static_cast<unsigned>(static_cast<unsigned char>(bytes[at + 1])) << 8;
}

std::uint32_t le32(std::string_view bytes, std::size_t at)
{
    return le16(bytes, at) | static_cast<std::uint32_t>(le16(bytes, at + 2)) << 16;
}

/// The UTF-8 name of a Unicode Path field (version 1, CRC-32 of the stored
/// name) in `extra`; empty when there is none that fits `raw`. A field whose
/// CRC does not fit belongs to a name that a later tool changed.
std::string unicodePath(std::string_view extra, std::string_view raw)
{
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const unsigned id = le16(extra, at);
        const std::size_t size = le16(extra, at + 2);
        if (at + 4 + size > extra.size())
            return std::string();
        const std::string_view data = extra.substr(at + 4, size);
        if (id == kUnicodePathField && size > 5 && data[0] == 1 && le32(data, 1) == zipCrc32(raw)
            && isValidUtf8(data.substr(5)))
            return std::string(data.substr(5));
        at += 4 + size;
    }
    return std::string();
}

} // namespace

std::uint32_t zipCrc32(std::string_view bytes)
{
    static const auto table = [] {
        std::array<std::uint32_t, 256> t {};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (const char b : bytes)
        crc = (crc >> 8) ^ table[(crc ^ static_cast<unsigned char>(b)) & 0xFF];
    return ~crc;
}

bool isValidUtf8(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t n = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
        if (n == 0 || (n == 2 && lead < 0xC2) || i + n > bytes.size())
            return false;
        for (std::size_t k = 1; k < n; ++k) {
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += n;
    }
    return true;
}

std::string decodeMemberName(std::string_view raw, unsigned flags, unsigned host, std::string_view extra)
{
    if ((flags & kUtf8Flag) && isValidUtf8(raw))
        return std::string(raw);
    if (std::string unicode = unicodePath(extra, raw); !unicode.empty())
        return unicode;
    if (isAscii(raw))
        return std::string(raw);
    return host == kHostMsDos ? utf8FromCp850(raw) : utf8FromCp1252(raw);
}

std::string utf8FromCp850(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        appendUtf8(out, u < 0x80 ? char16_t(u) : kCp850[u - 0x80]);
    }
    return out;
}

std::string utf8FromCp1252(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (char b : bytes) {
        const auto u = static_cast<unsigned char>(b);
        char16_t c = u;
        if (u >= 0x80 && u < 0xA0 && kHigh[u - 0x80] != 0)
            c = kHigh[u - 0x80];
        appendUtf8(out, c);
    }
    return out;
}

bool matchesSpec(const std::string &name, const std::string &spec)
{
    if (wildcardMatch(name, spec))
        return true;
    const bool dosAll = spec.size() >= 2 && spec.compare(spec.size() - 2, 2, ".*") == 0;
    return dosAll && wildcardMatch(name, spec.substr(0, spec.size() - 2));
}

bool isLiteralSpec(const std::string &spec)
{
    return spec.find_first_of("*?") == std::string::npos;
}

bool isAscii(std::string_view name)
{
    for (const char c : name) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string flatName(const std::string &name)
{
    const std::size_t cut = name.find_last_of("/\\");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

bool isWritableName(const std::string &flat)
{
    return !flat.empty() && flat != "." && flat != "..";
}

} // namespace tv::engines

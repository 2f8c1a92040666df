// SPDX-License-Identifier: GPL-3.0-or-later
#include "membernames.h"

#include <cstddef>

namespace tv::engines {
namespace {

// 0x80-0x9F of Windows-1252; 0 marks the unassigned bytes.
constexpr char16_t kHigh[32] = { 0x20AC, 0, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030,
    0x0160, 0x2039, 0x0152, 0, 0x017D, 0, 0, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC,
    0x2122, 0x0161, 0x203A, 0x0153, 0, 0x017E, 0x0178 };

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

} // namespace

std::string utf8FromCp1252(const std::string &bytes)
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

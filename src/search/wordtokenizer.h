// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

struct sqlite3;

/// @short The tokenizer "tv_words" of the word index, and the words it meets.
///
/// Folded text (lower case, one blank between chunks) splits at blanks into
/// chunks; each chunk gives its words (runs of letters, digits, "_" and every
/// non-ASCII character) and, when it holds anything else, itself as a whole,
/// all at one position:
///
///     "std::unique_ptr<t> und"  ->  {std, unique_ptr, t, std::unique_ptr<t>} {und}
///
/// So a word query finds the words that contain it, a query with "::" or "<"
/// the chunks that do, and a phrase's chunks stand at consecutive positions.
/// A query string is one token, as it is written.
namespace tv::search {

/// Tokens longer than this are not indexed (no word or identifier is that long).
inline constexpr int kMaxTokenBytes = 255;

/// The distinct tokens the tokenizer saw in documents and not reported yet.
struct NewWords
{
    // Looked up by string_view: a token seen before costs no allocation.
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
    };
    std::unordered_set<std::string, Hash, std::equal_to<>> seen;
    std::vector<std::string> pending;
};

/// Registers "tv_words" with the connection; `words` collects what documents
/// hold and must outlive it. Throws DbError when that fails.
void registerWordTokenizer(sqlite3 *db, NewWords *words);

/// True when `c` is part of a word, false for the characters that make a
/// chunk worth indexing as a whole ("::", "<", "." ...).
constexpr bool isWordByte(unsigned char c)
{
    return c >= 0x80 || c == '_' || (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

} // namespace tv::search

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <vector>

struct sqlite3;

namespace tv::search {

/// The columns a row's words are counted in: name, caption and description, text.
inline constexpr int kRankColumns = 3;

/// Relevance within a tier from how often each term occurs in each column
/// (`hits[term * kRankColumns + column]`); lower is better.
double relevance(const std::vector<int> &hits);

/// The tier of a row from the same counts: 1 when a term occurs in the
/// caption or description, else 2 when one occurs in the text, else 0 (a part
/// is no result for words that only its entry's name holds).
int tierOf(const std::vector<int> &hits);

/// Makes the ranking within one tier of the results known to the
/// connection's FTS5: tier_of(fts) tells a row's tier, tier_rank(fts, map) its
/// relevance within it (lower is better); `map`, when given, names for each
/// phrase of the query the term it stands for ("0 0 1"), else each phrase is
/// a term. Throws DbError when that fails.
void registerTierRank(sqlite3 *db);

} // namespace tv::search

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

struct sqlite3;

namespace tv::search {

/// Makes the ranking within one tier of the results known to the
/// connection's FTS5: tier_of(fts) tells a row's tier, tier_rank(fts) its
/// relevance within it (lower is better). Throws DbError when that fails.
void registerTierRank(sqlite3 *db);

} // namespace tv::search

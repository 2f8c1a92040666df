// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "search/query.h"

#include <functional>
#include <optional>

namespace tv::search {

class Database;

/// The results of `query` in the index `db`, tier by tier: entries whose name
/// holds every word, then parts whose caption or description holds one, then
/// parts whose text does; ranked by relevance within a tier. Words too short
/// for the index alone find entries by name only. nullopt once `superseded`
/// turns true.
std::optional<Results> runTieredQuery(
    Database &db, const Query &query, const std::function<bool()> &superseded);

} // namespace tv::search

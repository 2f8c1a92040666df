// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "searchindex.h"

namespace tv::search {

using ProgressStep = std::function<bool(const SearchIndex::Progress &)>;

/// One run of SearchIndex::update() on `db`, the index of the catalogue in
/// `programDir`: plans from the stamps, then rebuilds section by section and
/// module by module, committing in small steps. Returns false when `step`
/// stopped it.
bool updateIndex(Database &db, const QString &programDir, const ProgressStep &step);

} // namespace tv::search

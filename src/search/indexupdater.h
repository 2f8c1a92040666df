// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "searchindex.h"

namespace tv::search {

struct NewWords;

using ProgressStep = std::function<bool(const SearchIndex::Progress &)>;

/// One run of SearchIndex::update() on `db`, the index of the catalogue in
/// `programDir`: plans from the stamps, then rebuilds section by section and
/// module by module, a transaction each. `words` collects the tokens written; with
/// `idleReading` the files are read at idle priority. Returns false when `step`
/// stopped it.
bool updateIndex(
    Database &db, NewWords &words, const QString &programDir, bool idleReading, const ProgressStep &step);

} // namespace tv::search

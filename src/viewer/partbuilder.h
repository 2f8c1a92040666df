// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/partkind.h"

class QWidget;

namespace tv {

class EntryViewer;

/// @short Fills the tab of one part of one kind.
///
/// A builder reads what it needs from the viewer's entry-build context; what
/// its page needs later is kept on the page itself, because the context moves
/// on to the next part.
class PartBuilder
{
public:
    virtual ~PartBuilder() = default;
    virtual void build(EntryViewer &viewer, QWidget *sheet) = 0;
};

} // namespace tv

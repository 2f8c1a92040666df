// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"

#include <QWidget>

namespace tv {

class FindTarget;

/// @short The tab of one part of the entry shown ("EntryTabSheet<n>").
///
/// It keeps the Part it was made for, so that its controls act on that part
/// whatever the viewer shows meanwhile. A part whose module is missing, or
/// whose kind has no builder, stays a plain empty PartPage; each kind's page
/// class adds its controls and holds them as typed members.
class PartPage : public QWidget
{
    Q_OBJECT
public:
    explicit PartPage(Part part);

    const Part &part() const { return m_part; }
    /// What the find bar searches on this page; nullptr for a page without text.
    virtual FindTarget *findTarget() const { return nullptr; }

private:
    const Part m_part;
};

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

namespace tv {

class PartPage;
struct Part;

/// @short Makes and fills the pages of one kind of part.
///
/// The viewer asks for the page, makes it the part's tab, and only then has
/// it filled: filling reads the part's module and may throw, which ends the
/// entry's build with what was built so far on screen. A builder works with
/// the PartContext it was made with, never with the viewer.
///
/// A new kind of part needs its row in the kind table (catalogue/partkind),
/// a page class derived from PartPage with a builder like this one, and the
/// builder's registration with EntryViewer::setBuilder in the main window.
class PartBuilder
{
public:
    virtual ~PartBuilder() = default;
    /// A new page for `part` with its controls; it reads nothing and never throws.
    virtual PartPage *createPage(const Part &part) = 0;
    /// Brings the part's content onto `page`, which createPage made.
    virtual void fill(PartPage &page) = 0;
    /// After every switch of part tab, with the page now shown (nullptr for "Index").
    virtual void pageShown(PartPage *) { }
    /// The status bar's text while a tab of this kind is shown; a kind with
    /// one keeps it when its entry is clicked again. None: the entry's line.
    virtual std::optional<QString> statusOnShow() const { return std::nullopt; }
};

} // namespace tv

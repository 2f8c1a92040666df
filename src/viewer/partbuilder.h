// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace tv {

class PartPage;
struct Part;

/// @short Makes and fills the pages of one kind of part.
///
/// The viewer asks for the page, makes it the part's tab, and only then has
/// it filled: filling reads the part's module and may throw, which ends the
/// entry's build with what was built so far on screen.
///
/// A new kind of part needs its captions in the kind list (catalogue/partkind),
/// a page class derived from PartPage with a builder like this one, and the
/// builder's registration with EntryViewer::setBuilder in the main window.
class PartBuilder
{
public:
    virtual ~PartBuilder() = default;
    /// The image of the kind (an index of the image list) on its tabs and Index rows.
    virtual int image() const = 0;
    /// A new page for `part` with its controls; it reads nothing and never throws.
    virtual PartPage *createPage(const Part &part) = 0;
    /// Brings the part's content onto `page`, which createPage made.
    virtual void fill(PartPage &page) = 0;
};

} // namespace tv

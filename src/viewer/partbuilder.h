#pragma once

#include <QByteArray>

class QWidget;

namespace tv {

class EntryViewer;

/// The kind of a part, decided by its caption and kept as its tab's image index.
enum class PartKind : int { None = 0, Text = 1, Archive = 2, Html = 3, Www = 4 };

/// "Artikel" ... "Editorial" are texts, "Archiv", "Beispiel", "Komponente"
/// archives, "HTML-Seite" and "WWW-Link"; anything else (also "artikel") none.
PartKind partKindOf(const QByteArray &caption);

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

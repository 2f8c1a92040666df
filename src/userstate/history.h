// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "userstate/userstate.h"

#include <QList>

/// @short The places shown in this session, for "Zurück" and "Vor", as a web
/// browser keeps them.
///
/// Visiting a place after going back drops the places ahead:
///
///     visit(A) visit(B) visit(C)   [A B C], at C
///     back() -> B                  [A B C], at B
///     visit(D)                     [A B D], at D, nothing ahead
///
/// Places are named, not pointed at, so they outlive a rebuilt entry list.
namespace tv {

class NavigationHistory
{
public:
    /// At most this many places are kept; the oldest go first.
    static constexpr int kMaxPlaces = 200;

    /// Records `place` as the one now shown; visiting the current place again changes nothing.
    void visit(const EntryRef &place);
    bool canGoBack() const { return m_index > 0; }
    bool canGoForward() const { return m_index + 1 < m_places.size(); }
    /// Steps back (or forward) and returns the place now current; call only when possible.
    const EntryRef &back();
    const EntryRef &forward();
    /// The place shown now; nullptr before the first visit.
    const EntryRef *current() const;
    const QList<EntryRef> &places() const { return m_places; }

private:
    QList<EntryRef> m_places;
    qsizetype m_index = -1;
};

} // namespace tv

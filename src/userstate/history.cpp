// SPDX-License-Identifier: GPL-3.0-or-later
#include "history.h"

namespace tv {

void NavigationHistory::visit(const EntryRef &place)
{
    if (const EntryRef *now = current(); now && *now == place)
        return;
    m_places.resize(m_index + 1);
    m_places.append(place);
    if (m_places.size() > kMaxPlaces)
        m_places.removeFirst();
    m_index = m_places.size() - 1;
}

const EntryRef &NavigationHistory::back()
{
    Q_ASSERT(canGoBack());
    return m_places[--m_index];
}

const EntryRef &NavigationHistory::forward()
{
    Q_ASSERT(canGoForward());
    return m_places[++m_index];
}

const EntryRef *NavigationHistory::current() const
{
    return m_index >= 0 ? &m_places[m_index] : nullptr;
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#include "partpage.h"

namespace tv {

PartPage::PartPage(Part part)
    : m_part(std::move(part))
{
    // The name the tab is known by to assistive technology and the tests.
    setObjectName(QStringLiteral("EntryTabSheet%1").arg(m_part.number));
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#include "timezone.h"

#include <cstdlib>
#include <ctime>

namespace tv {

void pinLocalTimeZone()
{
    if (std::getenv("TZ"))
        return;
    ::setenv("TZ", ":/etc/localtime", 0);
    ::tzset();
}

} // namespace tv

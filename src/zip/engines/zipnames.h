// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <zip.h>

#include <string>

namespace tv::engines {

/// A member's name as UTF-8, decoded as TZipAccess's listing decodes it
/// (decodeMemberName): libzip tells the host, flag bit 11 and the central
/// Unicode Path field.
std::string memberName(zip_t *archive, zip_uint64_t index);

} // namespace tv::engines

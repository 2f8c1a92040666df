// SPDX-License-Identifier: GPL-3.0-or-later
#include "zipnames.h"

#include "membernames.h"

namespace tv::engines {
namespace {
constexpr zip_uint16_t kUnicodePathId = 0x7075;
}

std::string memberName(zip_t *archive, zip_uint64_t index)
{
    const char *raw = zip_get_name(archive, index, ZIP_FL_ENC_RAW);
    if (!raw)
        return std::string();
    const std::string name(raw);
    if (isAscii(name))
        return name;
    // Strict decoding changes non-ASCII bytes unless the archive flags the name
    // as UTF-8; equal results therefore mean flag bit 11.
    const char *strict = zip_get_name(archive, index, ZIP_FL_ENC_STRICT);
    const unsigned flags = strict && name == strict ? kUtf8Flag : 0;
    zip_uint8_t host = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &host, &attributes) != 0)
        host = ZIP_OPSYS_DEFAULT;
    zip_uint16_t length = 0;
    const zip_uint8_t *field
        = zip_file_extra_field_get_by_id(archive, index, kUnicodePathId, 0, &length, ZIP_FL_CENTRAL);
    std::string extra;
    if (field) {
        // Put back as one field of an extra block: id and length, then the data.
        extra = { char(kUnicodePathId & 0xFF), char(kUnicodePathId >> 8), char(length & 0xFF), char(length >> 8) };
        extra.append(reinterpret_cast<const char *>(field), length);
    }
    return decodeMemberName(name, flags, host, extra);
}

} // namespace tv::engines

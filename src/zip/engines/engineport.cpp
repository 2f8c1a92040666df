// SPDX-License-Identifier: GPL-3.0-or-later
#include "engineport.h"

#include "membernames.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace tv::engines {

EngineReporter::EngineReporter(void *caller, EngineCallback callback)
    : m_caller(caller)
    , m_callback(callback)
{
}

void EngineReporter::newFile(const std::string &name, std::uint64_t size) const
{
    const auto clamped = static_cast<std::int32_t>(std::min<std::uint64_t>(size, INT32_MAX));
    send(EngineNewFile, 0, clamped, name);
}

void EngineReporter::progress() const
{
    send(EngineProgress, 0, 0, std::string());
}

void EngineReporter::endOfBatch() const
{
    send(EngineEndOfBatch, 0, 0, std::string());
}

void EngineReporter::message(EngineCode code, const std::string &text) const
{
    send(EngineMessage, code, 0, text);
}

void EngineReporter::send(
    std::int32_t type, std::int32_t code, std::int32_t size, const std::string &text) const
{
    if (!m_callback)
        return;
    EngineCallbackRecord record {};
    record.caller = m_caller;
    record.messageType = type;
    record.errorCode = code;
    record.fileSize = size;
    const std::size_t n = std::min(text.size(), sizeof record.text - 1);
    std::memcpy(record.text, text.data(), n);
    m_callback(&record);
}

ZipArchive openArchive(const char *path, int flags, const EngineReporter &reporter)
{
    int code = 0;
    ZipArchive archive(zip_open(path, flags, &code));
    if (!archive) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        reporter.message(EngineArchiveUnreadable,
            std::string("Cannot open zip file ") + path + ": " + zip_error_strerror(&error));
        zip_error_fini(&error);
    }
    return archive;
}

std::vector<std::string> specList(const char *const *specs, std::int32_t count)
{
    std::vector<std::string> list;
    for (std::int32_t i = 0; i < count; ++i) {
        if (specs[i])
            list.push_back(utf8FromCp1252(specs[i]));
    }
    return list;
}

bool matchesAnySpec(const std::string &name, const std::vector<std::string> &specs)
{
    return std::any_of(
        specs.begin(), specs.end(), [&name](const std::string &spec) { return matchesSpec(name, spec); });
}

} // namespace tv::engines

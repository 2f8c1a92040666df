// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "zip/enginerecords.h"
#include "zip/engines/zipnames.h"

#include <zip.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

/// Symbols the engines export; everything else stays hidden.
#define TV_ENGINE_EXPORT extern "C" __attribute__((visibility("default")))

/// @short What both engines share: the callback, opening archives, names and specs.
namespace tv::engines {

/// Sends callback records to the caller of an engine call.
class EngineReporter
{
public:
    EngineReporter(void *caller, EngineCallback callback);

    void newFile(const std::string &name, std::uint64_t size) const;
    void progress() const;
    void endOfBatch() const;
    void message(EngineCode code, const std::string &text) const;

private:
    void send(std::int32_t type, std::int32_t code, std::int32_t size, const std::string &text) const;

    void *m_caller;
    EngineCallback m_callback;
};

struct ZipDiscard
{
    void operator()(zip_t *archive) const { zip_discard(archive); }
};
using ZipArchive = std::unique_ptr<zip_t, ZipDiscard>;

/// Opens `path` with libzip; reports EngineArchiveUnreadable and returns null
/// when that fails.
ZipArchive openArchive(const char *path, int flags, const EngineReporter &reporter);

/// The record's specs as UTF-8 (the caller writes them in Windows-1252).
std::vector<std::string> specList(const char *const *specs, std::int32_t count);

bool matchesAnySpec(const std::string &name, const std::vector<std::string> &specs);

/// True when the record carries our version and marker, so that its layout can be trusted.
template <typename Params> bool isValidRecord(const Params *params)
{
    return params && params->version == kEngineVersion && params->marker == kEngineMarker
        && params->specCount >= 0 && params->specCount <= kEngineSpecCapacity && params->archive;
}

} // namespace tv::engines

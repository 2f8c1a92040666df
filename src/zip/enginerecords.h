// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The binary interface between TZipAccess and the engine libraries. Both sides
// include this header, so it uses nothing but the C++ standard library.

#include <cstdint>

/// @short Parameter and callback records of zipengine and unzipengine.
///
/// Every integer field is 32 bits; a flag is -1 for true and 0 for false; a
/// text is the address of a NUL-terminated 8-bit string owned by the caller
/// for the duration of the call. Addresses have the platform's pointer width.
///
/// Encodings: file specs are Windows-1252, as the catalogue writes member
/// names; the archive name is in the file system's encoding; every text an
/// engine sends back through the callback is UTF-8, since member names flagged
/// as UTF-8 and paths may hold characters that Windows-1252 lacks.
namespace tv {

inline constexpr std::int32_t kEngineVersion = 140;
inline constexpr std::int32_t kEngineMarker = 7;
inline constexpr int kEngineSpecCapacity = 4097;
inline constexpr std::int32_t kEngineTrue = -1;
inline constexpr std::int32_t kEngineFalse = 0;

/// What an engine tells through the callback.
enum EngineMessageType : std::int32_t {
    EngineNewFile = 1, // text: the member's name, fileSize: its size; comes before any message about it
    EngineProgress = 2, // a chunk of the current member is done
    EngineEndOfBatch = 3, // the operation is finished
    EngineMessage = 4, // text: a message, errorCode: one of EngineCode
};

/// The codes our engines attach to their messages.
enum EngineCode : std::int32_t {
    EngineArchiveUnreadable = 11, // the archive cannot be opened or read
    EngineMemberUnreadable = 12, // damaged data, CRC error
    EngineWriteFailed = 13, // the target file cannot be written
    EngineMemberSkipped = 14, // a member that must not be written (link, device, "..")
    EngineArchiveUnwritable = 15, // the archive cannot be written anew
    EngineUnsupported = 16, // an operation our engines do not do
    EngineMemberEncrypted = 17, // no password, a wrong one, or an encryption the library lacks
    EngineMethodUnsupported = 18, // a packing method the library cannot unpack
    EngineMemberKept = 19, // an existing file was kept: overwriting is off
    EngineNameTaken = 20, // an earlier member of this extraction was written under the same name
};

/// True for the codes above: something the caller asked for was not done.
inline bool isEngineFailure(std::int32_t code)
{
    return code >= EngineArchiveUnreadable && code <= EngineNameTaken;
}

struct EngineCallbackRecord;
using EngineCallback = std::int32_t (*)(EngineCallbackRecord *record);

struct EngineCallbackRecord
{
    std::int32_t reserved0;
    void *caller; // the caller field of the parameter record, unchanged
    std::int32_t reserved1[2];
    std::int32_t messageType; // EngineMessageType
    std::int32_t errorCode;
    std::int32_t fileSize;
    char text[1024]; // UTF-8, NUL-terminated, cut to fit
};

/// The ZIP engine's record. The fixed fields have the values noted and are not
/// read by our engine; they keep the layout that callers fill.
struct ZipEngineParams
{
    void *window; // 0 when unattended
    void *caller;
    std::int32_t version; // kEngineVersion
    EngineCallback callback;
    std::int32_t trace;
    const char *password;
    std::int32_t reserved24;
    std::int32_t encrypt;
    std::int32_t hiddenFiles;
    std::int32_t fixed36; // 0
    std::int32_t fixed40; // 0
    std::int32_t fixed44; // -1
    std::int32_t fixed48; // 0
    std::int32_t verbose;
    std::int32_t fixed56; // -1
    std::int32_t compressionLevel;
    std::int32_t fixed64; // 0
    std::int32_t fixed68; // 0
    std::int32_t noDirectoryNames;
    std::int32_t recurse;
    std::int32_t fixed80; // -1, 0 when deleting
    std::int32_t forceDos;
    std::int32_t move;
    std::int32_t deleteFlag;
    std::int32_t update;
    std::int32_t freshen;
    std::int32_t fixed104; // 0
    std::int32_t zipTime;
    std::int32_t reserved112[2];
    std::int32_t specCount;
    const char *archive;
    std::int32_t marker; // kEngineMarker
    const char *specs[kEngineSpecCapacity];
};

struct UnzipEngineParams
{
    void *window; // 0 when unattended
    void *caller;
    std::int32_t version; // kEngineVersion
    EngineCallback callback;
    std::int32_t trace;
    std::int32_t reserved20;
    const char *password;
    std::int32_t test;
    std::int32_t fixed32; // 0
    std::int32_t fixed36; // 0
    std::int32_t fixed40; // -1
    std::int32_t verbose;
    std::int32_t update;
    std::int32_t freshen;
    std::int32_t directoryNames;
    std::int32_t overwrite;
    std::int32_t specCount;
    const char *archive;
    std::int32_t marker; // kEngineMarker
    const char *specs[kEngineSpecCapacity];
};

using ZipEngineExecFunction = std::int32_t (*)(ZipEngineParams *params);
using UnzipEngineExecFunction = std::int32_t (*)(UnzipEngineParams *params);

} // namespace tv

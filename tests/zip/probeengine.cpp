// SPDX-License-Identifier: GPL-3.0-or-later
// A stand-in engine for the tests: it reports the record it was given through
// the callback, so that the tests can see exactly what TZipAccess passed.
// Spec "throw" makes the call fail; spec "chatter" sends progress and messages.

#include "zip/enginerecords.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <string>

using namespace tv;

#define PROBE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

void send(void *caller, EngineCallback callback, std::int32_t type, std::int32_t code, std::int32_t size,
    const std::string &text)
{
    EngineCallbackRecord record {};
    record.caller = caller;
    record.messageType = type;
    record.errorCode = code;
    record.fileSize = size;
    std::strncpy(record.text, text.c_str(), sizeof record.text - 1);
    callback(&record);
}

// Specs come in Windows-1252, callback texts go out in UTF-8; the tests'
// specs hold no byte of 0x80-0x9F, where the two differ from Latin-1.
std::string utf8FromLatin1(const char *bytes)
{
    std::string text;
    for (; *bytes; ++bytes) {
        const auto b = static_cast<unsigned char>(*bytes);
        if (b < 0x80) {
            text += static_cast<char>(b);
        } else {
            text += static_cast<char>(0xC0 | (b >> 6));
            text += static_cast<char>(0x80 | (b & 0x3F));
        }
    }
    return text;
}

std::string specsText(const char *const *specs, std::int32_t count)
{
    std::string text;
    for (std::int32_t i = 0; i < count; ++i)
        text += std::string(i ? "|" : "") + utf8FromLatin1(specs[i]);
    return text;
}

template <typename Params> std::int32_t act(Params *p, const std::string &fields)
{
    send(p->caller, p->callback, EngineMessage, 1, 0, fields);
    const std::string first = p->specCount > 0 ? p->specs[0] : "";
    if (first == "throw")
        throw std::runtime_error("probe failure");
    if (first == "chatter") {
        send(p->caller, p->callback, EngineNewFile, 0, 1234, "D\xC3\xA4tei.txt");
        send(p->caller, p->callback, EngineProgress, 0, 99, "ignored");
        send(p->caller, p->callback, EngineEndOfBatch, 0, 99, "ignored");
        send(p->caller, p->callback, 0, 5, 0, "type 0 is ignored");
        send(p->caller, p->callback, 7, 42, 0, "Disk full\r\n");
        send(p->caller, p->callback, EngineMessage, 43, 0, "\n");
        send(p->caller, p->callback, EngineMessage, 44, 0, "a\nb");
    }
    return p->specCount + 100;
}

} // namespace

PROBE_EXPORT std::int32_t UnzipEngineExec(UnzipEngineParams *p)
{
    char fields[512];
    std::snprintf(fields, sizeof fields,
        "window=%d trace=%d test=%d verbose=%d update=%d freshen=%d dirnames=%d overwrite=%d "
        "fixed=%d,%d,%d version=%d marker=%d",
        p->window != nullptr, p->trace, p->test, p->verbose, p->update, p->freshen, p->directoryNames,
        p->overwrite, p->fixed32, p->fixed36, p->fixed40, p->version, p->marker);
    return act(p,
        std::string(fields) + " password=" + p->password + " archive=" + p->archive
            + " specs=" + specsText(p->specs, p->specCount));
}

PROBE_EXPORT std::int32_t ZipEngineExec(ZipEngineParams *p)
{
    char fields[512];
    std::snprintf(fields, sizeof fields,
        "window=%d trace=%d encrypt=%d hidden=%d verbose=%d level=%d nodirnames=%d recurse=%d "
        "forcedos=%d move=%d delete=%d update=%d freshen=%d ziptime=%d "
        "fixed=%d,%d,%d,%d,%d,%d,%d,%d,%d version=%d marker=%d",
        p->window != nullptr, p->trace, p->encrypt, p->hiddenFiles, p->verbose, p->compressionLevel,
        p->noDirectoryNames, p->recurse, p->forceDos, p->move, p->deleteFlag, p->update, p->freshen,
        p->zipTime, p->fixed36, p->fixed40, p->fixed44, p->fixed48, p->fixed56, p->fixed64, p->fixed68,
        p->fixed80, p->fixed104, p->version, p->marker);
    return act(p,
        std::string(fields) + " password=" + p->password + " archive=" + p->archive
            + " specs=" + specsText(p->specs, p->specCount));
}

#ifndef PROBE_NO_VERSION
PROBE_EXPORT std::int32_t GetUnzipEngineVersion()
{
    return kEngineVersion;
}

PROBE_EXPORT std::int32_t GetZipEngineVersion()
{
    return kEngineVersion;
}
#endif

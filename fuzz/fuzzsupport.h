// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <cstdint>

/// @short What the fuzz targets share: a scratch folder, files, and failing loudly.
///
/// A failed check aborts, so that libFuzzer keeps the input as a crash artefact.
namespace tv::fuzz {

/// The input as bytes, without a copy of the caller's buffer surviving the call.
inline QByteArray bytes(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
}

/// A folder of this process under $TMPDIR, made on first use, ending with "/".
const QString &scratchDir();

/// A path in the scratch folder that no earlier call returned: "<scratch>/<stem>-17".
QString freshPath(const char *stem);

/// Writes `content` to `path`, replacing it; aborts when that fails.
void writeFile(const QString &path, const QByteArray &content);

/// The file's bytes; aborts when it cannot be read.
QByteArray readFile(const QString &path);

/// Prints the broken rule, with the two texts when given, and aborts.
[[noreturn]] void fail(const char *rule, const QByteArray &expected = {}, const QByteArray &actual = {});

/// Aborts with `rule` unless `ok`.
inline void check(bool ok, const char *rule)
{
    if (!ok)
        fail(rule);
}

} // namespace tv::fuzz

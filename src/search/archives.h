// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>

#include <optional>

struct zip;

/// @short Reading part files out of modules, and archives out of parts, in memory.
///
/// The index reads every part once; going through the Work directory and the
/// engines would write each one to disk first.
namespace tv::search {

/// A member larger than this is not read: a damaged or hostile size must not
/// exhaust the machine.
inline constexpr qint64 kMaxMemberSize = 64 * 1024 * 1024;

/// A stored member name as text: UTF-8 when the archive says so, else Windows-1252,
/// as the engines read it.
QString memberNameText(zip *archive, quint64 index);

/// @short One open ZIP archive, from a file or from bytes.
class ZipArchive
{
public:
    /// Opens the module file; isOpen() is false when it is missing or no ZIP archive.
    static ZipArchive openFile(const QString &path);
    /// Opens an archive held in `bytes`, which must outlive the object.
    static ZipArchive openBytes(const QByteArray &bytes);
    ZipArchive() = default;
    ZipArchive(ZipArchive &&other) noexcept;
    ZipArchive &operator=(ZipArchive &&other) noexcept;
    ~ZipArchive();

    bool isOpen() const { return m_zip != nullptr; }
    /// Every member's name, with its folders, in archive order.
    QStringList memberNames() const;
    /// The member `name` (Windows-1252, a bare name at the root), found without
    /// regard to ASCII case, as extraction finds it; nullopt when it is missing,
    /// too large or cannot be decompressed.
    std::optional<QByteArray> member(const QByteArray &name);
    /// The member at `index` in archive order; nullopt when it is larger than
    /// `limit` or cannot be decompressed.
    std::optional<QByteArray> memberAt(quint64 index, qint64 limit);

private:
    explicit ZipArchive(zip *archive);
    void close();

    zip *m_zip = nullptr;
    QHash<QByteArray, quint64> m_byName; // ASCII-upper-cased UTF-8 name -> index
    bool m_indexed = false;
};

} // namespace tv::search

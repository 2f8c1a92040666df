// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

/// @short INI files as the catalogue, the Version file and the settings use them.
///
/// Names and values are Windows-1252 bytes. Sections and keys match without
/// regard to letter case; the first of two equal names wins. Blanks around
/// names and values are dropped, and a value in matching quotes loses them:
///
///     [Grafik ]          section "Grafik"
///       1Modul = 'neu'   key "1Modul", value "neu"
///
/// Reads are answered from a parsed copy that is checked against the file's
/// size, modification time (ns) and inode on every call, so every answer equals
/// a fresh read while a list of 2,000 entries still paints fast.
namespace tv::ini {

/// A value of at most 2047 bytes; the default when the file, section or key is missing.
/// A key with nothing after "=" gives "", not the default.
QByteArray readString(
    const QString &path, const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue);

/// "0x10" and "$10" are 16, "-7" is -7; empty or not a 32-bit integer gives the default.
qint32 readInteger(
    const QString &path, const QByteArray &section, const QByteArray &key, qint32 defaultValue);

/// Parses an integer by the rules of readInteger; false when it is not one.
bool parseInteger(const QByteArray &text, qint32 *value);

/// Every section name in file order, trimmed; none for a missing file. Not cut
/// at any buffer size: a Section file of any length lists every entry.
QList<QByteArray> sectionNames(const QString &path);

/// @short One file as read at one moment, answering as readString and
/// readInteger do. For tools that go through a whole file; the program's own
/// reads stay fresh on every call.
class Snapshot
{
public:
    explicit Snapshot(const QString &path);
    QByteArray readString(
        const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue) const;
    qint32 readInteger(const QByteArray &section, const QByteArray &key, qint32 defaultValue) const;

private:
    std::shared_ptr<const void> m_parsed; // nothing for a missing file
};

/// One key as written, with its 1-based line; the value uncut.
struct KeyAt
{
    QByteArray key;
    QByteArray value;
    int line = 0;
};

/// One INI section as written, with the 1-based line of its header and its keys.
struct SectionAt
{
    QByteArray name;
    int line = 0;
    QList<KeyAt> keys;
};

/// Every section of the file with its keys, in file order, including names
/// that occur twice; none for a missing file. For tools that point at lines.
QList<SectionAt> sectionsWithLines(const QString &path);

/// Creates file, section and key as needed; a new section goes to the end of
/// the file, a new key to the end of its section, an existing value is replaced
/// in place and every other line stays as it was. The file is replaced
/// atomically (written beside, synced, renamed: a failure leaves the old file
/// as it was). Throws WriteError, also for a section, key or value holding CR,
/// LF or NUL, which would write lines of their own.
void writeString(
    const QString &path, const QByteArray &section, const QByteArray &key, const QByteArray &value);

} // namespace tv::ini

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
/// size, modification and change time (ns) and inode on every call, so every
/// answer equals a fresh read while a list of 2,000 entries still paints fast.
namespace tv::ini {

struct Parsed;

/// @short One file as it is on disk now: the file is checked (and parsed when
/// it changed) once, when the Reader is made, and every read through it
/// answers from that state. For the values that belong together, such as the
/// keys of one entry:
///
///     const ini::Reader file(path);                 // one stat()
///     const qint32 count = file.readInteger(name, "Count", 1);
///     const QByteArray modul = file.readString(name, "1Modul", {});
///
/// Keep a Reader for one read of related values, never across user actions.
class Reader
{
public:
    explicit Reader(const QString &path);
    ~Reader();
    Reader(const Reader &);
    Reader &operator=(const Reader &);

    /// As ini::readString, from the file's state when the Reader was made.
    QByteArray readString(
        const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue) const;
    /// As ini::readInteger.
    qint32 readInteger(const QByteArray &section, const QByteArray &key, qint32 defaultValue) const;
    /// As ini::sectionNames.
    QList<QByteArray> sectionNames() const;

private:
    const void *findSection(const QByteArray &section) const;

    std::shared_ptr<const Parsed> m_parsed; // null for a missing or unreadable file
    // The section read last: the keys of one entry are read one after another.
    mutable QByteArray m_lastName;
    mutable const void *m_lastSection = nullptr;
};

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

/// One value for withStrings.
struct Assignment
{
    QByteArray section;
    QByteArray key;
    QByteArray value;
};

/// The bytes a file holding `content` has after writeString has written each
/// of `assignments` in turn, made in memory: for a caller that writes many
/// keys into a file of its own and syncs it once. Throws WriteError for `path`
/// before anything is done when any section, key or value holds CR, LF or NUL.
QByteArray withStrings(const QByteArray &content, const QList<Assignment> &assignments, const QString &path);

} // namespace tv::ini

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/ini.h"
#include "catalogue/partkind.h"

#include <QByteArray>
#include <QList>
#include <QString>

/// @short The entries of a Section file and their parts, as typed records.
///
/// The one place that knows the keys of an entry and their defaults:
///
///     [Bitmaps laden]        Entry "Bitmaps laden", Count 0x2 -> 2 parts
///     Count=0x2              part 1: caption "Artikel" (no key "1"),
///     1Modul=basis                   description "Bitmaps laden" (no 1Describe)
///     1File=bitmaps.rtf      part 2: caption "Beispiel", archive text ""
///     2=Beispiel
///
/// Every read goes through the INI layer, which checks the file on disk at
/// each call, so a record is as fresh as the moment it was read. Records are
/// read for one action and dropped; nothing keeps them across user actions.
namespace tv {

/// An entry shows at most this many parts: a damaged Count must neither
/// exhaust the machine nor keep a window from opening.
inline constexpr int kMaxParts = 999;

/// One part n of an entry, every value as its key gives it or by its default.
struct Part
{
    int number = 0;
    /// "<n>", default "Artikel"; it also decides the kind.
    QByteArray caption;
    PartKind kind = PartKind::None;
    /// "<n>Modul": the module's name without ".tvm", default "".
    QByteArray modul;
    /// "<n>File": the part file inside the module, default "".
    QByteArray file;
    /// "<n>Describe" as the Index grid shows it, default the entry's name.
    QByteArray description;
    /// "<n>Archiv" for an archive page, default "<n>Describe", default "".
    QByteArray archiveText;

    /// True when the module file exists; a module value that is no bare name never does.
    bool moduleInstalled() const;
};

/// A Marked entry's name begins with "!"; the "!" belongs to the name and is shown.
inline bool isMarkedName(const QByteArray &name)
{
    return name.startsWith('!');
}

/// One entry of a Section file: its name and the number of its parts.
struct Entry
{
    QByteArray name;
    /// "Count" as written, read as an integer ("0x10" is 16), default 1.
    qint32 declaredCount = 1;
    /// declaredCount cut to 0 ... kMaxParts.
    int partCount = 1;
    /// True when declaredCount was cut to kMaxParts; the viewer warns about it.
    bool countCapped = false;
    /// The module that decides whether the entry is new: "CModul", default "1Modul", default "".
    QByteArray newsModule;

    bool isMarked() const { return isMarkedName(name); }
    /// True when newsModule + ".TVM" equals the newest module's file name,
    /// both ASCII upper-cased ("neu" and "NEU.tvm").
    bool isNew(const QByteArray &newestModule) const;
};

/// What a read of parts fills in: everything, or only what counting by
/// module and kind needs (caption, kind, modul), leaving the rest empty.
enum class PartFields { All, KindAndModule };

/// An entry together with its parts, as one read of the whole file gives them.
struct EntryParts
{
    Entry entry;
    QList<Part> parts;
};

/// @short Reads one Section file's entries and parts.
class SectionFile
{
public:
    explicit SectionFile(QString path);
    /// "Section_" + line + ".dat" in the Program directory.
    static SectionFile ofLine(const QByteArray &line);

    const QString &path() const { return m_path; }
    /// The entries' names in file order; none for a missing file.
    QList<QByteArray> entryNames() const;
    /// The entry `name`; a missing file or section gives the defaults (one part).
    Entry entry(const QByteArray &name) const;
    /// Part n (from 1) of the entry `name`.
    Part part(const QByteArray &name, int n) const;
    /// Parts 1 ... entry.partCount.
    QList<Part> parts(const Entry &entry) const;
    /// Every entry in file order with its parts, from one check of the file:
    /// what entryNames, entry and parts give, read at one moment.
    QList<EntryParts> entriesWithParts(PartFields fields = PartFields::All) const;

private:
    QString m_path;
};

/// What a key of an entry's INI section stands for, and for a part key its n.
enum class EntryKeyKind { Unknown, Count, CModul, Caption, Modul, File, Describe, Archiv };
struct EntryKey
{
    EntryKeyKind kind = EntryKeyKind::Unknown;
    int part = 0; // n of "<n>", "<n>Modul" ...; 0 for the others
};

/// Classifies a key as the reader matches it: letter case ignored, n in decimal
/// without leading zeros ("2modul" -> Modul of part 2, "02Modul" -> Unknown).
EntryKey entryKeyOf(const QByteArray &key);

/// @short A Section file read once, for tools that go through all of it; its
/// records are SectionFile's as of the moment it was read.
class SectionSnapshot
{
public:
    explicit SectionSnapshot(const SectionFile &file);
    Entry entry(const QByteArray &name) const;
    QList<Part> parts(const Entry &entry) const;

private:
    ini::Reader m_ini;
};

/// One line of Sections.dat: the Section file's name form and the tab's caption.
struct Section
{
    QByteArray line;
    /// The line with "ae" shown as "ä" ("Kaeltetechnik" -> "Kältetechnik").
    QByteArray caption;
    SectionFile file() const { return SectionFile::ofLine(line); }
};

/// The sections of Sections.dat in file order; throws IoError when it cannot be read.
QList<Section> readSections();

/// What the Index grid marks at a part's module: a missing file wins over the newest module.
enum class ModuleMark { None, Missing, Newest };
ModuleMark moduleMark(const QByteArray &modul, const QByteArray &newestModule);

/// True when `modul` + ".TVM" names the newest module, ASCII upper-cased.
bool isNewestModule(const QByteArray &modul, const QByteArray &newestModule);

} // namespace tv

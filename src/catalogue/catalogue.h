// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

/// @short The catalogue's files by name: the Section list, Section files, the
/// Version file and the settings, all in the Program directory.
namespace tv {

inline constexpr char kSectionsFile[] = "Sections.dat";
inline constexpr char kVersionFile[] = "CheckVersion.dat";
inline constexpr char kSettingsFile[] = "TIPVAULT.ini";

/// Path of a file of the Program directory, found without regard to ASCII case.
QString programFile(const QByteArray &name);

/// The Module file "<modul>.tvm" in the Program directory, found without regard
/// to ASCII case; "" when `modul` is no bare name: a value holding "/", "\\" or
/// NUL, or "." or "..", opens nothing and reads as a missing module.
QString moduleFile(const QByteArray &modul);
/// True when moduleFile(modul) is an existing regular file.
bool moduleInstalled(const QByteArray &modul);

/// "Section_" + line + ".dat", the line unconverted.
QByteArray sectionFileName(const QByteArray &line);

/// The lines of Sections.dat; throws IoError when it cannot be read.
QList<QByteArray> readSectionLines();

/// The Section file of a section tab's caption ("Kältetechnik" -> Section_Kaeltetechnik.dat).
QString sectionFileForCaption(const QByteArray &caption);

/// True when Sections.dat exists in `dir` and every Section file it lists
/// exists too (a 0-byte Sections.dat passes). A Sections.dat that cannot be
/// read fails.
bool catalogueComplete(const QString &dir);
/// catalogueComplete() of the Program directory.
bool CheckFiles();

/// [ModulDate] Modul of the installed Version file, "" when absent ("neu.tvm").
QByteArray GetNewestModul();

} // namespace tv

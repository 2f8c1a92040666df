// SPDX-License-Identifier: GPL-3.0-or-later
#include "updatefolder.h"

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/ini.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"

#include <QFileInfo>

namespace tv {
namespace {

constexpr char kSettings[] = "Settings";
constexpr char kModulePath[] = "ModulPath";

const QString kNoFolder = QStringLiteral("0");

// A relative path would be taken from whatever the current directory is; the
// ZIP component moves that around, so only absolute folders count as known.
bool isKnownFolder(const QString &folder)
{
    return folder != kNoFolder && folder.startsWith(u'/') && QFileInfo(folder).isDir();
}

} // namespace

QString ModulPath()
{
    return fromCp1252(ini::readString(programFile(kSettingsFile), kSettings, kModulePath, "0"));
}

void setModulPath(const QString &folder)
{
    ini::writeString(programFile(kSettingsFile), kSettings, kModulePath, toCp1252(folder));
}

QString repeatFolderQuestion(const QString &folder)
{
    return QStringLiteral("Sie haben letztes Mal das Verzeichnis '") + folder
        + QStringLiteral("' ausgewählt. Soll diesmal wieder in diesem Verzeichnis nach "
                         "Modulupdates gesucht werden?");
}

std::optional<QString> chooseUpdateFolder(Seam &seam)
{
    std::optional<QString> folder = ModulPath();
    if (!isKnownFolder(*folder)
        || showMessage(seam, MessageKind::Confirmation, repeatFolderQuestion(*folder), Yes | No) == No)
        folder = SelectFolder(seam);
    if (folder)
        setModulPath(*folder);
    return folder;
}

} // namespace tv

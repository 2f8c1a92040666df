// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue.h"

#include "errors.h"
#include "ini.h"
#include "paths.h"
#include "textlines.h"

namespace tv {

QString programFile(const QByteArray &name)
{
    return resolveName(GetProgramDir(), name);
}

QString moduleFile(const QByteArray &modul)
{
    return isBareName(modul) ? programFile(modul + ".tvm") : QString();
}

bool moduleInstalled(const QByteArray &modul)
{
    return isBareName(modul) && fileExistsIn(GetProgramDir(), modul + ".tvm");
}

QByteArray sectionFileName(const QByteArray &line)
{
    return "Section_" + line + ".dat";
}

QList<QByteArray> readSectionLines()
{
    return readLines(programFile(kSectionsFile));
}

QString sectionFileForCaption(const QByteArray &caption)
{
    return programFile(sectionFileName(ConvertUmlaut(caption, false)));
}

bool catalogueComplete(const QString &dir)
{
    if (!fileExistsIn(dir, kSectionsFile))
        return false;
    QList<QByteArray> lines;
    try {
        lines = readLines(resolveName(dir, kSectionsFile));
    } catch (const IoError &) {
        return false;
    }
    for (const QByteArray &line : lines) {
        if (!fileExistsIn(dir, sectionFileName(line)))
            return false;
    }
    return true;
}

bool CheckFiles()
{
    return catalogueComplete(GetProgramDir());
}

QByteArray GetNewestModul()
{
    return ini::readString(programFile(kVersionFile), "ModulDate", "Modul", QByteArray());
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#include "updatefiles.h"

#include "catalogue/paths.h"

#include <QDirIterator>

namespace tv {

void forEachMatchingFile(
    const QString &folder, const QString &pattern, const std::function<bool(const QString &name)> &action)
{
    // Without QDir::CaseSensitive the name filter ignores case, as the file
    // search of the catalogue's home platform does; without QDir::System no
    // FIFO or socket is ever handed on to be copied.
    QDirIterator it(folder, { pattern }, QDir::Files | QDir::Hidden);
    while (it.hasNext()) {
        it.next();
        if (!action(it.fileName()))
            return;
    }
}

void FindUpdateFiles(const QString &folder, QStringList &updateFiles)
{
    const QString dir = withSeparator(folder);
    forEachMatchingFile(dir, QStringLiteral("*.tvu"), [&](const QString &name) {
        updateFiles.append(dir + name);
        return true;
    });
}

} // namespace tv

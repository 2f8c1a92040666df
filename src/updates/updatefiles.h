// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>
#include <QStringList>

#include <functional>

namespace tv {

/// Calls `action` with the name of every plain file directly in `folder` whose
/// name matches `pattern` ("*.tvu") without regard to letter case, in the
/// order the directory lists them; stops when the action returns false.
/// Hidden files count; directories, devices and FIFOs never match.
void forEachMatchingFile(
    const QString &folder, const QString &pattern, const std::function<bool(const QString &name)> &action);

/// Appends folder + name of every Update archive ("*.tvu") in `folder` to
/// `updateFiles`; subfolders are not searched. `folder` ends with "/".
void FindUpdateFiles(const QString &folder, QStringList &updateFiles);

} // namespace tv

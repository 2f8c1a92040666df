// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/partkind.h"

#include <QString>

#include <optional>

/// @short The part kinds as the command line names and shows them, from the
/// kind table of catalogue/partkind.
namespace tv::cli {

/// "text", "archiv", "html", "link" and the captions' kind names ("Text",
/// "Archiv", "HTML-Seite", "WWW-Link"), case ignored; nothing for anything else.
std::optional<PartKind> kindFromName(const QString &name);
/// "Text", "Archiv", "HTML-Seite", "WWW-Link", "keine".
QString kindCaption(PartKind kind);
/// The stable token of --json: "text", "archive", "html", "www", "none".
QString kindToken(PartKind kind);

} // namespace tv::cli

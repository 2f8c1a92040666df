// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"

#include <QList>
#include <QString>
#include <QStringList>

/// @short Finds a section, entry or part by what the user typed.
///
/// A name is given as shown ("Qt-Oberflächen") or as stored
/// ("Qt-Oberflaechen"), without regard to letter case (umlauts included); a
/// unique prefix is enough. An exact name wins over prefixes, and among names
/// that differ only in case the one typed with the same case wins:
///
///     entries "Sortieren", "Sortieren mit Lambdas", "Suchen"
///     "sortieren"  -> "Sortieren"           (exact, case ignored)
///     "Sortieren m" -> "Sortieren mit Lambdas" (unique prefix)
///     "S"          -> ambiguous: all three are listed
///     "x"          -> not found
namespace tv::cli {

/// One thing that can be named, with the forms it answers to.
struct Nameable
{
    QString shown;
    QStringList otherForms;
};

/// The index of the one thing `typed` names; throws CliError (exit 1) with the
/// candidates when it names several, or when it names none. `what` is the
/// German noun for messages ("Rubrik", "Eintrag", "Teil").
int resolve(const QString &typed, const QList<Nameable> &things, const QString &what);

/// The section `typed` names.
Section resolveSection(const QString &typed);
/// The entry `typed` names in `section`.
Entry resolveEntry(const Section &section, const QString &typed);
/// The part `typed` names: its number, or its caption or description
/// (a unique prefix is enough); an empty text names part 1.
Part resolvePart(const Section &section, const Entry &entry, const QString &typed);

/// A catalogue name (Windows-1252) as the terminal shows it.
QString shownName(const QByteArray &cp1252);

} // namespace tv::cli

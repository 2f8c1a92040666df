// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

/// @short Small catalogues and runs of the real tipvault-cli for its tests.

/// UTF-8 text with "\n" as the catalogue stores it: Windows-1252 with CR LF.
QByteArray catalogueBytes(const char *utf8);

/// Writes `utf8` as catalogue text to `dir` + `name` (`name` as UTF-8 on disk).
void writeCatalogueFile(const QString &dir, const QString &name, const char *utf8);

/// A catalogue in `dir` that check finds clean:
///   Sections.dat: "Kaeltetechnik", "Grafik"
///   Kältetechnik: "!Willkommen" (Editorial, basis), "Kühlung prüfen" (Artikel
///     RTF with "Grüße", Beispiel archive with "src/main.cpp" and "liesmich.txt"),
///   Grafik: "Bitmaps laden" (Artikel, neu), "Bitmap" (WWW-Link, basis),
///     "Farben ändern" (HTML-Seite, neu)
/// Modules basis.tvm and neu.tvm; neu.tvm is the newest.
void writeSmallCatalogue(const QString &dir);

struct CliRun
{
    int code = -1;
    QByteArray out;
    QByteArray err;
    /// For failure messages: the code and both outputs.
    QString describe() const;
};

/// The environment of a run: no display, the test's TMPDIR.
QProcessEnvironment cliEnvironment();

/// Runs the built tipvault-cli with `arguments` and waits for it.
CliRun runCli(const QStringList &arguments, const QProcessEnvironment &env = cliEnvironment());

/// The folder of the built program, which holds the laid-out sample catalogue.
QString builtProgramDir();

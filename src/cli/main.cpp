// SPDX-License-Identifier: GPL-3.0-or-later
// tipvault-cli: the catalogue from the shell, and the tools to write one.
#include "catalogue/paths.h"
#include "cli/commands.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // Core only: no display is needed, not even for RTF, which QTextDocument
    // reads without laying it out.
    QCoreApplication app(argc, argv);
    // The program's name: search shares the full-text index the program keeps in its cache.
    QCoreApplication::setApplicationName(QStringLiteral("Tipvault"));
    tv::sweepWorkDirectory();
    const int code = tv::cli::run(QCoreApplication::arguments());
    // Its own folder in the Work directory goes; the program's files stay.
    tv::releaseWorkDirectory();
    return code;
}

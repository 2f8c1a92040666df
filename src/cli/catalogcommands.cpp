// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that look after a catalogue as a whole: stats, integrate, check, pack and pack-update.
#include "runner.h"

#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/paths.h"
#include "cli/clierror.h"
#include "cli/linter.h"
#include "cli/names.h"
#include "cli/output.h"
#include "cli/packer.h"
#include "stats/modulstatistik.h"
#include "updates/cataloguecopy.h"
#include "updates/modulupdate.h"
#include "updates/updatefolder.h"
#include "zip/zipaccess.h"

#include <QFileInfo>
#include <QJsonArray>

namespace tv::cli {

int Runner::stats()
{
    ModulStatistik statistik;
    statistik.GetModulStatistik();
    QJsonArray list;
    QList<QStringList> rows;
    for (int row = 0; row < statistik.rowCount(); ++row) {
        const int texts = statistik.count(row, CountColumn::Text);
        const int archives = statistik.count(row, CountColumn::Archive);
        const int html = statistik.count(row, CountColumn::Html);
        const int links = statistik.count(row, CountColumn::Www);
        list.append(QJsonObject { { QStringLiteral("modul"), fromCp1252(statistik.modules()[row]) },
            { QStringLiteral("file"), fromCp1252(statistik.moduleText(row).trimmed()) },
            { QStringLiteral("installed"), statistik.isInstalled(row) },
            { QStringLiteral("total"), statistik.total(row) }, { QStringLiteral("text"), texts },
            { QStringLiteral("archive"), archives }, { QStringLiteral("html"), html },
            { QStringLiteral("links"), links } });
        rows.append({ fromCp1252(statistik.moduleText(row).trimmed()),
            QString::number(statistik.total(row)), QString::number(texts), QString::number(archives),
            QString::number(html), QString::number(links),
            statistik.isInstalled(row) ? QString() : QStringLiteral("nicht installiert") });
    }
    if (m_json)
        printJson({ { QStringLiteral("modules"), list } });
    else
        print(table(
            { QStringLiteral("Modul"), QStringLiteral("Total"), QStringLiteral("Artikel"),
                QStringLiteral("Archive"), QStringLiteral("HTML"), QStringLiteral("Links"), QString() },
            rows, { 1, 2, 3, 4, 5 }));
    return ExitOk;
}

int Runner::integrate()
{
    const QFileInfo folder(m_args[0]);
    if (!folder.isDir())
        throw CliError(QStringLiteral("Der Ordner '%1' existiert nicht.").arg(m_args[0]));
    const QString dir = withSeparator(folder.absoluteFilePath());
    if (!QFileInfo(GetProgramDir()).isDir())
        throw CliError(QStringLiteral("Der Katalogordner '%1' existiert nicht.").arg(GetProgramDir()));
    QString copy;
    if (!isWritableFolder(GetProgramDir())) {
        if (!m_parser.isSet(QStringLiteral("copy")))
            throw CliError(QStringLiteral("Der Katalog in '%1' kann nicht geändert werden. Mit --copy wird er "
                                          "nach '%2' kopiert und die Modulupdates werden dort integriert.")
                               .arg(GetProgramDir(), catalogueCopiesFolder()));
        QString reason;
        if (!copyCatalogue(GetProgramDir(), catalogueCopiesFolder(), &copy, &reason))
            throw CliError(QStringLiteral("Der Katalog konnte nicht nach '%1' kopiert werden: %2")
                               .arg(catalogueCopiesFolder(), reason));
        note(QStringLiteral("Der Katalog wurde nach '%1' kopiert; öffnen mit: tipvault '%1'").arg(copy));
        setProgramDirOverride(copy);
    }
    // As the menu command: the folder searched is remembered for the next time.
    setModulPath(dir);
    TZipAccess zip(m_seam);
    zip.setEngineDirectory(engineDir());
    int count = 0;
    try {
        count = IntegrateUpdates(m_seam, zip, dir, [this](UpdateStep, const QByteArray &file) {
            m_progress.show(QStringLiteral("Integriere: ") + shownName(file));
        });
    } catch (const IntegrationStopped &stopped) {
        // What went in before the error stays: it is counted, and the error fails the run.
        reportError(m_seam, stopped.message());
        count = stopped.integrated();
    }
    m_progress.clear();
    const int failed = m_seam.errorCount();
    if (m_json)
        printJson({ { QStringLiteral("integrated"), count }, { QStringLiteral("failed"), failed },
            { QStringLiteral("catalogue"), GetProgramDir() } });
    else
        print(count == 0 ? QStringLiteral("Es wurde kein Modul integriert...\n")
                         : QStringLiteral("Es wurde(n) %1 Modul(e) integriert.\n").arg(count));
    return failed ? ExitFailed : ExitOk;
}

int Runner::check()
{
    if (!QFileInfo(GetProgramDir()).isDir())
        throw CliError(QStringLiteral("Der Katalogordner '%1' existiert nicht.").arg(GetProgramDir()));
    const QList<Finding> findings
        = checkCatalogue(m_seam, engineDir(), [this](const QString &s, int n, int of) {
              m_progress.show(QStringLiteral("Prüfe %1/%2: %3").arg(n).arg(of).arg(s));
          });
    m_progress.clear();
    int errors = 0, warnings = 0;
    QJsonArray list;
    QString text;
    for (const Finding &f : findings) {
        (f.severity == Severity::Error ? errors : warnings)++;
        list.append(QJsonObject { { QStringLiteral("file"), f.file },
            { QStringLiteral("line"), f.line ? QJsonValue(f.line) : QJsonValue() },
            { QStringLiteral("severity"),
                f.severity == Severity::Error ? QStringLiteral("error") : QStringLiteral("warning") },
            { QStringLiteral("text"), f.text } });
        text += f.toString() + u'\n';
    }
    if (m_json)
        printJson({ { QStringLiteral("findings"), list }, { QStringLiteral("errors"), errors },
            { QStringLiteral("warnings"), warnings } });
    else
        print(text);
    if (!findings.isEmpty() && !m_json)
        note(QStringLiteral("%1 Fehler, %2 Warnung(en)").arg(errors).arg(warnings));
    return errors ? ExitFailed : ExitOk;
}

int Runner::pack()
{
    packCatalogue(m_args[0], m_args[1],
        [this](const QString &file) { m_progress.show(QStringLiteral("Packe ") + file); });
    return ExitOk;
}

int Runner::packUpdate()
{
    tv::cli::packUpdate(m_args[0], m_args[1], m_parser.value(QStringLiteral("base")),
        [this](const QString &file) { m_progress.show(QStringLiteral("Packe ") + file); });
    return ExitOk;
}

} // namespace tv::cli

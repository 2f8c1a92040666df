// SPDX-License-Identifier: GPL-3.0-or-later
#include "runner.h"

#include "catalogue/catalogue.h"
#include "catalogue/paths.h"
#include "cli/clierror.h"
#include "cli/output.h"

#include <QCoreApplication>
#include <QJsonDocument>

namespace tv::cli {

Runner::Runner(QCommandLineParser &parser, const Command &command, std::FILE *out, std::FILE *err)
    : m_parser(parser)
    , m_command(command)
    , m_out(out)
    , m_err(err)
    , m_seam(err)
    , m_progress(err)
    , m_args(parser.positionalArguments().mid(1))
    , m_json(parser.isSet(QStringLiteral("json")))
{
    m_seam.setProgress(&m_progress);
}

int Runner::run()
{
    const QString &c = m_command.name;
    if (c == u"pack")
        return pack();
    if (c == u"pack-update")
        return packUpdate();
    if (c == u"integrate")
        return integrate();
    if (c == u"check")
        return check();
    requireCatalogue();
    if (c == u"sections")
        return sections();
    if (c == u"entries")
        return entries();
    if (c == u"show")
        return show();
    if (c == u"cat")
        return cat();
    if (c == u"extract")
        return extract();
    if (c == u"link")
        return link();
    if (c == u"search")
        return search();
    return stats();
}

void Runner::print(const QString &text)
{
    write(m_out, text.toUtf8());
}

void Runner::note(const QString &text)
{
    m_progress.clear();
    write(m_err, (text + u'\n').toUtf8());
}

void Runner::printJson(const QJsonObject &object)
{
    write(m_out, QJsonDocument(object).toJson(QJsonDocument::Indented));
}

QString Runner::engineDir() const
{
    return QCoreApplication::applicationDirPath();
}

void Runner::requireCatalogue()
{
    if (!fileExistsIn(GetProgramDir(), kSectionsFile))
        throw CliError(
            QStringLiteral("In '%1' liegt kein Katalog: Sections.dat fehlt.").arg(GetProgramDir()));
}

} // namespace tv::cli

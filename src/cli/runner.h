// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/progress.h"
#include "cli/stderrseam.h"

#include <QCommandLineParser>
#include <QJsonObject>
#include <QStringList>

#include <cstdio>

namespace tv::cli {

struct Command
{
    QString name;
    QString arguments; // as shown in the help: "SECTION ENTRY [PART]"
    QString summary;
    int minArgs;
    int maxArgs;
    QStringList options; // names of the options it takes besides --dir
};

/// @short Runs one command; its groups live in readcommands.cpp, searchcommand.cpp and catalogcommands.cpp.
class Runner
{
public:
    Runner(QCommandLineParser &parser, const Command &command, std::FILE *out, std::FILE *err);

    int run();

private:
    void print(const QString &text);
    /// A line on standard error that is no message of the core: a summary, "nothing found".
    void note(const QString &text);
    void printJson(const QJsonObject &object);
    QString engineDir() const;
    void requireCatalogue();

    int sections();
    int entries();
    int show();
    int cat();
    int extract();
    int link();

    int search();

    int stats();
    int integrate();
    int check();
    int pack();
    int packUpdate();

    QCommandLineParser &m_parser;
    const Command &m_command;
    std::FILE *m_out;
    std::FILE *m_err;
    StderrSeam m_seam;
    Progress m_progress;
    QStringList m_args;
    bool m_json;
};

} // namespace tv::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// Integrates the Update archives of a folder into a catalogue, like the menu
// command, and dies by SIGKILL at a chosen step: the kill tests run it as a
// child process and look at what it left.
//
//   updates_integratechild <program dir> <update folder> [<step> <file> <bytes>]
//
// At the step's first report for <file>, a <bytes> of 0 kills at once; any
// other number lets the process write files up to that size only, and the
// first write past it kills (SIGXFSZ, turned into SIGKILL), so the death
// comes in the middle of that copy, extraction or rewrite.
// Exit code: the number of integrated archives, plus 100 when a box was shown;
// 99 when the step never came.

#include "catalogue/paths.h"
#include "fakeseam.h"
#include "updates/modulupdate.h"
#include "zip/zipaccess.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <sys/resource.h>

using namespace tv;

namespace {

void killSelf(int)
{
    ::raise(SIGKILL);
}

UpdateStep stepNamed(const QString &name)
{
    if (name == u"extracting")
        return UpdateStep::Extracting;
    if (name == u"staging")
        return UpdateStep::Staging;
    if (name == u"deleting")
        return UpdateStep::Deleting;
    if (name == u"replacing")
        return UpdateStep::Replacing;
    return UpdateStep::Replaced;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3 && args.size() != 6) {
        std::fputs("usage: updates_integratechild PROGRAMDIR FOLDER [STEP FILE BYTES]\n", stderr);
        return 98;
    }
    setProgramDirOverride(args[1]);
    FakeSeam seam;
    TZipAccess zip(seam);
    zip.setExtrOptions(ExtrOverWrite);
    zip.setEngineDirectory(qEnvironmentVariable("TIPVAULT_TEST_BIN"));

    StepObserver observer;
    const bool killing = args.size() == 6;
    if (killing) {
        const UpdateStep step = stepNamed(args[3]);
        const QByteArray file = args[4].toUtf8();
        const rlim_t bytes = args[5].toULongLong();
        std::signal(SIGXFSZ, killSelf);
        observer = [step, file, bytes](UpdateStep now, const QByteArray &name) {
            if (now != step || name != file)
                return;
            if (bytes == 0)
                ::raise(SIGKILL);
            const rlimit limit { bytes, bytes };
            ::setrlimit(RLIMIT_FSIZE, &limit);
        };
    }
    const int count = IntegrateUpdates(seam, zip, args[2], observer);
    for (const QString &text : seam.messageTexts())
        std::fprintf(stderr, "box: %s\n", qPrintable(text));
    releaseWorkDirectory(); // as the program does at its end
    if (killing)
        return 99;
    return count + (seam.messages.isEmpty() ? 0 : 100);
}

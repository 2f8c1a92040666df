// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/desktopseam.h"
#include "app/application.h"
#include "app/cataloguemenu.h"
#include "app/mainwindow.h"
#include "app/qttranslations.h"
#include "app/readercomforts.h"
#include "app/singleinstance.h"
#include "app/startrequest.h"
#include "app/timezone.h"
#include "app/version.h"
#include "catalogue/paths.h"
#include "widgets/imagelist.h"

#include <QCommandLineParser>
#include <QDir>

#include <cstdio>
#include <memory>

namespace {

void describeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(QStringLiteral("Offline-Leser für eine Datenbank mit Programmiertipps"));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOption(QCommandLineOption(QStringLiteral("suche"),
        QStringLiteral("Die Volltextsuche mit SUCHTEXT öffnen"), QStringLiteral("SUCHTEXT")));
    parser.addPositionalArgument(QStringLiteral("ORDNER|LINK"),
        QStringLiteral("Der Ordner des Katalogs (Vorgabe: der zuletzt geöffnete, sonst der Ordner des "
                       "Programms) oder ein Link \"tipvault:?...\""),
        QStringLiteral("[ORDNER|LINK]"));
}

/// --version and --help answer without a display (packagers and scripts ask
/// on machines that have none): a plain QCoreApplication prints the answer and
/// ends the process. Anything else goes on to the window.
void answerWithoutDisplay(int &argc, char **argv)
{
    QCoreApplication core(argc, argv);
    tv::installQtGermanTexts(core);
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.parse(QCoreApplication::arguments()); // mistakes are reported below, by the window's parser
    for (const char *option : { "version", "help", "help-all" }) {
        if (parser.isSet(QString::fromLatin1(option)))
            parser.process(core); // prints and exits
    }
}

} // namespace

int main(int argc, char *argv[])
{
    tv::pinLocalTimeZone(); // before any thread or library reads the time
    QCoreApplication::setApplicationName(QStringLiteral("Tipvault"));
    QCoreApplication::setApplicationVersion(QStringLiteral(TIPVAULT_VERSION));
    if (argc > 1)
        answerWithoutDisplay(argc, argv);

    // The one seam of the program: everything that talks to the user is handed it.
    tv::DesktopSeam seam;
    tv::TipvaultApplication app(argc, argv, seam);
    QGuiApplication::setDesktopFileName(QStringLiteral("org.tipvault.Tipvault"));
    tv::installQtGermanTexts(app);
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);
    if (parser.positionalArguments().size() > 1) {
        std::fputs("tipvault: Nur ein Ordner oder Link ist möglich.\n", stderr);
        return 2;
    }

    const tv::StartRequest request = tv::StartRequest::fromArguments(
        parser.positionalArguments(), parser.value(QStringLiteral("suche")), QDir::currentPath());
    // One window per user and display: a second start hands over what it was asked.
    const QString instance = tv::SingleInstance::socketName();
    QString answer;
    if (!instance.isEmpty() && tv::SingleInstance::handOver(instance, request, &answer)) {
        if (!answer.isEmpty())
            std::fputs((answer.toUtf8() + '\n').constData(), stdout);
        return 0;
    }

    QApplication::setWindowIcon(tv::pagePicture(QStringLiteral("Archiv")));

    int code = 0;
    tv::guarded(seam, [&] {
        tv::TForm1 window(seam);
        QString folder = request.startFolder();
        const bool folderGiven = !folder.isEmpty();
        if (!folderGiven)
            folder = tv::rememberedCatalogue();
        const bool started
            = folder.isEmpty() ? window.FormCreate() : window.openCatalogue(folder, tv::TForm1::Opening::AtStart);
        if (!started)
            return; // an incomplete catalogue ends the program with 0
        tv::sweepWorkDirectory();
        window.show();
        // Back where the reader left off, once the start-up above has run.
        tv::guarded(seam, [&] { window.comforts()->restoreSession(); });
        tv::guarded(seam, [&] { tv::carryOut(window, request, folderGiven); });
        std::unique_ptr<tv::SingleInstance> listening;
        if (!instance.isEmpty())
            listening = std::make_unique<tv::SingleInstance>(instance, window, seam);
        code = QApplication::exec();
    });
    return code;
}

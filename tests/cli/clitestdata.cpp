// SPDX-License-Identifier: GPL-3.0-or-later
#include "clitestdata.h"

#include "catalogue/cp1252.h"
#include "testdirs.h"
#include "zipwriter.h"

#include <QProcess>
#include <QtTest>

QByteArray catalogueBytes(const char *utf8)
{
    return tv::toCp1252(QString::fromUtf8(utf8)).replace("\n", "\r\n");
}

void writeCatalogueFile(const QString &dir, const QString &name, const char *utf8)
{
    TestDirs::writeFile(dir + name, catalogueBytes(utf8));
}

void writeSmallCatalogue(const QString &dir)
{
    writeCatalogueFile(dir, QStringLiteral("Sections.dat"), "Kaeltetechnik\nGrafik\n");
    writeCatalogueFile(dir, QStringLiteral("Section_Kaeltetechnik.dat"),
        "[!Willkommen]\n1=Editorial\n1Modul=basis\n1File=willkommen.txt\n1Describe=Hallo\n\n"
        "[Kühlung prüfen]\nCount=2\n1=Artikel\n1Modul=basis\n1File=kuehlung.rtf\n1Describe=Kältemittel\n"
        "2=Beispiel\n2Modul=basis\n2File=beispiel.zip\n2Describe=Beispielcode\n");
    writeCatalogueFile(dir, QStringLiteral("Section_Grafik.dat"),
        "[Bitmaps laden]\n1Modul=neu\n1File=bitmaps.txt\n\n"
        "[Bitmap]\n1=WWW-Link\n1Modul=basis\n1File=link.txt\n\n"
        "[Farben ändern]\n1=HTML-Seite\n1Modul=neu\n1File=farben.zip\n");
    writeCatalogueFile(dir, QStringLiteral("CheckVersion.dat"),
        "[ModulDate]\nModul=neu.tvm\nDate=20240101\n[CheckVersion]\nSection=1\n");
    writeZip(dir + QStringLiteral("basis.tvm"),
        { { "willkommen.txt", catalogueBytes("Willkommen\n") },
            { "kuehlung.rtf", "{\\rtf1\\ansi\\ansicpg1252 Gr\\'fc\\'dfe aus der K\\'e4lte\\par}" },
            { "beispiel.zip",
                zipBytes(
                    { { "src/", {} }, { "src/main.cpp", "int main() {}\n" }, { "liesmich.txt", "lies" } }) },
            { "link.txt", "https://example.org/bitmap\r\n" } });
    writeZip(dir + QStringLiteral("neu.tvm"),
        { { "bitmaps.txt", catalogueBytes("Bitmaps laden\n") },
            { "farben.zip", zipBytes({ { "index.htm", "<html>Farben</html>" } }) } });
}

QString CliRun::describe() const
{
    return QStringLiteral("exit %1\nstdout: %2\nstderr: %3")
        .arg(code)
        .arg(QString::fromUtf8(out), QString::fromUtf8(err));
}

QProcessEnvironment cliEnvironment()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return env;
}

QString builtProgramDir()
{
    return qEnvironmentVariable("TIPVAULT_TEST_BIN") + u'/';
}

CliRun runCli(const QStringList &arguments, const QProcessEnvironment &env)
{
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(builtProgramDir() + QStringLiteral("tipvault-cli"), arguments);
    CliRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.code = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The RTF reader on any bytes: it ends, leaves the document alone when the
// bytes are no RTF, and what it read survives our writer and a second reading
// with the same text. The plain text reader and writer take whatever comes.

#include "fuzzsupport.h"
#include "viewer/rtf/plaintext.h"
#include "viewer/rtf/rtfreader.h"
#include "viewer/rtf/rtfwriter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTextDocument>

using namespace tv;

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    // Fonts and images want a GUI application; no window is ever shown.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR"))
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(fuzz::scratchDir())); // private (0700), as Qt wants it
    static int argc = 1;
    static char name[] = "rtf_fuzz";
    static char *argv[] = { name, nullptr };
    static QGuiApplication app(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    QTextDocument doc;
    doc.setPlainText(QStringLiteral("unberührt"));
    if (!readRtf(input, &doc)) {
        fuzz::check(!input.startsWith("{\\rtf"), "bytes that start with {\\rtf are read as RTF");
        fuzz::check(doc.toPlainText() == QStringLiteral("unberührt"),
            "bytes that are no RTF leave the document alone");
        QTextDocument plain;
        readPlainText(input, &plain);
        plainTextCrLf(plain);
        return 0;
    }

    const QByteArray written = writeRtf(doc);
    QTextDocument again;
    fuzz::check(readRtf(written, &again), "our own RTF reads as RTF");
    if (again.toPlainText() != doc.toPlainText())
        fuzz::fail("writing and reading again keeps the text", doc.toPlainText().toUtf8(),
            again.toPlainText().toUtf8());
    fuzz::check(
        plainTextCrLf(again) == plainTextCrLf(doc), "writing and reading again keeps the plain text file");
    return 0;
}

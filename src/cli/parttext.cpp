// SPDX-License-Identifier: GPL-3.0-or-later
#include "parttext.h"

#include "catalogue/cp1252.h"
#include "catalogue/textlines.h"
#include "viewer/rtf/plaintext.h"
#include "viewer/rtf/rtfreader.h"

#include <QTextDocument>

namespace tv::cli {

QString partText(const QByteArray &bytes)
{
    QTextDocument doc;
    if (!readRtf(bytes, &doc))
        readPlainText(bytes, &doc);
    return plainText(doc);
}

QString linkAddress(const QByteArray &bytes)
{
    const QList<QByteArray> lines = splitLines(bytes);
    return lines.isEmpty() ? QString() : fromCp1252(lines.front().trimmed());
}

} // namespace tv::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "textcontent.h"

#include "cp1252.h"

#include <QStringDecoder>

#include <optional>

namespace tv {
namespace {

bool isTextControl(uchar c)
{
    // Tab, line feed, vertical tab, form feed, carriage return, DOS end of file, escape.
    return c == 0x09 || c == 0x0A || c == 0x0B || c == 0x0C || c == 0x0D || c == 0x1A || c == 0x1B;
}

std::optional<QString> utf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

bool looksLikeText(QByteArrayView bytes)
{
    qsizetype controls = 0;
    for (const char c : bytes) {
        const auto u = uchar(c);
        if (u == 0)
            return false;
        if (u < 0x20 && !isTextControl(u))
            ++controls;
    }
    return controls * 100 <= bytes.size();
}

QString decodeText(QByteArray bytes, bool cut)
{
    std::optional<QString> text = utf8(bytes);
    // A character cut in two at the end of what was read is at most 3 bytes.
    for (int drop = 1; !text && cut && drop <= 3 && drop < bytes.size(); ++drop)
        text = utf8(QByteArrayView(bytes).chopped(drop));
    QString decoded = text ? *text : fromCp1252(bytes);
    decoded.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    decoded.replace(u'\r', u'\n');
    return decoded;
}

} // namespace tv

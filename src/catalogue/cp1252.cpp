// SPDX-License-Identifier: GPL-3.0-or-later
#include "cp1252.h"

#include <array>

namespace tv {
namespace {

// 0x80..0x9F; the rest of 1252 equals Latin-1.
constexpr std::array<char16_t, 32> kHigh = { 0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D,
    0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178 };

char16_t toUnicode(unsigned char b)
{
    return (b >= 0x80 && b <= 0x9F) ? kHigh[b - 0x80] : char16_t(b);
}

} // namespace

QString fromCp1252(const QByteArray &bytes)
{
    QString out(bytes.size(), Qt::Uninitialized);
    QChar *dst = out.data();
    for (const char c : bytes)
        *dst++ = QChar(toUnicode(static_cast<unsigned char>(c)));
    return out;
}

QByteArray toCp1252(const QString &text)
{
    QByteArray out;
    out.reserve(text.size());
    for (const QChar ch : text) {
        const char16_t u = ch.unicode();
        if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
            out.append(char(u));
            continue;
        }
        char found = '?';
        for (int i = 0; i < int(kHigh.size()); ++i) {
            if (kHigh[i] == u) {
                found = char(0x80 + i);
                break;
            }
        }
        out.append(found);
    }
    return out;
}

QByteArray upperAscii(QByteArray text)
{
    for (char &c : text) {
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    }
    return text;
}

QByteArray upperCp1252(QByteArray text)
{
    for (char &c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b >= 'a' && b <= 'z')
            c = char(b - 0x20);
        else if (b == 0x9A || b == 0x9C || b == 0x9E) // š œ ž
            c = char(b - 0x10);
        else if (b == 0xFF) // ÿ -> Ÿ
            c = char(0x9F);
        else if (b >= 0xE0 && b <= 0xFE && b != 0xF7)
            c = char(b - 0x20);
    }
    return text;
}

bool equalsIgnoringAsciiCase(const QByteArray &a, const QByteArray &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        char x = a[i];
        char y = b[i];
        if (x >= 'a' && x <= 'z')
            x = char(x - 0x20);
        if (y >= 'a' && y <= 'z')
            y = char(y - 0x20);
        if (x != y)
            return false;
    }
    return true;
}

} // namespace tv

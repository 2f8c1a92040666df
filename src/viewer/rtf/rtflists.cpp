// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtflists.h"

#include <algorithm>

namespace tv::rtfread {
namespace {

constexpr int kLevels = 9;

QString roman(int n)
{
    static const std::pair<int, const char *> digits[] = { { 1000, "m" }, { 900, "cm" }, { 500, "d" },
        { 400, "cd" }, { 100, "c" }, { 90, "xc" }, { 50, "l" }, { 40, "xl" }, { 10, "x" }, { 9, "ix" },
        { 5, "v" }, { 4, "iv" }, { 1, "i" } };
    QString out;
    for (const auto &[value, text] : digits) {
        for (; n >= value && out.size() < 32; n -= value)
            out += QLatin1String(text);
    }
    return out;
}

// 1 "a", 26 "z", 27 "aa", 28 "bb", as Word counts letters.
QString letters(int n)
{
    const int repeat = std::min((n - 1) / 26 + 1, 32);
    return QString(repeat, QChar(u'a' + (n - 1) % 26));
}

QString formatted(int n, int nfc)
{
    n = std::max(n, 1);
    switch (nfc) {
    case 1:
        return roman(n).toUpper();
    case 2:
        return roman(n);
    case 3:
        return letters(n).toUpper();
    case 4:
        return letters(n);
    case 22:
        return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
    case 23:
    case 255:
        return QString();
    default:
        return QString::number(n);
    }
}

} // namespace

void ListNumbers::commit()
{
    if (m_inList && m_listId != 0)
        m_lists.insert(m_listId, m_list);
    m_inList = false;
}

void ListNumbers::beginList()
{
    commit();
    m_list = List();
    m_listId = 0;
    m_inList = true;
}

void ListNumbers::setListId(int id)
{
    if (m_inList) {
        m_listId = id;
    } else {
        m_override.listId = id;
        if (m_override.ls > 0)
            m_overrides.insert(m_override.ls, id);
    }
}

void ListNumbers::beginOverride()
{
    commit();
    m_override = {};
}

void ListNumbers::setOverrideNumber(int ls)
{
    commit();
    m_override.ls = ls;
    if (m_override.listId != 0)
        m_overrides.insert(ls, m_override.listId);
}

void ListNumbers::beginLevel()
{
    if (m_inList && m_list.levels.size() < std::size_t(kLevels))
        m_list.levels.emplace_back();
}

void ListNumbers::levelTextChar(char16_t c)
{
    QString &text = level().text;
    if (text.size() < 64) // a length byte and at most 63 characters
        text.append(QChar(c));
}

ListNumbers::Level &ListNumbers::level()
{
    if (!m_inList || m_list.levels.empty())
        return m_spare;
    return m_list.levels.back();
}

QString ListNumbers::labelText(const List &list, int at) const
{
    const Level &own = list.levels[std::size_t(at)];
    QString out;
    // The first character counts the ones that follow; codes below 9 stand for
    // the number of that level.
    const int length = own.text.isEmpty() ? 0 : std::min(int(own.text.at(0).unicode()), int(own.text.size()) - 1);
    for (int i = 1; i <= length; ++i) {
        const char16_t c = own.text.at(i).unicode();
        if (c < kLevels) {
            if (c < list.levels.size())
                out += formatted(list.counts[c], list.levels[c].nfc);
        } else if (own.encoding != ByteEncoding::Windows && c >= 0xF020 && c <= 0xF0FF) {
            out += QChar(decodeSymbolByte(own.encoding, uchar(c - 0xF000)));
        } else if (own.encoding != ByteEncoding::Windows && c >= 0x20 && c <= 0xFF) {
            out += QChar(decodeSymbolByte(own.encoding, uchar(c)));
        } else if (c >= 0xF020 && c <= 0xF0FF) {
            out += QChar(decodeSymbolByte(ByteEncoding::Symbol, uchar(c - 0xF000)));
        } else {
            out += QChar(c);
        }
    }
    if (own.text.isEmpty())
        out = own.nfc == 23 ? QStringLiteral("\u2022") : formatted(list.counts[std::size_t(at)], own.nfc) + u'.';
    if (out.isEmpty())
        return out;
    return out + (own.follow == 1 ? QStringLiteral(" ") : own.follow == 2 ? QString() : QStringLiteral("\t"));
}

QString ListNumbers::next(int ls, int at)
{
    commit();
    const auto id = m_overrides.constFind(ls);
    if (id == m_overrides.cend())
        return {};
    const auto found = m_lists.find(*id);
    if (found == m_lists.end() || found->levels.empty())
        return {};
    List &list = *found;
    at = std::clamp(at, 0, int(list.levels.size()) - 1);
    int &count = list.counts[std::size_t(at)];
    count = count == 0 ? list.levels[std::size_t(at)].start : count + 1;
    for (int deeper = at + 1; deeper < kLevels; ++deeper)
        list.counts[std::size_t(deeper)] = 0;
    for (int above = 0; above < at; ++above) { // "1.1" under a level never counted
        if (list.counts[std::size_t(above)] == 0)
            list.counts[std::size_t(above)] = list.levels[std::size_t(above)].start;
    }
    return labelText(list, at);
}

} // namespace tv::rtfread

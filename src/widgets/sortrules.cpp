// SPDX-License-Identifier: GPL-3.0-or-later
#include "sortrules.h"

#include "cellreader.h"

#include <optional>
#include <variant>

namespace tv {
namespace {

QString upperAsciiLetters(QString text)
{
    for (QChar &c : text) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - 32);
    }
    return text;
}

/// One entry's key, converted once rather than at each comparison.
using Key = std::variant<std::monostate, QByteArray, std::optional<double>, std::optional<qint64>, QString>;

Key keyOf(const QString &text, TCompareKind kind, const CellReader &reader, const TextKey &textKey)
{
    switch (kind) {
    case ckNumber:
        return reader.number(text);
    case ckDateTime:
        return reader.dateTime(text);
    case ckTime:
        return reader.time(text);
    case ckCustom:
        return text;
    case ckAuto:
    case ckText:
        break;
    }
    return textKey(text);
}

template <typename T> int compareValues(const std::optional<T> &a, const std::optional<T> &b)
{
    if (!a || !b)
        return 0;
    return *a < *b ? -1 : *b < *a ? 1 : 0;
}

int compareKeys(const Key &a, const Key &b, const TSortOptions &options)
{
    switch (options.CompareKind) {
    case ckNumber:
        return compareValues(std::get<std::optional<double>>(a), std::get<std::optional<double>>(b));
    case ckDateTime:
    case ckTime:
        return compareValues(std::get<std::optional<qint64>>(a), std::get<std::optional<qint64>>(b));
    case ckCustom:
        return options.CompareFunc(std::get<QString>(a), std::get<QString>(b));
    case ckAuto:
    case ckText:
        break;
    }
    // QByteArray compares its bytes unsigned; a proper prefix comes first.
    return std::get<QByteArray>(a).compare(std::get<QByteArray>(b));
}

/// A merge sort: unlike std::sort it stays within bounds even when a custom
/// comparison, or texts that do not convert, make the order inconsistent.
template <typename Before>
void mergeSort(QList<int> &items, QList<int> &buffer, qsizetype from, qsizetype to, const Before &before)
{
    if (to - from < 2)
        return;
    const qsizetype middle = from + (to - from) / 2;
    mergeSort(items, buffer, from, middle, before);
    mergeSort(items, buffer, middle, to, before);
    qsizetype left = from, right = middle, out = from;
    while (left < middle && right < to)
        buffer[out++] = before(items[right], items[left]) ? items[right++] : items[left++];
    while (left < middle)
        buffer[out++] = items[left++];
    while (right < to)
        buffer[out++] = items[right++];
    std::copy(buffer.begin() + from, buffer.begin() + to, items.begin() + from);
}

} // namespace

TCompareKind GuessCompareKind(const QStringList &cells, const CellReader &reader)
{
    bool number = true, dateTime = true, time = true;
    for (const QString &cell : cells) {
        number = number && reader.number(cell).has_value();
        dateTime = dateTime && reader.dateTime(cell).has_value();
        time = time && reader.time(cell).has_value();
        if (!number && !dateTime && !time)
            break;
    }
    if (number)
        return ckNumber;
    if (dateTime)
        return ckDateTime;
    if (time)
        return ckTime;
    return ckText;
}

void SortEntries(
    TSortedList &entries, const TSortOptions &options, const CellReader &reader, const TextKey &textKey)
{
    QList<Key> keys;
    keys.reserve(entries.size());
    for (const TSortedListEntry &entry : entries) {
        const QString text = options.MatchCase ? entry.CellText : upperAsciiLetters(entry.CellText);
        keys.append(keyOf(text, options.CompareKind, reader, textKey));
    }
    const auto before = [&](int a, int b) {
        int result = compareKeys(keys[a], keys[b], options);
        if (result == 0)
            return entries[a].SourceRow < entries[b].SourceRow;
        if (options.Order == soDescending)
            result = -result;
        return result < 0;
    };
    QList<int> order(entries.size());
    for (qsizetype i = 0; i < order.size(); ++i)
        order[i] = int(i);
    QList<int> buffer(order.size());
    mergeSort(order, buffer, 0, order.size(), before);

    TSortedList sorted;
    sorted.reserve(entries.size());
    for (int i : order)
        sorted.append(entries[i]);
    entries = sorted;
}

} // namespace tv

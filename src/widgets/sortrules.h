// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace tv {

class CellReader;

enum TCompareKind : std::uint8_t { ckAuto, ckText, ckNumber, ckDateTime, ckTime, ckCustom };
enum TSortOrder : std::uint8_t { soAscending, soDescending };

/// How a column is sorted. CompareFunc is used only with ckCustom and must be
/// set then; it returns a negative number, 0 or a positive number.
struct TSortOptions
{
    TCompareKind CompareKind = ckAuto;
    TSortOrder Order = soAscending;
    bool MatchCase = false;
    std::function<int(const QString &, const QString &)> CompareFunc;
};

/// One data row's key cell and the row it came from.
struct TSortedListEntry
{
    QString CellText;
    qint32 SourceRow = 0;
};
using TSortedList = QList<TSortedListEntry>;

/// The kind that every cell converts to: number, then date-time, then time,
/// else text. An empty cell fails all three, so it makes the column text.
/// A kind is no longer tried after its first failing cell.
TCompareKind GuessCompareKind(const QStringList &cells, const CellReader &reader);

/// The bytes a text sorts by, compared unsigned.
using TextKey = std::function<QByteArray(const QString &)>;

/// Orders the entries as a header-click sort does.
///
/// Without MatchCase only a-z are raised to capitals first. Text compares the
/// bytes textKey gives, unsigned ("10" before "9", "Z" before "a"; in
/// Windows-1252 "Zebra" before "Äpfel"); the other kinds compare converted values, and a text that does not
/// convert compares equal. Equal keys keep their SourceRow order in both
/// directions: sorting {"b",0},{"a",1},{"b",2} descending gives rows 0, 2, 1.
void SortEntries(
    TSortedList &entries, const TSortOptions &options, const CellReader &reader, const TextKey &textKey);

} // namespace tv

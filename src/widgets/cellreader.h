// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringView>

#include <optional>

namespace tv {

/// @short Reads cell texts as numbers, dates and times by the user's locale.
///
/// The rules are those of a string grid that tells numbers, dates and times
/// apart by itself: a text must convert completely, blanks around the parts are
/// allowed. Dates and times come back as milliseconds from 30.12.1899 00:00, so
/// a time of day alone is a date-time on that day and every value compares as
/// one integer.
class CellReader
{
public:
    explicit CellReader(const QLocale &locale = QLocale());

    /// " -1,5e3 " under a German locale gives -1500; "1.000" (thousands) fails.
    std::optional<double> number(QStringView text) const;
    /// A date in the order of the short date format, optionally followed by a
    /// time, or a time alone. German: "15.01.2001", "15.01.01 12:30", "15.01"
    /// (current year), "12:30". Two-digit years lie within 50 years of today.
    /// Whatever the locale writes as its short date reads back, month names
    /// and words included: "15 Jan 2001" in the C locale.
    std::optional<qint64> dateTime(QStringView text) const;
    /// "13:05", "1:05:30 PM", "PM 1", "12:00:00,250" (German), "7" (07:00).
    std::optional<qint64> time(QStringView text) const;

    /// The date order of the short date format, for example "DMY" or "YMD".
    QString dateOrder() const { return m_dateOrder; }

private:
    class Scanner;
    std::optional<qint64> scanTime(Scanner &scan) const;
    std::optional<qint64> scanDate(Scanner &scan) const;
    std::optional<qint64> shortDate(QStringView text) const;
    static qint64 dayValue(const QDate &date);
    static int nearYear(int twoDigits);

    QLocale m_locale;
    QString m_shortDateFormat;
    bool m_twoDigitYear = false;

    QString m_decimal;
    QString m_dateOrder;
    QStringList m_dateSeparators; // "dd/MM y" has two

    QString m_timeSeparator;
    QStringList m_amMarkers;
    QStringList m_pmMarkers;
};

} // namespace tv

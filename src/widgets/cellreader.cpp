// SPDX-License-Identifier: GPL-3.0-or-later
#include "cellreader.h"

#include <QDate>

#include <cmath>

namespace tv {
namespace {

constexpr qint64 msecsPerDay = 86400000;
const qint64 baseJulianDay = QDate(1899, 12, 30).toJulianDay();

/// The letters of a Qt date or time format outside quotes, each run once:
/// "dd.MM.yy" gives {"dd", ".", "MM", ".", "yy"}.
QStringList formatRuns(const QString &format)
{
    QStringList runs;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        const bool letter = !quoted && c.isLetter();
        if (!runs.isEmpty() && !runs.last().isEmpty() && runs.last().back().isLetter() == letter
            && (!letter || runs.last().back() == c))
            runs.last().append(c);
        else
            runs.append(QString(c));
    }
    return runs;
}

/// A separator as it is typed: blanks around it do not count, blanks alone do.
QString separatorOf(const QString &between, const QString &fallback)
{
    const QString trimmed = between.trimmed();
    if (!trimmed.isEmpty())
        return trimmed;
    return between.isEmpty() ? fallback : QStringLiteral(" ");
}

/// The value of the decimal digit at pos, of any script, and its length in
/// UTF-16 units (Chakma digits lie beyond 16 bits); -1 when there is none.
int digitAt(QStringView text, qsizetype pos, qsizetype &length)
{
    length = 1;
    char32_t c = text[pos].unicode();
    if (QChar::isHighSurrogate(c) && pos + 1 < text.size() && text[pos + 1].isLowSurrogate()) {
        c = QChar::surrogateToUcs4(text[pos], text[pos + 1]);
        length = 2;
    }
    return QChar::isDigit(c) ? QChar::digitValue(c) : -1;
}

} // namespace

class CellReader::Scanner
{
public:
    explicit Scanner(QStringView text)
        : m_text(text)
    {
    }

    bool atEnd() const { return m_pos >= m_text.size(); }
    qsizetype pos() const { return m_pos; }
    void reset(qsizetype pos) { m_pos = pos; }

    void skipBlanks()
    {
        while (!atEnd() && m_text[m_pos].isSpace())
            ++m_pos;
    }

    /// Unsigned decimal digits (of any script); at most 9, so the value fits.
    bool number(int &value, int &digits)
    {
        value = 0;
        digits = 0;
        qsizetype length = 0;
        for (int digit; !atEnd() && (digit = digitAt(m_text, m_pos, length)) >= 0; m_pos += length) {
            if (++digits > 9)
                return false;
            value = value * 10 + digit;
        }
        return digits > 0;
    }

    bool accept(const QString &token)
    {
        if (token.isEmpty() || m_text.size() - m_pos < token.size())
            return false;
        if (m_text.mid(m_pos, token.size()).compare(token, Qt::CaseInsensitive) != 0)
            return false;
        m_pos += token.size();
        return true;
    }

    bool acceptAny(const QStringList &tokens)
    {
        for (const QString &token : tokens) {
            if (accept(token))
                return true;
        }
        return false;
    }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
};

CellReader::CellReader(const QLocale &locale)
    : m_locale(locale)
    , m_shortDateFormat(locale.dateFormat(QLocale::ShortFormat))
    , m_decimal(locale.decimalPoint())
{
    const QStringList runs = formatRuns(m_shortDateFormat);
    m_twoDigitYear = runs.contains(QStringLiteral("yy")) && !runs.contains(QStringLiteral("yyyy"));
    QString between[2];
    for (const QString &run : runs) {
        const QChar c = run.front();
        const bool field
            = (c == QLatin1Char('d') && run.size() <= 2) || c == QLatin1Char('M') || c == QLatin1Char('y');
        if (!field) {
            if (m_dateOrder.size() == 1 || m_dateOrder.size() == 2)
                between[m_dateOrder.size() - 1].append(run);
            continue;
        }
        const QChar key = c == QLatin1Char('d') ? QLatin1Char('D')
            : c == QLatin1Char('M')             ? QLatin1Char('M')
                                                : QLatin1Char('Y');
        if (!m_dateOrder.contains(key))
            m_dateOrder.append(key);
    }
    if (m_dateOrder.size() != 3)
        m_dateOrder = QStringLiteral("YMD");
    for (const QString &text : between) {
        const QString separator = separatorOf(text, QStringLiteral("-"));
        if (!m_dateSeparators.contains(separator))
            m_dateSeparators.append(separator);
    }

    QString timeBetween;
    bool afterHours = false;
    for (const QString &run : formatRuns(locale.timeFormat(QLocale::ShortFormat))) {
        const QChar c = run.front();
        if (c == QLatin1Char('h') || c == QLatin1Char('H'))
            afterHours = true;
        else if (c == QLatin1Char('m') && afterHours)
            break;
        else if (afterHours)
            timeBetween.append(run);
    }
    m_timeSeparator = separatorOf(timeBetween, QStringLiteral(":"));

    m_amMarkers = { locale.amText(), QStringLiteral("AM") };
    m_pmMarkers = { locale.pmText(), QStringLiteral("PM") };
}

std::optional<double> CellReader::number(QStringView text) const
{
    // Rebuilt in the C locale's spelling, so that only our rules decide.
    QString plain;
    qsizetype i = 0;
    const qsizetype n = text.size();
    const auto digits = [&] {
        qsizetype count = 0, length = 0;
        for (int digit; i < n && (digit = digitAt(text, i, length)) >= 0; i += length, ++count)
            plain.append(QChar(u'0' + digit));
        return count;
    };
    while (i < n && text[i] == u' ')
        ++i;
    if (i < n && (text[i] == u'+' || text[i] == u'-'))
        plain.append(text[i++]);
    qsizetype mantissa = digits();
    if (!m_decimal.isEmpty() && text.mid(i).startsWith(m_decimal)) {
        i += m_decimal.size();
        plain.append(u'.');
        mantissa += digits();
    }
    if (mantissa == 0)
        return std::nullopt;
    if (i < n && (text[i] == u'e' || text[i] == u'E')) {
        plain.append(u'e');
        ++i;
        if (i < n && (text[i] == u'+' || text[i] == u'-'))
            plain.append(text[i++]);
        if (digits() == 0)
            return std::nullopt;
    }
    while (i < n && text[i] == u' ')
        ++i;
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double value = QLocale::c().toDouble(plain, &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

std::optional<qint64> CellReader::dateTime(QStringView text) const
{
    Scanner scan(text);
    if (const auto date = scanDate(scan)) {
        scan.skipBlanks();
        if (scan.atEnd())
            return *date;
        if (const auto clock = scanTime(scan))
            return *date + *clock;
    }
    // Not a date with an optional time: perhaps a time alone, or the
    // locale's own short date with a month name ("1 Jan 1985").
    if (const auto clock = time(text))
        return clock;
    return shortDate(text);
}

/// Reads the locale's short date format exactly as QLocale writes it, for the
/// formats the scanner cannot follow (month names, words after the year).
std::optional<qint64> CellReader::shortDate(QStringView text) const
{
    const QString trimmed = text.trimmed().toString();
    if (trimmed.isEmpty())
        return std::nullopt;
    QDate date = m_locale.toDate(trimmed, m_shortDateFormat);
    if (!date.isValid())
        return std::nullopt;
    if (m_twoDigitYear)
        date = QDate(nearYear(date.year() % 100), date.month(), date.day());
    if (!date.isValid())
        return std::nullopt;
    return dayValue(date);
}

qint64 CellReader::dayValue(const QDate &date)
{
    return (date.toJulianDay() - baseJulianDay) * msecsPerDay;
}

// Within 50 years of today: with 2025, "75" is 1975 and "74" is 2074.
int CellReader::nearYear(int twoDigits)
{
    const int centuryBase = QDate::currentDate().year() - 50;
    int year = twoDigits + centuryBase / 100 * 100;
    if (year < centuryBase)
        year += 100;
    return year;
}

std::optional<qint64> CellReader::time(QStringView text) const
{
    Scanner scan(text);
    return scanTime(scan);
}

std::optional<qint64> CellReader::scanDate(Scanner &scan) const
{
    int values[3] = { 0, 0, 0 };
    int digits[3] = { 0, 0, 0 };
    scan.skipBlanks();
    if (!scan.number(values[0], digits[0]))
        return std::nullopt;
    int count = 1;
    while (count < 3) {
        const qsizetype before = scan.pos();
        scan.skipBlanks();
        const bool blanks = scan.pos() > before;
        if (!scan.acceptAny(m_dateSeparators)
            && !(blanks && m_dateSeparators.contains(QStringLiteral(" ")))) {
            scan.reset(before);
            break;
        }
        scan.skipBlanks();
        if (!scan.number(values[count], digits[count])) {
            scan.reset(before);
            break;
        }
        ++count;
    }
    if (count < 2)
        return std::nullopt;
    if (count == 3) {
        // A separator after the last number belongs to formats like Hungarian's.
        const qsizetype before = scan.pos();
        scan.skipBlanks();
        if (!scan.acceptAny(m_dateSeparators))
            scan.reset(before);
    }

    const QString order = count == 3 ? m_dateOrder : QString(m_dateOrder).remove(QLatin1Char('Y'));
    int day = 0, month = 0;
    int year = QDate::currentDate().year();
    for (int k = 0; k < count; ++k) {
        switch (order[k].unicode()) {
        case 'D':
            day = values[k];
            break;
        case 'M':
            month = values[k];
            break;
        default:
            year = digits[k] <= 2 ? nearYear(values[k]) : values[k];
        }
    }
    const QDate date(year, month, day);
    if (year < 1 || year > 9999 || !date.isValid())
        return std::nullopt;
    return dayValue(date);
}

std::optional<qint64> CellReader::scanTime(Scanner &scan) const
{
    scan.skipBlanks();
    int marker = 0; // 1 AM, 2 PM
    if (scan.acceptAny(m_amMarkers))
        marker = 1;
    else if (scan.acceptAny(m_pmMarkers))
        marker = 2;
    scan.skipBlanks();

    int hour = 0, minute = 0, second = 0, msec = 0, digits = 0;
    if (!scan.number(hour, digits))
        return std::nullopt;
    scan.skipBlanks();
    if (scan.accept(m_timeSeparator)) {
        scan.skipBlanks();
        if (!scan.number(minute, digits))
            return std::nullopt;
        scan.skipBlanks();
        if (scan.accept(m_timeSeparator)) {
            scan.skipBlanks();
            if (!scan.number(second, digits))
                return std::nullopt;
            if (scan.accept(m_decimal) && !scan.number(msec, digits))
                return std::nullopt;
        }
    }
    scan.skipBlanks();
    if (marker == 0) {
        if (scan.acceptAny(m_amMarkers))
            marker = 1;
        else if (scan.acceptAny(m_pmMarkers))
            marker = 2;
        scan.skipBlanks();
    }
    if (!scan.atEnd())
        return std::nullopt;
    if (marker != 0) {
        if (hour < 1 || hour > 12)
            return std::nullopt;
        hour = hour % 12 + (marker == 2 ? 12 : 0);
    }
    if (hour > 23 || minute > 59 || second > 59 || msec > 999)
        return std::nullopt;
    return ((hour * 60 + minute) * 60 + second) * qint64(1000) + msec;
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
// The INI reader on any file, and the writer on top of it: every value written
// reads back, every other value of the file stays, and a write changes no line
// but the one of its key (or adds lines).
//
// What the format cannot carry, and so is never written here:
// - CR, LF and NUL anywhere (a line break would start a new line; the writer refuses them);
// - a key that is empty, holds "=" (the first "=" ends the key) or starts with
//   "[" (the line would open a section), after trimming;
// - a section name holding "]" (it would end the name);
// - a value with blanks at either end (they are dropped when read) or enclosed
//   in a matching pair of quotes (they are dropped too).
// Names are trimmed when written and matched trimmed and without regard to case,
// so the model below keys them the same way. Values are cut at 2047 bytes when read.

#include "catalogue/cp1252.h"
#include "catalogue/errors.h"
#include "catalogue/ini.h"
#include "fuzzsupport.h"

#include <QFile>
#include <QMap>

#include <fuzzer/FuzzedDataProvider.h>

#include <utility>

using namespace tv;

namespace {

constexpr qsizetype kMaxValue = 2047;
constexpr int kMaxNames = 8; // sections and keys probed from the first file
constexpr int kMaxWrites = 12;

QByteArray take(FuzzedDataProvider &in, std::size_t maxLength)
{
    const std::string s = in.ConsumeRandomLengthString(maxLength);
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

bool hasLineBreakOrNul(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

bool isWritableSection(const QByteArray &section)
{
    return !hasLineBreakOrNul(section) && !section.contains(']');
}

bool isWritableKey(const QByteArray &key)
{
    const QByteArray name = key.trimmed();
    return !hasLineBreakOrNul(key) && !name.isEmpty() && !name.contains('=') && !name.startsWith('[');
}

bool isWritableValue(const QByteArray &value)
{
    if (hasLineBreakOrNul(value) || value != value.trimmed())
        return false;
    const bool quoted = value.size() >= 2 && (value.front() == '"' || value.front() == '\'')
        && value.back() == value.front();
    return !quoted;
}

QByteArray folded(const QByteArray &name)
{
    return upperCp1252(name.trimmed());
}

/// A (section, key) pair as the reader matches it.
using Slot = std::pair<QByteArray, QByteArray>;

Slot slotOf(const QByteArray &section, const QByteArray &key)
{
    return { folded(section), folded(key) };
}

/// Removes a file; the read after it drops the reader's parsed copy, so that
/// memory in use stays level from one input to the next (libFuzzer looks for
/// leaks whenever it does not, and that is slow).
void removeFile(const QString &path)
{
    QFile::remove(path);
    fuzz::check(ini::sectionNames(path).isEmpty(), "a removed file has no sections");
}

/// Names that occur in a file, so that probes hit real sections and keys.
QList<Slot> probesOf(const QString &path, const QByteArray &content)
{
    QList<QByteArray> sections = ini::sectionNames(path).mid(0, kMaxNames);
    QList<QByteArray> keys;
    for (const QByteArray &line : content.split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0 && keys.size() < kMaxNames)
            keys.append(line.left(eq).trimmed());
    }
    keys.append("missing key");
    QList<Slot> probes;
    for (const QByteArray &s : sections) {
        for (const QByteArray &k : keys)
            probes.append({ s, k });
    }
    return probes;
}

QByteArray read(const QString &path, const Slot &probe)
{
    return ini::readString(path, probe.first, probe.second, "<default>");
}

/// Reads from a parsed copy must equal a fresh read of the same bytes under a new name.
void checkFreshRead(const QString &path, const QByteArray &content, const QList<Slot> &probes)
{
    const QString copy = fuzz::freshPath("copy.ini");
    fuzz::writeFile(copy, content);
    if (ini::sectionNames(copy) != ini::sectionNames(path))
        fuzz::fail("sectionNames of a known file equals a fresh read");
    for (const Slot &probe : probes) {
        const QByteArray value = read(path, probe);
        qint32 number = -1;
        if (!ini::parseInteger(value, &number) || value == "<default>")
            number = -1;
        if (ini::readInteger(path, probe.first, probe.second, -1) != number)
            fuzz::fail("readInteger reads the value's text as an integer, else gives the default", value);
        if (value.size() > kMaxValue)
            fuzz::fail("a value read has at most 2047 bytes", {}, value);
        if (value != read(copy, probe))
            fuzz::fail("readString of a known file equals a fresh read", read(copy, probe), value);
    }
    removeFile(copy);
}

/// Apart from one stretch of a single line, the old bytes are all still there in order.
void checkOneLineChanged(const QByteArray &before, const QByteArray &after)
{
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix
        && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const QByteArray removed = before.mid(prefix, before.size() - prefix - suffix);
    if (removed.contains('\r') || removed.contains('\n'))
        fuzz::fail("a write replaces at most the text of one line", before, after);
}

void checkParseInteger(const QByteArray &text)
{
    qint32 value = 0;
    if (ini::parseInteger(text, &value)) {
        qint32 again = 0;
        if (!ini::parseInteger(QByteArray::number(value), &again) || again != value)
            fuzz::fail("an integer read reads back from its decimal form", text);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    const QString path = fuzz::freshPath("test.ini");
    const QByteArray initial = take(in, 4096);
    if (in.ConsumeBool())
        fuzz::writeFile(path, initial);
    const QByteArray content = QFile::exists(path) ? initial : QByteArray();

    checkParseInteger(take(in, 16));
    QList<Slot> probes = probesOf(path, content);
    checkFreshRead(path, content, probes);
    QMap<Slot, QByteArray> values; // what each probe reads before any write
    for (const Slot &probe : std::as_const(probes))
        values.insert(slotOf(probe.first, probe.second), read(path, probe));

    QMap<Slot, QByteArray> written;
    for (int i = 0; i < kMaxWrites && in.remaining_bytes() > 0; ++i) {
        const QByteArray section = take(in, 24);
        const QByteArray key = take(in, 24);
        const QByteArray value = take(in, in.ConsumeBool() ? 3000 : 24);
        if (!isWritableSection(section) || !isWritableKey(key) || !isWritableValue(value))
            continue;

        const QByteArray before = QFile::exists(path) ? fuzz::readFile(path) : QByteArray();
        const QList<QByteArray> sectionsBefore = ini::sectionNames(path);
        try {
            ini::writeString(path, section, key, value);
        } catch (const Error &e) {
            fuzz::fail("a writable value is written", value, e.message().toUtf8());
        }
        const QByteArray after = fuzz::readFile(path);
        checkOneLineChanged(before, after);

        bool known = false;
        for (const QByteArray &name : sectionsBefore)
            known = known || folded(name) == folded(section);
        QList<QByteArray> sectionsExpected = sectionsBefore;
        if (!known)
            sectionsExpected.append(section.trimmed());
        if (ini::sectionNames(path) != sectionsExpected)
            fuzz::fail("a write adds only its own new section, at the end", sectionsExpected.join('|'),
                ini::sectionNames(path).join('|'));

        const Slot slot = slotOf(section, key);
        written.insert(slot, value.left(kMaxValue));
        values.remove(slot);
        probes.append({ section, key });
        for (const Slot &probe : std::as_const(probes)) {
            const Slot s = slotOf(probe.first, probe.second);
            const QByteArray expected = written.contains(s) ? written.value(s) : values.value(s);
            const QByteArray actual = read(path, probe);
            if (actual != expected)
                fuzz::fail(written.contains(s) ? "a written value reads back"
                                               : "a write leaves every other value as it was",
                    expected, actual);
        }
    }
    removeFile(path);
    return 0;
}

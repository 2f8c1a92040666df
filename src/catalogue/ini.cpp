// SPDX-License-Identifier: GPL-3.0-or-later
#include "ini.h"

#include "atomicfile.h"
#include "cp1252.h"
#include "errors.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <limits>
#include <memory>
#include <sys/stat.h>

namespace tv::ini {
namespace {

constexpr qsizetype kMaxValue = 2047;

struct Line
{
    qsizetype begin = 0; // first byte of the line
    qsizetype end = 0; // one past its text, before the line end
    qsizetype next = 0; // first byte of the following line
};

struct Key
{
    QByteArray folded;
    QByteArray value;
    int line = 0;
};

struct Section
{
    QByteArray name;
    QByteArray folded;
    int headerLine = 0;
    int lastLine = 0; // last non-blank line belonging to the section
    QList<Key> keys;
};

struct Parsed
{
    QByteArray content;
    QList<Line> lines;
    QList<Section> sections;
    QHash<QByteArray, qsizetype> firstSection; // folded name -> index of its first occurrence
};

struct Stamp
{
    qint64 size = -1;
    qint64 mtimeSec = 0;
    qint64 mtimeNsec = 0;
    // Extracted files carry their archive's time and may reuse a freed inode;
    // the change time is the kernel's own and moves with every new file.
    qint64 ctimeSec = 0;
    qint64 ctimeNsec = 0;
    quint64 inode = 0;
    quint64 device = 0;
    bool operator==(const Stamp &) const = default;
};

QByteArray fold(const QByteArray &name)
{
    return upperCp1252(name);
}

QByteArray unquote(QByteArray value)
{
    if (value.size() >= 2) {
        const char first = value.front();
        if ((first == '"' || first == '\'') && value.back() == first)
            value = value.mid(1, value.size() - 2);
    }
    return value;
}

QList<Line> splitIniLines(const QByteArray &content)
{
    QList<Line> lines;
    qsizetype pos = 0;
    const qsizetype size = content.size();
    while (pos < size) {
        Line line;
        line.begin = pos;
        while (pos < size && content[pos] != '\r' && content[pos] != '\n')
            ++pos;
        line.end = pos;
        if (pos < size && content[pos] == '\r')
            ++pos;
        if (pos < size && content[pos] == '\n' && (pos == line.end || content[pos - 1] == '\r'))
            ++pos;
        line.next = pos;
        lines.append(line);
    }
    return lines;
}

std::shared_ptr<const Parsed> parse(QByteArray content)
{
    auto parsed = std::make_shared<Parsed>();
    parsed->content = std::move(content);
    parsed->lines = splitIniLines(parsed->content);
    Section *current = nullptr;
    for (int i = 0; i < parsed->lines.size(); ++i) {
        const Line &l = parsed->lines[i];
        const QByteArray text = parsed->content.mid(l.begin, l.end - l.begin).trimmed();
        if (text.isEmpty())
            continue;
        if (text.front() == '[') {
            qsizetype close = text.indexOf(']');
            if (close < 0)
                close = text.size();
            Section s;
            s.name = text.mid(1, close - 1).trimmed();
            s.folded = fold(s.name);
            s.headerLine = i;
            s.lastLine = i;
            if (!parsed->firstSection.contains(s.folded))
                parsed->firstSection.insert(s.folded, parsed->sections.size());
            parsed->sections.append(s);
            current = &parsed->sections.back();
            continue;
        }
        if (!current)
            continue;
        current->lastLine = i;
        const qsizetype eq = text.indexOf('=');
        if (eq < 0)
            continue;
        Key k;
        k.folded = fold(text.left(eq).trimmed());
        k.value = unquote(text.mid(eq + 1).trimmed());
        k.line = i;
        current->keys.append(k);
    }
    return parsed;
}

bool statFile(const QString &path, Stamp *stamp)
{
    struct stat st
    {
    };
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return false;
    stamp->size = st.st_size;
    stamp->mtimeSec = st.st_mtim.tv_sec;
    stamp->mtimeNsec = st.st_mtim.tv_nsec;
    stamp->ctimeSec = st.st_ctim.tv_sec;
    stamp->ctimeNsec = st.st_ctim.tv_nsec;
    stamp->inode = st.st_ino;
    stamp->device = st.st_dev;
    return true;
}

struct CacheEntry
{
    Stamp stamp;
    std::shared_ptr<const Parsed> parsed;
};

// Parsed copies of recently read files. Small: the program reads a handful of
// Section files, the Version file and the settings. The full-text index reads
// Section files on a thread of its own, hence the lock.
QHash<QString, CacheEntry> &cache()
{
    static QHash<QString, CacheEntry> c;
    return c;
}

QMutex &cacheLock()
{
    static QMutex m;
    return m;
}

std::shared_ptr<const Parsed> load(const QString &path)
{
    Stamp before;
    if (!statFile(path, &before)) {
        const QMutexLocker lock(&cacheLock());
        cache().remove(path);
        return nullptr;
    }
    {
        const QMutexLocker lock(&cacheLock());
        const auto it = cache().constFind(path);
        if (it != cache().constEnd() && it->stamp == before)
            return it->parsed;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr; // unreadable files read like missing ones, as the profile routines do
    auto parsed = parse(file.readAll());
    Stamp after;
    // Only a file that did not change while it was read is kept.
    if (statFile(path, &after) && after == before && after.size == parsed->content.size()) {
        const QMutexLocker lock(&cacheLock());
        if (cache().size() > 64)
            cache().clear();
        cache().insert(path, CacheEntry { after, parsed });
    }
    return parsed;
}

const Section *findSection(const Parsed &parsed, const QByteArray &section)
{
    // A hash: reading every entry of a Section file of thousands stays linear.
    const auto it = parsed.firstSection.constFind(fold(section.trimmed()));
    return it == parsed.firstSection.constEnd() ? nullptr : &parsed.sections[*it];
}

const Key *findKey(const Section &section, const QByteArray &key)
{
    const QByteArray folded = fold(key.trimmed());
    for (const Key &k : section.keys) {
        if (k.folded == folded)
            return &k;
    }
    return nullptr;
}

} // namespace

QByteArray readString(
    const QString &path, const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue)
{
    const auto parsed = load(path);
    if (!parsed)
        return defaultValue.left(kMaxValue);
    const Section *s = findSection(*parsed, section);
    const Key *k = s ? findKey(*s, key) : nullptr;
    return (k ? k->value : defaultValue).left(kMaxValue);
}

bool parseInteger(const QByteArray &text, qint32 *value)
{
    if (text.isEmpty())
        return false;
    qsizetype pos = 0;
    bool negative = false;
    if (text[pos] == '+' || text[pos] == '-') {
        negative = text[pos] == '-';
        ++pos;
    }
    int base = 10;
    if (pos < text.size() && text[pos] == '$') {
        base = 16;
        ++pos;
    } else if (pos == 0 && text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        // "0x" counts only at the very start: "-0x10" is no number.
        base = 16;
        pos = 2;
    }
    if (pos >= text.size())
        return false;
    qint64 result = 0;
    for (; pos < text.size(); ++pos) {
        const char c = text[pos];
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return false;
        result = result * base + digit;
        if (result > qint64(1) << 32)
            return false;
    }
    if (negative)
        result = -result;
    if (result < std::numeric_limits<qint32>::min() || result > std::numeric_limits<qint32>::max())
        return false;
    *value = qint32(result);
    return true;
}

qint32 readInteger(const QString &path, const QByteArray &section, const QByteArray &key, qint32 defaultValue)
{
    qint32 value = defaultValue;
    return parseInteger(readString(path, section, key, QByteArray()), &value) ? value : defaultValue;
}

QList<QByteArray> sectionNames(const QString &path)
{
    QList<QByteArray> names;
    const auto parsed = load(path);
    if (!parsed)
        return names;
    names.reserve(parsed->sections.size());
    for (const Section &s : parsed->sections)
        names.append(s.name);
    return names;
}

namespace {

bool breaksLines(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

} // namespace

void writeString(
    const QString &path, const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    // A line break would write lines of its own ("neu\nDate=..." shadows the
    // real Date), a NUL would cut the line for every other reader.
    if (breaksLines(section) || breaksLines(key) || breaksLines(value))
        throw WriteError(path,
            QStringLiteral("Abschnitte, Schlüssel und Werte dürfen keinen Zeilenumbruch und kein "
                           "Nullzeichen enthalten"));
    const QByteArray keyName = key.trimmed();
    const QByteArray entry = keyName + '=' + value;
    QByteArray content;
    if (QFile::exists(path)) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            throw WriteError(path);
        content = in.readAll();
        if (in.error() != QFileDevice::NoError)
            throw WriteError(path); // a part read would write the rest away
    }
    const auto parsed = parse(content);
    const Section *s = findSection(*parsed, section);
    QByteArray out;
    if (!s) {
        out = content;
        if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
            out += "\r\n";
        out += '[' + section.trimmed() + "]\r\n" + entry + "\r\n";
    } else if (const Key *k = findKey(*s, key)) {
        const Line &l = parsed->lines[k->line];
        out = content.left(l.begin) + entry + content.mid(l.end);
    } else {
        const Line &l = parsed->lines[s->lastLine];
        QByteArray lineEnd = content.mid(l.end, l.next - l.end);
        if (lineEnd.isEmpty())
            lineEnd = "\r\n";
        out = content.left(l.next);
        if (l.next == l.end)
            out += lineEnd;
        out += entry + lineEnd + content.mid(l.next);
    }

    AtomicFile file(path);
    if (!file.open() || !file.write(out) || !file.commit())
        throw WriteError(path);
    const QMutexLocker lock(&cacheLock());
    cache().remove(path);
}

} // namespace tv::ini

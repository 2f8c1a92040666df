// SPDX-License-Identifier: GPL-3.0-or-later
#include "ini.h"

#include "atomicfile.h"
#include "cp1252.h"
#include "errors.h"
#include "filestamp.h"

#include <QFile>
#include <QHash>
#include <QMutex>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>
#include <vector>

namespace tv::ini {

/// A file's parsed form, compact: the content once, and names, keys and
/// values as offsets into it (about a third of the content's size on top).
struct Parsed
{
    struct Key
    {
        qsizetype begin = 0; // the key, trimmed
        qsizetype valueBegin = 0; // the value, trimmed and unquoted
        int size = 0;
        int valueSize = 0;
        int line = 0;
    };
    struct Section
    {
        qsizetype begin = 0; // the name, trimmed, without brackets
        int size = 0;
        int headerLine = 0;
        int lastLine = 0; // last non-blank line belonging to the section
        int firstKey = 0; // its keys are keys[firstKey ... firstKey + keyCount)
        int keyCount = 0;
    };
    /// Section by the hash of its folded name; equal hashes in file order.
    struct Slot
    {
        quint32 hash;
        int section;
        bool operator<(const Slot &o) const { return hash != o.hash ? hash < o.hash : section < o.section; }
    };

    QByteArray content;
    std::vector<Key> keys;
    std::vector<Section> sections;
    std::vector<Slot> index;

    QByteArrayView view(qsizetype begin, int size) const
    {
        return QByteArrayView(content).sliced(begin, size);
    }
    const Section *findSection(QByteArrayView name) const;
    const Key *findKey(const Section &section, QByteArrayView key) const;
};

namespace {

constexpr qsizetype kMaxValue = 2047;

struct Line
{
    qsizetype begin = 0; // first byte of the line
    qsizetype end = 0; // one past its text, before the line end
    qsizetype next = 0; // first byte of the following line
};

/// Names match by the 1252 letter rules, as upperCp1252 folds them; one table
/// lookup per byte, without a folded copy of every name.
const std::array<unsigned char, 256> &foldTable()
{
    static const std::array<unsigned char, 256> table = [] {
        QByteArray all(256, '\0');
        for (int i = 0; i < 256; ++i)
            all[i] = char(i);
        const QByteArray upper = upperCp1252(all);
        std::array<unsigned char, 256> t {};
        for (int i = 0; i < 256; ++i)
            t[std::size_t(i)] = static_cast<unsigned char>(upper[i]);
        return t;
    }();
    return table;
}

quint32 foldedHash(QByteArrayView name)
{
    const auto &fold = foldTable();
    quint32 h = 2166136261u; // FNV-1a
    for (const char c : name) {
        h ^= fold[static_cast<unsigned char>(c)];
        h *= 16777619u;
    }
    return h;
}

bool equalFolded(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    const auto &fold = foldTable();
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (fold[static_cast<unsigned char>(a[i])] != fold[static_cast<unsigned char>(b[i])])
            return false;
    }
    return true;
}

bool isBlank(char c)
{
    // The bytes QByteArray::trimmed() drops.
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

/// [begin, end) without the blanks at either end.
void trim(const char *data, qsizetype &begin, qsizetype &end)
{
    while (begin < end && isBlank(data[begin]))
        ++begin;
    while (end > begin && isBlank(data[end - 1]))
        --end;
}

QByteArrayView trimmed(QByteArrayView text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    trim(text.data(), begin, end);
    return text.sliced(begin, end - begin);
}

/// Finds where lines end with memchr rather than a byte at a time. The next
/// CR and the next LF are each looked for only once the line start has passed
/// them, so a file with one kind of line end is still scanned once.
class LineEnds
{
public:
    LineEnds(const char *data, qsizetype size)
        : m_data(data)
        , m_size(size)
    {
    }
    /// The first CR or LF at or after `pos`, or the end of the content.
    qsizetype next(qsizetype pos)
    {
        if (m_cr < pos)
            m_cr = find('\r', pos);
        if (m_lf < pos)
            m_lf = find('\n', pos);
        return std::min(m_cr, m_lf);
    }

private:
    qsizetype find(char c, qsizetype pos) const
    {
        const void *found = std::memchr(m_data + pos, c, std::size_t(m_size - pos));
        return found ? static_cast<const char *>(found) - m_data : m_size;
    }

    const char *m_data;
    qsizetype m_size;
    qsizetype m_cr = -1;
    qsizetype m_lf = -1;
};

/// Parses `content`; `lines` receives where each line lies (for writing), when given.
std::shared_ptr<Parsed> parse(QByteArray content, QList<Line> *lines = nullptr)
{
    auto parsed = std::make_shared<Parsed>();
    parsed->content = std::move(content);
    const char *data = parsed->content.constData();
    const qsizetype size = parsed->content.size();
    Parsed::Section *current = nullptr;
    LineEnds lineEnds(data, size);
    qsizetype pos = 0;
    for (int i = 0; pos < size; ++i) {
        // A line ends at CR, at LF, or at CR LF; a LF after the text of a CR line end stays its own end.
        Line l;
        l.begin = pos;
        pos = lineEnds.next(pos);
        l.end = pos;
        if (pos < size && data[pos] == '\r')
            ++pos;
        if (pos < size && data[pos] == '\n' && (pos == l.end || data[pos - 1] == '\r'))
            ++pos;
        l.next = pos;
        if (lines)
            lines->append(l);

        qsizetype begin = l.begin;
        qsizetype end = l.end;
        trim(data, begin, end);
        if (begin == end)
            continue;
        if (data[begin] == '[') {
            const char *close
                = static_cast<const char *>(std::memchr(data + begin, ']', std::size_t(end - begin)));
            qsizetype nameBegin = begin + 1;
            qsizetype nameEnd = close ? close - data : end;
            trim(data, nameBegin, nameEnd);
            Parsed::Section s;
            s.begin = nameBegin;
            s.size = int(nameEnd - nameBegin);
            s.headerLine = i;
            s.lastLine = i;
            s.firstKey = int(parsed->keys.size());
            parsed->sections.push_back(s);
            current = &parsed->sections.back();
            continue;
        }
        if (!current)
            continue;
        current->lastLine = i;
        const char *eq = static_cast<const char *>(std::memchr(data + begin, '=', std::size_t(end - begin)));
        if (!eq)
            continue;
        qsizetype keyBegin = begin;
        qsizetype keyEnd = eq - data;
        trim(data, keyBegin, keyEnd);
        qsizetype valueBegin = eq - data + 1;
        qsizetype valueEnd = end;
        trim(data, valueBegin, valueEnd);
        // A value in matching quotes loses them.
        if (valueEnd - valueBegin >= 2) {
            const char first = data[valueBegin];
            if ((first == '"' || first == '\'') && data[valueEnd - 1] == first) {
                ++valueBegin;
                --valueEnd;
            }
        }
        parsed->keys.push_back(
            { keyBegin, valueBegin, int(keyEnd - keyBegin), int(valueEnd - valueBegin), i });
        ++current->keyCount;
    }
    parsed->index.reserve(parsed->sections.size());
    for (std::size_t n = 0; n < parsed->sections.size(); ++n) {
        const Parsed::Section &s = parsed->sections[n];
        parsed->index.push_back({ foldedHash(parsed->view(s.begin, s.size)), int(n) });
    }
    std::sort(parsed->index.begin(), parsed->index.end());
    return parsed;
}

bool statFile(const QString &path, FileStamp *stamp)
{
    return FileStamp::ofPath(QFile::encodeName(path).constData(), stamp);
}

/// Parsed copies of the files read last, up to a budget of bytes: a catalogue
/// of any number of Section files is parsed once per file as long as it fits,
/// and one that does not fit still parses each file once per pass over it.
class Cache
{
public:
    std::shared_ptr<const Parsed> find(const QString &path, const FileStamp &stamp)
    {
        const auto it = m_entries.find(path);
        if (it == m_entries.end())
            return nullptr;
        if (!(it->stamp == stamp)) {
            remove(path);
            return nullptr;
        }
        it->lastUse = ++m_clock;
        return it->parsed;
    }

    void insert(const QString &path, const FileStamp &stamp, std::shared_ptr<const Parsed> parsed)
    {
        remove(path);
        const qint64 cost = costOf(*parsed);
        if (cost > kBudget)
            return;
        while (m_bytes + cost > kBudget && !m_entries.isEmpty())
            evictOldest();
        m_entries.insert(path, Entry { stamp, std::move(parsed), ++m_clock, cost });
        m_bytes += cost;
    }

    void remove(const QString &path)
    {
        const auto it = m_entries.find(path);
        if (it == m_entries.end())
            return;
        m_bytes -= it->cost;
        m_entries.erase(it);
    }

private:
    static constexpr qint64 kBudget = qint64(32) << 20;

    struct Entry
    {
        FileStamp stamp;
        std::shared_ptr<const Parsed> parsed;
        quint64 lastUse = 0;
        qint64 cost = 0;
    };

    static qint64 costOf(const Parsed &p)
    {
        return p.content.size() + qint64(p.keys.size() * sizeof(Parsed::Key))
            + qint64(p.sections.size() * (sizeof(Parsed::Section) + sizeof(Parsed::Slot)));
    }

    void evictOldest()
    {
        auto oldest = m_entries.begin();
        for (auto it = m_entries.begin(); it != m_entries.end(); ++it) {
            if (it->lastUse < oldest->lastUse)
                oldest = it;
        }
        m_bytes -= oldest->cost;
        m_entries.erase(oldest);
    }

    QHash<QString, Entry> m_entries;
    qint64 m_bytes = 0;
    quint64 m_clock = 0;
};

// The full-text index reads Section files on a thread of its own, hence the
// lock around the cache.
Cache &cache()
{
    static Cache c;
    return c;
}

QMutex &cacheLock()
{
    static QMutex m;
    return m;
}

std::shared_ptr<const Parsed> load(const QString &path)
{
    const qint64 clock = FileStamp::clockNs();
    FileStamp before;
    if (!statFile(path, &before)) {
        const QMutexLocker lock(&cacheLock());
        cache().remove(path);
        return nullptr;
    }
    {
        const QMutexLocker lock(&cacheLock());
        if (auto cached = cache().find(path, before))
            return cached;
    }

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr; // unreadable files read like missing ones, as the profile routines do
    std::shared_ptr<const Parsed> parsed = parse(file.readAll());
    FileStamp after;
    // Only a file that did not change while it was read is kept, and only
    // once no later change can leave its stamp as it is.
    if (statFile(path, &after) && after == before && after.size == parsed->content.size()
        && after.isSettled(clock)) {
        const QMutexLocker lock(&cacheLock());
        cache().insert(path, after, parsed);
    }
    return parsed;
}

QList<QByteArray> namesOf(const Parsed &parsed)
{
    QList<QByteArray> names;
    names.reserve(qsizetype(parsed.sections.size()));
    for (const Parsed::Section &s : parsed.sections)
        names.append(parsed.view(s.begin, s.size).toByteArray());
    return names;
}

bool isLineEnd(char c)
{
    return c == '\r' || c == '\n';
}

/// The section names parse() finds in `content`, without parsing the rest: a
/// header is a "[" with nothing but blanks between it and the line's start.
QList<QByteArray> headerNames(const QByteArray &content)
{
    QList<QByteArray> names;
    const char *data = content.constData();
    const qsizetype size = content.size();
    qsizetype pos = 0;
    while (const char *found
        = static_cast<const char *>(std::memchr(data + pos, '[', std::size_t(size - pos)))) {
        const qsizetype open = found - data;
        qsizetype lineBegin = open;
        while (lineBegin > 0 && isBlank(data[lineBegin - 1]) && !isLineEnd(data[lineBegin - 1]))
            --lineBegin;
        qsizetype lineEnd = open;
        while (lineEnd < size && !isLineEnd(data[lineEnd]))
            ++lineEnd;
        pos = lineEnd;
        if (lineBegin > 0 && !isLineEnd(data[lineBegin - 1]))
            continue; // within a line's text
        const char *close
            = static_cast<const char *>(std::memchr(data + open, ']', std::size_t(lineEnd - open)));
        qsizetype nameBegin = open + 1;
        qsizetype nameEnd = close ? close - data : lineEnd;
        trim(data, nameBegin, nameEnd);
        names.append(QByteArray(data + nameBegin, nameEnd - nameBegin));
    }
    return names;
}

} // namespace

const Parsed::Section *Parsed::findSection(QByteArrayView name) const
{
    // By hash: reading every entry of a Section file of thousands stays linear.
    name = trimmed(name);
    const quint32 hash = foldedHash(name);
    for (auto it = std::lower_bound(index.begin(), index.end(), Slot { hash, 0 });
         it != index.end() && it->hash == hash; ++it) {
        const Section &s = sections[std::size_t(it->section)];
        if (equalFolded(view(s.begin, s.size), name))
            return &s; // the first of equal names, as the slots keep file order
    }
    return nullptr;
}

const Parsed::Key *Parsed::findKey(const Section &section, QByteArrayView key) const
{
    key = trimmed(key);
    for (int k = section.firstKey; k < section.firstKey + section.keyCount; ++k) {
        const Key &candidate = keys[std::size_t(k)];
        if (equalFolded(view(candidate.begin, candidate.size), key))
            return &candidate;
    }
    return nullptr;
}

Reader::Reader(const QString &path)
    : m_parsed(load(path))
{
}

Reader::~Reader() = default;
Reader::Reader(const Reader &) = default;
Reader &Reader::operator=(const Reader &) = default;

const void *Reader::findSection(const QByteArray &section) const
{
    if (!m_parsed)
        return nullptr;
    if (m_lastName.isNull() || section != m_lastName) {
        m_lastSection = m_parsed->findSection(section);
        m_lastName = section.isNull() ? QByteArray("") : section;
    }
    return m_lastSection;
}

QByteArray Reader::readString(
    const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue) const
{
    const auto *s = static_cast<const Parsed::Section *>(findSection(section));
    const Parsed::Key *k = s ? m_parsed->findKey(*s, key) : nullptr;
    if (!k)
        return defaultValue.left(kMaxValue);
    return m_parsed->view(k->valueBegin, int(std::min<qsizetype>(k->valueSize, kMaxValue))).toByteArray();
}

qint32 Reader::readInteger(const QByteArray &section, const QByteArray &key, qint32 defaultValue) const
{
    qint32 value = defaultValue;
    return parseInteger(readString(section, key, QByteArray()), &value) ? value : defaultValue;
}

QList<QByteArray> Reader::sectionNames() const
{
    return m_parsed ? namesOf(*m_parsed) : QList<QByteArray>();
}

QByteArray readString(
    const QString &path, const QByteArray &section, const QByteArray &key, const QByteArray &defaultValue)
{
    return Reader(path).readString(section, key, defaultValue);
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
    return Reader(path).readInteger(section, key, defaultValue);
}

QList<QByteArray> sectionNames(const QString &path)
{
    FileStamp stamp;
    if (!statFile(path, &stamp))
        return {};
    {
        const QMutexLocker lock(&cacheLock());
        if (const auto cached = cache().find(path, stamp))
            return namesOf(*cached);
    }
    // The start lists every Section file, most of which nobody opens: a pass
    // over the headers alone costs a fraction of the full parse, which the
    // first read of a value does when it is needed.
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return headerNames(file.readAll());
}

QList<SectionAt> sectionsWithLines(const QString &path)
{
    QList<SectionAt> sections;
    const auto parsed = load(path);
    if (!parsed)
        return sections;
    sections.reserve(qsizetype(parsed->sections.size()));
    for (const Parsed::Section &s : parsed->sections) {
        SectionAt at { parsed->view(s.begin, s.size).toByteArray(), s.headerLine + 1, {} };
        at.keys.reserve(s.keyCount);
        for (int k = s.firstKey; k < s.firstKey + s.keyCount; ++k) {
            const Parsed::Key &key = parsed->keys[std::size_t(k)];
            at.keys.append({ parsed->view(key.begin, key.size).toByteArray(),
                parsed->view(key.valueBegin, key.valueSize).toByteArray(), key.line + 1 });
        }
        sections.append(std::move(at));
    }
    return sections;
}

namespace {

bool breaksLines(const QByteArray &text)
{
    return text.contains('\r') || text.contains('\n') || text.contains('\0');
}

void checkLines(const Assignment &a, const QString &path)
{
    // A line break would write lines of its own ("neu\nDate=..." shadows the
    // real Date), a NUL would cut the line for every other reader.
    if (breaksLines(a.section) || breaksLines(a.key) || breaksLines(a.value))
        throw WriteError(path,
            QStringLiteral("Abschnitte, Schlüssel und Werte dürfen keinen Zeilenumbruch und kein "
                           "Nullzeichen enthalten"));
}

/// `content` with one value written: see writeString.
QByteArray withString(const QByteArray &content, const Assignment &a)
{
    const QByteArray entry = a.key.trimmed() + '=' + a.value;
    QList<Line> lines;
    const auto parsed = parse(content, &lines);
    const Parsed::Section *s = parsed->findSection(a.section);
    QByteArray out;
    if (!s) {
        out = content;
        if (!out.isEmpty() && !out.endsWith('\n') && !out.endsWith('\r'))
            out += "\r\n";
        out += '[' + a.section.trimmed() + "]\r\n" + entry + "\r\n";
    } else if (const Parsed::Key *k = parsed->findKey(*s, a.key)) {
        const Line &l = lines[k->line];
        out = content.left(l.begin) + entry + content.mid(l.end);
    } else {
        const Line &l = lines[s->lastLine];
        QByteArray lineEnd = content.mid(l.end, l.next - l.end);
        if (lineEnd.isEmpty())
            lineEnd = "\r\n";
        out = content.left(l.next);
        if (l.next == l.end)
            out += lineEnd;
        out += entry + lineEnd + content.mid(l.next);
    }
    return out;
}

} // namespace

QByteArray withStrings(const QByteArray &content, const QList<Assignment> &assignments, const QString &path)
{
    for (const Assignment &a : assignments)
        checkLines(a, path);
    QByteArray out = content;
    for (const Assignment &a : assignments)
        out = withString(out, a);
    return out;
}

void writeString(
    const QString &path, const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const Assignment assignment { section, key, value };
    checkLines(assignment, path);
    QByteArray content;
    if (QFile::exists(path)) {
        QFile in(path);
        if (!in.open(QIODevice::ReadOnly))
            throw WriteError(path);
        content = in.readAll();
        if (in.error() != QFileDevice::NoError)
            throw WriteError(path); // a part read would write the rest away
    }
    const QByteArray out = withString(content, assignment);

    AtomicFile file(path);
    if (!file.open() || !file.write(out) || !file.commit())
        throw WriteError(path);
    const QMutexLocker lock(&cacheLock());
    cache().remove(path);
}

} // namespace tv::ini

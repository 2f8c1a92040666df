// SPDX-License-Identifier: GPL-3.0-or-later
#include "fuzzsupport.h"

#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>

namespace tv::fuzz {
namespace {

/// The scratch folder, removed when the fuzzer ends normally; after a crash
/// it stays for a look (scripts/fuzz points $TMPDIR into the build folder).
class Scratch
{
public:
    Scratch()
    {
        QByteArray name = QFile::encodeName(QDir::tempPath()) + "/tipvault-fuzz-XXXXXX";
        if (!::mkdtemp(name.data()))
            fail("the scratch folder can be made", name);
        m_dir = QFile::decodeName(name) + u'/';
    }
    ~Scratch() { QDir(m_dir).removeRecursively(); }
    Scratch(const Scratch &) = delete;
    Scratch &operator=(const Scratch &) = delete;

    const QString &dir() const { return m_dir; }

private:
    QString m_dir;
};

/// Bytes as a C string literal would show them: "A\r\n\xE4".
QByteArray printable(const QByteArray &text)
{
    QByteArray out;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '\\' || c == '"')
            out += '\\' + QByteArray(1, c);
        else if (byte >= 0x20 && byte < 0x7F)
            out += c;
        else
            out += "\\x" + QByteArray::number(byte, 16).rightJustified(2, '0');
    }
    return '"' + out + '"';
}

} // namespace

const QString &scratchDir()
{
    static const Scratch scratch;
    return scratch.dir();
}

QString freshPath(const char *stem)
{
    static quint64 serial = 0;
    return scratchDir() + QString::fromLatin1(stem) + u'-' + QString::number(++serial);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(content) != content.size()
        || !file.flush())
        fail("a scratch file can be written", QFile::encodeName(path));
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("a scratch file can be read", QFile::encodeName(path));
    return file.readAll();
}

void fail(const char *rule, const QByteArray &expected, const QByteArray &actual)
{
    std::fprintf(stderr, "\nBroken rule: %s\n", rule);
    if (!expected.isNull())
        std::fprintf(stderr, "  expected: %s\n", printable(expected).constData());
    if (!actual.isNull())
        std::fprintf(stderr, "  actual:   %s\n", printable(actual).constData());
    std::abort();
}

} // namespace tv::fuzz

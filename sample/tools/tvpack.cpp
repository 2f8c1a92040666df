// SPDX-License-Identifier: GPL-3.0-or-later
// tvpack: the host tool that turns the editable sample sources into the bytes
// the program reads.
//
//   tvpack text <in> <out>
//       UTF-8 text with LF (or CR LF) line ends -> Windows-1252 with CR LF.
//   tvpack zip <archive> [--in <folder> | --root] <file>...
//       A new ZIP archive of the files, each stored under its own base name;
//       after "--in <folder>" the following files go into that folder of the
//       archive (the folder gets its own entry), "--root" goes back to the root.
//
// Both write beside the target and rename, so an interrupted build never leaves
// a half-written catalogue file or archive behind.

#include "catalogue/cp1252.h"

#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QSet>
#include <QString>
#include <QStringDecoder>

#include <zip.h>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

[[noreturn]] void fail(const QString &text)
{
    throw std::runtime_error(text.toStdString());
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(QStringLiteral("cannot read %1: %2").arg(path, file.errorString()));
    return file.readAll();
}

/// 1-based line of a position, for messages that point into a source file.
int lineOf(const QString &text, qsizetype pos)
{
    return int(text.left(pos).count(QLatin1Char('\n'))) + 1;
}

/// "Grüße\n" -> "Gr\xFC\xDF" "e\r\n". Refuses what 1252 cannot hold instead of
/// letting it become "?" unnoticed.
QByteArray toCatalogueText(const QString &path, const QByteArray &utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(utf8);
    if (decoder.hasError())
        fail(QStringLiteral("%1: not valid UTF-8").arg(path));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QString one(text.at(i));
        if (tv::fromCp1252(tv::toCp1252(one)) != one)
            fail(QStringLiteral("%1:%2: U+%3 has no Windows-1252 form")
                     .arg(path)
                     .arg(lineOf(text, i))
                     .arg(uint(text.at(i).unicode()), 4, 16, QLatin1Char('0')));
    }
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    return tv::toCp1252(text);
}

void writeAtomically(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit())
        fail(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
}

int convertText(const QString &in, const QString &out)
{
    writeAtomically(out, toCatalogueText(in, readAll(in)));
    return 0;
}

/// The program reads member names as 1252 bytes; only ASCII means the same in
/// every reader, so anything else is refused.
void checkMemberName(const QString &name)
{
    for (const QChar c : name)
        if (c.unicode() < 0x20 || c.unicode() > 0x7E || c == QLatin1Char('\\'))
            fail(QStringLiteral("member name %1: use printable ASCII without backslashes").arg(name));
}

/// Closes or discards the archive handle however the packing ends.
class Archive
{
public:
    explicit Archive(const QString &path)
        : m_path(path)
    {
        int error = 0;
        m_zip = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!m_zip) {
            zip_error_t ze;
            zip_error_init_with_code(&ze, error);
            const QString why = QString::fromUtf8(zip_error_strerror(&ze));
            zip_error_fini(&ze);
            fail(QStringLiteral("cannot create %1: %2").arg(path, why));
        }
    }
    ~Archive()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    Archive(const Archive &) = delete;
    Archive &operator=(const Archive &) = delete;

    void addFolder(const QString &folder)
    {
        if (m_folders.contains(folder))
            return;
        // Parents first, so "a/b/" lists after "a/".
        const qsizetype slash = folder.lastIndexOf(QLatin1Char('/'), folder.size() - 2);
        if (slash > 0)
            addFolder(folder.left(slash + 1));
        checkMemberName(folder);
        if (zip_dir_add(m_zip, folder.toLatin1().constData(), 0) < 0)
            failWithZip(folder);
        m_folders.insert(folder);
    }

    void addFile(const QString &file, const QString &folder)
    {
        if (!QFileInfo(file).isFile())
            fail(QStringLiteral("%1: no such file").arg(file));
        const QString member = folder + QFileInfo(file).fileName();
        checkMemberName(member);
        zip_source_t *source = zip_source_file(m_zip, QFile::encodeName(file).constData(), 0, -1);
        if (!source)
            failWithZip(member);
        if (zip_file_add(m_zip, member.toLatin1().constData(), source, 0) < 0) {
            zip_source_free(source);
            failWithZip(member);
        }
    }

    void close()
    {
        if (zip_close(m_zip) < 0)
            failWithZip(m_path);
        m_zip = nullptr;
    }

private:
    [[noreturn]] void failWithZip(const QString &what)
    {
        fail(QStringLiteral("%1: %2: %3")
                 .arg(m_path, what, QString::fromUtf8(zip_error_strerror(zip_get_error(m_zip)))));
    }

    QString m_path;
    zip_t *m_zip = nullptr;
    QSet<QString> m_folders;
};

/// "--in src/util" -> "src/util/"; the folder must be relative and stay inside.
QString folderPrefix(QString folder)
{
    while (folder.endsWith(QLatin1Char('/')))
        folder.chop(1);
    if (folder.isEmpty() || folder.startsWith(QLatin1Char('/'))
        || folder.split(QLatin1Char('/')).contains(QStringLiteral("..")))
        fail(QStringLiteral("--in %1: give a relative folder inside the archive").arg(folder));
    return folder + QLatin1Char('/');
}

int packZip(const QString &archivePath, const QStringList &args)
{
    Archive archive(archivePath);
    QString folder;
    int files = 0;
    for (qsizetype i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--root")) {
            folder.clear();
        } else if (args[i] == QLatin1String("--in")) {
            if (++i == args.size())
                fail(QStringLiteral("--in needs a folder name"));
            folder = folderPrefix(args[i]);
            archive.addFolder(folder);
        } else {
            archive.addFile(args[i], folder);
            ++files;
        }
    }
    if (files == 0)
        fail(QStringLiteral("%1: no files given").arg(archivePath));
    archive.close();
    return 0;
}

int usage()
{
    std::fputs("usage: tvpack text <in> <out>\n"
               "       tvpack zip <archive> [--in <folder> | --root] <file>...\n",
        stderr);
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    try {
        if (args.size() == 3 && args[0] == QLatin1String("text"))
            return convertText(args[1], args[2]);
        if (args.size() >= 3 && args[0] == QLatin1String("zip"))
            return packZip(args[1], args.mid(2));
        return usage();
    } catch (const std::exception &e) {
        std::fprintf(stderr, "tvpack: %s\n", e.what());
        return 1;
    }
}

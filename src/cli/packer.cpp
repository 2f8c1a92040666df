// SPDX-License-Identifier: GPL-3.0-or-later
#include "packer.h"

#include "catalogue/atomicfile.h"
#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"
#include "cli/clierror.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>
#include <QStringDecoder>
#include <QTemporaryDir>

#include <zip.h>

#include <algorithm>
#include <list>

namespace tv::cli {
namespace {

constexpr char kArchiveFolderSuffix[] = ".zip.d";

[[noreturn]] void fail(const QString &text)
{
    throw CliError(text);
}

QByteArray readSource(const QString &path)
{
    try {
        return readFileBytes(path);
    } catch (const IoError &e) {
        fail(QStringLiteral("%1: %2").arg(path, e.message()));
    }
}

void writeWhole(const QString &path, const QByteArray &bytes)
{
    AtomicFile file(path);
    if (!file.open() || !file.write(bytes) || !file.commit())
        throw WriteError(path, IoError::messageFor(IoError::codeFromErrno(file.error())));
}

/// The program reads member names as Windows-1252 bytes and writes them flat.
QByteArray memberName(const QString &name, const QString &source)
{
    const QByteArray bytes = toCp1252(name);
    const bool usable = fromCp1252(bytes) == name && std::none_of(name.begin(), name.end(), [](QChar c) {
        return c.unicode() < 0x20 || c == u'\\' || c == u'*' || c == u'?' || c == u':';
    });
    if (!usable)
        fail(QStringLiteral("%1: der Name '%2' taugt nicht für das Archiv (Windows-1252, ohne Steuerzeichen, "
                            "\"\\\", \"*\", \"?\" und \":\")")
                 .arg(source, name));
    return bytes;
}

/// A ZIP archive written by libzip into a scratch file, then put in place whole.
class ZipBuilder
{
public:
    explicit ZipBuilder(const QString &target)
        : m_target(target)
    {
        if (!m_scratch.isValid())
            fail(QStringLiteral("Kein temporärer Ordner: %1").arg(m_scratch.errorString()));
        m_path = m_scratch.filePath(QStringLiteral("archive.zip"));
        int error = 0;
        m_zip = zip_open(QFile::encodeName(m_path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
        if (!m_zip) {
            zip_error_t ze;
            zip_error_init_with_code(&ze, error);
            const QString why = QString::fromUtf8(zip_error_strerror(&ze));
            zip_error_fini(&ze);
            fail(QStringLiteral("%1: %2").arg(target, why));
        }
    }
    ~ZipBuilder()
    {
        if (m_zip)
            zip_discard(m_zip);
    }
    ZipBuilder(const ZipBuilder &) = delete;
    ZipBuilder &operator=(const ZipBuilder &) = delete;

    /// "a/b/" and its parents, parents first.
    void addFolder(const QString &folder, const QString &source)
    {
        if (m_names.contains(folder))
            return;
        const qsizetype slash = folder.lastIndexOf(u'/', folder.size() - 2);
        if (slash > 0)
            addFolder(folder.left(slash + 1), source);
        if (zip_dir_add(m_zip, memberName(folder, source).constData(), ZIP_FL_ENC_RAW) < 0)
            failWithZip(folder);
        m_names.insert(folder);
    }

    /// `bytes` as the member `name`, stamped with the source file's time.
    void addBytes(const QString &name, const QByteArray &bytes, const QString &source)
    {
        const QByteArray stored = memberName(name, source);
        if (m_names.contains(name.toLower()))
            fail(QStringLiteral("%1: '%2' steht zweimal im Archiv").arg(source, name));
        m_names.insert(name.toLower());
        const QByteArray &kept = m_buffers.emplace_back(bytes);
        zip_source_t *data = zip_source_buffer(m_zip, kept.constData(), zip_uint64_t(kept.size()), 0);
        if (!data)
            failWithZip(name);
        const zip_int64_t index = zip_file_add(m_zip, stored.constData(), data, ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(data);
            failWithZip(name);
        }
        const QDateTime stamp = QFileInfo(source).lastModified();
        if (stamp.isValid())
            zip_file_set_mtime(m_zip, zip_uint64_t(index), time_t(stamp.toSecsSinceEpoch()), 0);
    }

    /// Writes the archive and returns its bytes.
    QByteArray finish()
    {
        if (zip_close(m_zip) < 0)
            failWithZip(m_target);
        m_zip = nullptr;
        return readSource(m_path);
    }

private:
    [[noreturn]] void failWithZip(const QString &what)
    {
        fail(QStringLiteral("%1: %2: %3")
                 .arg(m_target, what, QString::fromUtf8(zip_error_strerror(zip_get_error(m_zip)))));
    }

    QString m_target;
    QTemporaryDir m_scratch;
    QString m_path;
    zip_t *m_zip = nullptr;
    QSet<QString> m_names; // lower-cased: the program matches member names without regard to case
    std::list<QByteArray> m_buffers; // libzip reads them at close
};

QStringList sortedEntries(const QString &dir, QDir::Filters filters)
{
    return QDir(dir).entryList(filters | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name);
}

/// The archive a "<name>.zip.d" folder stands for, subfolders kept.
QByteArray folderArchive(const QString &given)
{
    const QString folder = QFileInfo(given).absoluteFilePath();
    ZipBuilder zip(folder);
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext())
        files << QDir(folder).relativeFilePath(it.next());
    files.sort();
    if (files.isEmpty())
        fail(QStringLiteral("%1: der Ordner ist leer").arg(folder));
    for (const QString &file : std::as_const(files)) {
        const qsizetype slash = file.lastIndexOf(u'/');
        if (slash > 0)
            zip.addFolder(file.left(slash + 1), folder);
        const QString path = folder + u'/' + file;
        zip.addBytes(file, readSource(path), path);
    }
    return zip.finish();
}

/// Adds the Part files of a module folder to `zip`, at its root.
void addParts(ZipBuilder &zip, const QString &dir, const PackProgress &progress)
{
    for (const QString &name : sortedEntries(dir, QDir::Files | QDir::Dirs)) {
        const QString path = dir + u'/' + name;
        if (progress)
            progress(path);
        if (QFileInfo(path).isDir()) {
            if (!name.endsWith(QLatin1String(kArchiveFolderSuffix)) || name.size() <= 6)
                fail(QStringLiteral("%1: ein Ordner für ein Archiv heißt <Name>.zip.d").arg(path));
            zip.addBytes(name.chopped(2), folderArchive(path), path);
        } else if (name.endsWith(QLatin1String(".txt"))) {
            zip.addBytes(name, catalogueText(path, readSource(path)), path);
        } else {
            zip.addBytes(name, readSource(path), path);
        }
    }
}

/// A module's name from its folder: a bare name the catalogue can spell.
QString moduleName(const QString &folder)
{
    const QString name = QFileInfo(folder).fileName();
    if (!isBareName(toCp1252(name)) || fromCp1252(toCp1252(name)) != name)
        fail(QStringLiteral("%1: der Ordnername taugt nicht als Modulname").arg(folder));
    return name;
}

/// The lines of a UTF-8 Sections.dat source, as the converted file will have them.
QList<QByteArray> sourceSectionLines(const QString &path)
{
    return splitLines(catalogueText(path, readSource(path)));
}

} // namespace

QByteArray catalogueText(const QString &path, const QByteArray &utf8)
{
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder(utf8);
    if (decoder.hasError())
        fail(QStringLiteral("%1: kein gültiges UTF-8").arg(path));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    int line = 1;
    for (const QChar c : std::as_const(text)) {
        if (c == u'\n')
            ++line;
        else if (c == u'\r' || (c != u'\t' && c.unicode() < 0x20)
            || fromCp1252(toCp1252(QString(c))) != QString(c))
            fail(QStringLiteral(
                "%1:%2: das Zeichen U+%3 gibt es in Windows-1252 nicht oder es bricht die Zeile")
                     .arg(path)
                     .arg(line)
                     .arg(uint(c.unicode()), 4, 16, QLatin1Char('0')));
    }
    text.replace(u'\n', QStringLiteral("\r\n"));
    return toCp1252(text);
}

QStringList packCatalogue(const QString &source, const QString &out, const PackProgress &progress)
{
    const QString catalogue = source + QStringLiteral("/catalogue");
    if (!QFileInfo(catalogue + QStringLiteral("/Sections.dat")).isFile())
        fail(QStringLiteral("%1: catalogue/Sections.dat fehlt").arg(source));
    if (!QDir().mkpath(out))
        fail(QStringLiteral("Der Ordner '%1' kann nicht angelegt werden.").arg(out));
    const QString target = withSeparator(out);
    QStringList written;
    for (const QString &name : sortedEntries(catalogue, QDir::Files)) {
        const QString path = catalogue + u'/' + name;
        if (progress)
            progress(path);
        writeWhole(target + name, catalogueText(path, readSource(path)));
        written << name;
    }
    const QString modules = source + QStringLiteral("/modules");
    for (const QString &name : sortedEntries(modules, QDir::Dirs)) {
        const QString file = moduleName(modules + u'/' + name) + QStringLiteral(".tvm");
        ZipBuilder zip(target + file);
        addParts(zip, modules + u'/' + name, progress);
        writeWhole(target + file, zip.finish());
        written << file;
    }
    return written;
}

void packUpdate(const QString &source, const QString &out, const QString &base, const PackProgress &progress)
{
    const QString catalogue = source + QStringLiteral("/catalogue");
    const QString sections = catalogue + QStringLiteral("/Sections.dat");
    if (!QFileInfo(sections).isFile())
        fail(QStringLiteral("%1: catalogue/Sections.dat fehlt").arg(source));
    if (!QFileInfo(catalogue + QStringLiteral("/CheckVersion.dat")).isFile())
        fail(QStringLiteral("%1: catalogue/CheckVersion.dat fehlt").arg(source));
    const QString name = QFileInfo(out).fileName();
    if (!name.endsWith(QStringLiteral(".tvu")) || !isBareName(toCp1252(name.chopped(4))))
        fail(QStringLiteral("%1: ein Update-Archiv heißt <Modul>.tvu").arg(out));

    ZipBuilder zip(out);
    if (QFileInfo(source + QStringLiteral("/parts")).isDir())
        addParts(zip, source + QStringLiteral("/parts"), progress);
    QStringList files { QStringLiteral("Sections.dat"), QStringLiteral("CheckVersion.dat") };
    for (const QByteArray &line : sourceSectionLines(sections))
        files << fromCp1252(sectionFileName(line));
    for (const QString &file : std::as_const(files)) {
        QString path = catalogue + u'/' + file;
        if (!QFileInfo(path).isFile() && !base.isEmpty())
            path = base + u'/' + file;
        if (!QFileInfo(path).isFile())
            fail(QStringLiteral("%1: %2 steht weder in catalogue/ noch im Basiskatalog").arg(source, file));
        if (progress)
            progress(path);
        zip.addBytes(file, catalogueText(path, readSource(path)), path);
    }
    writeWhole(out, zip.finish());
}

} // namespace tv::cli

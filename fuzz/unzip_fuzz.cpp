// SPDX-License-Identifier: GPL-3.0-or-later
// The UNZIP engine on any archive, called as TZipAccess calls it, with the
// target folder as the current directory. Whatever the member names say
// ("../x", "/tmp/x", "a\\..\\x", links, folders), nothing appears or changes
// outside the target, a symbolic link in the target is never written through,
// the count returned is the number of files written, and a test run writes nothing.

#include "fuzzsupport.h"
#include "zip/enginerecords.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMap>

#include <cstring>
#include <memory>

#include <sys/stat.h>
#include <unistd.h>

extern "C" std::int32_t UnzipEngineExec(tv::UnzipEngineParams *params);

using namespace tv;

namespace {

/// What a folder holds, by path relative to it: "f:" + content, "l:" + link target, "d".
using Snapshot = QMap<QString, QByteArray>;

Snapshot snapshot(const QString &dir, const QString &skip = {})
{
    Snapshot shot;
    const QDir base(dir);
    QDirIterator it(dir, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
        QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        const QString relative = base.relativeFilePath(path);
        if (!skip.isEmpty() && (relative == skip || relative.startsWith(skip + u'/')))
            continue;
        const QFileInfo info = it.fileInfo();
        if (info.isSymLink())
            shot.insert(relative, "l:" + QFile::encodeName(info.symLinkTarget()));
        else if (info.isDir())
            shot.insert(relative, "d");
        else
            shot.insert(relative, "f:" + fuzz::readFile(path));
    }
    return shot;
}

QByteArray describe(const Snapshot &shot)
{
    QByteArray out;
    for (auto it = shot.cbegin(); it != shot.cend(); ++it)
        out += QFile::encodeName(it.key()) + '=' + it.value().left(40) + ' ';
    return out;
}

/// Where a member name would land if its folder parts were obeyed, and
/// whether something was there before the engine came to it.
struct Landing
{
    QByteArray path;
    bool existed = false;
};

struct Run
{
    QString target;
    std::int32_t newFiles = 0;
    QList<Landing> landings;
};

bool exists(const QByteArray &path)
{
    struct stat st;
    return ::lstat(path.constData(), &st) == 0;
}

void noteLandings(Run &run, const QByteArray &name)
{
    QByteArray slashed = name;
    slashed.replace('\\', '/');
    for (const QByteArray &candidate : { name, slashed }) {
        const QByteArray path = candidate.startsWith('/')
            ? candidate
            : QFile::encodeName(QDir::cleanPath(run.target + QFile::decodeName(candidate)));
        if (!path.startsWith(QFile::encodeName(run.target)))
            run.landings.append({ path, exists(path) });
    }
}

std::int32_t onRecord(EngineCallbackRecord *record)
{
    auto &run = *static_cast<Run *>(record->caller);
    fuzz::check(std::memchr(record->text, 0, sizeof record->text) != nullptr,
        "a callback text ends with NUL inside its record");
    if (record->messageType == EngineNewFile) {
        ++run.newFiles;
        noteLandings(run, QByteArray(record->text));
    }
    return 0;
}

std::int32_t extract(Run &run, const QByteArray &archive, bool overwrite, bool test)
{
    static const QByteArray everything = "*";
    auto params = std::make_unique<UnzipEngineParams>();
    params->caller = &run;
    params->version = kEngineVersion;
    params->callback = &onRecord;
    params->password = "";
    params->test = test ? kEngineTrue : kEngineFalse;
    params->fixed40 = kEngineTrue;
    params->overwrite = overwrite ? kEngineTrue : kEngineFalse;
    params->specCount = 1;
    params->archive = archive.constData();
    params->marker = kEngineMarker;
    params->specs[0] = everything.constData();

    const QString home = QDir::currentPath(); // libFuzzer writes its artefacts relative to it
    fuzz::check(QDir::setCurrent(run.target), "the target can be entered");
    const std::int32_t count = UnzipEngineExec(params.get());
    fuzz::check(QDir::setCurrent(home), "the fuzzer's folder can be entered again");
    fuzz::check(count >= 0 && count <= run.newFiles, "the count returned counts files told as new");
    for (const Landing &landing : std::as_const(run.landings)) {
        if (!landing.existed && exists(landing.path))
            fuzz::fail("a member name never creates a file outside the target", {}, landing.path);
    }
    run.newFiles = 0;
    run.landings.clear();
    return count;
}

/// Only plain files in the target, and the planted link either as it was or replaced.
void checkTarget(const Snapshot &target, const QByteArray &link)
{
    for (auto it = target.cbegin(); it != target.cend(); ++it) {
        const bool plainFile = it.value().startsWith("f:");
        const bool plantedLink = it.key() == QLatin1String("link") && it.value() == link;
        if (!plainFile && !plantedLink)
            fuzz::fail("extraction makes nothing but plain files in the target", {}, describe(target));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString root = fuzz::freshPath("unzip") + u'/';
    fuzz::check(
        QDir().mkpath(root + QStringLiteral("target")) && QDir().mkpath(root + QStringLiteral("outside")),
        "the scratch folders can be made");
    fuzz::writeFile(root + QStringLiteral("archive.zip"), fuzz::bytes(data, size));
    fuzz::writeFile(root + QStringLiteral("outside/victim"), "untouched");
    fuzz::writeFile(root + QStringLiteral("target/keep"), "kept");
    // A member named "link" must replace this link, never write through it.
    fuzz::check(QFile::link(QStringLiteral("../outside/victim"), root + QStringLiteral("target/link")),
        "the planted link can be made");

    const QString targetName = QStringLiteral("target");
    const Snapshot outside = snapshot(root, targetName);
    const QByteArray archive = QFile::encodeName(root + QStringLiteral("archive.zip"));
    Run run;
    run.target = root + targetName + u'/';

    // Without overwriting: exactly the files counted are new, "keep" and "link" stay.
    const Snapshot empty = snapshot(run.target);
    const QByteArray link = empty.value(QStringLiteral("link"));
    const std::int32_t written = extract(run, archive, false, false);
    const Snapshot first = snapshot(run.target);
    if (snapshot(root, targetName) != outside)
        fuzz::fail("extraction changes nothing outside the target", describe(outside),
            describe(snapshot(root, targetName)));
    checkTarget(first, link);
    fuzz::check(
        first.value(QStringLiteral("keep")) == "f:kept" && first.value(QStringLiteral("link")) == link,
        "without overwriting, existing files stay");
    if (first.size() != empty.size() + written)
        fuzz::fail("the count returned is the number of files written", describe(empty), describe(first));

    // A test run reads and writes nothing.
    extract(run, archive, false, true);
    if (snapshot(run.target) != first)
        fuzz::fail("a test run writes nothing", describe(first), describe(snapshot(run.target)));

    // Overwriting replaces, never adds more than it counts, and still stays inside.
    const std::int32_t replaced = extract(run, archive, true, false);
    const Snapshot second = snapshot(run.target);
    if (snapshot(root, targetName) != outside)
        fuzz::fail("extraction changes nothing outside the target", describe(outside),
            describe(snapshot(root, targetName)));
    checkTarget(second, link);
    fuzz::check(second.size() <= first.size() + replaced, "overwriting adds no file it did not count");

    QDir(root).removeRecursively();
    return 0;
}

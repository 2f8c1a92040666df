// SPDX-License-Identifier: GPL-3.0-or-later
#include "partreader.h"

#include "catalogue/cp1252.h"
#include "catalogue/paths.h"
#include "catalogue/textlines.h"
#include "fold.h"
#include "htmltext.h"
#include "idlepriority.h"
#include "membertext.h"
#include "rtftext.h"

namespace tv::search {
namespace {

// Bodies read ahead at most: enough to keep the writer busy, few enough
// that a large module's texts do not pile up in memory.
constexpr size_t kReadAhead = 256;

QString firstLine(const QByteArray &bytes)
{
    const QList<QByteArray> lines = splitLines(bytes);
    return lines.isEmpty() ? QString() : fromCp1252(lines.first());
}

QString textOf(PartKind kind, const QByteArray &bytes, bool *failed)
{
    switch (kind) {
    case PartKind::Text:
        return looksLikeRtf(bytes) ? rtfText(bytes) : fromCp1252(bytes);
    case PartKind::Archive: {
        ZipArchive archive = ZipArchive::openBytes(bytes);
        *failed = !archive.isOpen();
        return archiveText(archive);
    }
    case PartKind::Html: {
        ZipArchive archive = ZipArchive::openBytes(bytes);
        const auto page = archive.member("index.htm");
        *failed = !page;
        return page ? htmlText(*page) : QString();
    }
    case PartKind::Www:
        return firstLine(bytes);
    case PartKind::None:
        break;
    }
    return {};
}

} // namespace

QByteArray packedText(const QString &text)
{
    // The fastest level: texts are short, and building must keep pace with reading.
    return text.isEmpty() ? QByteArray() : qCompress(text.toUtf8(), 1);
}

QString unpackedText(const QByteArray &packed)
{
    return packed.isEmpty() ? QStringLiteral("") : QString::fromUtf8(qUncompress(packed));
}

Body Body::of(const QString &text, bool failed)
{
    // The words leave the index folded from the stored text again, so they go
    // in from what UTF-8 keeps of a lone surrogate too.
    const QString stored = text.isValidUtf16() ? text : QString::fromUtf8(text.toUtf8());
    return { packedText(stored), fold(stored).toUtf8(), failed };
}

Body bodyOf(PartKind kind, const QByteArray &bytes)
{
    bool failed = false;
    const QString text = textOf(kind, bytes, &failed);
    return Body::of(text, failed);
}

PartReader::PartReader(QString dir, const std::map<QByteArray, FileStamp> &disk)
    : m_dir(std::move(dir))
    , m_disk(disk)
{
}

Body PartReader::read(PartKind kind, const QByteArray &modul, const QByteArray &file)
{
    if (kind == PartKind::None)
        return {};
    if (modul.isEmpty() || !isBareName(modul) || !m_disk.count(modul))
        return {}; // not installed: the viewer says so, nothing to read
    auto it = m_modules.find(modul);
    if (it == m_modules.end())
        it = m_modules.emplace(modul, ZipArchive::openFile(resolveName(m_dir, modul + ".tvm"))).first;
    const auto bytes = it->second.member(file);
    if (!bytes)
        return { {}, {}, true };
    return bodyOf(kind, *bytes);
}

ReadAhead::ReadAhead(PartReader &reader, QList<ReadJob> jobs, bool idle)
    : m_reader(reader)
    , m_jobs(std::move(jobs))
{
    if (!m_jobs.isEmpty())
        m_thread = std::thread([this, idle] { run(idle); });
}

ReadAhead::~ReadAhead()
{
    {
        const std::lock_guard lock(m_mutex);
        m_stop = true;
    }
    m_changed.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void ReadAhead::run(bool idle)
{
    if (idle)
        lowerThreadPriority();
    for (const ReadJob &job : m_jobs) {
        Body body = m_reader.read(job.kind, job.modul, job.file);
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_stop || m_ready.size() < kReadAhead; });
        if (m_stop)
            return;
        m_ready.push_back(std::move(body));
        m_changed.notify_all();
    }
}

std::optional<Body> ReadAhead::next(const std::function<bool()> &waiting)
{
    std::unique_lock lock(m_mutex);
    while (!m_changed.wait_for(lock, std::chrono::milliseconds(100), [this] { return !m_ready.empty(); })) {
        lock.unlock();
        const bool goOn = waiting();
        lock.lock();
        if (!goOn)
            return std::nullopt;
    }
    Body body = std::move(m_ready.front());
    m_ready.pop_front();
    m_changed.notify_all();
    return body;
}

} // namespace tv::search

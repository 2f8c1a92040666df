// SPDX-License-Identifier: GPL-3.0-or-later
#include "archives.h"

#include "catalogue/cp1252.h"
#include "zip/engines/zipnames.h"

#include <QFile>

#include <zip.h>

#include <utility>

namespace tv::search {

QString memberNameText(zip *archive, quint64 index)
{
    // Decoded as the listing and the engines decode it.
    const std::string name = engines::memberName(archive, index);
    return QString::fromUtf8(name.data(), qsizetype(name.size()));
}

ZipArchive::ZipArchive(zip *archive)
    : m_zip(archive)
{
}

ZipArchive ZipArchive::openFile(const QString &path)
{
    int error = 0;
    return ZipArchive(zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error));
}

ZipArchive ZipArchive::openBytes(const QByteArray &bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t *source = zip_source_buffer_create(bytes.constData(), zip_uint64_t(bytes.size()), 0, &error);
    zip_t *archive = nullptr;
    if (source) {
        archive = zip_open_from_source(source, ZIP_RDONLY, &error);
        if (!archive)
            zip_source_free(source);
    }
    zip_error_fini(&error);
    return ZipArchive(archive);
}

ZipArchive::ZipArchive(ZipArchive &&other) noexcept
    : m_zip(std::exchange(other.m_zip, nullptr))
    , m_byName(std::move(other.m_byName))
    , m_indexed(std::exchange(other.m_indexed, false))
{
}

ZipArchive &ZipArchive::operator=(ZipArchive &&other) noexcept
{
    if (this != &other) {
        close();
        m_zip = std::exchange(other.m_zip, nullptr);
        m_byName = std::move(other.m_byName);
        m_indexed = std::exchange(other.m_indexed, false);
    }
    return *this;
}

ZipArchive::~ZipArchive()
{
    close();
}

void ZipArchive::close()
{
    if (m_zip)
        zip_discard(m_zip); // read only: nothing to write back
    m_zip = nullptr;
}

QStringList ZipArchive::memberNames() const
{
    QStringList names;
    if (!m_zip)
        return names;
    const zip_int64_t count = zip_get_num_entries(m_zip, 0);
    for (zip_int64_t i = 0; i < count; ++i)
        names.append(memberNameText(m_zip, zip_uint64_t(i)));
    return names;
}

std::optional<QByteArray> ZipArchive::member(const QByteArray &name)
{
    if (!m_zip)
        return std::nullopt;
    if (!m_indexed) {
        const zip_int64_t count = zip_get_num_entries(m_zip, 0);
        for (zip_int64_t i = count - 1; i >= 0; --i) // the first of equal names wins
            m_byName.insert(upperAscii(memberNameText(m_zip, zip_uint64_t(i)).toUtf8()), zip_uint64_t(i));
        m_indexed = true;
    }
    const auto it = m_byName.constFind(upperAscii(fromCp1252(name).toUtf8()));
    if (it == m_byName.constEnd())
        return std::nullopt;
    return memberAt(*it, kMaxMemberSize);
}

std::optional<QByteArray> ZipArchive::memberAt(quint64 index, qint64 limit)
{
    if (!m_zip)
        return std::nullopt;
    zip_stat_t st;
    zip_stat_init(&st);
    if (zip_stat_index(m_zip, index, 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE) || st.size > quint64(limit))
        return std::nullopt;
    zip_file_t *file = zip_fopen_index(m_zip, index, 0);
    if (!file)
        return std::nullopt;
    QByteArray data(qsizetype(st.size), Qt::Uninitialized);
    const zip_int64_t n = zip_fread(file, data.data(), st.size);
    const bool ok = zip_fclose(file) == 0 && n == zip_int64_t(st.size);
    if (!ok)
        return std::nullopt;
    return data;
}

} // namespace tv::search

// SPDX-License-Identifier: GPL-3.0-or-later
#include "zipwriter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <zip.h>

void writeZip(const QString &path, const QList<ZipMember> &members)
{
    QFile::remove(path);
    int error = 0;
    zip_t *archive = zip_open(QFile::encodeName(path).constData(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    QVERIFY2(archive, "zip_open failed");
    for (const ZipMember &m : members) {
        zip_source_t *source = zip_source_buffer(archive, m.data.constData(), zip_uint64_t(m.data.size()), 0);
        QVERIFY(source);
        const zip_int64_t index
            = zip_file_add(archive, m.name.constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_RAW);
        if (index < 0) {
            zip_source_free(source);
            zip_discard(archive);
            QFAIL("zip_file_add failed");
        }
        if (m.dosStamp != 0)
            QCOMPARE(zip_file_set_dostime(archive, zip_uint64_t(index), zip_uint16_t(m.dosStamp & 0xFFFF),
                         zip_uint16_t(m.dosStamp >> 16), 0),
                0);
    }
    QVERIFY2(zip_close(archive) == 0, "zip_close failed");
}

QByteArray zipBytes(const QList<ZipMember> &members)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("inner.zip"));
    writeZip(path, members);
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

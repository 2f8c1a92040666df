#include "zipwriter.h"

#include <QFile>
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
        if (zip_file_add(archive, m.name.constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_RAW) < 0) {
            zip_source_free(source);
            zip_discard(archive);
            QFAIL("zip_file_add failed");
        }
    }
    QVERIFY2(zip_close(archive) == 0, "zip_close failed");
}

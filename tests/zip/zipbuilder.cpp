// SPDX-License-Identifier: GPL-3.0-or-later
#include "zipbuilder.h"

#include <QFile>
#include <QtEndian>
#include <QtTest>

namespace {

void put16(QByteArray &out, quint32 v)
{
    char b[2];
    qToLittleEndian<quint16>(static_cast<quint16>(v), b);
    out.append(b, 2);
}

void put32(QByteArray &out, quint32 v)
{
    char b[4];
    qToLittleEndian<quint32>(v, b);
    out.append(b, 4);
}

quint16 flagsOf(const ZipMember &m)
{
    return static_cast<quint16>((m.zeroSizesInLocal ? 0x0008 : 0) | (m.utf8 ? 0x0800 : 0));
}

} // namespace

ZipBuilder &ZipBuilder::add(ZipMember member)
{
    m_members.append(std::move(member));
    return *this;
}

quint32 ZipBuilder::crc32(const QByteArray &data)
{
    quint32 crc = 0xFFFFFFFF;
    for (char c : data) {
        crc ^= static_cast<unsigned char>(c);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320 & (0u - (crc & 1)));
    }
    return ~crc;
}

QByteArray ZipBuilder::local(int i) const
{
    const ZipMember &m = m_members.at(i);
    const bool zero = m.zeroSizesInLocal;
    const auto size = static_cast<quint32>(m.data.size());
    QByteArray out("PK\x03\x04", 4);
    put16(out, 10);
    put16(out, flagsOf(m));
    put16(out, 0);
    put16(out, m.dosDateTime & 0xFFFF);
    put16(out, m.dosDateTime >> 16);
    put32(out, zero ? 0 : crcOf(m));
    put32(out, zero ? 0 : m.localCompressedSize.value_or(size));
    put32(out, zero ? 0 : size);
    put16(out, static_cast<quint32>(m.name.size()));
    put16(out, static_cast<quint32>(m.extra.size()));
    out += m.name + m.extra + m.data;
    if (zero) {
        out += QByteArray("PK\x07\x08", 4);
        put32(out, crcOf(m));
        put32(out, size);
        put32(out, size);
    }
    return out;
}

QByteArray ZipBuilder::centralDirectory() const
{
    QByteArray out;
    quint32 offset = static_cast<quint32>(prefix.size());
    for (int i = 0; i < m_members.size(); ++i) {
        const ZipMember &m = m_members.at(i);
        out += QByteArray("PK\x01\x02", 4);
        put16(out, m.unixMode ? (3 << 8 | 20) : (m.host << 8 | 20));
        put16(out, 10);
        put16(out, flagsOf(m));
        put16(out, 0);
        put16(out, m.dosDateTime & 0xFFFF);
        put16(out, m.dosDateTime >> 16);
        put32(out, crcOf(m));
        put32(out, static_cast<quint32>(m.data.size()));
        put32(out, static_cast<quint32>(m.data.size()));
        put16(out, static_cast<quint32>(m.name.size()));
        put16(out, static_cast<quint32>(m.extra.size()));
        put16(out, 0); // comment
        put16(out, 0); // disk
        put16(out, 0); // internal attributes
        put32(out, static_cast<quint32>(m.unixMode) << 16);
        put32(out, offset);
        out += m.name + m.extra;
        offset += static_cast<quint32>(local(i).size());
    }
    return out;
}

QByteArray ZipBuilder::bytes() const
{
    QByteArray locals;
    for (int i = 0; i < m_members.size(); ++i)
        locals += local(i);
    const QByteArray cd = centralDirectory();
    QByteArray out = prefix + locals + cd;
    out += QByteArray("PK\x05\x06", 4);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<quint32>(m_members.size()));
    put16(out, static_cast<quint32>(m_members.size()));
    put32(out, static_cast<quint32>(cd.size()));
    put32(out, static_cast<quint32>(prefix.size() + locals.size()));
    put16(out, 0);
    return out;
}

QByteArray ZipBuilder::withoutEndRecord() const
{
    QByteArray out = prefix;
    for (int i = 0; i < m_members.size(); ++i)
        out += local(i);
    return out + centralDirectory();
}

void writeBytes(const QString &path, const QByteArray &content)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    QCOMPARE(f.write(content), content.size());
}

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

ZipMember member(const QByteArray &name, const QByteArray &data)
{
    ZipMember m;
    m.name = name;
    m.data = data;
    return m;
}

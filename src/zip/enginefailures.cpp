// SPDX-License-Identifier: GPL-3.0-or-later
#include "enginefailures.h"

#include "zip/enginerecords.h"

#include <QFileInfo>

namespace tv {
namespace {

QString flat(const QString &name)
{
    return name.mid(std::max(name.lastIndexOf(u'/'), name.lastIndexOf(u'\\')) + 1);
}

const ZipDirEntry *entryNamed(const QList<ZipDirEntry> &entries, const QString &name)
{
    for (const ZipDirEntry &e : entries) {
        if (e.Name == name)
            return &e;
    }
    return nullptr;
}

} // namespace

EngineFailures::EngineFailures(TZipAccess &zip)
    : m_zip(zip)
    , m_previousProgress(zip.OnProgress())
    , m_previousMessage(zip.OnMessage())
{
    zip.setOnProgress([this](TZipAccess &sender, ProgressType type, const QString &name, qint64 size) {
        if (m_previousProgress)
            m_previousProgress(sender, type, name, size);
        if (type == ProgressType::NewFile)
            m_member = name;
    });
    zip.setOnMessage([this](TZipAccess &sender, int code, const QString &text) {
        if (m_previousMessage)
            m_previousMessage(sender, code, text);
        if (!isEngineFailure(code))
            return;
        const QString member = code == EngineArchiveUnreadable ? QString() : m_member;
        m_texts.append(describe(code, text, member, sender.DirEntries()));
    });
}

EngineFailures::~EngineFailures()
{
    m_zip.setOnProgress(m_previousProgress);
    m_zip.setOnMessage(m_previousMessage);
}

QString EngineFailures::methodName(int method)
{
    switch (method) {
    case 1:
        return QStringLiteral("Shrink");
    case 2:
    case 3:
    case 4:
    case 5:
        return QStringLiteral("Reduce");
    case 6:
        return QStringLiteral("Implode");
    case 8:
        return QStringLiteral("Deflate");
    case 9:
        return QStringLiteral("Deflate64");
    case 10:
        return QStringLiteral("PKWARE DCL Implode");
    case 12:
        return QStringLiteral("BZIP2");
    case 14:
        return QStringLiteral("LZMA");
    case 18:
        return QStringLiteral("IBM TERSE");
    case 19:
        return QStringLiteral("IBM LZ77");
    case 93:
        return QStringLiteral("Zstandard");
    case 95:
        return QStringLiteral("XZ");
    case 96:
        return QStringLiteral("JPEG");
    case 97:
        return QStringLiteral("WavPack");
    case 98:
        return QStringLiteral("PPMd");
    default:
        return QStringLiteral("dem Verfahren Nr. %1").arg(method);
    }
}

QString EngineFailures::describe(
    int code, const QString &engineText, const QString &member, const QList<ZipDirEntry> &entries)
{
    const QString quoted = u'\'' + member + u'\'';
    switch (code) {
    case EngineArchiveUnreadable:
        return QStringLiteral("Das Archiv ist kein ZIP-Archiv oder es ist beschädigt (%1).").arg(engineText);
    case EngineMemberEncrypted:
        return QStringLiteral("%1 ist verschlüsselt; ein Kennwort kann hier nicht eingegeben werden.")
            .arg(quoted);
    case EngineMethodUnsupported: {
        const ZipDirEntry *entry = entryNamed(entries, member);
        const QString method = entry ? methodName(entry->compressionMethod()) : QStringLiteral("einem Verfahren");
        return QStringLiteral("%1 ist mit %2 gepackt, das nicht entpackt werden kann.").arg(quoted, method);
    }
    case EngineMemberUnreadable:
        return QStringLiteral("%1 ist beschädigt und wurde nicht entpackt.").arg(quoted);
    case EngineWriteFailed:
        return QStringLiteral("%1 konnte nicht geschrieben werden (%2).").arg(quoted, engineText);
    case EngineMemberSkipped:
        return QStringLiteral("%1 wurde übersprungen: keine gewöhnliche Datei oder kein brauchbarer Name.")
            .arg(quoted);
    case EngineMemberKept:
        return QStringLiteral("'%1' liegt schon im Zielordner und wurde nicht ersetzt.").arg(flat(member));
    case EngineNameTaken:
        return QStringLiteral("%1 wurde nicht geschrieben: ein anderes Mitglied wurde schon als '%2' entpackt.")
            .arg(quoted, flat(member));
    default:
        return QStringLiteral("%1: %2").arg(quoted, engineText);
    }
}

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
// The preview of an archive page: the member chosen in the listing comes
// into the Work directory, is shown beside the listing and can be handed to
// the desktop; its copy goes when another is shown.
#include "archivepart.h"

#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "viewer/partcontext.h"
#include "zip/enginefailures.h"
#include "zip/zipaccess.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

namespace tv {
namespace {

bool isFolder(const ZipDirEntry &member)
{
    return member.FileName.endsWith('/') || member.FileName.endsWith('\\');
}

} // namespace

std::optional<MemberFile> ArchivePartBuilder::extractMember(
    const ArchivePage &page, const ZipDirEntry &member, QStringList *failures)
{
    const Part &part = page.part();
    m_context.ExtractModulFile(part.modul, part.file);
    const QString archive = workFile(part.file);
    const QString work = GetWorkDir();
    // The engine writes the member under its own name: into a folder of its
    // own, so that it can never replace an unpacked page or another copy.
    QTemporaryDir unpack(work + QStringLiteral("Vorschau-XXXXXX"));
    if (archive.isEmpty() || !QFile::exists(archive) || !unpack.isValid())
        return std::nullopt;
    TZipAccess &zip = m_context.ZipAccess1();
    zip.setZipFilename(archive);
    zip.setExtrBaseDir(withSeparator(unpack.path()));
    zip.setFSpecArgs({ member.FileName });
    {
        const EngineFailures messages(zip);
        zip.Extract();
        *failures = messages.texts();
    }
    QFile::remove(archive);
    // The unpacking folder goes below; the Work directory stays current, as
    // after every other extraction into it.
    QDir::setCurrent(work);
    const QStringList written = QDir(unpack.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    if (written.isEmpty())
        return std::nullopt;
    const QString copy = work + QStringLiteral("Vorschau%1-").arg(part.number) + written.first();
    QFile::remove(copy);
    if (!QFile::rename(unpack.filePath(written.first()), copy))
        return std::nullopt;
    return MemberFile { copy, member.Name, member.uncompressedSize(), dosDateTime(member.dateTime()) };
}

void ArchivePartBuilder::previewMember(ArchivePage &page)
{
    const ZipDirEntry *member = page.currentMember();
    if (!member || member == page.previewedMember())
        return;
    page.setPreviewed(member);
    MemberPreview *preview = page.preview();
    preview->clear(); // the copy shown so far goes first
    if (isFolder(*member)) {
        preview->showProblem(QStringLiteral("'%1' ist ein Ordner.").arg(member->Name));
        return;
    }
    const BusyCursor busy(m_context.seam());
    QStringList failures;
    if (const std::optional<MemberFile> file = extractMember(page, *member, &failures)) {
        preview->showFile(*file);
        return;
    }
    failures.prepend(QStringLiteral("'%1' kann nicht angezeigt werden.").arg(member->Name));
    preview->showProblem(failures.join(u'\n'));
}

void ArchivePartBuilder::openMember(ArchivePage &page)
{
    previewMember(page);
    const QString &copy = page.preview()->copyPath();
    if (copy.isEmpty() || !QFile::exists(copy)) {
        if (const ZipDirEntry *member = page.currentMember())
            m_context.showStatus(QStringLiteral("'%1' kann nicht geöffnet werden.").arg(member->Name));
        return;
    }
    m_context.seam().openExternal(QUrl::fromLocalFile(copy));
}

} // namespace tv

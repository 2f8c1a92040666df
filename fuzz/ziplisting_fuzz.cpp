// SPDX-License-Identifier: GPL-3.0-or-later
// TZipAccess's own listing (central directory, else the local header walk) over any file: it ends, throws only its
// listing errors, tells the listing's end once, lists names as stored up to
// their first NUL, and lists the same entries every time.

#include "catalogue/seam.h"
#include "fuzzsupport.h"
#include "zip/zipaccess.h"

#include <QFile>

using namespace tv;

namespace {

struct Listing
{
    QList<ZipDirEntry> entries;
    QString error; // the ZipStreamError's text, empty when none
    int dirUpdates = 0;
};

/// An unattended component never turns to the user.
class NoUser : public Seam
{
public:
    MessageButton message(const MessageRequest &request) override
    {
        fuzz::fail("an unattended listing shows no box", {}, request.text.toUtf8());
    }
    QString chooseFolder(const QString &) override { fuzz::fail("a listing asks for no folder"); }
    SaveAnswer chooseSaveFile(const SaveRequest &) override { fuzz::fail("a listing asks for no file"); }
    bool choosePrinter(QPrinter &) override { fuzz::fail("a listing prints nothing"); }
    bool openExternal(const QUrl &) override { fuzz::fail("a listing opens nothing"); }
    void setClipboard(QMimeData *) override { fuzz::fail("a listing copies nothing"); }
    void setBusy(bool) override { fuzz::fail("a listing shows no busy cursor"); }
};

Listing list(TZipAccess &zip, const QString &path)
{
    Listing result;
    zip.setOnDirUpdate([&result](TZipAccess &) { ++result.dirUpdates; });
    try {
        zip.setZipFilename(path);
    } catch (const ZipStreamError &e) {
        result.error = e.message();
    }
    result.entries = zip.DirEntries();
    return result;
}

bool sameEntries(const QList<ZipDirEntry> &a, const QList<ZipDirEntry> &b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (a[i].header != b[i].header || a[i].FileName != b[i].FileName)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QString path = fuzz::freshPath("listing.zip");
    fuzz::writeFile(path, fuzz::bytes(data, size));

    NoUser noUser;
    TZipAccess zip(noUser);
    zip.setUnattended(true);
    zip.setOnMessage([](TZipAccess &, int code, const QString &text) {
        if (code != 1036)
            fuzz::fail("the walk reports nothing but \"No valid zip entries found\"", {}, text.toUtf8());
    });
    const Listing first = list(zip, path);
    fuzz::check(first.dirUpdates == 1, "a listing fires OnDirUpdate once, thrown or not");
    fuzz::check(zip.EntryCount() == first.entries.size(), "EntryCount counts DirEntries");
    for (const ZipDirEntry &entry : first.entries) {
        fuzz::check(!entry.FileName.contains('\0'), "a listed name ends at its first NUL");
        fuzz::check(
            entry.FileName.size() <= entry.fileNameLength(), "a listed name is at most as long as stored");
        // 30 bytes of header; the last 22 bytes are left to the end record.
        // (The central directory's extra field need not be the local one.)
        fuzz::check(30 + entry.fileNameLength() + entry.compressedSize() <= qint64(size) - 22,
            "a listed entry lies before the end record");
    }

    const Listing second = list(zip, path);
    fuzz::check(second.error == first.error && sameEntries(first.entries, second.entries),
        "listing the same file twice gives the same entries");
    QFile::remove(path);
    return 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "partcontext.h"

#include "catalogue/catalogue.h"
#include "catalogue/paths.h"
#include "zip/zipaccess.h"

namespace tv {

PartContext::PartContext(Seam &seam, TZipAccess &zip, std::function<void(const QString &)> showStatus)
    : m_seam(seam)
    , m_zip(zip)
    , m_showStatus(std::move(showStatus))
{
}

void PartContext::ExtractModulFile(const QByteArray &modul, const QByteArray &file) const
{
    removeWorkCopies({ file });
    m_zip.setZipFilename(moduleFile(modul));
    m_zip.setFSpecArgs({ file });
    m_zip.setExtrBaseDir(GetWorkDir());
    m_zip.Extract();
}

} // namespace tv

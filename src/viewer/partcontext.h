// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace tv {

class Seam;
class TZipAccess;

/// @short What a part builder works with, and nothing more: the seam, the
/// window's one ZIP component, the extraction into the Work directory and the
/// status bar. The viewer that calls the builders hands it to them; a builder
/// never calls back into the viewer.
class PartContext
{
public:
    PartContext(Seam &seam, TZipAccess &zip, std::function<void(const QString &)> showStatus);

    Seam &seam() const { return m_seam; }
    /// The window's ZIP component, shared by every part page: a builder sets
    /// its archive, specs and folder before each use.
    TZipAccess &ZipAccess1() const { return m_zip; }
    /// Brings `file` of module `modul` into the Work directory; callers look
    /// for the file to learn whether it came.
    void ExtractModulFile(const QByteArray &modul, const QByteArray &file) const;
    /// Has the window show `text` in its status bar.
    void showStatus(const QString &text) const { m_showStatus(text); }

private:
    Seam &m_seam;
    TZipAccess &m_zip;
    std::function<void(const QString &)> m_showStatus;
};

} // namespace tv

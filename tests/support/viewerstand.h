// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>

class QTabWidget;

namespace tv {
class EntryViewer;
class IndexGrid;
class Seam;
class TZipAccess;
} // namespace tv

/// @short The entry viewer on its own, for tests that need no main window.
///
/// The "Index" tab with its grid (fitted to its size as the window does),
/// the part tabs, one ZIP component with this build's engines and every
/// kind's builder, wired as the main window wires them; the newest module is
/// read when the stand is made, and the status line is kept here.
class ViewerStand : public QWidget
{
public:
    explicit ViewerStand(tv::Seam &seam);
    ~ViewerStand() override;

    tv::EntryViewer *viewer() const { return m_viewer; }
    QTabWidget *pages() const { return m_pages; }
    tv::IndexGrid *grid() const { return m_grid; }
    tv::TZipAccess &zip() const { return *m_zip; }
    const QString &statusText() const { return m_status; }
    void setStatusText(const QString &text) { m_status = text; }

    /// Shows entry `name` of the section of Sections.dat line `section` as a
    /// click on row `row` of a list of `count` entries does.
    void click(const QByteArray &section, const QByteArray &name, int row, int count);

private:
    QTabWidget *m_pages;
    tv::IndexGrid *m_grid;
    std::unique_ptr<tv::TZipAccess> m_zip;
    tv::EntryViewer *m_viewer;
    QString m_status;
};

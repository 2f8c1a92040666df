// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/findcontrol.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>

class QTabWidget;

namespace tv {
class EntryViewer;
class FindBar;
class IndexGrid;
class Seam;
class TZipAccess;
} // namespace tv

/// @short The entry viewer on its own, for tests that need no main window.
///
/// The "Index" tab with its grid (fitted to its size as the window does),
/// the part tabs with the find bar below them, one ZIP component with this build's engines and every
/// kind's builder, wired as the main window wires them; the newest module is
/// read when the stand is made, and the status line is kept here.
class ViewerStand : public QWidget
{
public:
    explicit ViewerStand(tv::Seam &seam);
    ~ViewerStand() override;

    /// A stand over the catalogue in the Program directory, shown and
    /// exposed; nullptr when it could not be shown.
    static std::unique_ptr<ViewerStand> start(tv::Seam &seam);

    tv::EntryViewer *viewer() const { return m_viewer; }
    /// The find bar under the part tabs, hidden until opened.
    tv::FindBar *findBar() const { return m_findBar; }
    QTabWidget *pages() const { return m_pages; }
    tv::IndexGrid *grid() const { return m_grid; }
    tv::TZipAccess &zip() const { return *m_zip; }
    const QString &statusText() const { return m_status; }
    void setStatusText(const QString &text) { m_status = text; }

    /// Shows entry `row` of the section of Sections.dat line `section` as a
    /// click on that row of the section's list does.
    void click(const QByteArray &section, int row);

    /// The control named `name` on the stand, nullptr when there is none or it is no `T`.
    template <typename T> T *control(const QString &name) const
    {
        return qobject_cast<T *>(tv::findControl(this, name));
    }

private:
    QTabWidget *m_pages;
    tv::IndexGrid *m_grid;
    std::unique_ptr<tv::TZipAccess> m_zip;
    tv::EntryViewer *m_viewer;
    tv::FindBar *m_findBar;
    QString m_status;
};

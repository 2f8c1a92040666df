// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/partbuilder.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QLineEdit;
class QPushButton;
class QToolButton;

/// @short Archive parts: the members of a ZIP archive, listed in a sortable
/// grid and extracted into a folder the user chooses.
namespace tv {

class TSortGrid;

/// The date and time of an MS-DOS stamp (date in the high 16 bits). Throws
/// Error("Ungültiges Argument zum Codieren des Datums") for month 0 and the
/// like, and "... der Uhrzeit" for hour 24 and the like.
/// Example: 0x58A46000 -> 2024-05-04 12:00:00.
QDateTime dosDateTime(quint32 stamp);

/// A typed folder as the program uses it: "~" and a relative folder are taken
/// from the home directory ("Beispiele" -> "/home/anna/Beispiele"), since the
/// current directory moves with every extraction. An empty text stays empty.
QString absoluteFolder(const QString &typed, const QString &home);

class ArchivePartBuilder : public QObject, public PartBuilder
{
    Q_OBJECT
public:
    explicit ArchivePartBuilder(EntryViewer &viewer);
    void build(EntryViewer &viewer, QWidget *sheet) override;

    void ExtractButtonClick(QPushButton *sender);
    void ChooseTargetClick(QToolButton *sender);
    void OpenTargetClick();
    void ArchivEditChange(QLineEdit *sender);
    /// Shows ArchivOutputPath in the edit box named `name`.
    void ExtractPathEdit(const QString &name);

private:
    void BuildArchivePage(QWidget *sheet);
    void fillListing(TSortGrid *grid);
    void setOutputStatus();

    EntryViewer &m_viewer;
};

} // namespace tv

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "viewer/memberpreview.h"
#include "viewer/partbuilder.h"
#include "viewer/partpage.h"
#include "zip/zipdirentry.h"

#include <QDateTime>
#include <QObject>
#include <QString>

class QGridLayout;
class QLineEdit;
class QPushButton;
class QSplitter;

/// @short Archive parts: the members of a ZIP archive, listed in a sortable
/// grid and extracted into a folder the user chooses.
namespace tv {

class ArchiveFindTarget;
class PartContext;
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

/// The page of an archive part: what the part is, the target folder
/// ("ArchivEdit<n>"), the archive's listing ("SortGrid<n>") and, once it is
/// listed, the commands ("ExtractButton<n>"); beside them, behind a splitter,
/// the preview of the member chosen in the listing ("Vorschau").
///
/// The preview stands beside the controls, not below them: the controls keep
/// their places at the top left, and code is read in lines, which a tall
/// pane shows more of than the strip left below the buttons.
class ArchivePage : public PartPage
{
    Q_OBJECT
public:
    explicit ArchivePage(const Part &part);

    QLineEdit *targetEdit() const { return m_targetEdit; }
    TSortGrid *listing() const { return m_listing; }
    /// nullptr until addCommands().
    QPushButton *extractButton() const { return m_extract; }
    /// The row of "Archiv entpacken" and "Zielverzeichnis durchsuchen" below the listing.
    void addCommands();
    MemberPreview *preview() const { return m_preview; }
    QSplitter *splitter() const { return m_splitter; }
    FindTarget *findTarget() const override;

    /// The archive's members as listed; row i of the listing shows member
    /// i - 1 until a sort moves it, and keeps its number as its object.
    void setMembers(const QList<ZipDirEntry> &members);
    /// The member of the listing's current row; nullptr when no row is current.
    const ZipDirEntry *currentMember() const;
    /// The member previewed now; nullptr for none.
    const ZipDirEntry *previewedMember() const;
    void setPreviewed(const ZipDirEntry *member);
    /// Makes the row of the member named `name` (with its folders, as listed)
    /// current, which previews it; false when the archive holds no such member.
    bool selectMember(const QString &name);

signals:
    void targetEdited();
    void chooseTargetClicked();
    void extractClicked();
    void openTargetClicked();
    /// Another row of the listing became current.
    void memberChosen();
    /// Enter or a double-click on a member.
    void memberOpened();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_controls;
    QGridLayout *m_layout;
    QLineEdit *m_targetEdit;
    TSortGrid *m_listing;
    QPushButton *m_extract = nullptr;
    QSplitter *m_splitter;
    MemberPreview *m_preview;
    ArchiveFindTarget *m_find;
    QList<ZipDirEntry> m_members;
    int m_previewed = -1;
};

class ArchivePartBuilder : public QObject, public PartBuilder
{
    Q_OBJECT
public:
    explicit ArchivePartBuilder(const PartContext &context);
    PartPage *createPage(const Part &part) override;
    /// Lists the archive, then adds the commands: a listing that throws
    /// leaves a page without them.
    void fill(PartPage &page) override;
    /// Every tab switch forgets the chosen folder and empties the edit of an archive page shown.
    void pageShown(PartPage *page) override;
    /// "Archiv-Output: (kein Pfad)": an archive tab keeps its line when its entry is clicked again.
    std::optional<QString> statusOnShow() const override;

    void ExtractButtonClick(const ArchivePage &page);
    void ChooseTargetClick(const ArchivePage &page);
    void OpenTargetClick();
    void ArchivEditChange(const ArchivePage &page);
    /// Shows the member of the listing's current row in the preview.
    void previewMember(ArchivePage &page);
    /// Hands the member previewed to the desktop's program for its kind.
    void openMember(ArchivePage &page);

private:
    void wire(ArchivePage *page);
    void fillListing(ArchivePage &page);
    /// Brings `member` of the page's archive into the Work directory as the
    /// preview's copy; nothing when it could not be, and `failures` says why.
    std::optional<MemberFile> extractMember(
        const ArchivePage &page, const ZipDirEntry &member, QStringList *failures);
    void setOutputStatus();

    const PartContext &m_context;
    QString m_outputPath; // the folder chosen; empty when none is
};

} // namespace tv

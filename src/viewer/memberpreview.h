// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/textcontent.h"

#include <QByteArray>
#include <QDateTime>
#include <QImage>
#include <QString>
#include <QWidget>

class QLabel;
class QStackedWidget;

/// @short The preview of one archive member beside an archive's listing:
/// text with line numbers, a picture scaled to fit, or what the file is.
namespace tv {

class CodeView;

/// How much of a member is read for the preview: 5 MB.
constexpr qint64 kPreviewLimit = 5 * 1024 * 1024;

/// A member brought into the Work directory for its preview.
struct MemberFile
{
    QString path; // the copy in the Work directory
    QString name; // as the listing shows it
    qint64 size = 0;
    QDateTime stamp;
};

/// A picture shown whole in the space it has: scaled down to fit, never up.
class FittedImage : public QWidget
{
    Q_OBJECT
public:
    explicit FittedImage(QWidget *parent);
    void setImage(const QImage &image);
    const QImage &image() const { return m_image; }
    /// The rectangle the picture is drawn in.
    QRect imageRect() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_image;
};

class MemberPreview : public QWidget
{
    Q_OBJECT
public:
    enum class Shown { Nothing, Text, Image, Facts };

    explicit MemberPreview(QWidget *parent);
    /// Deletes the copy of the member shown.
    ~MemberPreview() override;

    /// Shows `file`, which the preview then owns: the copy is deleted as soon
    /// as another member is shown, the preview is emptied or goes.
    void showFile(const MemberFile &file);
    /// Shows `text` instead of a member (why it could not be shown).
    void showProblem(const QString &text);
    /// Back to the hint to pick a member; the copy goes.
    void clear();

    Shown shown() const { return m_shown; }
    /// The copy of the member shown; empty when there is none.
    const QString &copyPath() const { return m_copy; }
    CodeView *textView() const { return m_text; }
    FittedImage *imageView() const { return m_image; }
    /// The line above the preview: the member's name, and a note for a member
    /// shown only in part.
    QLabel *heading() const { return m_heading; }
    /// What a member that is neither text nor picture is: kind, size, date.
    QLabel *facts() const { return m_facts; }

signals:
    /// The text view holds another text (or none): a search must start anew.
    void textChanged();

private:
    void dropCopy();
    void showText(const MemberFile &file, const QByteArray &head);
    bool showImage(const MemberFile &file);
    void showFacts(const MemberFile &file, const QByteArray &head);
    void setShown(Shown shown, QWidget *page);

    QLabel *m_heading;
    QStackedWidget *m_stack;
    QLabel *m_hint;
    CodeView *m_text;
    FittedImage *m_image;
    QLabel *m_facts;
    Shown m_shown = Shown::Nothing;
    QString m_copy;
};

} // namespace tv
